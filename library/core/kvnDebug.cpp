#include "kvnDebug.h"

#include "kvnDebugSignal.h"
#include "kvnFormatSettings.h"
#include "kvnPaths.h"
#include "kvnStrings.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <elfutils/libdwfl.h>
#include <execinfo.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <typeinfo>

namespace kvn {

namespace {

constexpr int kMaxFrames = 64;
constexpr const char* kDashes = "---------------------------";

// The call stack of one throw, kept until the exception is described at the top of the event loop.
struct TThrowRecord {
    const void* Object = nullptr;
    std::array<std::uintptr_t, kMaxFrames> Frames{};
    int Count = 0;
};

// The last throws of this thread: an exception may be caught and replaced by others before it reaches the top, and
// the status dialog raises a stored one again later.
constexpr std::size_t kKeptThrows = 8;
thread_local std::array<TThrowRecord, kKeptThrows> tThrows;
thread_local std::size_t tNextThrow = 0;

[[gnu::noinline]] void RecordThrow(const void* object, std::uintptr_t site)
{
    TThrowRecord& record = tThrows[tNextThrow++ % kKeptThrows];
    void* raw[kMaxFrames];
    int count = ::backtrace(raw, kMaxFrames);
    int first = 0;
    while (first < count && std::uintptr_t(raw[first]) != site)
        ++first;
    if (first == count) first = 0;
    record.Object = object;
    record.Count = 0;
    for (int i = first; i < count; ++i)
        record.Frames[std::size_t(record.Count++)] = std::uintptr_t(raw[i]);
}

const TThrowRecord* FindThrow(const void* object)
{
    for (const TThrowRecord& record : tThrows) {
        if (record.Object == object && record.Count > 0) return &record;
    }
    return nullptr;
}

std::string& LogPath()
{
    static std::string path;
    return path;
}

std::string& InfoLine()
{
    static std::string line;
    return line;
}

std::string Demangled(const char* name)
{
    if (name == nullptr) return "?";
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                         &std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(name);
}

std::string Hex(std::uintptr_t value)
{
    char digits[16];
    return std::string(digits, FormatAddress(value, digits));
}

std::string ModuleOf(std::uintptr_t address)
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(address), &info) == 0 || info.dli_fname == nullptr) return "?";
    return std::filesystem::path(info.dli_fname).filename().string();
}

std::string DateTimeFormat()
{
    const TFormatSettings& settings = FormatSettings();
    return settings.ShortDateFormat + " " + settings.LongTimeFormat;
}

struct TDwflDeleter {
    void operator()(Dwfl* dwfl) const { dwfl_end(dwfl); }
};

std::unique_ptr<Dwfl, TDwflDeleter> ReportProcess(int processId)
{
    static char* debugInfoPath = nullptr;
    static const Dwfl_Callbacks callbacks = {dwfl_linux_proc_find_elf, dwfl_standard_find_debuginfo, nullptr,
                                             &debugInfoPath};
    std::unique_ptr<Dwfl, TDwflDeleter> dwfl(dwfl_begin(&callbacks));
    if (!dwfl) return dwfl;
    dwfl_report_begin(dwfl.get());
    int reported = dwfl_linux_proc_report(dwfl.get(), processId);
    if (dwfl_report_end(dwfl.get(), nullptr, nullptr) != 0 || reported != 0) dwfl.reset();
    return dwfl;
}

std::string NameFrame(Dwfl* dwfl, std::uintptr_t address, std::uintptr_t lookup)
{
    std::string text = Hex(address);
    Dwfl_Module* module = dwfl != nullptr ? dwfl_addrmodule(dwfl, lookup) : nullptr;
    if (module == nullptr) return text;
    if (const char* function = dwfl_module_addrname(module, lookup)) text += " " + Demangled(function);
    if (Dwfl_Line* line = dwfl_module_getsrc(module, lookup)) {
        int lineNumber = 0;
        if (const char* file = dwfl_lineinfo(line, nullptr, &lineNumber, nullptr, nullptr, nullptr))
            text += " at " + std::string(file) + ":" + IntToStr(lineNumber);
    }
    Dwarf_Addr start = 0;
    const char* name = dwfl_module_info(module, nullptr, &start, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (name != nullptr)
        text += " [" + std::filesystem::path(name).filename().string() + "+0x" + Hex(address - start) + "]";
    return text;
}

} // namespace

std::string ErrorLogPath()
{
    return ProgramDataFilePath(".err");
}

void ConfigureDiagnostics(const std::string& logPath, const std::string& infoLine)
{
    LogPath() = logPath;
    InstallFatalSignalHandler(logPath, infoLine, DateTimeFormat());
    InfoLine() = infoLine;
}

std::string ConfiguredErrorLog()
{
    return LogPath().empty() ? ErrorLogPath() : LogPath();
}

