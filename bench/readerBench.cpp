// Reading speed and tree memory of the exchange-format reader, measured against pugixml's DOM parser on the
// same generated files. Prints, after the usual table, the time ratio and the tree's bytes per input byte.

#include "benchSupport.h"
#include "orvDump.h"
#include "orvGenerator.h"
#include "orvParser.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

struct TBenchFile {
    std::string Label;
    std::size_t TargetBytes;
    std::string Path;
    std::size_t Size = 0;
};

std::vector<TBenchFile>& Files()
{
    static std::vector<TBenchFile> files = {{"10MB", 10u << 20, {}, 0}, {"130MB", 130u << 20, {}, 0}};
    return files;
}

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

std::map<std::string, double> gTreeBytesPerInputByte;

void BM_OrvReader(benchmark::State& state, TBenchFile* file)
{
    std::size_t treeBytes = 0;
    for (auto _ : state) {
        kvn::TOrvMessageLines messages;
        kvn::TOrvParser parser(messages);
        auto tree = parser.Parse(file->Path);
        if (!tree || !messages.Errors.empty()) {
            state.SkipWithError("the generated file did not read cleanly");
            return;
        }
        treeBytes = tree->MemoryUsed();
        benchmark::DoNotOptimize(tree->Root());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file->Size));
    double perByte = static_cast<double>(treeBytes) / static_cast<double>(file->Size);
    state.counters["tree_bytes_per_input_byte"] = perByte;
    gTreeBytesPerInputByte[file->Label] = perByte;
}

void BM_PugixmlDom(benchmark::State& state, TBenchFile* file)
{
    const std::string buffer = ReadWholeFile(file->Path);
    for (auto _ : state) {
        pugi::xml_document document;
        pugi::xml_parse_result result = document.load_buffer(buffer.data(), buffer.size());
        if (!result) {
            state.SkipWithError("pugixml could not parse the generated file");
            return;
        }
        benchmark::DoNotOptimize(document.first_child());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file->Size));
}

void PrintSummary(const TTimesReporter& times)
{
    std::cout << "\nReader against pugixml (load_buffer, not in place), mean wall time per parse:\n";
    for (const TBenchFile& file : Files()) {
        auto ours = times.Time("BM_OrvReader/" + file.Label);
        auto theirs = times.Time("BM_PugixmlDom/" + file.Label);
        if (!ours || !theirs) continue;
        std::printf("  %-6s %8.1f MB  reader / pugixml = %.2f   tree bytes per input byte = %.2f\n", file.Label.c_str(),
                    static_cast<double>(file.Size) / (1 << 20), *ours / *theirs, gTreeBytesPerInputByte[file.Label]);
    }
}

} // namespace

int main(int argc, char** argv)
{
    for (TBenchFile& file : Files())
        PrepareFile(file);
    for (TBenchFile& file : Files()) {
        RegisterTimed("BM_OrvReader/" + file.Label, BM_OrvReader, &file);
        RegisterTimed("BM_PugixmlDom/" + file.Label, BM_PugixmlDom, &file);
    }
    benchmark::Initialize(&argc, argv);
    TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
