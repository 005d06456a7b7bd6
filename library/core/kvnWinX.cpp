#include "kvnWinX.h"

#include "kvnEncoding.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnStrings.h"

#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

namespace kvn {

TKvnSystemX::TKvnSystemX(const TKvnVersionInfo& info, const std::string& executablePath, TDateTime executableDate,
                         const std::string& systemText)
    : fProductName(info.ProductName), fInternalName(info.InternalName)
{
    if (fInternalName.empty())
        fInternalName = ReplaceAll(AsciiLower(std::filesystem::path(executablePath).filename().string()), ".exe", "");
    // Several dots in a row count as one separator.
    fVersion = GetField(info.FileVersion, ".", 1, false) + "." + GetField(info.FileVersion, ".", 4, false);
    fInfoLine = fProductName + " " + fVersion + " - " + FormatDateTime("d.m.yyyy", executableDate) + "; " + systemText;
}

std::string TKvnSystemX::ApplicationTitle() const
{
    return fProductName + " " + fVersion.substr(0, 4);
}

const TKvnSystemX& GetSystemInfo()
{
    static const TKvnSystemX info = [] {
        std::string executable = ExecutablePath();
        TKvnSystemX created({VELTRO_PRODUCT_NAME, "", VELTRO_FILE_VERSION}, executable,
                            FileModificationDate(executable), OperatingSystemText());
        SetApplicationTitle(created.ApplicationTitle());
        return created;
    }();
    return info;
}

std::string OperatingSystemText()
{
    utsname name{};
    if (uname(&name) != 0) return "unknown system";
    return std::string(name.sysname) + " " + name.release + " (" + name.version + ")";
}

TDateTime FileModificationDate(const std::string& path)
{
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0) return 0;
    std::tm local{};
    if (!localtime_r(&info.st_mtime, &local)) return 0;
    TDateTime date = 0;
    TDateTime time = 0;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date) ||
        !TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0, time))
        return 0;
    return date + time;
}

} // namespace kvn