TKvnFailure DescribeException(const std::exception_ptr& failure)
{
    TKvnFailure description;
    const void* object = nullptr;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        object = &error;
        description.ClassName = Demangled(typeid(error).name());
        description.Message = error.what();
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        description.ClassName = Demangled(type != nullptr ? type->name() : nullptr);
        description.Message = "Unknown error";
    }
    const TThrowRecord* record = object != nullptr ? FindThrow(object) : nullptr;
    if (record == nullptr) {
        description.Module = "?";
        description.CallStack = "(not recorded)\r\n";
        return description;
    }
    std::vector<std::uintptr_t> frames(record->Frames.begin(), record->Frames.begin() + record->Count);
    description.Address = frames.front();
    description.Module = ModuleOf(frames.front());
    description.CallStack = NameFrames(frames, false);
    return description;
}

std::string NameFrames(const std::vector<std::uintptr_t>& frames, bool firstIsExact, int processId)
{
    auto dwfl = ReportProcess(processId > 0 ? processId : int(::getpid()));
    std::string text;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        // A return address points behind the call, which may already be the next line or function.
        std::uintptr_t lookup = i == 0 && firstIsExact ? frames[i] : frames[i] - 1;
        std::string number = IntToStr(static_cast<long long>(i));
        if (number.size() < 2) number = "0" + number;
        text += "#" + number + " " + NameFrame(dwfl.get(), frames[i], lookup) + "\r\n";
    }
    return text;
}

std::string MessageLine(const TKvnFailure& failure)
{
    return "Fehler '" + failure.ClassName + "' in Modul " + failure.Module + " bei " + Hex(failure.Address);
}

std::string ErrorEntry(const TKvnFailure& failure, TDateTime when)
{
    char memory[200];
    std::string entry = kDashes + FormatDateTime(DateTimeFormat(), when) + kDashes + "\r\n";
    if (!InfoLine().empty()) entry += InfoLine() + "\r\n";
    entry += std::string(memory, FormatMemoryLine(ReadMemoryFigures(), memory)) + "\r\n";
    entry += MessageLine(failure) + "\r\n" + failure.Message + "\r\n\r\n";
    entry += "Call stack:\r\n" + failure.CallStack + "\r\n";
    entry += "Thread id: " + IntToStr(static_cast<long long>(::syscall(SYS_gettid))) +
             ", process id: " + IntToStr(static_cast<long long>(::getpid())) + "\r\n\r\n";
    return entry;
}

bool AppendToErrorLog(const std::string& text)
{
    std::ofstream log(ConfiguredErrorLog(), std::ios::binary | std::ios::app);
    log.write(text.data(), std::streamsize(text.size()));
    log.close();
    return bool(log);
}

bool RunDiagnosticsHelper(int argc, char* argv[], int& exitStatus)
{
    if (argc < 2 || std::strcmp(argv[1], kDiagnosticsHelperArgument) != 0) return false;
    exitStatus = 2;
    if (argc < 5) return true;
    int processId = std::atoi(argv[2]);
    std::vector<std::uintptr_t> frames;
    for (int i = 4; i < argc; ++i)
        frames.push_back(std::uintptr_t(std::strtoull(argv[i], nullptr, 16)));
    std::string named = NameFrames(frames, true, processId);
    std::ofstream log(argv[3], std::ios::binary | std::ios::app);
    log << named;
    log.close();
    exitStatus = log ? 0 : 1;
    return true;
}

TKvnDebugFile::TKvnDebugFile(const std::string& setting)
{
    if (setting == "$" || setting.empty()) return;
    std::filesystem::path path(setting);
    fPath = path.is_absolute() ? setting : ExecutableDir() + setting;
}

TKvnDebugFile::~TKvnDebugFile()
{
    if (fPath.empty()) return;
    std::ofstream file(fPath, std::ios::binary | std::ios::trunc);
    for (const std::string& line : fLines)
        file << line << "\r\n";
}

void TKvnDebugFile::Add(const std::string& line)
{
    if (!fPath.empty()) fLines.push_back(line);
}

} // namespace kvn

// Every C++ throw passes here first (the program's definition comes before the C++ runtime's), so that the place
// of a failure is known even after the stack has been unwound to the event loop. Defined where the C++ runtime
// declares it, so that its destructor parameter has the same C language linkage.
namespace __cxxabiv1 {
extern "C" void __cxa_throw(void* object, std::type_info* type, void (*destructor)(void*))
{
    using TThrow = void (*)(void*, std::type_info*, void (*)(void*));
    static const TThrow runtimeThrow = reinterpret_cast<TThrow>(::dlsym(RTLD_NEXT, "__cxa_throw"));
    kvn::RecordThrow(object, std::uintptr_t(__builtin_return_address(0)));
    runtimeThrow(object, type, destructor);
    std::abort();
}
} // namespace __cxxabiv1
