#include "kvnFiles.h"
#include "orvGenerator.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct TRunResult {
    int Status = -1;
    std::string Output;
};

// Runs the veltro executable with the arguments (already quoted) and collects its standard output.
TRunResult RunVeltro(const std::string& arguments)
{
    TRunResult result;
    std::string command = std::string(VELTRO_EXE) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> chunk;
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.Output.append(chunk.data(), got);
    int status = pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        fDir = std::filesystem::temp_directory_path() /
               ("veltro-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(fDir);
    }
    void TearDown() override { std::filesystem::remove_all(fDir); }

    std::string Write(const std::string& name, const std::string& content)
    {
        std::string path = (fDir / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string Generated(const std::string& name, const kvn::TOrvGenOptions& options)
    {
        return Write(name, kvn::GenerateOrvida(options));
    }

    std::filesystem::path fDir;
};

int CountLines(const std::string& text, const std::string& prefix)
{
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(prefix, 0) == 0)
            ++count;
    return count;
}

} // namespace

TEST_F(CommandLine, CheckReadsEveryKindOfGeneratedFile)
{
    for (bool windows1252 : {false, true}) {
        for (bool pretty : {false, true}) {
            for (bool results : {false, true}) {
                kvn::TOrvGenOptions options;
                options.Seed = 7;
                options.Competitions = 2;
                options.Windows1252 = windows1252;
                options.Pretty = pretty;
                options.Results = results;
                options.Entries = true;
                std::string label = std::to_string(windows1252) + std::to_string(pretty) + std::to_string(results);
                TRunResult run = RunVeltro("--check '" + Generated("meet" + label + ".ovf", options) + "'");
                EXPECT_EQ(run.Status, 0) << label << "\n" << run.Output;
                EXPECT_EQ(CountLines(run.Output, "error: "), 0) << label;
                EXPECT_EQ(CountLines(run.Output, "warning: "), 0) << label;
                EXPECT_NE(run.Output.find("2 competitions, "), std::string::npos) << run.Output;
            }
        }
    }
}

TEST_F(CommandLine, CheckReportsErrorsWithStatusOne)
{
    std::string path = Write("bad.ovf", "<ORVIDA>\n<VERSION>01.02.0001</VERSION>\n<EVENTS><CLUB/></EVENTS>\n</ORVIDA>");
    TRunResult run = RunVeltro("--check '" + path + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Output.find("error: Line 4: Unallowed tag in collection: CLUB !\n"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("warning: Expired ORVIDA - Version !\n"), std::string::npos) << run.Output;
    EXPECT_NE(run.Output.find("0 competitions, 1 clubs, 0 athletes, 0 relay teams, 0 results, 0 entries\n"),
              std::string::npos)
        << run.Output;

    TRunResult missing = RunVeltro("--check '" + (fDir / "missing.ovf").string() + "'");
    EXPECT_EQ(missing.Status, 1);
    EXPECT_EQ(missing.Output, "error: Can not open file !\n"
                              "0 competitions, 0 clubs, 0 athletes, 0 relay teams, 0 results, 0 entries\n");
}

TEST_F(CommandLine, DumpPrintsTheTreeThenTheMessages)
{
    std::string path = Write("small.ovf", "<ORVIDA>\n<VERSION>01.10.0000</VERSION>\n"
                                          "<CLUB><NAME>SV &amp; Co<CODE>X</CODE></NAME>"
                                          "<FOO/><SPLIT dis=\"50\" zz='1'>V00:00:30.12</SPLIT></CLUB>\n</ORVIDA>");
    TRunResult run = RunVeltro("--dump '" + path + "'");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Output, "ORVIDA @1 !2\n"
                          "  VERSION = \"01.10.0000\" @2\n"
                          "  CLUB @3 !2\n"
                          "    NAME = \"SV & Co\" @4 !3\n"
                          "    SPLIT dis=\"50\" ??\?=\"1\" = \"V00:00:30.12\" @7\n"
                          "warning: Line 5: No child elements allowed !\n"
                          "warning: Line 6: Unknown Tag: FOO !\n");
}

TEST_F(CommandLine, UsageErrorsExitWithStatusTwo)
{
    EXPECT_EQ(RunVeltro("--check").Status, 2);
    EXPECT_EQ(RunVeltro("--frobnicate x").Status, 2);
    TRunResult version = RunVeltro("--version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Output.rfind("Veltro ", 0), 0u);
}

TEST_F(CommandLine, CheckReportsDuplicateIds)
{
    std::string path = Write("dup.ovf", "<ORVIDA><VERSION>01.10.0000</VERSION><COMPETITIONS><COMPETITION><CLUBS><CLUB>"
                                        "<PERSONS>\n<PERSON id=\"4\"/>\n<PERSON id=\"4\"/></PERSONS></CLUB></CLUBS>"
                                        "</COMPETITION></COMPETITIONS></ORVIDA>");
    TRunResult run = RunVeltro("--check '" + path + "'");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Output.find("error: Line 9: Duplicate PERSON id !\n"), std::string::npos) << run.Output;
}

TEST_F(CommandLine, CheckOpensZipAndScrambledContainers)
{
    kvn::TOrvGenOptions options;
    options.Seed = 3;
    std::string ovf = Generated("inner.ovf", options);
    for (const char* name : {"meet.ovz", "meet.zip"}) {
        std::string container = (fDir / name).string();
        // An ordinary zip writer, as users have it.
        ASSERT_EQ(std::system(("cd '" + fDir.string() + "' && zip -q -X '" + container + "' inner.ovf").c_str()), 0);
        TRunResult run = RunVeltro("--check '" + container + "'");
        EXPECT_EQ(run.Status, 0) << name << "\n" << run.Output;
        EXPECT_NE(run.Output.find("1 competitions, "), std::string::npos) << run.Output;
    }

    // Scrambling masks the first and the last 1024 bytes; masking twice restores, so one pass scrambles.
    std::string scrambled = (fDir / "meet.ovb").string();
    std::filesystem::copy_file(fDir / "meet.ovz", scrambled);
    std::string error;
    ASSERT_TRUE(kvn::UnscrambleFile(scrambled, &error)) << error;
    TRunResult run = RunVeltro("--check '" + scrambled + "'");
    EXPECT_EQ(run.Status, 0) << run.Output;
    EXPECT_NE(run.Output.find("1 competitions, "), std::string::npos) << run.Output;
}
