#include "kvnRtfView.h"

#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace kvn {

void FillTextDocument(const TRtfDocument& rtf, QTextDocument& document)
{
    document.clear();
    // Rich text places tab stops every half inch unless it says otherwise.
    QTextOption option = document.defaultTextOption();
    const QScreen* screen = QGuiApplication::primaryScreen();
    option.setTabStopDistance((screen != nullptr ? screen->logicalDotsPerInchX() : 96.0) / 2.0);
    document.setDefaultTextOption(option);
    QTextCursor cursor(&document);
    bool first = true;
    for (const TRtfParagraph& paragraph : rtf.Paragraphs) {
        if (!first) cursor.insertBlock();
        first = false;
        for (const TRtfRun& run : paragraph.Runs) {
            QTextCharFormat format;
            format.setFontWeight(run.Bold ? QFont::Bold : QFont::Normal);
            format.setFontItalic(run.Italic);
            format.setFontUnderline(run.Underline);
            format.setFontPointSize(run.FontSize / 2.0);
            QString text = QString::fromUtf8(run.Text.data(), static_cast<qsizetype>(run.Text.size()));
            // A line break inside a paragraph; a plain "\n" would start a new paragraph.
            text.replace(QChar('\n'), QChar::LineSeparator);
            cursor.insertText(text, format);
        }
    }
}

bool LoadRtfInto(QTextEdit* edit, const std::string& path)
{
    if (edit == nullptr) return false;
    TRtfDocument rtf;
    std::string error;
    if (!ReadRtfFile(path, rtf, error)) return false;
    FillTextDocument(rtf, *edit->document());
    edit->moveCursor(QTextCursor::Start);
    edit->ensureCursorVisible();
    return true;
}

} // namespace kvn
