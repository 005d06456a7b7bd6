#pragma once

#include <string>

// Where the program's own files live: beside the executable when that folder is writable (portable use), else in
// the user's configuration folder. Folder results end in "/".

namespace kvn {

// Records the running executable's path (made absolute); an empty path asks the system for it.
void SetExecutablePath(const std::string& path);

// Absolute path of the running executable, asked from the system when none was recorded.
std::string ExecutablePath();

// Folder of the executable, ending in "/".
std::string ExecutableDir();

// The executable's path with its extension replaced by the given one (".INI" or "INI"), or with it appended when
// the executable has none.
std::string ProgramFileName(const std::string& extension);

// The installed data folder: <prefix>/share/veltro/ for an executable in <prefix>/bin/, ending in "/".
std::string InstalledDataDir();

// True when the program runs installed: from a folder "bin" beside which <prefix>/share/veltro/ exists.
bool IsInstalled();

// A data file of the program (language file, help text, template): the one beside the executable when it exists,
// else the one in InstalledDataDir() when that exists, else the path beside the executable.
std::string ProgramDataFile(const std::string& name);

// The folder of the settings file and the error log: beside the executable when that folder is writable and the
// program is not installed (portable use), else UserConfigDir(), which is then created.
std::string ProgramWritableDir();

// The settings file: "<name>.INI" in ProgramWritableDir().
std::string SettingsFilePath();

// The settings file beside the executable when SettingsFilePath() lies elsewhere (the program folder is not
// writable), else ""; its settings hold until the first write stores them in the configuration folder.
std::string SettingsSeedFilePath();

// The user's configuration folder of the program ($XDG_CONFIG_HOME/veltro/ or ~/.config/veltro/), ending in "/".
std::string UserConfigDir();

// The system's folder for temporary files, ending in "/".
std::string TempPath();

// True when the folder exists and the program may create files in it.
bool IsDirectoryWritable(const std::string& dir);

} // namespace kvn
