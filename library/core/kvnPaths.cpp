#include "kvnPaths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace kvn {

namespace {

std::string& RecordedExecutable()
{
    static std::string path;
    return path;
}

std::string WithTrailingSlash(std::string dir)
{
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

std::string SystemExecutablePath()
{
    std::error_code error;
#ifndef _WIN32
    fs::path link = fs::read_symlink("/proc/self/exe", error);
    if (!error) return link.string();
#endif
    // Without /proc there is nothing better than the working folder; files beside it are still found.
    fs::path here = fs::current_path(error);
    return (error ? fs::path("/") : here).append("veltro").string();
}

std::string HomeDir()
{
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
#ifndef _WIN32
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir) return entry->pw_dir;
#endif
    return "";
}

} // namespace

void SetExecutablePath(const std::string& path)
{
    if (path.empty()) {
        RecordedExecutable() = SystemExecutablePath();
        return;
    }
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    RecordedExecutable() = (error ? fs::path(path) : absolute).lexically_normal().string();
}

std::string ExecutablePath()
{
    if (RecordedExecutable().empty()) RecordedExecutable() = SystemExecutablePath();
    return RecordedExecutable();
}

std::string ExecutableDir()
{
    return WithTrailingSlash(fs::path(ExecutablePath()).parent_path().string());
}

std::string ProgramFileName(const std::string& extension)
{
    fs::path path(ExecutablePath());
    std::string dotted = extension.empty() || extension.front() == '.' ? extension : "." + extension;
    return path.replace_extension(dotted).string();
}

std::string InstalledDataDir()
{
    fs::path prefix = fs::path(ExecutableDir()).parent_path().parent_path();
    return WithTrailingSlash((prefix / "share" / "veltro").string());
}

bool IsInstalled()
{
    std::error_code error;
    return fs::path(ExecutableDir()).parent_path().filename() == "bin" && fs::is_directory(InstalledDataDir(), error);
}

std::string ProgramDataFile(const std::string& name)
{
    std::string besideExecutable = ExecutableDir() + name;
    std::error_code error;
    if (fs::is_regular_file(besideExecutable, error)) return besideExecutable;
    std::string installed = InstalledDataDir() + name;
    if (fs::is_regular_file(installed, error)) return installed;
    return besideExecutable;
}

std::string ProgramWritableDir()
{
    // An installed program shares its bin folder with others even where the user may write there (~/.local).
    if (!IsInstalled() && IsDirectoryWritable(ExecutableDir())) return ExecutableDir();
    std::string dir = UserConfigDir();
    std::error_code error;
    // A failure shows later, when the first write reports the file it could not write.
    fs::create_directories(dir, error);
    return dir;
}

std::string SettingsFilePath()
{
    return ProgramWritableDir() + fs::path(ProgramFileName(".INI")).filename().string();
}

std::string SettingsSeedFilePath()
{
    std::string besideExecutable = ProgramFileName(".INI");
    return SettingsFilePath() == besideExecutable ? "" : besideExecutable;
}

std::string UserConfigDir()
{
    // XDG_CONFIG_HOME counts only when it is an absolute path; a relative one is ignored by convention.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg == '/')
        base = xdg;
    else if (std::string home = HomeDir(); !home.empty())
        base = WithTrailingSlash(home) + ".config";
    else
        base = TempPath() + ".config";
    return WithTrailingSlash(base) + "veltro/";
}

std::string TempPath()
{
    std::error_code error;
    fs::path dir = fs::temp_directory_path(error);
    return WithTrailingSlash(error || dir.empty() ? std::string("/tmp") : dir.string());
}

bool IsDirectoryWritable(const std::string& dir)
{
    std::error_code error;
    if (dir.empty() || !fs::is_directory(dir, error)) return false;
#ifdef _WIN32
    return _access(dir.c_str(), 2) == 0;
#else
    return access(dir.c_str(), W_OK | X_OK) == 0;
#endif
}

} // namespace kvn
