#pragma once

#include "kvnForm.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Ui {
class TkvnNoteEditDlg;
}

// A small text editor for a note or a template file: a memo with its caret position, a choice between the
// proportional and the fixed-pitch face, and a close button (Esc closes too).

namespace kvn {

class TkvnNoteEditDlg : public TKvnFormDialog {
    Q_OBJECT

public:
    // An editor sized for columns × rows characters at the screen's resolution, showing text in the fixed-pitch
    // face (fixedFace) or in the dialog's own one.
    TkvnNoteEditDlg(int columns, int rows, bool fixedFace, const QStringList& text, const QString& caption,
                    QWidget* parent = nullptr);
    ~TkvnNoteEditDlg() override;

    TkvnNoteEditDlg(const TkvnNoteEditDlg&) = delete;
    TkvnNoteEditDlg& operator=(const TkvnNoteEditDlg&) = delete;

    // True when the fixed-pitch face is chosen.
    bool FixedFace() const;
    // The memo's lines.
    QStringList Text() const;

    // Called with the memo's lines when the editor closes; when it returns false, the warning G/41 is shown and
    // the editor stays open, so nothing typed is lost. Closing again with the text unchanged since that warning
    // gives up, so that a file that can never be written does not hold the user in the editor.
    void SetSave(std::function<bool(const QStringList&)> save);

    void done(int result) override;

private:
    void ShowFace();

    std::unique_ptr<Ui::TkvnNoteEditDlg> fUi;
    std::function<bool(const QStringList&)> fSave;
    std::optional<QStringList> fUnsavedText;
};

// Shows the editor modally; afterwards fixedFace and text hold what the user left in it. With save, the text is
// saved when the editor closes, as SetSave says.
void EditNote(int columns, int rows, bool& fixedFace, QStringList& text, const QString& caption,
              QWidget* parent = nullptr, std::function<bool(const QStringList&)> save = {});

// The lines of a text file (UTF-8 when valid, else Windows-1252); empty when it cannot be read.
QStringList LoadTextLines(const std::string& fileName);

// Writes the lines with CR LF into a new file that then replaces fileName, so that a failed save leaves the old
// file as it was; false when the file cannot be written.
bool SaveTextLines(const std::string& fileName, const QStringList& lines);

} // namespace kvn
