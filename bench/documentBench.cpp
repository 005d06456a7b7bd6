// Full load of a result file as the viewer does it: container extraction (for a zipped meet), reading, indexes
// and the selection of the first competition. Prints how much the indexes and the selection add to reading.

#include "benchSupport.h"
#include "orvGenerator.h"
#include "orvida.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

namespace {

struct TMeet {
    std::string Label;
    int Clubs;
    int AthletesPerClub;
    std::string PlainPath;
    std::string ZipPath;
};

std::vector<TMeet>& Meets()
{
    static std::vector<TMeet> meets = {{"5k-athletes", 100, 50, {}, {}}, {"50k-athletes", 1000, 50, {}, {}}};
    return meets;
}

void WriteZip(const std::string& source, const std::string& target)
{
    std::ifstream in(source, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    zipFile zip = zipOpen(target.c_str(), APPEND_STATUS_CREATE);
    zip_fileinfo info{};
    zipOpenNewFileInZip(zip, "meet.ovf", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION);
    zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size()));
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);
}

void PrepareMeet(TMeet& meet)
{
    std::filesystem::path folder = BenchFolder();
    meet.PlainPath = (folder / ("meet-" + meet.Label + ".ovf")).string();
    meet.ZipPath = (folder / ("meet-" + meet.Label + ".ovz")).string();
    kvn::TOrvGenOptions options;
    options.Seed = 50;
    options.Clubs = meet.Clubs;
    options.AthletesPerClub = meet.AthletesPerClub;
    options.Entries = true;
    GenerateOnce(meet.PlainPath, options);
    if (!std::filesystem::exists(meet.ZipPath)) WriteZip(meet.PlainPath, meet.ZipPath);
}

enum TStage { stParse, stFullLoad };

// Only the indexes and the selection, timed apart from the reading that each iteration needs first.
void BM_IndexesOnly(benchmark::State& state, const TMeet* meet)
{
    for (auto _ : state) {
        state.PauseTiming();
        kvn::TOrvida document;
        document.LoadFromFile(meet->PlainPath);
        state.ResumeTiming();
        document.BuildIndexes();
        document.SelectCompetition(0);
        benchmark::DoNotOptimize(document.Competition());
    }
}

void BM_Load(benchmark::State& state, const TMeet* meet, bool zipped, TStage stage)
{
    const std::string& path = zipped ? meet->ZipPath : meet->PlainPath;
    for (auto _ : state) {
        kvn::TOrvida document;
        document.LoadFromFile(path);
        if (stage == stFullLoad) {
            document.BuildIndexes();
            document.SelectCompetition(0);
        }
        if (!document.Errors().empty() || !document.Root()) {
            state.SkipWithError("the generated meet did not load cleanly");
            return;
        }
        benchmark::DoNotOptimize(document.Competition());
    }
}

void PrintSummary(const TTimesReporter& times)
{
    std::cout << "\nIndexes and selection on top of reading (target: at most 20 %):\n";
    for (const TMeet& meet : Meets()) {
        for (const char* kind : {"ovf", "ovz"}) {
            auto parse = times.Time("BM_Parse/" + meet.Label + "/" + kind);
            auto full = times.Time("BM_FullLoad/" + meet.Label + "/" + kind);
            if (!parse || !full) continue;
            std::printf("  %-13s %s  read %8.1f ms  full load %8.1f ms  added %5.1f %%\n", meet.Label.c_str(), kind,
                        *parse, *full, 100.0 * (*full - *parse) / *parse);
        }
        auto parse = times.Time("BM_Parse/" + meet.Label + "/ovf");
        auto indexes = times.Time("BM_IndexesOnly/" + meet.Label);
        if (parse && indexes)
            std::printf("  %-13s indexes and selection alone %6.1f ms = %5.1f %% of reading\n", meet.Label.c_str(),
                        *indexes, 100.0 * *indexes / *parse);
    }
}

} // namespace

int main(int argc, char** argv)
{
    for (TMeet& meet : Meets())
        PrepareMeet(meet);
    for (const TMeet& meet : Meets()) {
        RegisterTimed("BM_IndexesOnly/" + meet.Label, BM_IndexesOnly, &meet);
        for (bool zipped : {false, true}) {
            std::string suffix = meet.Label + (zipped ? "/ovz" : "/ovf");
            RegisterTimed("BM_Parse/" + suffix, BM_Load, &meet, zipped, stParse);
            RegisterTimed("BM_FullLoad/" + suffix, BM_Load, &meet, zipped, stFullLoad);
        }
    }
    benchmark::Initialize(&argc, argv);
    TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
