#pragma once

#include <benchmark/benchmark.h>

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
