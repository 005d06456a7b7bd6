#include "kvnNoteEdit.h"

#include "ui_TkvnNoteEditDlg.h"

#include "kvnEncoding.h"
#include "kvnFunctions.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScreen>

#include <fstream>
#include <iterator>

namespace kvn {

namespace {

// Average character width and line height of the editor's face at 96 pixels per inch, in tenths of a pixel, and
// the room the frame and scroll bar take beside the text.
constexpr int kCharWidthTenths = 71;
constexpr int kLineHeightTenths = 146;
constexpr int kFrameWidth = 16;

int ScreenDpi(const QWidget& widget)
{
    const QScreen* screen = widget.screen() != nullptr ? widget.screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? qRound(screen->logicalDotsPerInch()) : 96;
}

} // namespace

TkvnNoteEditDlg::TkvnNoteEditDlg(int columns, int rows, bool fixedFace, const QStringList& text, const QString& caption,
                                 QWidget* parent)
    : TKvnFormDialog(parent), fUi(std::make_unique<Ui::TkvnNoteEditDlg>())
{
    fUi->setupUi(this);
    Form().FormLoaded();
    setWindowTitle(caption);
    fUi->memNotiz->SetCaretPosControl(fUi->lblRowCol);
    fUi->memNotiz->SetLines(text);
    (fixedFace ? fUi->rbFix : fUi->rbVar)->setChecked(true);
    ShowFace();
    connect(fUi->rbFix, &QRadioButton::toggled, this, [this] { ShowFace(); });
    connect(fUi->btnClose, &QPushButton::clicked, this, &QDialog::accept);

    int dpi = ScreenDpi(*this);
    int width = MulDiv(columns * kCharWidthTenths / 10 + kFrameWidth, dpi, 96);
    int height = MulDiv(rows * kLineHeightTenths / 10 + fUi->pnlBottom->sizeHint().height(), dpi, 96);
    resize(width, height);
    fUi->memNotiz->setFocus();
}

TkvnNoteEditDlg::~TkvnNoteEditDlg() = default;

bool TkvnNoteEditDlg::FixedFace() const
{
    return fUi->rbFix->isChecked();
}

QStringList TkvnNoteEditDlg::Text() const
{
    return fUi->memNotiz->Lines();
}

void TkvnNoteEditDlg::SetSave(std::function<bool(const QStringList&)> save)
{
    fSave = std::move(save);
}

void TkvnNoteEditDlg::done(int result)
{
    QStringList text = Text();
    if (fSave && !fSave(text) && fUnsavedText != text) {
        fUnsavedText = text;
        ShowMessageBox(GetLanguage().GetText("G", 41), true);
        return;
    }
    TKvnFormDialog::done(result);
}

void TkvnNoteEditDlg::ShowFace()
{
    fUi->memNotiz->setFont(FixedFace() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : font());
}

void EditNote(int columns, int rows, bool& fixedFace, QStringList& text, const QString& caption, QWidget* parent,
              std::function<bool(const QStringList&)> save)
{
    TkvnNoteEditDlg editor(columns, rows, fixedFace, text, caption, parent);
    editor.SetSave(std::move(save));
    editor.exec();
    fixedFace = editor.FixedFace();
    text = editor.Text();
}

QStringList LoadTextLines(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file) return {};
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    QString text = QString::fromStdString(TextFileToUtf8(bytes));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    // The line break that ends the last line does not begin another one.
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

bool SaveTextLines(const std::string& fileName, const QStringList& lines)
{
    QSaveFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (const QString& line : lines) {
        QByteArray bytes = line.toUtf8();
        bytes.append("\r\n");
        if (file.write(bytes) != bytes.size()) {
            file.cancelWriting();
            break;
        }
    }
    return file.commit();
}

} // namespace kvn
