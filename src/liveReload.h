#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <utility>

namespace veltro {

// Watches one file and calls back once it has stayed unchanged for the quiet time, so that a file still being
// written is not read half. A file replaced by a rename is found again through its folder. While a modal dialog is
// open the call waits until it closes.
class TLiveReload : public QObject {
public:
    explicit TLiveReload(std::function<void()> reload, QObject* parent = nullptr);

    // Watches path from now on, as it is now; an empty path stops watching.
    void Watch(const std::string& path);
    void SetEnabled(bool enabled);
    bool Enabled() const { return fEnabled; }
    // Time in milliseconds that the file must rest before it is read (one second by default).
    void SetQuietTime(int milliseconds) { fQuiet.setInterval(milliseconds); }

private:
    void Changed();
    void Rest();
    void Rearm();
    // Size and time of the last change, to tell a change of the file from one of its neighbours.
    std::pair<qint64, QDateTime> Stamp() const;

    std::function<void()> fReload;
    QFileSystemWatcher fWatcher;
    QTimer fQuiet;
    std::string fPath;
    bool fEnabled = false;
    std::pair<qint64, QDateTime> fSeen;
};

} // namespace veltro
