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
    // The help view has nothing to undo, and without an undo record the fill keeps no copy of the text.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    // One edit block: the layout follows once at its end instead of after every run, which re-laid out the whole
    // paragraph each time and made long paragraphs with many formatting changes take quadratic time.
    cursor.beginEditBlock();
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
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
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
