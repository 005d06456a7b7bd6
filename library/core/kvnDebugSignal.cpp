#include "kvnDebugSignal.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char** environ;

// Nothing below may allocate, lock or call a function that is not async-signal-safe once the handler runs: the
// crash may have happened inside malloc or with any lock held.

namespace kvn {

namespace {

constexpr int kMaxFrames = 64;
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// How long the handler waits for the helper that names the frames, in tenths of a second.
constexpr int kHelperWaitTenths = 300;

struct TSignalState {
    char LogPath[4096] = {};
    char InfoLine[1024] = {};
    char DateFormat[128] = {};
    char HelperPath[4096] = {};
    long UtcOffset = 0; // seconds east of UTC, fixed when installed
};

TSignalState gState;
std::atomic<bool> gInstalled{false};
std::atomic<bool> gHandling{false};

void CopyText(char* target, std::size_t size, const std::string& text)
{
    std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

std::size_t FormatNumber(std::uint64_t value, char* buffer, int minimumDigits = 1)
{
    char digits[24];
    int count = 0;
    do {
        digits[count++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count < minimumDigits)
        digits[count++] = '0';
    for (int i = 0; i < count; ++i)
        buffer[i] = digits[count - 1 - i];
    return std::size_t(count);
}

// Collects text in a small buffer and writes it to the log in pieces.
class TSafeWriter {
public:
    explicit TSafeWriter(int descriptor) : fDescriptor(descriptor) {}
    ~TSafeWriter() { Flush(); }
    TSafeWriter(const TSafeWriter&) = delete;
    TSafeWriter& operator=(const TSafeWriter&) = delete;

    void Put(const char* text, std::size_t length)
    {
        for (std::size_t i = 0; i < length; ++i) {
            if (fLength == sizeof(fBuffer)) Flush();
            fBuffer[fLength++] = text[i];
        }
    }
    void Put(const char* text) { Put(text, std::strlen(text)); }
    void Number(std::uint64_t value, int minimumDigits = 1)
    {
        char digits[24];
        Put(digits, FormatNumber(value, digits, minimumDigits));
    }
    void Address(std::uintptr_t value)
    {
        char digits[16];
        Put(digits, FormatAddress(value, digits));
    }
    void Flush()
    {
        std::size_t done = 0;
        while (done < fLength) {
            ssize_t written = ::write(fDescriptor, fBuffer + done, fLength - done);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) break;
            done += std::size_t(written);
        }
        fLength = 0;
    }

private:
    int fDescriptor;
    char fBuffer[512];
    std::size_t fLength = 0;
};

struct TCivilTime {
    long long Year;
    unsigned Month, Day, Hour, Minute, Second;
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm), done without the C library's
// time functions, which take locks.
TCivilTime CivilTime(long long secondsSinceEpoch)
{
    long long days = secondsSinceEpoch / 86400;
    long long rest = secondsSinceEpoch % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    unsigned dayOfEra = unsigned(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    TCivilTime time{};
    time.Day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    time.Month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    time.Year = (long long)yearOfEra + era * 400 + (time.Month <= 2 ? 1 : 0);
    time.Hour = unsigned(rest / 3600);
    time.Minute = unsigned(rest / 60 % 60);
    time.Second = unsigned(rest % 60);
    return time;
}

// The date and time in the letters of the program's date formats; names of months and days come out as numbers.
void PutDateTime(TSafeWriter& out, const char* format, const TCivilTime& time)
{
    for (const char* p = format; *p != '\0';) {
        char letter = char(*p | 0x20);
        int run = 1;
        while (p[run] != '\0' && char(p[run] | 0x20) == letter)
            ++run;
        bool isLetter = *p >= 'A' && (*p | 0x20) >= 'a' && (*p | 0x20) <= 'z';
        unsigned value = 0;
        bool known = true;
        switch (isLetter ? letter : '\0') {
        case 'd':
            value = time.Day;
            break;
        case 'm':
            value = time.Month;
            break;
        case 'h':
            value = time.Hour;
            break;
        case 'n':
            value = time.Minute;
            break;
        case 's':
            value = time.Second;
            break;
        case 'y':
            out.Number(std::uint64_t(run <= 2 ? time.Year % 100 : time.Year), run <= 2 ? 2 : 4);
            p += run;
            continue;
        default:
            known = false;
        }
        if (known) {
            out.Number(value, run >= 2 ? 2 : 1);
            p += run;
        } else if (*p == '"' || *p == '\'') {
            char quote = *p++;
            while (*p != '\0' && *p != quote)
                out.Put(p++, 1);
            if (*p != '\0') ++p;
        } else {
            out.Put(p++, 1);
        }
    }
}

// The mapped file that holds address, and the address's offset in that file, from /proc/self/maps.
bool FindModule(std::uintptr_t address, char* path, std::size_t pathSize, std::uintptr_t& fileOffset)
{
    int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0) return false;
    char chunk[1024];
    char line[1024];
    std::size_t lineLength = 0;
    bool found = false;
    auto examine = [&] {
        line[lineLength] = '\0';
        char* cursor = line;
        std::uintptr_t start = std::strtoul(cursor, &cursor, 16);
        if (*cursor != '-') return;
        std::uintptr_t end = std::strtoul(cursor + 1, &cursor, 16);
        if (address < start || address >= end) return;
        while (*cursor == ' ')
            ++cursor;
        while (*cursor != ' ' && *cursor != '\0') // permissions
            ++cursor;
        std::uintptr_t offset = std::strtoul(cursor, &cursor, 16);
        for (int field = 0; field < 2; ++field) { // device and inode
            while (*cursor == ' ')
                ++cursor;
            while (*cursor != ' ' && *cursor != '\0')
                ++cursor;
        }
        while (*cursor == ' ')
            ++cursor;
        CopyText(path, pathSize, *cursor != '\0' ? cursor : "?");
        fileOffset = address - start + offset;
        found = true;
    };
    ssize_t count;
    while (!found && (count = ::read(maps, chunk, sizeof(chunk))) > 0) {
        for (ssize_t i = 0; i < count && !found; ++i) {
            if (chunk[i] == '\n') {
                examine();
                lineLength = 0;
            } else if (lineLength < sizeof(line) - 1) {
                line[lineLength++] = chunk[i];
            }
        }
    }
    ::close(maps);
    return found;
}

const char* BaseName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

const char* SignalName(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "SIGNAL";
    }
}

const char* SignalMeaning(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return "Access violation";
    case SIGBUS:
        return "Bus error";
    case SIGFPE:
        return "Arithmetic error";
    case SIGILL:
        return "Illegal instruction";
    case SIGABRT:
        return "Aborted";
    default:
        return "Fatal signal";
    }
}

std::uintptr_t ProgramCounter(const void* context)
{
#if defined(__x86_64__)
    return std::uintptr_t(static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return std::uintptr_t(static_cast<const ucontext_t*>(context)->uc_mcontext.pc);
#else
    (void)context;
    return 0;
#endif
}

void PutRegisters(TSafeWriter& out, const void* context)
{
#if defined(__x86_64__)
    static constexpr struct {
        const char* Name;
        int Index;
    } kRegisters[] = {{"RAX", REG_RAX}, {"RBX", REG_RBX}, {"RCX", REG_RCX}, {"RDX", REG_RDX}, {"RSI", REG_RSI},
                      {"RDI", REG_RDI}, {"RBP", REG_RBP}, {"RSP", REG_RSP}, {"R8", REG_R8},   {"R9", REG_R9},
                      {"R10", REG_R10}, {"R11", REG_R11}, {"R12", REG_R12}, {"R13", REG_R13}, {"R14", REG_R14},
                      {"R15", REG_R15}, {"RIP", REG_RIP}, {"EFL", REG_EFL}};
    const auto& registers = static_cast<const ucontext_t*>(context)->uc_mcontext.gregs;
    out.Put("Registers:\r\n");
    int column = 0;
    for (const auto& entry : kRegisters) {
        out.Put(entry.Name);
        out.Put("=");
        out.Address(std::uintptr_t(registers[entry.Index]));
        out.Put(++column % 4 == 0 ? "\r\n" : "  ");
    }
    if (column % 4 != 0) out.Put("\r\n");
#else
    (void)context;
    out.Put("Registers: not available on this processor\r\n");
#endif
}

// The frames of the failing thread, starting at the instruction that failed rather than inside this handler.
int CollectFrames(std::uintptr_t pc, std::uintptr_t* frames)
{
    void* raw[kMaxFrames];
    int count = ::backtrace(raw, kMaxFrames);
    int first = 0;
    while (first < count && std::uintptr_t(raw[first]) != pc)
        ++first;
    int used = 0;
    if (first == count) { // the unwinder did not pass the signal frame exactly: start from the failing instruction
        frames[used++] = pc;
        first = count;
    }
    for (int i = first; i < count && used < kMaxFrames; ++i)
        frames[used++] = std::uintptr_t(raw[i]);
    return used;
}

void PutRawFrames(TSafeWriter& out, const std::uintptr_t* frames, int count)
{
    for (int i = 0; i < count; ++i) {
        out.Put("#");
        out.Number(std::uint64_t(i), 2);
        out.Put(" ");
        out.Address(frames[i]);
        char module[512];
        std::uintptr_t offset = 0;
        if (FindModule(frames[i], module, sizeof(module), offset)) {
            out.Put(" [");
            out.Put(module);
            out.Put("+0x");
            out.Address(offset);
            out.Put("]");
        }
        out.Put("\r\n");
    }
}

// Starts the program again as the helper that appends the named frames, and waits for it; false when it could not
// be started, failed or took too long (the caller then writes the raw frames).
bool RunNamingHelper(const std::uintptr_t* frames, int count)
{
    if (gState.HelperPath[0] == '\0') return false;
    char pid[24] = {};
    FormatNumber(std::uint64_t(::getpid()), pid);
    char addresses[kMaxFrames][20];
    const char* arguments[kMaxFrames + 6] = {gState.HelperPath, kDiagnosticsHelperArgument, pid, gState.LogPath};
    int argumentCount = 4;
    for (int i = 0; i < count; ++i) {
        addresses[i][FormatAddress(frames[i], addresses[i])] = '\0';
        arguments[argumentCount++] = addresses[i];
    }
    arguments[argumentCount] = nullptr;
    // A plain clone, not fork(): fork() runs the atfork handlers, which take the allocator's locks that the failed
    // code may hold. The child only replaces itself.
    long child = ::syscall(SYS_clone, SIGCHLD, nullptr, nullptr, nullptr, nullptr);
    if (child < 0) return false;
    if (child == 0) {
        ::execve(gState.HelperPath, const_cast<char* const*>(arguments), environ);
        ::_exit(127);
    }
    for (int waited = 0; waited < kHelperWaitTenths; ++waited) {
        int status = 0;
        pid_t done = ::waitpid(pid_t(child), &status, WNOHANG);
        if (done == pid_t(child)) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return false;
        timespec tenth{0, 100000000};
        ::nanosleep(&tenth, nullptr);
    }
    ::kill(pid_t(child), SIGKILL);
    ::waitpid(pid_t(child), nullptr, 0);
    return false;
}

void WriteEntry(int signal, const siginfo_t* info, const void* context)
{
    int log = ::open(gState.LogPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (log < 0) return;
    std::uintptr_t frames[kMaxFrames];
    std::uintptr_t pc = ProgramCounter(context);
    int frameCount = CollectFrames(pc, frames);
    char module[512] = "?";
    std::uintptr_t offset = 0;
    FindModule(pc, module, sizeof(module), offset);
    {
        TSafeWriter out(log);
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        out.Put("---------------------------");
        PutDateTime(out, gState.DateFormat, CivilTime((long long)now.tv_sec + gState.UtcOffset));
        out.Put("---------------------------\r\n");
        if (gState.InfoLine[0] != '\0') {
            out.Put(gState.InfoLine);
            out.Put("\r\n");
        }
        char memory[200];
        out.Put(memory, FormatMemoryLine(ReadMemoryFigures(), memory));
        out.Put("\r\nFehler '");
        out.Put(SignalName(signal));
        out.Put("' in Modul ");
        out.Put(BaseName(module));
        out.Put(" bei ");
        out.Address(pc);
        out.Put("\r\n");
        out.Put(SignalMeaning(signal));
        out.Put(" (signal ");
        out.Number(std::uint64_t(signal));
        if (signal == SIGSEGV || signal == SIGBUS) {
            out.Put(", fault address ");
            out.Address(std::uintptr_t(info->si_addr));
        }
        out.Put(")\r\n\r\nCall stack:\r\n");
    }
    // The helper appends to the same file, so everything before must be written already.
    if (!RunNamingHelper(frames, frameCount)) {
        TSafeWriter out(log);
        PutRawFrames(out, frames, frameCount);
    }
    {
        TSafeWriter out(log);
        out.Put("\r\n");
        PutRegisters(out, context);
        out.Put("Thread id: ");
        out.Number(std::uint64_t(::syscall(SYS_gettid)));
        out.Put(", process id: ");
        out.Number(std::uint64_t(::getpid()));
        out.Put("\r\n\r\n");
    }
    ::close(log);
}

void HandleFatalSignal(int signal, siginfo_t* info, void* context)
{
    // A second failure inside the handler, or in another thread meanwhile, only ends the process.
    if (!gHandling.exchange(true)) WriteEntry(signal, info, context);
    ::signal(signal, SIG_DFL);
    // Blocked while the handler runs, so it arrives with its default action as soon as the handler returns; a fault
    // that was not raised would also simply repeat on return.
    ::raise(signal);
}

} // namespace

TMemoryFigures ReadMemoryFigures()
{
    TMemoryFigures figures;
    int file = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (file < 0) return figures;
    // A line break in front lets every key be found as "\nKey:", also the first.
    char text[8192] = "\n";
    ssize_t length = ::read(file, text + 1, sizeof(text) - 2);
    ::close(file);
    if (length <= 0) return figures;
    text[length + 1] = '\0';
    auto kilobytes = [&text](const char* key) -> std::uint64_t {
        const char* at = std::strstr(text, key);
        return at == nullptr ? 0 : std::strtoull(at + std::strlen(key), nullptr, 10);
    };
    figures.PhysicalTotal = kilobytes("\nMemTotal:") * 1024;
    figures.PhysicalAvailable = kilobytes("\nMemAvailable:") * 1024;
    figures.VirtualTotal = kilobytes("\nCommitLimit:") * 1024;
    std::uint64_t committed = kilobytes("\nCommitted_AS:") * 1024;
    figures.VirtualAvailable = figures.VirtualTotal > committed ? figures.VirtualTotal - committed : 0;
    return figures;
}

std::size_t FormatMemoryLine(const TMemoryFigures& figures, char* buffer)
{
    std::size_t length = 0;
    auto put = [&](const char* text) {
        std::size_t size = std::strlen(text);
        std::memcpy(buffer + length, text, size);
        length += size;
    };
    auto megabytes = [&](std::uint64_t bytes) { length += FormatNumber((bytes + 524288) / 1048576, buffer + length); };
    put("Physical memory: total ");
    megabytes(figures.PhysicalTotal);
    put("MB, avail ");
    megabytes(figures.PhysicalAvailable);
    put("MB; Virtual memory: total ");
    megabytes(figures.VirtualTotal);
    put("MB, avail ");
    megabytes(figures.VirtualAvailable);
    put("MB;");
    return length;
}

std::size_t FormatAddress(std::uintptr_t value, char* buffer)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = 15; i >= 0; --i) {
        buffer[i] = kDigits[value & 15];
        value >>= 4;
    }
    return 16;
}

void InstallFatalSignalHandler(const std::string& logPath, const std::string& infoLine,
                               const std::string& dateTimeFormat)
{
    CopyText(gState.LogPath, sizeof(gState.LogPath), logPath);
    CopyText(gState.InfoLine, sizeof(gState.InfoLine), infoLine);
    CopyText(gState.DateFormat, sizeof(gState.DateFormat), dateTimeFormat);
    char self[sizeof(gState.HelperPath)] = {};
    ssize_t length = ::readlink("/proc/self/exe", self, sizeof(self) - 1);
    CopyText(gState.HelperPath, sizeof(gState.HelperPath), length > 0 ? std::string(self, std::size_t(length)) : "");
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) != nullptr) gState.UtcOffset = local.tm_gmtoff;
    if (gInstalled.exchange(true)) return;

    // The first backtrace() loads the unwinder; that must not happen for the first time inside the handler.
    void* warmUp[2];
    ::backtrace(warmUp, 2);
    // A stack overflow leaves no stack to run the handler on.
    static char alternateStack[64 * 1024];
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof(alternateStack);
    ::sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = HandleFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace kvn
