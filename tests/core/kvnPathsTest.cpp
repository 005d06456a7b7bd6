#include "kvnPaths.h"

#include "testSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

using namespace kvn;

namespace {

// Each test has its own executable path and configuration folder; both come back afterwards.
class Paths : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSavedExecutable = ExecutablePath();
        if (const char* config = std::getenv("XDG_CONFIG_HOME")) fSavedConfig = config;
        setenv("XDG_CONFIG_HOME", fDir.File("config").c_str(), 1);
    }
    void TearDown() override
    {
        SetExecutablePath(fSavedExecutable);
        if (fSavedConfig)
            setenv("XDG_CONFIG_HOME", fSavedConfig->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    kvntest::TTempDir fDir;
    std::string fSavedExecutable;
    std::optional<std::string> fSavedConfig;
};

} // namespace

TEST_F(Paths, PortableProgramKeepsItsFilesBesideItAndInstalledOneInTheUsersFolder)
{
    // Portable: a writable folder of its own, whatever its name.
    fDir.Write("portable/bin/veltro", "");
    SetExecutablePath(fDir.File("portable/bin/veltro"));
    EXPECT_FALSE(IsInstalled());
    EXPECT_EQ(SettingsFilePath(), fDir.File("portable/bin/veltro.INI"));
    EXPECT_EQ(ProgramDataFile("veltrous.rtf"), fDir.File("portable/bin/veltrous.rtf"));

    // Installed into a prefix the user may write to (~/.local): still the user's configuration folder, and the data
    // files from share/veltro/ unless one lies beside the program.
    fDir.Write("prefix/bin/veltro", "");
    std::string help = fDir.Write("prefix/share/veltro/veltrous.rtf", "{\\rtf1}");
    SetExecutablePath(fDir.File("prefix/bin/veltro"));
    EXPECT_TRUE(IsInstalled());
    EXPECT_EQ(InstalledDataDir(), fDir.File("prefix/share/veltro") + "/");
    EXPECT_EQ(SettingsFilePath(), fDir.File("config/veltro/veltro.INI"));
    EXPECT_TRUE(std::filesystem::is_directory(fDir.File("config/veltro")));
    EXPECT_EQ(ProgramDataFile("veltrous.rtf"), help);
    EXPECT_EQ(ProgramDataFile("veltrode.rtf"), fDir.File("prefix/bin/veltrode.rtf"));
    std::string beside = fDir.Write("prefix/bin/veltrous.rtf", "{\\rtf1}");
    EXPECT_EQ(ProgramDataFile("veltrous.rtf"), beside);
}
