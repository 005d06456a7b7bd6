#include "recentFiles.h"

#include "kvnIniFiles.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <filesystem>

namespace veltro {

namespace {

const char* const kFiles = "Files";

std::string Key(int index)
{
    return "Recent" + std::to_string(index + 1);
}

} // namespace

TRecentFiles::TRecentFiles(QWidget& window, QMenu& menu, QAction* before, TOpen open)
    : QObject(&menu), fOpen(std::move(open))
{
    for (int i = 0; i < kMaxFiles; ++i) {
        auto* action = new QAction(&menu);
        action->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setVisible(false);
        menu.insertAction(before, action);
        // The window has to see the shortcut while the menu is closed.
        window.addAction(action);
        connect(action, &QAction::triggered, this, [this, i] {
            // Copied: opening the file changes the list.
            if (i < static_cast<int>(fFiles.size())) fOpen(std::string(fFiles[i]));
        });
        fActions.push_back(action);
    }
    fSeparator = menu.insertSeparator(before);
    fSeparator->setVisible(false);
    connect(&menu, &QMenu::aboutToShow, this, &TRecentFiles::Update);
}

void TRecentFiles::Add(const std::string& path)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    std::string entry = error ? path : absolute.lexically_normal().string();
    std::erase(fFiles, entry);
    fFiles.insert(fFiles.begin(), entry);
    if (fFiles.size() > kMaxFiles) fFiles.resize(kMaxFiles);
    Update();
}

void TRecentFiles::Read(const kvn::TKvnIniFile& settings)
{
    fFiles.clear();
    for (int i = 0; i < kMaxFiles; ++i) {
        std::string path = settings.ReadString(kFiles, Key(i), "");
        if (!path.empty() && std::find(fFiles.begin(), fFiles.end(), path) == fFiles.end()) fFiles.push_back(path);
    }
    Update();
}

void TRecentFiles::Write(kvn::TKvnIniFile& settings) const
{
    for (int i = 0; i < kMaxFiles; ++i) {
        if (i < static_cast<int>(fFiles.size()))
            settings.WriteString(kFiles, Key(i), fFiles[i]);
        else
            settings.DeleteKey(kFiles, Key(i));
    }
}

void TRecentFiles::Update()
{
    std::erase_if(fFiles, [](const std::string& path) {
        std::error_code error;
        return !std::filesystem::is_regular_file(path, error);
    });
    for (int i = 0; i < kMaxFiles; ++i) {
        QAction* action = fActions[i];
        bool used = i < static_cast<int>(fFiles.size());
        action->setVisible(used);
        action->setEnabled(used);
        if (!used) continue;
        // "&&" keeps an ampersand of the name from becoming an accelerator.
        QString name = QString::fromStdString(fFiles[i]).replace("&", "&&");
        action->setText(QString("&%1 %2").arg(i + 1).arg(name));
        action->setStatusTip(QString::fromStdString(fFiles[i]));
    }
    fSeparator->setVisible(!fFiles.empty());
}

bool IsResultFileName(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* accepted : {".ovf", ".ovz", ".ovb", ".kvt", ".zip", ".twf"})
        if (extension == accepted) return true;
    return false;
}

} // namespace veltro
