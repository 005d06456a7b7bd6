#include "kvnFileCtrls.h"

#include "kvnLanguage.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>

namespace kvn {

namespace {

// Separates several file names in the text.
const QString kNameSeparator = QStringLiteral("; ");

QStringList ShowFileDialog(TKvnFileEdit& edit, const TFileDialogRequest& request)
{
    const QString filter = QtFileFilter(request.Filter);
    const QString start = request.StartFile.isEmpty() ? request.StartFolder : request.StartFile;
    switch (request.Kind) {
    case fdkFolder: {
        QString folder = QFileDialog::getExistingDirectory(&edit, request.Text, request.StartFolder);
        return folder.isEmpty() ? QStringList() : QStringList{folder};
    }
    case fdkOpenMany:
        return QFileDialog::getOpenFileNames(&edit, QString(), start, filter);
    case fdkSave: {
        QString file = QFileDialog::getSaveFileName(&edit, QString(), start, filter);
        return file.isEmpty() ? QStringList() : QStringList{file};
    }
    case fdkOpen:
    case fdkOpenPicture:
        break;
    }
    QString file = QFileDialog::getOpenFileName(&edit, QString(), start, filter);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

TFileDialogHook& DialogHook()
{
    static TFileDialogHook hook;
    return hook;
}

TFileDialogKind DialogKind(TKvnFileEdit::TFileEditType type)
{
    switch (type) {
    case TKvnFileEdit::fetDirectory:
        return fdkFolder;
    case TKvnFileEdit::fetImgFile:
        return fdkOpenPicture;
    case TKvnFileEdit::fetMultiFile:
        return fdkOpenMany;
    case TKvnFileEdit::fetWriteFile:
        return fdkSave;
    case TKvnFileEdit::fetNormal:
    case TKvnFileEdit::fetFile:
        break;
    }
    return fdkOpen;
}

QStyle::StandardPixmap ButtonPicture(TKvnFileEdit::TFileEditType type)
{
    switch (type) {
    case TKvnFileEdit::fetDirectory:
        return QStyle::SP_DirOpenIcon;
    case TKvnFileEdit::fetMultiFile:
        return QStyle::SP_FileDialogListView;
    default:
        break;
    }
    return QStyle::SP_FileIcon;
}

} // namespace

void SetFileDialogHook(TFileDialogHook hook)
{
    DialogHook() = std::move(hook);
}

QString QtFileFilter(const QString& filter)
{
    if (!filter.contains(QLatin1Char('|'))) return filter;
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file on Windows, also those without an extension.
        patterns.replace(QLatin1String("*.*"), QLatin1String("*"));
        filters << parts[i].trimmed() + QLatin1String(" (") + patterns.simplified() + QLatin1Char(')');
    }
    return filters.join(QLatin1String(";;"));
}

TKvnFileEdit::TKvnFileEdit(QWidget* parent) : TKvnEdit(parent) {}

void TKvnFileEdit::SetFileEditType(TFileEditType type)
{
    fFileEditType = type;
    if (type == fetNormal) {
        delete fBrowse;
        fBrowse = nullptr;
        return;
    }
    if (fBrowse == nullptr) {
        fBrowse = addAction(QIcon(), QLineEdit::TrailingPosition);
        fBrowse->setObjectName(QStringLiteral("qt_browse"));
        connect(fBrowse, &QAction::triggered, this, &TKvnFileEdit::Browse);
    }
    fBrowse->setIcon(style()->standardIcon(ButtonPicture(type), nullptr, this));
    UpdateBrowseButton();
}

QStringList TKvnFileEdit::FileNames() const
{
    QStringList names;
    const QDir start(fStartDir);
    for (const QString& part : text().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QString name = QDir::fromNativeSeparators(part.trimmed());
        if (name.isEmpty()) continue;
        names << (fStartDir.isEmpty() ? name : QDir::cleanPath(start.absoluteFilePath(name)));
    }
    return names;
}

TFileDialogRequest TKvnFileEdit::Request() const
{
    TFileDialogRequest request;
    request.Kind = DialogKind(fFileEditType);
    request.Filter = fFilter;
    const QStringList names = FileNames();
    const QString first = names.isEmpty() ? QString() : names.front();
    // The user's home folder stands in for the root of the system drive.
    request.StartFolder = QDir::homePath();
    if (request.Kind == fdkFolder) {
        request.Text = QString::fromStdString(GetLanguage().GetText("G", 91));
        if (!first.isEmpty() && QFileInfo(first).isDir()) request.StartFolder = first;
        return request;
    }
    if (!first.isEmpty()) {
        QFileInfo file(first);
        if (file.absoluteDir().exists()) request.StartFolder = file.absolutePath();
        if (request.Kind != fdkOpenMany) request.StartFile = request.StartFolder + QLatin1Char('/') + file.fileName();
    }
    return request;
}

void TKvnFileEdit::Browse()
{
    if (fFileEditType == fetNormal || isReadOnly() || !isEnabled()) return;
    TFileDialogRequest request = Request();
    QStringList chosen = DialogHook() ? DialogHook()(*this, request) : ShowFileDialog(*this, request);
    TakeChoice(chosen);
    setFocus(Qt::OtherFocusReason);
    selectAll();
}

void TKvnFileEdit::TakeChoice(const QStringList& chosen)
{
    if (chosen.isEmpty()) return;
    if (fFileEditType == fetDirectory) {
        setText(QDir::toNativeSeparators(chosen.front()));
        return;
    }
    fStartDir = QFileInfo(chosen.front()).absolutePath();
    if (chosen.size() == 1) {
        setText(QDir::toNativeSeparators(QFileInfo(chosen.front()).absoluteFilePath()));
        return;
    }
    const QDir start(fStartDir);
    QStringList names;
    for (const QString& file : chosen)
        names << QDir::toNativeSeparators(start.relativeFilePath(file));
    setText(names.join(kNameSeparator));
}

void TKvnFileEdit::UpdateBrowseButton()
{
    if (fBrowse != nullptr) fBrowse->setEnabled(isEnabled() && !isReadOnly());
}

void TKvnFileEdit::changeEvent(QEvent* event)
{
    TKvnEdit::changeEvent(event);
    if (event->type() == QEvent::ReadOnlyChange || event->type() == QEvent::EnabledChange) UpdateBrowseButton();
}

std::string TKvnFileEdit::GetTexts() const
{
    std::string block = HintOrDot(toolTip());
    if (!fFilter.isEmpty()) block += "\r\n" + OneLine(fFilter);
    return block;
}

void TKvnFileEdit::SetTexts(const std::vector<std::string>& lines, int first, int count)
{
    if (count >= 1) SetHintUnlessDot(*this, lines[static_cast<std::size_t>(first)]);
    if (count >= 2) fFilter = FromOneLine(lines[static_cast<std::size_t>(first) + 1]);
}

} // namespace kvn
