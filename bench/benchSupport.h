#pragma once

#include "orvGenerator.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include <map>
#include <optional>
#include <string>
#include <vector>

// Keeps each benchmark's mean wall time per iteration, so that a program can print ratios after the usual table.
class TTimesReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0)
                fTimes[run.run_name.function_name] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    // Mean time of the named benchmark in its display unit, if it ran.
    std::optional<double> Time(const std::string& name) const
    {
        auto found = fTimes.find(name);
        return found == fTimes.end() ? std::nullopt : std::optional<double>(found->second);
    }

private:
    std::map<std::string, double> fTimes;
};

// The folder of the generated benchmark files, kept between runs.
inline std::filesystem::path BenchFolder()
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "veltro-bench";
    std::filesystem::create_directories(folder);
    return folder;
}

// Generates the file unless an earlier run made it; written under another name first, so an interrupted run
// leaves no half file behind.
inline void GenerateOnce(const std::string& path, const kvn::TOrvGenOptions& options)
{
    if (std::filesystem::exists(path)) return;
    {
        std::ofstream out(path + ".part", std::ios::binary);
        kvn::GenerateOrvida(options, out);
    }
    std::filesystem::rename(path + ".part", path);
}

// Registers a benchmark timed by wall clock in milliseconds.
template <typename... Args>
void RegisterTimed(const std::string& name, Args&&... args)
{
    benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}
