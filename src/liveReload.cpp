#include "liveReload.h"

#include <QApplication>
#include <QFileInfo>

namespace veltro {

TLiveReload::TLiveReload(std::function<void()> reload, QObject* parent) : QObject(parent), fReload(std::move(reload))
{
    fQuiet.setSingleShot(true);
    fQuiet.setInterval(1000);
    connect(&fWatcher, &QFileSystemWatcher::fileChanged, this, &TLiveReload::Changed);
    connect(&fWatcher, &QFileSystemWatcher::directoryChanged, this, &TLiveReload::Changed);
    connect(&fQuiet, &QTimer::timeout, this, &TLiveReload::Rest);
}

void TLiveReload::Watch(const std::string& path)
{
    fPath = path;
    fSeen = Stamp();
    fQuiet.stop();
    Rearm();
}

void TLiveReload::SetEnabled(bool enabled)
{
    fEnabled = enabled;
    fQuiet.stop();
    Rearm();
}

void TLiveReload::Rearm()
{
    if (!fWatcher.files().isEmpty()) fWatcher.removePaths(fWatcher.files());
    if (!fWatcher.directories().isEmpty()) fWatcher.removePaths(fWatcher.directories());
    if (!fEnabled || fPath.empty()) return;
    QString file = QString::fromStdString(fPath);
    // A writer that renames a new file over the old one leaves the watch on a file that is gone; the folder's
    // change tells of the new one.
    fWatcher.addPath(QFileInfo(file).absolutePath());
    if (QFileInfo::exists(file)) fWatcher.addPath(file);
}

void TLiveReload::Changed()
{
    if (!fEnabled) return;
    if (fWatcher.files().isEmpty() && QFileInfo::exists(QString::fromStdString(fPath)))
        fWatcher.addPath(QString::fromStdString(fPath));
    fQuiet.start();
}

void TLiveReload::Rest()
{
    if (!fEnabled) return;
    // A reload under a print or preview dialog would pull the document from under it.
    if (QApplication::activeModalWidget()) {
        fQuiet.start();
        return;
    }
    Rearm();
    std::pair<qint64, QDateTime> stamp = Stamp();
    if (!QFileInfo::exists(QString::fromStdString(fPath)) || stamp == fSeen) return;
    fSeen = stamp;
    fReload();
}

std::pair<qint64, QDateTime> TLiveReload::Stamp() const
{
    QFileInfo info(QString::fromStdString(fPath));
    return {info.size(), info.lastModified()};
}

} // namespace veltro
