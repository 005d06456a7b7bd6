#pragma once

#include "kvnForm.h"
#include "kvnPrint.h"

#include <QPointer>
#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QShowEvent;

namespace Ui {
class TkvnPrintDlg;
}

// The print dialog from which every print-out starts: the user picks the printer (or the PDF file) and the number
// of copies, may open the printer's properties or the page setup, and chooses one output: print, preview or HTML
// file. Each output runs inside the status dialog. A print job derives from the dialog and only sets the report's
// handlers (OnInitReport, OnOneExemplar, ...).

namespace kvn {

class TKvnStatusDlg;

// What a save dialog is asked for.
struct TKvnSaveRequest {
    std::string Title;
    std::string Filter;  // pairs of description and masks, all separated by "|", as the language files write them
    int FilterIndex = 1; // the filter chosen first, from 1
    std::string Folder;  // the folder shown first
};

// Asks for the name of a file to write; the chosen path, or nothing when the user cancelled.
using TSaveFileDialog = std::function<std::optional<std::string>(QWidget* parent, const TKvnSaveRequest& request)>;

// Replaces the save dialog of the print outputs (nullptr: Qt's file dialog); tests install their own.
void SetSaveFileDialog(TSaveFileDialog dialog);

// The filters of a "description|masks|..." filter text as Qt's file dialog takes them: "description (masks)", the
// masks separated by blanks, "*.*" as "*".
QStringList QtFileFilters(std::string_view filter);

// The file name with its extension (the part from the last "." of the name) replaced by extension; an extension
// without a leading "." gets one.
std::string ChangeFileExt(const std::string& fileName, std::string extension);

// Edits the page setup of a document; true when the user confirmed the changes.
using TPageSetupEditor = std::function<bool(QWidget* parent, TKvnDocument& document, bool htmlAllowed)>;

// Installs the page setup that "Optionen" opens (nullptr: none, the button is disabled).
void SetPageSetupEditor(TPageSetupEditor editor);

class TkvnPrintDlg : public TKvnFormDialog {
    Q_OBJECT

public:
    // Builds the dialog and its report, whose document is named "Hoch75"; remembers the window active now.
    explicit TkvnPrintDlg(QWidget* parent = nullptr);
    ~TkvnPrintDlg() override;
    TkvnPrintDlg(const TkvnPrintDlg&) = delete;
    TkvnPrintDlg& operator=(const TkvnPrintDlg&) = delete;

    // The report that the outputs run; a print job sets its handlers.
    TKvnReport& Report() { return *fReport; }
    // The report's page settings.
    TKvnDocument& Document() { return fReport->Document(); }

    // The creation step, once: translates the window (with the form sections of derived classes), lists the
    // printers and selects the stored one. Runs at the latest when the dialog is shown.
    void FormCreate();

    // Shows the dialog modally; an output chosen in it runs once the dialog has closed itself, and after a preview
    // that was not printed the dialog comes back.
    int exec() override;

    // Name of the chosen printer entry (kPdfPrinterName for the PDF file), "" for none.
    std::string ChosenPrinter() const;

    // The handlers of the controls.
    void CBPrintersClick();
    void btnSetupClick();
    void btnOptionsClick();
    void btnPrintClick();
    void btnPreviewClick();
    void btnHtmlClick();

protected:
    void showEvent(QShowEvent* event) override;
    // Makes the dialog height pixels taller, below its printer and copies rows, for controls of a print job's own;
    // returns that band in dialog coordinates. Call it in the constructor.
    QRect AddJobArea(int height);

private:
    // An output that runs while the dialog is closed; true when the dialog is done, false to show it again.
    using TOutput = std::function<bool()>;

    void FillPrinters();
    void UpdateButtons();
    void SaveState();
    void SelectPrinterEntry(const std::string& name);
    void Start(TOutput output);
    bool PrintReport();
    bool PreviewReport();
    void WriteHtmlReport(const std::string& fileName);
    std::optional<std::string> AskFile(const TKvnSaveRequest& request, const char* folderKey,
                                       const std::string& extension);
    std::optional<std::string> AskPdfFile();

    std::unique_ptr<Ui::TkvnPrintDlg> fUi;
    std::unique_ptr<TKvnReport> fReport;
    QPointer<QWidget> fPreviousForm;
    QString fPdfEntryText;
    std::optional<std::string> fPdfFile; // target of the print run being started on the PDF printer
    TOutput fOutput;
    bool fCreated = false;
    bool fExecuting = false;
};

} // namespace kvn
