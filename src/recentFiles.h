#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace kvn {
class TKvnIniFile;
}

namespace veltro {

// The last opened files as numbered commands of a menu, most recent first, kept in the settings ("Files"/"Recent1"
// and on). Files that no longer exist leave the list when the menu opens.
class TRecentFiles : public QObject {
public:
    static constexpr int kMaxFiles = 8;
    using TOpen = std::function<void(const std::string& path)>;

    // The commands go into menu before the action before, their shortcuts into window; open is called with the
    // chosen file.
    TRecentFiles(QWidget& window, QMenu& menu, QAction* before, TOpen open);

    // Puts path at the top of the list.
    void Add(const std::string& path);
    const std::vector<std::string>& Files() const { return fFiles; }
    void Read(const kvn::TKvnIniFile& settings);
    void Write(kvn::TKvnIniFile& settings) const;
    // Drops the files that are gone and shows the rest in the menu.
    void Update();

private:
    std::vector<std::string> fFiles;
    std::vector<QAction*> fActions; // owned by the menu
    QAction* fSeparator = nullptr;
    TOpen fOpen;
};

// Whether the path names a result file by its extension (.ovf, .ovz, .ovb, .kvt, .zip, .twf, any case).
bool IsResultFileName(const std::string& path);

} // namespace veltro
