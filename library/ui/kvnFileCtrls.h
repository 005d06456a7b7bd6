#pragma once

#include "kvnEdit.h"
#include "kvnLanguageForms.h"

#include <QString>
#include <QStringList>

#include <functional>

class QAction;

// A file-name edit with a browse button that opens the file or folder dialog of its type.
//
// In a .ui file it is a promoted widget: base class QLineEdit, promoted class name "kvn::TKvnFileEdit", header file
// "kvnFileCtrls.h"; FileEditType, Filter and StartDir are dynamic properties (stdset="0"), for example
// <property name="FileEditType" stdset="0"><enum>kvn::TKvnFileEdit::fetImgFile</enum></property>.

namespace kvn {

class TKvnFileEdit;

// What a browse button asks the user for.
enum TFileDialogKind { fdkFolder, fdkOpen, fdkOpenPicture, fdkOpenMany, fdkSave };

// One request for a file dialog.
struct TFileDialogRequest {
    TFileDialogKind Kind = fdkOpen;
    // The folder dialog's text.
    QString Text;
    // The folder the dialog starts in.
    QString StartFolder;
    // The file name the dialog starts with, "" for none.
    QString StartFile;
    // The file-type filter in Qt's form ("Pictures (*.png *.gif);;All files (*)").
    QString Filter;
};

// Shows the dialog for the edit and returns the chosen files or folder (full paths), empty when cancelled.
using TFileDialogHook = std::function<QStringList(TKvnFileEdit& edit, const TFileDialogRequest& request)>;

// Replaces the dialogs of every file edit (tests need no modal dialog); nullptr brings back QFileDialog's.
void SetFileDialogHook(TFileDialogHook hook);

// A filter written the Windows way ("Pictures|*.png;*.gif|All files|*.*") in Qt's form; a filter without "|" is
// taken as it is.
QString QtFileFilter(const QString& filter);

// An edit of a file or folder name, with a browse button at its right end for every type but fetNormal.
class TKvnFileEdit : public TKvnEdit, public ITranslatable {
    Q_OBJECT
    Q_PROPERTY(TFileEditType FileEditType READ FileEditType WRITE SetFileEditType)
    Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(QString StartDir READ StartDir WRITE SetStartDir)

public:
    // fetFile and fetImgFile: one existing file (a picture); fetMultiFile: existing files; fetDirectory: a folder;
    // fetWriteFile: a file to write.
    enum TFileEditType { fetNormal, fetFile, fetImgFile, fetMultiFile, fetDirectory, fetWriteFile };
    Q_ENUM(TFileEditType)

    explicit TKvnFileEdit(QWidget* parent = nullptr);

    TFileEditType FileEditType() const { return fFileEditType; }
    // Sets the type; the browse button shows for every type but fetNormal, with the picture of the type.
    void SetFileEditType(TFileEditType type);
    // The file-type filter of the dialogs, in Qt's form or the Windows way (QtFileFilter).
    const QString& Filter() const { return fFilter; }
    void SetFilter(const QString& filter) { fFilter = filter; }
    // The folder that the names of several chosen files are relative to.
    const QString& StartDir() const { return fStartDir; }
    void SetStartDir(const QString& folder) { fStartDir = folder; }

    // The names of the text ("; " between several) as full paths, relative ones taken from StartDir.
    QStringList FileNames() const;
    // The browse button's action, or nullptr for fetNormal.
    QAction* BrowseAction() const { return fBrowse; }
    // What a click on the browse button does: asks for files or a folder and puts the choice into the text.
    void Browse();

    // The hint or ".", then the filter when it is not empty.
    std::string GetTexts() const override;
    // Line 1 becomes the hint unless it is "."; line 2, when there is one, becomes the filter.
    void SetTexts(const std::vector<std::string>& lines, int first, int count) override;

protected:
    void changeEvent(QEvent* event) override;

private:
    TFileDialogRequest Request() const;
    void TakeChoice(const QStringList& chosen);
    void UpdateBrowseButton();

    TFileEditType fFileEditType = fetNormal;
    QString fFilter;
    QString fStartDir;
    QAction* fBrowse = nullptr;
};

} // namespace kvn
