#pragma once

#include <QUrl>

#include <functional>
#include <string>

// The program's hand-overs to the desktop: the file association of the result-file extensions, the companion
// program Quillon, and web addresses opened in the user's browser.

namespace kvn {

// Opens a URL with the desktop; true when the desktop took it.
using TUrlOpener = std::function<bool(const QUrl&)>;

// Installs the function that opens URLs (nullptr restores the desktop's own, QDesktopServices::openUrl).
void SetUrlOpener(TUrlOpener opener);

// The http or https URL that a web address names ("www.example.org" becomes "http://www.example.org"); an invalid
// URL for an empty text and for every other kind of address (files, programs, scripts).
QUrl WebAddressUrl(const std::string& address);

// Hands a web address to the installed opener; false when it is no http or https address or the opener fails.
bool OpenUrl(const std::string& url);

// The user's data folder of the desktop ($XDG_DATA_HOME when it is absolute, else ~/.local/share), without a
// trailing "/"; empty when neither is known.
std::string UserDataDir();

// Makes the program the handler of ".ovf", ".ovz" and the other container files for the current user: a MIME type
// for each extension in <data>/mime/packages/<class>.xml, a desktop entry <data>/applications/<class>.desktop that
// starts programPath with the file, and the program icon in <data>/icons/hicolor/, all named after the lower-case
// class; then refreshes the desktop's databases when their tools are installed; false with a reason for the user
// when anything fails. Nothing is written outside the user's data folder.
bool RegisterFileExtensions(const std::string& className, const std::string& programPath,
                            const std::string& description, std::string& reason);

// Full path of the companion program in the program folder ("quillon", on Windows "quillon.exe").
std::string QuillonPath(const std::string& programDir);

// True when the companion program exists in the program folder and can be run.
bool QuillonExists(const std::string& programDir);

// Starts the companion program without waiting for it, with the file path as its one argument; false when it
// could not be started.
bool StartQuillon(const std::string& programDir, const std::string& filePath);

} // namespace kvn
