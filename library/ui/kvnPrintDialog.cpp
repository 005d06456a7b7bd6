#include "kvnPrintDialog.h"

#include "ui_TkvnPrintDlg.h"

#include "kvnAccelerator.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPrintPreview.h"
#include "kvnQtCanvas.h"
#include "kvnQtPrinterInfo.h"
#include "kvnStatus.h"
#include "kvnStrings.h"

#include <QApplication>
#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStandardPaths>

#include <filesystem>
#include <utility>

namespace kvn {

namespace {

const char* const kPrinterSection = "Printer";
const char* const kCurrentKey = "Current";
const char* const kHtmlDirKey = "HtmlDir";
const char* const kPdfDirKey = "PdfDir";
const char* const kHtmlExtensionKey = "HtmlExtension";
const char* const kDefaultHtmlExtension = ".htm";

// The wording of the overwrite question for a program that runs without language files.
const char* const kOverwriteQuestion = "Die Datei %s existiert bereits.\r\nSoll sie ersetzt werden?";

TSaveFileDialog& SaveFileDialog()
{
    static TSaveFileDialog dialog;
    return dialog;
}

TPageSetupEditor& PageSetupEditor()
{
    static TPageSetupEditor editor;
    return editor;
}

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string LanguageText(int n, const char* fallback)
{
    std::string text = GetLanguage().GetText("G", n);
    return text.empty() ? fallback : text;
}

std::optional<std::string> AskWithQtDialog(QWidget* parent, const TKvnSaveRequest& request)
{
    QFileDialog dialog(parent, FromUtf8(request.Title), FromUtf8(request.Folder));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The extension is forced after the dialog, so the question about an existing file comes after that too.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters = QtFileFilters(request.Filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> AskSaveFile(QWidget* parent, const TKvnSaveRequest& request)
{
    return SaveFileDialog() ? SaveFileDialog()(parent, request) : AskWithQtDialog(parent, request);
}

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

std::string DocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

// Remembering a folder or a printer is a convenience; an unwritable settings file must not stop the output.
void WriteSetting(const char* key, const std::string& value)
{
    try {
        SettingsFile().WriteString(kPrinterSection, key, value);
    } catch (const EKvnError&) {
    }
}

TReportStatus StatusOf(TKvnStatusDlg& dialog)
{
    return {[&dialog] { return dialog.CheckAborted(); },
            [&dialog](int line, const std::string& text) { dialog.SetLine(line, text); }};
}

} // namespace

void SetSaveFileDialog(TSaveFileDialog dialog)
{
    SaveFileDialog() = std::move(dialog);
}

void SetPageSetupEditor(TPageSetupEditor editor)
{
    PageSetupEditor() = std::move(editor);
}

QStringList QtFileFilters(std::string_view filter)
{
    QStringList parts = FromUtf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    static const QRegularExpression trailingMasks(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingMasks);
        QStringList masks = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& mask : masks) {
            mask = mask.trimmed();
            // "*.*" would miss the files without an extension, which Windows counts in.
            if (mask == QLatin1String("*.*")) mask = QStringLiteral("*");
        }
        filters << description.trimmed() + QStringLiteral(" (") + masks.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

std::string ChangeFileExt(const std::string& fileName, std::string extension)
{
    if (!extension.empty() && extension.front() != '.') extension.insert(0, 1, '.');
    std::size_t slash = fileName.find_last_of('/');
    std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = fileName.find_last_of('.');
    // A leading "." makes a hidden file's name, not its extension.
    bool hasExtension = dot != std::string::npos && dot > name;
    return (hasExtension ? fileName.substr(0, dot) : fileName) + extension;
}

TkvnPrintDlg::TkvnPrintDlg(QWidget* parent)
    : TKvnFormDialog(parent), fUi(std::make_unique<Ui::TkvnPrintDlg>()),
      fReport(std::make_unique<TKvnReport>(&QtPrinterInfo())), fPreviousForm(QApplication::activeWindow())
{
    fUi->setupUi(this);
    // A fixed dialog border with the system menu only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    Document().LoadSettings();

    connect(fUi->CBPrinters, &QComboBox::currentIndexChanged, this, [this] { CBPrintersClick(); });
    connect(fUi->btnSetup, &QPushButton::clicked, this, &TkvnPrintDlg::btnSetupClick);
    connect(fUi->btnOptions, &QPushButton::clicked, this, &TkvnPrintDlg::btnOptionsClick);
    connect(fUi->btnPrint, &QPushButton::clicked, this, &TkvnPrintDlg::btnPrintClick);
    connect(fUi->btnPreview, &QPushButton::clicked, this, &TkvnPrintDlg::btnPreviewClick);
    connect(fUi->btnHtml, &QPushButton::clicked, this, &TkvnPrintDlg::btnHtmlClick);
    connect(fUi->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TkvnPrintDlg::~TkvnPrintDlg() = default;

QRect TkvnPrintDlg::AddJobArea(int height)
{
    // The band opens where the output buttons stand now; they move down below it.
    int top = fUi->btnPrint->y() - 6;
    for (QWidget* button : {fUi->btnPrint, fUi->btnPreview, fUi->btnHtml, fUi->btnCancel})
        button->move(button->x(), button->y() + height);
    setFixedSize(width(), this->height() + height);
    return {fUi->LPrintername->x(), top, fUi->CBPrinters->geometry().right() - fUi->LPrintername->x() + 1, height};
}

void TkvnPrintDlg::FormCreate()
{
    if (fCreated) return;
    fCreated = true;
    // Derived windows are complete by now, so their form sections apply as well.
    Form().FormLoaded();
    std::string caption = GetLanguage().GetText("G", 58);
    if (!caption.empty()) fUi->btnHtml->setText(FromUtf8(caption));
    std::string hint = GetLanguage().GetText("G", 59);
    if (!hint.empty()) fUi->btnHtml->setToolTip(FromUtf8(hint));
    if (Form().AutoAccelerators()) AssignAccelerators(*this);
    FillPrinters();
    fUi->edtExemplare->setFocus();
}

void TkvnPrintDlg::FillPrinters()
{
    // The design's one item names the PDF entry, so that the entry is translated with the window.
    fPdfEntryText = fUi->CBPrinters->count() > 0 ? fUi->CBPrinters->itemText(0) : QString::fromLatin1(kPdfPrinterName);
    {
        QSignalBlocker quiet(fUi->CBPrinters);
        fUi->CBPrinters->clear();
        for (const std::string& name : TKvnQtPrinterInfo::PrinterNames())
            fUi->CBPrinters->addItem(FromUtf8(name), FromUtf8(name));
        fUi->CBPrinters->addItem(fPdfEntryText, QString::fromLatin1(kPdfPrinterName));
        SelectPrinterEntry(QtPrinterInfo().SelectedPrinterName());
        SelectPrinterEntry(SettingsFile().ReadString(kPrinterSection, kCurrentKey, ""));
    }
    CBPrintersClick();
}

void TkvnPrintDlg::SelectPrinterEntry(const std::string& name)
{
    int index = name.empty() ? -1 : fUi->CBPrinters->findData(FromUtf8(name));
    if (index >= 0)
        fUi->CBPrinters->setCurrentIndex(index);
    else if (fUi->CBPrinters->currentIndex() < 0)
        fUi->CBPrinters->setCurrentIndex(fUi->CBPrinters->count() - 1);
}

std::string TkvnPrintDlg::ChosenPrinter() const
{
    return fUi->CBPrinters->currentData().toString().toStdString();
}

void TkvnPrintDlg::showEvent(QShowEvent* event)
{
    FormCreate();
    TKvnFormDialog::showEvent(event);
}

int TkvnPrintDlg::exec()
{
    FormCreate();
    fExecuting = true;
    for (;;) {
        int result = TKvnFormDialog::exec();
        if (!fOutput) {
            fExecuting = false;
            return result;
        }
        TOutput output = std::exchange(fOutput, nullptr);
        bool finished = false;
        try {
            finished = output();
        } catch (...) {
            fExecuting = false;
            throw;
        }
        if (finished) {
            fExecuting = false;
            BringBackWindow(fPreviousForm, this);
            return QDialog::Accepted;
        }
        fUi->edtExemplare->setFocus();
    }
}

void TkvnPrintDlg::Start(TOutput output)
{
    if (fExecuting) {
        // The modal loop must end before the output runs; hiding the dialog alone would end it anyway.
        fOutput = std::move(output);
        done(QDialog::Accepted);
        return;
    }
    hide();
    if (output()) {
        accept();
        BringBackWindow(fPreviousForm, this);
    } else {
        show();
        fUi->edtExemplare->setFocus();
    }
}

void TkvnPrintDlg::CBPrintersClick()
{
    QtPrinterInfo().SelectPrinter(ChosenPrinter());
    Document().DetectPaper();
    UpdateButtons();
}

void TkvnPrintDlg::UpdateButtons()
{
    bool printer = fUi->CBPrinters->currentIndex() >= 0;
    TPrnDlgOptions options = Report().Options();
    fUi->btnPrint->setEnabled(printer);
    fUi->btnPreview->setEnabled(printer && options.Contains(pdCanPreview));
    fUi->btnHtml->setEnabled(options.Contains(pdCanHTML));
    fUi->btnOptions->setEnabled(static_cast<bool>(PageSetupEditor()));
}

void TkvnPrintDlg::SaveState()
{
    WriteSetting(kCurrentKey, ChosenPrinter());
}

void TkvnPrintDlg::btnSetupClick()
{
    if (QPrinter* printer = QtPrinterInfo().SelectedPrinter()) {
        QPageSetupDialog setup(printer, this);
        setup.exec();
    }
    Document().DetectPaper();
    fUi->edtExemplare->setFocus();
    UpdateButtons();
}

void TkvnPrintDlg::btnOptionsClick()
{
    if (!PageSetupEditor()) return;
    bool confirmed = PageSetupEditor()(this, Document(), Report().Options().Contains(pdCanHTML));
    if (confirmed)
        Document().SaveSettings();
    else
        Document().LoadSettings();
    SelectPrinterEntry(QtPrinterInfo().SelectedPrinterName());
    fUi->edtExemplare->setFocus();
    UpdateButtons();
}

void TkvnPrintDlg::btnPrintClick()
{
    fUi->btnPrint->setFocus();
    if (focusWidget() != fUi->btnPrint) return;
    // The file is asked for while the dialog is still there, so that cancelling simply leaves it open.
    fPdfFile.reset();
    if (ChosenPrinter() == kPdfPrinterName) {
        fPdfFile = AskPdfFile();
        if (!fPdfFile) return;
    }
    SaveState();
    UpdateButtons();
    Start([this] { return PrintReport(); });
}

bool TkvnPrintDlg::PrintReport()
{
    Report().SetCopies(fUi->edtExemplare->GetIntValue());
    Report().SetCaption(windowTitle().toStdString());
    RunWithStatus(this, 2, true, [this](TKvnStatusDlg& status) {
        TReportStatus reportStatus = StatusOf(status);
        if (fPdfFile) {
            QPrinter pdf(QPrinter::HighResolution);
            SetUpPdfPrinter(pdf, *fPdfFile, Document());
            TKvnQtPrinter printer(pdf);
            Report().Print(printer, reportStatus);
        } else if (QPrinter* selected = QtPrinterInfo().SelectedPrinter()) {
            TKvnQtPrinter printer(*selected);
            Report().Print(printer, reportStatus);
        }
    });
    return true;
}

void TkvnPrintDlg::btnPreviewClick()
{
    SaveState();
    Start([this] { return PreviewReport(); });
}

bool TkvnPrintDlg::PreviewReport()
{
    TKvnQtPreviewDevice device;
    bool completed = RunWithStatus(this, 2, true, [this, &device](TKvnStatusDlg& status) {
        TReportStatus reportStatus = StatusOf(status);
        Report().Preview(device, reportStatus);
    });
    if (!completed) return false;

    TkvnPreviewDlg preview(parentWidget());
    preview.setWindowTitle(preview.windowTitle() + windowTitle());
    preview.SetPages(Report().PreviewPages());
    bool placed = ParsePlacement(SettingsFile().ReadString("Windows", preview.Form().PlacementKey(), "")).has_value();
    if (placed)
        preview.RestoreZoom();
    else
        preview.FitWholePage();
    if (preview.exec() != QDialog::Accepted || !fUi->btnPrint->isEnabled()) return false;

    fPdfFile.reset();
    if (ChosenPrinter() == kPdfPrinterName) {
        fPdfFile = AskPdfFile();
        if (!fPdfFile) return false;
    }
    SaveState();
    return PrintReport();
}

void TkvnPrintDlg::btnHtmlClick()
{
    SaveState();
    TKvnSaveRequest request;
    request.Title = GetLanguage().GetText("G", 59);
    request.Filter = GetLanguage().GetText("G", 95);
    request.FilterIndex = 2;
    std::string extension = SettingsFile().ReadString(kPrinterSection, kHtmlExtensionKey, kDefaultHtmlExtension);
    std::optional<std::string> file =
        AskFile(request, kHtmlDirKey, extension.empty() ? kDefaultHtmlExtension : extension);
    if (!file) return;
    Start([this, target = *file] {
        WriteHtmlReport(target);
        return true;
    });
}

void TkvnPrintDlg::WriteHtmlReport(const std::string& fileName)
{
    Report().SetHtmlFileName(fileName);
    Report().SetCaption(windowTitle().toStdString());
    RunWithStatus(this, 2, true, [this](TKvnStatusDlg& status) {
        TReportStatus reportStatus = StatusOf(status);
        Report().WriteHtml(reportStatus);
    });
}

std::optional<std::string> TkvnPrintDlg::AskPdfFile()
{
    TKvnSaveRequest request;
    request.Title = fPdfEntryText.toStdString();
    request.Filter = "PDF (*.pdf)|*.pdf";
    return AskFile(request, kPdfDirKey, ".pdf");
}

std::optional<std::string> TkvnPrintDlg::AskFile(const TKvnSaveRequest& request, const char* folderKey,
                                                 const std::string& extension)
{
    TKvnSaveRequest asked = request;
    std::string folder = SettingsFile().ReadString(kPrinterSection, folderKey, "");
    asked.Folder = IsFolder(folder) ? folder : DocumentsFolder();
    std::optional<std::string> chosen = AskSaveFile(this, asked);
    if (!chosen || chosen->empty()) return std::nullopt;
    WriteSetting(folderKey, std::filesystem::path(*chosen).parent_path().string());
    std::string target = ChangeFileExt(*chosen, extension);
    if (FileExists(target) && !AskYesNo(FormatText(LanguageText(10, kOverwriteQuestion), {target})))
        return std::nullopt;
    return target;
}

} // namespace kvn
