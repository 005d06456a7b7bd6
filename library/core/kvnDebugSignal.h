#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The part of the crash diagnostics that runs inside a fatal signal handler (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGABRT): everything it needs is computed when it is installed, and it writes with write() only. It appends an
// entry to the error log, has a helper process (the program started again with kDiagnosticsHelperArgument) name
// the frames from the debug information, and then lets the process end with the same signal. Other signals stay
// with whoever handles them.

namespace kvn {

// First argument that starts the program as the helper that names the frames of a crashed process.
inline constexpr const char* kDiagnosticsHelperArgument = "--kvn-name-frames";

// Total and available physical and virtual memory in bytes. "Virtual" is the kernel's commit limit (RAM and swap
// as far as overcommitting allows) and what remains of it, the figure that decides whether an allocation is granted.
struct TMemoryFigures {
    std::uint64_t PhysicalTotal = 0;
    std::uint64_t PhysicalAvailable = 0;
    std::uint64_t VirtualTotal = 0;
    std::uint64_t VirtualAvailable = 0;
};

// Reads the figures from /proc/meminfo with open() and read() only; zeros where they cannot be read.
TMemoryFigures ReadMemoryFigures();

// Writes "Physical memory: total %.0fMB, avail %.0fMB; Virtual memory: total %.0fMB, avail %.0fMB;" into buffer
// (at least 160 bytes) and returns its length.
std::size_t FormatMemoryLine(const TMemoryFigures& figures, char* buffer);

// Writes value as 16 upper-case hexadecimal digits into buffer (at least 16 bytes) and returns 16.
std::size_t FormatAddress(std::uintptr_t value, char* buffer);

// Installs the fatal-signal handler, writing to logPath with infoLine in every entry; the date line follows the
// format given (the letters of FormatDateTime, numbers only). Called again, it only updates what it writes.
void InstallFatalSignalHandler(const std::string& logPath, const std::string& infoLine,
                               const std::string& dateTimeFormat);

} // namespace kvn
