#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "kvnDateTime.h"

// The general error handling's diagnostics: the error log beside the executable, its entries for failures that no
// code handled (an exception that escaped an event handler; a fatal signal, see kvnDebugSignal.h), and the call
// stacks in them, named from the executable's debug information.

namespace kvn {

// An unhandled failure as the error log and the error dialog describe it.
struct TKvnFailure {
    std::string ClassName; // the exception's type, or the signal's name
    std::string Module;    // file name of the module in which it happened
    std::uintptr_t Address = 0;
    std::string Message;
    std::string CallStack; // one named frame a line, CR LF after each
};

// The error log: the executable's path with ".err", beside it when that folder is writable, else in the user's
// configuration folder.
std::string ErrorLogPath();

// Configures the diagnostics at start: the log file, the program information line of every entry, and the handler
// of fatal signals.
void ConfigureDiagnostics(const std::string& logPath, const std::string& infoLine);

// The log file given to ConfigureDiagnostics (ErrorLogPath() until then).
std::string ConfiguredErrorLog();

// Describes a caught exception, with the call stack of the place that threw it where it was recorded.
TKvnFailure DescribeException(const std::exception_ptr& failure);

// Names the frames of a process (this one by default): function, source file and line where the debug information
// has them, and module with offset; the first frame is an exact instruction address when firstIsExact, the others
// are return addresses.
std::string NameFrames(const std::vector<std::uintptr_t>& frames, bool firstIsExact, int processId = 0);

// "Fehler '<class>' in Modul <module> bei <address>", the message line of the log entry and the error dialog.
std::string MessageLine(const TKvnFailure& failure);

// One log entry: the date line, the information line, the memory line, the message, the call stack and the thread.
std::string ErrorEntry(const TKvnFailure& failure, TDateTime when);

// Appends text to the log file without touching what is there; false when it cannot be written.
bool AppendToErrorLog(const std::string& text);

// When the program was started as the helper of a crashed process (first argument kDiagnosticsHelperArgument),
// names its frames into its log and sets the exit status; false for any other start.
bool RunDiagnosticsHelper(int argc, char* argv[], int& exitStatus);

// The debug file of "Special"/"DebugFile" (default "$", none): its lines are written to it when this object goes
// away, at program end.
class TKvnDebugFile {
public:
    explicit TKvnDebugFile(const std::string& setting);
    ~TKvnDebugFile();
    TKvnDebugFile(const TKvnDebugFile&) = delete;
    TKvnDebugFile& operator=(const TKvnDebugFile&) = delete;

    // Adds a line to write at the end (nothing when no debug file is set).
    void Add(const std::string& line);

private:
    std::string fPath;
    std::vector<std::string> fLines;
};

} // namespace kvn
