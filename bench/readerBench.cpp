// Reading speed and tree memory of the exchange-format reader against pugixml's DOM parser, measured so that
// neither side is flattered: every timed parse runs in a process of its own (forked per repetition), the
// contenders take turns, all read the same file on disk, and medians are printed. Two memory conditions:
//   fresh:  the first parse of a new process, which pays for every page of memory it touches;
//   warm:   the allocator keeps freed memory (no trimming, no mmap), one untimed parse first, then three timed ones
//           of which the fastest counts, so the parsing work is measured without page faults for both sides and a
//           burst of load on a shared machine does not decide a sample alone.
// A memchr scan for "<" over the bytes read beforehand is the floor of any parser.
//
//     bench_reader [--repetitions N] [--only LABEL]
//     bench_reader --once CONTENDER FILE    one untimed parse in this process, for profilers such as callgrind

#include "benchSupport.h"
#include "orvDump.h"
#include "orvGenerator.h"
#include "orvParser.h"

#include <pugixml.hpp>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TBenchFile {
    std::string Label;
    std::size_t TargetBytes;
    std::string Path;
    std::size_t Size = 0;
};

// Generates the file once per seed and size; later runs reuse it.
void PrepareFile(TBenchFile& file)
{
    file.Path = (BenchFolder() / ("meet-" + file.Label + ".ovf")).string();
    kvn::TOrvGenOptions options;
    options.Seed = 2026;
    options.Competitions = 2;
    options.Entries = true;
    options.TargetBytes = file.TargetBytes;
    GenerateOnce(file.Path, options);
    file.Size = std::filesystem::file_size(file.Path);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// What one timed parse measured, sent from the child process to the parent.
struct TSample {
    double Seconds = 0;
    double MemoryBytes = 0; // what the parsed document holds
    long PageFaults = 0;    // minor faults during the timed part
    bool Ok = false;
};

// pugixml's allocations, counted through its memory hooks.
std::size_t gPugixmlLive = 0;

void* CountedAllocate(std::size_t size)
{
    auto* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
    if (!block) return nullptr;
    *block = size;
    gPugixmlLive += size;
    return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}

void CountedFree(void* memory)
{
    if (!memory) return;
    auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(memory) - sizeof(std::max_align_t));
    gPugixmlLive -= *block;
    std::free(block);
}

// One contender parses once; returns the memory its result holds, or -1 when the parse failed.
using TParse = std::function<double()>;

struct TContender {
    std::string Name;
    // Makes the parse function; runs in the child before anything is timed (reads a buffer where needed).
    std::function<TParse(const TBenchFile&)> Prepare;
};

std::vector<TContender> Contenders()
{
    return {
        {"reader",
         [](const TBenchFile& file) -> TParse {
             return [path = file.Path]() -> double {
                 kvn::TOrvMessageLines messages;
                 kvn::TOrvParser parser(messages);
                 auto tree = parser.Parse(path);
                 if (!tree || !messages.Errors.empty()) return -1;
                 return static_cast<double>(tree->MemoryUsed());
             };
         }},
        {"pugixml load_file",
         [](const TBenchFile& file) -> TParse {
             return [path = file.Path]() -> double {
                 gPugixmlLive = 0;
                 pugi::xml_document document;
                 if (!document.load_file(path.c_str())) return -1;
                 return static_cast<double>(gPugixmlLive);
             };
         }},
        {"pugixml load_buffer",
         [](const TBenchFile& file) -> TParse {
             auto buffer = std::make_shared<std::string>(ReadWholeFile(file.Path));
             return [buffer]() -> double {
                 gPugixmlLive = 0;
                 pugi::xml_document document;
                 if (!document.load_buffer(buffer->data(), buffer->size())) return -1;
                 return static_cast<double>(gPugixmlLive);
             };
         }},
        {"memchr \"<\"",
         [](const TBenchFile& file) -> TParse {
             auto buffer = std::make_shared<std::string>(ReadWholeFile(file.Path));
             return [buffer]() -> double {
                 std::size_t count = 0;
                 const char* at = buffer->data();
                 const char* end = at + buffer->size();
                 while ((at = static_cast<const char*>(std::memchr(at, '<', static_cast<std::size_t>(end - at))))) {
                     ++count;
                     ++at;
                 }
                 return count > 0 ? 0 : -1;
             };
         }},
    };
}

long MinorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

TSample MeasureInChild(const TContender& contender, const TBenchFile& file, bool warm)
{
    if (warm) {
        // Freed memory stays with the process, so the timed parse finds its pages already faulted in: the
        // allocator's for pugixml, the tree arena's range for the reader.
        mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
        mallopt(M_MMAP_MAX, 0);
        kvn::TOrvArena::KeepReleasedMemory(true);
    }
    pugi::set_memory_management_functions(CountedAllocate, CountedFree);
    TParse parse = contender.Prepare(file);
    if (warm && parse() < 0) return {};
    TSample fastest;
    for (int timed = 0; timed < (warm ? 3 : 1); ++timed) {
        TSample sample;
        long faults = MinorFaults();
        auto start = std::chrono::steady_clock::now();
        sample.MemoryBytes = parse();
        auto stop = std::chrono::steady_clock::now();
        sample.PageFaults = MinorFaults() - faults;
        sample.Seconds = std::chrono::duration<double>(stop - start).count();
        sample.Ok = sample.MemoryBytes >= 0;
        if (!sample.Ok) return sample;
        if (timed == 0 || sample.Seconds < fastest.Seconds) fastest = sample;
    }
    return fastest;
}

