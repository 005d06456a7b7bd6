#pragma once

#include <ostream>
#include <string>
#include <vector>

// Command-line modes that need no display: checking a file, dumping its element tree, and listing its trees or
// printing the copy text of one node for scripts and spreadsheets.

namespace veltro {

// Exit status of a command-line mode.
enum TExitStatus { esOk = 0, esFileHasErrors = 1, esUsage = 2, esCannotWrite = 3 };

// Reads the file, prints its error and warning lines and a summary; esFileHasErrors when there is an error.
int RunCheck(const std::string& fileName, std::ostream& out);

// Reads the file and prints its element tree as read, then its error and warning lines.
int RunDump(const std::string& fileName, std::ostream& out);

// Runs the mode named by the arguments (without the program name); sets handled to false when they name none.
int RunCommandLineMode(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err, bool& handled);

// The usage text of the command line.
std::string UsageText();

} // namespace veltro
