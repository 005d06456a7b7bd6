#pragma once

#include "kvnForm.h"

#include <QString>

#include <memory>
#include <string>

class QMenu;

namespace Ui {
class TkvnPrintSetupDlg;
}

// The print setup dialog: printer, margins, type faces, columns, orientation, footers, page pictures and the HTML
// settings of one print document. Every change goes into the document at once; whoever opened the dialog decides
// whether the document keeps the changes (save) or drops them (reload).

namespace kvn {

class TKvnDocument;

// The text of a picture list line: G/11 for an entry without a file, else position, scale, alignment name and the
// file name without folder, each at its own tab position (kImageColumns).
struct TImageLine {
    QString Position;
    QString Scale;
    QString Alignment;
    QString File;
};
TImageLine ImageLineTexts(const std::string& entry);

// Pixel positions of the four parts of a picture list line.
inline constexpr int kImageColumns[4] = {2, 80, 120, 190};

class TkvnPrintSetupDlg : public TKvnFormDialog {
    Q_OBJECT

public:
    explicit TkvnPrintSetupDlg(QWidget* parent = nullptr);
    ~TkvnPrintSetupDlg() override;

    TkvnPrintSetupDlg(const TkvnPrintSetupDlg&) = delete;
    TkvnPrintSetupDlg& operator=(const TkvnPrintSetupDlg&) = delete;

    // Edits document (not owned, must outlive the dialog); the HTML fields are enabled only with htmlAllowed.
    void Open(TKvnDocument& document, bool htmlAllowed);
    // Shows the document in the controls.
    void Load();
    // Writes the controls into the document.
    void Apply();
    // Applies preset (kPresetPortrait or kPresetLandscape) to the document and shows it.
    void ApplyPreset(int preset);
    // The menu of the "Standard" button.
    QMenu& StandardMenu() const { return *fStandardMenu; }

    // Adds an empty picture entry, selects and shows it.
    void NewImage();
    // Deletes the selected picture entry; an emptied list gets a new empty one.
    void DeleteImage();
    // Edits the HTML template file in the note editor and saves it.
    void EditTemplate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectControls();
    void FillPrinters();
    void ShowFaces(const QString& printer);
    void SetEnabling();
    void UpdateGapState();
    void UpdateFootCount();
    void PageChanged(int index);
    void PrinterChosen(int index);
    void PrinterProperties();
    void StoreImage();
    void ShowImage(int row);
    void ImageSelected(int row);
    bool IsMarginField(const QObject* object) const;
    bool IsFooterMemo(const QObject* object) const;
    bool IsImageField(const QObject* object) const;

    std::unique_ptr<Ui::TkvnPrintSetupDlg> fUi;
    QMenu* fStandardMenu;
    TKvnDocument* fDoc = nullptr;
    bool fHtmlAllowed = true;
    int fImageIndex = -1;
    bool fBusy = false;
};

// Shows the setup dialog modally on document; true when it was closed with OK. The document keeps every change
// either way: the caller saves or reloads it.
bool EditPageSetup(QWidget* parent, TKvnDocument& document, bool htmlAllowed);

// Whether the template editor shows the fixed-pitch face; remembered while the program runs.
bool& NoteEditFixedFace();

} // namespace kvn