TSample MeasureInProcess(const TContender& contender, const TBenchFile& file, bool warm)
{
    int channel[2];
    if (pipe(channel) != 0) return {};
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        TSample sample = MeasureInChild(contender, file, warm);
        ssize_t written = write(channel[1], &sample, sizeof sample);
        _exit(written == static_cast<ssize_t>(sizeof sample) ? 0 : 1);
    }
    close(channel[1]);
    TSample sample;
    if (child < 0 || read(channel[0], &sample, sizeof sample) != static_cast<ssize_t>(sizeof sample)) sample = {};
    close(channel[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    return sample;
}

template <typename T>
T Median(std::vector<T> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct TFigures {
    std::vector<double> Seconds;
    std::vector<long> Faults;
    double MemoryBytes = 0;
    bool Failed = false;
};

using TKey = std::pair<std::string, std::string>; // file and mode
using TResults = std::map<TKey, std::map<std::string, TFigures>>;

void PrintTable(const TBenchFile& file, const std::string& mode, const std::map<std::string, TFigures>& figures)
{
    std::printf("\n%s (%.1f MiB), %s memory:\n", file.Label.c_str(), static_cast<double>(file.Size) / (1 << 20),
                mode.c_str());
    std::printf("  %-22s %10s %10s %10s %10s %12s\n", "contender", "median ms", "min ms", "max ms", "MiB/s",
                "page faults");
    for (const TContender& contender : Contenders()) {
        const TFigures& f = figures.at(contender.Name);
        if (f.Failed) {
            std::printf("  %-22s failed\n", contender.Name.c_str());
            continue;
        }
        double median = Median(f.Seconds);
        auto [low, high] = std::minmax_element(f.Seconds.begin(), f.Seconds.end());
        std::printf("  %-22s %10.1f %10.1f %10.1f %10.0f %12ld\n", contender.Name.c_str(), median * 1e3, *low * 1e3,
                    *high * 1e3, static_cast<double>(file.Size) / (1 << 20) / median, Median(f.Faults));
    }
}

void PrintSummary(const std::vector<TBenchFile>& files, const TResults& results)
{
    std::printf("\nRatios of median times (reader / other) and document bytes per input byte:\n");
    for (const TBenchFile& file : files) {
        for (const char* mode : {"warm", "fresh"}) {
            auto found = results.find({file.Label, mode});
            if (found == results.end()) continue;
            const auto& figures = found->second;
            auto median = [&figures](const std::string& name) {
                const TFigures& f = figures.at(name);
                return f.Failed ? 0.0 : Median(f.Seconds);
            };
            double reader = median("reader");
            std::printf("  %-6s %-5s reader/load_file %5.2f  reader/load_buffer %5.2f  reader/memchr %6.1f",
                        file.Label.c_str(), mode, reader / median("pugixml load_file"),
                        reader / median("pugixml load_buffer"), reader / median("memchr \"<\""));
            std::printf("  bytes per input byte: reader %.2f, pugixml %.2f\n",
                        figures.at("reader").MemoryBytes / static_cast<double>(file.Size),
                        figures.at("pugixml load_buffer").MemoryBytes / static_cast<double>(file.Size));
        }
    }
}

} // namespace

// The contender of that name parses the file once; 0 when it succeeded.
int ParseOnce(const std::string& name, const std::string& path)
{
    for (const TContender& contender : Contenders()) {
        if (contender.Name.rfind(name, 0) != 0) continue;
        TBenchFile file{"", 0, path, std::filesystem::file_size(path)};
        return contender.Prepare(file)() < 0 ? 1 : 0;
    }
    std::fprintf(stderr, "no contender %s\n", name.c_str());
    return 2;
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--once") == 0) return ParseOnce(argv[2], argv[3]);
    int repetitions = 5;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--repetitions") == 0) repetitions = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    }
    std::vector<TBenchFile> files = {{"10MB", 10u << 20, {}, 0}, {"130MB", 130u << 20, {}, 0}};
    std::erase_if(files, [&only](const TBenchFile& file) { return !only.empty() && file.Label != only; });
    for (TBenchFile& file : files)
        PrepareFile(file);

    TResults results;
    for (const TBenchFile& file : files) {
        for (const char* mode : {"warm", "fresh"}) {
            auto& figures = results[{file.Label, mode}];
            // Taking turns spreads the drift of a shared machine over all contenders alike.
            for (int repetition = 0; repetition < repetitions; ++repetition) {
                for (const TContender& contender : Contenders()) {
                    TSample sample = MeasureInProcess(contender, file, std::strcmp(mode, "warm") == 0);
                    TFigures& f = figures[contender.Name];
                    f.Failed = f.Failed || !sample.Ok;
                    f.Seconds.push_back(sample.Seconds);
                    f.Faults.push_back(sample.PageFaults);
                    f.MemoryBytes = sample.MemoryBytes;
                }
            }
            PrintTable(file, mode, figures);
        }
    }
    PrintSummary(files, results);
    return 0;
}
