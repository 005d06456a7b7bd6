#include "kvnDebugSignal.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A private folder with the probe's error log and standard output.
class Diagnostics : public ::testing::Test {
protected:
    void SetUp() override
    {
        fDir = fs::temp_directory_path() / ("veltro-debug-" + std::to_string(::getpid()));
        fs::remove_all(fDir);
        fs::create_directories(fDir);
    }
    void TearDown() override { fs::remove_all(fDir); }

    // Runs the probe in mode and returns its wait status.
    int RunProbe(const std::string& mode)
    {
        std::string probe = KVN_DEBUG_PROBE;
        std::string log = Log().string();
        std::string output = (fDir / "stdout.txt").string();
        std::vector<char*> arguments = {probe.data(), const_cast<char*>(mode.c_str()), log.data(), nullptr};
        // The sanitizers' own handlers would take the fatal signal before the program's handler sees it.
        std::vector<std::string> variables = {"ASAN_OPTIONS=handle_segv=0:handle_abort=0:detect_leaks=0",
                                              "QT_QPA_PLATFORM=offscreen"};
        for (char** variable = environ; *variable != nullptr; ++variable) {
            std::string text = *variable;
            if (text.rfind("ASAN_OPTIONS=", 0) != 0 && text.rfind("QT_QPA_PLATFORM=", 0) != 0)
                variables.push_back(text);
        }
        std::vector<char*> environment;
        for (std::string& variable : variables)
            environment.push_back(variable.data());
        environment.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t child = 0;
        int spawned = posix_spawn(&child, probe.c_str(), &actions, nullptr, arguments.data(), environment.data());
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0);
        int status = 0;
        waitpid(child, &status, 0);
        fOutput = Read(output);
        return status;
    }
    fs::path Log() const { return fDir / "probe.err"; }

    fs::path fDir;
    std::string fOutput;
};

// What every entry holds, in the order of its layout.
void ExpectEntryLayout(const std::string& entry, const std::string& messageLine)
{
    std::vector<std::string> parts = {"---------------------------",
                                      "---------------------------\r\nProbe 1.0 - 9.12.2026; test system\r\n",
                                      "Physical memory: total ",
                                      "MB; Virtual memory: total ",
                                      "MB;\r\n" + messageLine,
                                      "Call stack:\r\n#00 ",
                                      "Thread id: "};
    std::size_t at = 0;
    for (const std::string& part : parts) {
        std::size_t found = entry.find(part, at);
        ASSERT_NE(found, std::string::npos) << "missing after " << at << ": " << part << "\n" << entry;
        at = found + part.size();
    }
    EXPECT_EQ(entry.substr(entry.size() - 4), "\r\n\r\n");
}

TEST_F(Diagnostics, ExceptionFromAnEventHandlerIsLoggedAndShownAndTheProgramGoesOn)
{
    int status = RunProbe("throw");
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << fOutput;
    EXPECT_NE(fOutput.find("message: Probe failure in a timer"), std::string::npos) << fOutput;
    EXPECT_NE(fOutput.find("ThrowFromTimerHandler"), std::string::npos) << fOutput;
    EXPECT_NE(fOutput.find("still running"), std::string::npos) << fOutput;

    std::string first = Read(Log());
    ExpectEntryLayout(first, "Fehler 'std::runtime_error' in Modul kvn_debug_probe bei ");
    EXPECT_NE(first.find("Probe failure in a timer\r\n"), std::string::npos);
    // Named from the debug information, with the source line.
    EXPECT_NE(first.find("ThrowFromTimerHandler() at "), std::string::npos) << first;
    EXPECT_NE(first.find("kvnDebugProbe.cpp:"), std::string::npos) << first;

    // A second failure appends; the first entry stays as it was.
    RunProbe("throw");
    std::string both = Read(Log());
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_EQ(Count(both, "Fehler 'std::runtime_error'"), 2);
}

TEST_F(Diagnostics, NullDereferenceIsLoggedAndEndsTheProgramWithItsSignal)
{
    std::ofstream(Log(), std::ios::binary) << "an earlier entry\r\n";
    int status = RunProbe("null");
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    std::string log = Read(Log());
    EXPECT_EQ(log.rfind("an earlier entry\r\n", 0), 0u);
    ExpectEntryLayout(log, "Fehler 'SIGSEGV' in Modul kvn_debug_probe bei ");
    EXPECT_NE(log.find("Access violation (signal 11, fault address 0000000000000000)"), std::string::npos) << log;
    EXPECT_NE(log.find("ProbeNullDereference() at "), std::string::npos) << log;
    EXPECT_NE(log.find("Registers:\r\n"), std::string::npos) << log;
}

TEST(Diagnostics_Memory, LineHasTheLayoutOfTheLogInMegabytes)
{
    kvn::TMemoryFigures figures{3u * 1048576, 1048576 + 524288, 0, 7u << 20};
    char line[200];
    std::size_t length = kvn::FormatMemoryLine(figures, line);
    EXPECT_EQ(std::string(line, length),
              "Physical memory: total 3MB, avail 2MB; Virtual memory: total 0MB, avail 7MB;");
    kvn::TMemoryFigures system = kvn::ReadMemoryFigures();
    EXPECT_GT(system.PhysicalTotal, 0u);
    EXPECT_GT(system.VirtualTotal, 0u);
}

} // namespace
