#pragma once

#include "kvnDateTime.h"

#include <string>

// What the running program is and where it runs: product name, version and a one-line summary for error logs.

namespace kvn {

// The build's description of the program, as a version resource would give it.
struct TKvnVersionInfo {
    std::string ProductName;
    std::string InternalName; // empty: derived from the executable's file name
    std::string FileVersion;  // "major.minor.release.build"
};

class TKvnSystemX {
public:
    // Describes the program from the version information, the executable's path, its modification date and the
    // operating system's text.
    TKvnSystemX(const TKvnVersionInfo& info, const std::string& executablePath, TDateTime executableDate,
                const std::string& systemText);

    const std::string& ProductName() const { return fProductName; }
    const std::string& InternalName() const { return fInternalName; }
    // First and fourth number of the file version: "3.0.0.1" gives "3.1".
    const std::string& Version() const { return fVersion; }
    // "Veltro 1.0 - 9.12.2026; Linux 6.1.0 (#1 SMP ...)"
    const std::string& InfoLine() const { return fInfoLine; }
    // Product name, a blank and the first four characters of the version.
    std::string ApplicationTitle() const;

private:
    std::string fProductName;
    std::string fInternalName;
    std::string fVersion;
    std::string fInfoLine;
};

// The program's information, created on first use from the build's version; also sets the application title.
const TKvnSystemX& GetSystemInfo();

// The operating system's name, release and version ("Linux 6.1.0-18-amd64 (#1 SMP ...)").
std::string OperatingSystemText();

// Modification date of a file as local date and time, 0 when it cannot be read.
TDateTime FileModificationDate(const std::string& path);

} // namespace kvn
