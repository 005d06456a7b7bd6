#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "kvnIniFiles.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnStrings.h"

using namespace kvn;
namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class IniTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = TempPath() + "kvnini-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        fDir = pattern;
        fPath = (fDir / "veltro.INI").string();
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(fDir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(fDir, ignored);
    }

    void Put(const std::string& text, const std::string& path = "") const
    {
        std::ofstream(path.empty() ? fPath : path, std::ios::binary) << text;
    }
    std::string Get(const std::string& path = "") const
    {
        std::ifstream in(path.empty() ? fPath : path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::size_t EntriesInFolder() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(fDir), fs::directory_iterator()));
    }

    fs::path fDir;
    std::string fPath;
};

TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    TDateTime time = 0;
    TryEncodeTime(hour, minute, second, 0, time);
    return EncodeDate(year, month, day) + time;
}

} // namespace

TEST_F(IniTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt)
{
    TKvnIniFile ini(fPath);
    EXPECT_EQ(ini.ReadString("main", "Folder", "none"), "none");
    EXPECT_FALSE(ini.SectionExists("main"));
    ini.DeleteKey("main", "Folder");
    EXPECT_FALSE(fs::exists(fPath));

    ini.WriteString("main", "Folder", "/home/x");
    EXPECT_EQ(Get(), "[main]\nFolder=/home/x\n");
    EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(IniTest, LookupRules)
{
    Put("Stray=1\n[Main]\n  Key =  value  \n;Comment=1\n#Hash=2\nkey=second\nEmpty=\nQuoted=\"a b\"\n"
        "not a key\n[ Other ]\nX=1\n[main]\nLate=3\n");
    TKvnIniFile ini(fPath);
    EXPECT_EQ(ini.ReadString("MAIN", "KEY", "-"), "value");
    EXPECT_EQ(ini.ReadString("main", ";Comment", "-"), "-");
    EXPECT_EQ(ini.ReadString("main", "#Hash", "-"), "-");
    EXPECT_EQ(ini.ReadString("main", "Empty", "-"), "");
    EXPECT_EQ(ini.ReadString("main", "Quoted", "-"), "\"a b\"");
    EXPECT_EQ(ini.ReadString("main", "Stray", "-"), "-");
    EXPECT_EQ(ini.ReadString("other", "x", "-"), "1");
    EXPECT_EQ(ini.ReadString("main", "late", "-"), "3");
    EXPECT_TRUE(ini.ValueExists("main", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("main", "Missing"));
    EXPECT_EQ(ini.ReadSection("main"), (std::vector<std::string>{"Key", "Empty", "Quoted", "Late"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main", "Other"}));
}

TEST_F(IniTest, WritesKeepUntouchedLines)
{
    Put("; settings\r\n[main]\r\nA=1\r\nB = 2\r\n\r\n; printer follows\r\n[Printer]\r\nC=3\r\n");
    TKvnIniFile ini(fPath);
    ini.WriteString("MAIN", "b", "20");
    ini.WriteString("main", "New", "x");
    ini.WriteString("Special", "Z", "9");
    EXPECT_EQ(Get(), "; settings\n[main]\nA=1\nB=20\nNew=x\n\n; printer follows\n[Printer]\nC=3\n\n[Special]\nZ=9\n");

    ini.DeleteKey("main", "A");
    ini.EraseSection("printer");
    // Comments belong to no key: the one above the erased section stays.
    EXPECT_EQ(Get(), "; settings\n[main]\nB=20\nNew=x\n\n; printer follows\n[Special]\nZ=9\n");
}

TEST_F(IniTest, DeleteKeyRemovesEveryCopy)
{
    Put("[s]\nK=1\nk=2\n[S]\nK=3\n");
    TKvnIniFile ini(fPath);
    ini.WriteString("s", "K", "4");
    EXPECT_EQ(Get(), "[s]\nK=4\nk=2\n[S]\nK=3\n");
    ini.DeleteKey("s", "k");
    EXPECT_EQ(ini.ReadString("s", "K", "gone"), "gone");
}

TEST_F(IniTest, EveryReadSeesTheFileAsItIsNow)
{
    TKvnIniFile first(fPath);
    TKvnIniFile second(fPath);
    first.WriteInteger("main", "Count", 1);
    EXPECT_EQ(second.ReadInteger("main", "Count", 0), 1);
    Put("[main]\nCount=2\n");
    EXPECT_EQ(first.ReadInteger("main", "Count", 0), 2);
}

namespace {

// Bytes this process has read from files so far.
long long BytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string name;
    long long value = 0;
    while (io >> name >> value)
        if (name == "rchar:") return value;
    return -1;
}

} // namespace

TEST_F(IniTest, LargeFileIsParsedOnceAndAgainOnlyWhenItChanges)
{
    // A damaged file of a megabyte, written long ago as far as its time stamp tells.
    std::string text = "[main]\nCount=1\n";
    for (int section = 0; text.size() < 1000000; ++section)
        text += "[s" + std::to_string(section) + "]\nk=v\nk=w\n";
    Put(text);
    fs::last_write_time(fPath, fs::file_time_type::clock::now() - std::chrono::hours(1));
    TKvnIniFile ini(fPath);
    long long before = BytesRead();
    ASSERT_GE(before, 0);
    for (int read = 0; read < 40; ++read)
        EXPECT_EQ(ini.ReadInteger("main", "Count", 0), 1);
    EXPECT_LT(BytesRead() - before, 3 * static_cast<long long>(text.size())) << "40 reads, one file read";

    // Another program changes the file: the next read sees it.
    Put("[main]\nCount=2\n");
    fs::last_write_time(fPath, fs::file_time_type::clock::now() - std::chrono::minutes(30));
    EXPECT_EQ(ini.ReadInteger("main", "Count", 0), 2);
    ini.WriteInteger("main", "Count", 3);
    EXPECT_EQ(TKvnIniFile(fPath).ReadInteger("main", "Count", 0), 3);
    EXPECT_EQ(ini.ReadInteger("main", "Count", 0), 3);
}

TEST_F(IniTest, OldWindowsFileIsReadAndRewrittenAsUtf8)
{
    Put("[main]\nName=M\xFCller\nOther=\xE9t\xE9\n");
    TKvnIniFile ini(fPath);
    EXPECT_EQ(ini.ReadString("main", "Name", ""), "Müller");
    ini.WriteString("main", "Name", "Jäger");
    // The changed line is written in UTF-8; the other stays as it was, for the program that wrote it.
    EXPECT_EQ(Get(), "[main]\nName=Jäger\nOther=\xE9t\xE9\n");
    EXPECT_EQ(ini.ReadString("main", "Other", ""), "été");
}

TEST_F(IniTest, EncodingIsDecidedPerLineAndUnchangedLinesKeepTheirBytes)
{
    // One stray byte in a comment, a byte-order mark and a lone CR inside what was once one value.
    const std::string original = "\xEF\xBB\xBF; \xFF\n[main]\nopenPath=/home/j\xC3\xBCrgen/Wettk\xC3\xA4mpfe\n"
                                 "note=first\rsecond=x\n[Other]\nname=M\xFCller\n";
    Put(original);
    TKvnIniFile ini(fPath);
    EXPECT_EQ(ini.ReadString("main", "openPath", ""), "/home/jürgen/Wettkämpfe");
    EXPECT_EQ(ini.ReadString("Other", "name", ""), "Müller");
    // A lone CR ends the line on reading exactly as it will once the file is written again.
    EXPECT_EQ(ini.ReadString("main", "note", ""), "first");
    EXPECT_EQ(ini.ReadString("main", "second", ""), "x");
    ini.WriteString("main", "openPath", "/home/jürgen");
    EXPECT_EQ(Get(),
              "\xEF\xBB\xBF; \xFF\n[main]\nopenPath=/home/jürgen\nnote=first\nsecond=x\n[Other]\nname=M\xFCller\n");
    TKvnIniFile again(fPath);
    EXPECT_EQ(again.ReadString("main", "note", ""), "first");
    EXPECT_EQ(again.ReadString("main", "second", ""), "x");
    EXPECT_EQ(again.ReadString("Other", "name", ""), "Müller");
    EXPECT_EQ(again.ReadSections(), (std::vector<std::string>{"main", "Other"}));
}

TEST_F(IniTest, StringsReadBackAsWrittenUpTo2047Characters)
{
    TKvnIniFile ini(fPath);
    ini.WriteString("s", "Padded", "  inner  blanks  ");
    EXPECT_EQ(ini.ReadString("s", "Padded", ""), "inner  blanks");
    ini.WriteString("s", "Equals", "a=b;c");
    EXPECT_EQ(ini.ReadString("s", "Equals", ""), "a=b;c");

    ini.WriteString("s", "Long", std::string(3000, 'x'));
    EXPECT_EQ(ini.ReadString("s", "Long", ""), std::string(2047, 'x'));
    std::string umlauts;
    for (int i = 0; i < 3000; ++i)
        umlauts += "ä";
    ini.WriteString("s", "Wide", umlauts);
    std::string read = ini.ReadString("s", "Wide", "");
    EXPECT_EQ(read.size(), 2047u * 2);
    EXPECT_EQ(Utf8Length(read), 2047u);
}

TEST_F(IniTest, IntegerAndBooleanEncodings)
{
    Put("[n]\nHex=0x1F\nUpper=0X1f\nBare=0x\nJunk=12abc\nNeg= -5 \nAll=0xFFFFFFFF\nHuge=0x100000000\nTwo=2\n"
        "Empty=\nBig=99999999999\n");
    TKvnIniFile ini(fPath);
    EXPECT_EQ(ini.ReadInteger("n", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("n", "Upper", 0), 31);
    EXPECT_EQ(ini.ReadInteger("n", "Bare", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "Junk", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "Neg", 7), -5);
    EXPECT_EQ(ini.ReadInteger("n", "All", 7), -1);
    EXPECT_EQ(ini.ReadInteger("n", "Huge", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "Empty", 7), 7);
    EXPECT_EQ(ini.ReadInteger("n", "Big", 7), 7);
    EXPECT_TRUE(ini.ReadBool("n", "Two", false));
    EXPECT_TRUE(ini.ReadBool("n", "Junk", true));
    EXPECT_FALSE(ini.ReadBool("n", "Junk", false));

    ini.WriteInteger("w", "Min", -2147483647 - 1);
    ini.WriteBool("w", "On", true);
    ini.WriteBool("w", "Off", false);
    EXPECT_EQ(ini.ReadInteger("w", "Min", 0), -2147483647 - 1);
    EXPECT_EQ(ini.ReadString("w", "On", ""), "1");
    EXPECT_EQ(ini.ReadString("w", "Off", ""), "0");
}

TEST_F(IniTest, DateTimeEncodings)
{
    Put("[d]\nFull=20050312143005\nDateOnly=20050312\nLetters=2005MM12\nBadTime=20050312256199\n"
        "Origin=18991230000000\nNoDay=20050230\nEmpty=\n");
    TKvnIniFile ini(fPath);
    const TDateTime fallback = 12345;
    EXPECT_EQ(ini.ReadDateTime("d", "Full", fallback), At(2005, 3, 12, 14, 30, 5));
    EXPECT_EQ(ini.ReadDateTime("d", "DateOnly", fallback), At(2005, 3, 12));
    EXPECT_EQ(ini.ReadDateTime("d", "BadTime", fallback), At(2005, 3, 12));
    EXPECT_EQ(ini.ReadDateTime("d", "Letters", fallback), fallback);
    EXPECT_EQ(ini.ReadDateTime("d", "Origin", fallback), fallback);
    EXPECT_EQ(ini.ReadDateTime("d", "NoDay", fallback), fallback);
    EXPECT_EQ(ini.ReadDateTime("d", "Empty", fallback), fallback);
    EXPECT_EQ(ini.ReadDateTime("d", "Missing", fallback), fallback);

    ini.WriteDateTime("d", "Written", At(2005, 3, 12, 14, 30, 5));
    EXPECT_EQ(ini.ReadString("d", "Written", ""), "20050312143005");
    // Before the calendar origin the value is negative; its time of day must survive the round trip.
    ini.WriteDateTime("d", "Old", At(1850, 7, 1, 6, 0, 0));
    EXPECT_EQ(ini.ReadString("d", "Old", ""), "18500701060000");
    EXPECT_EQ(ini.ReadDateTime("d", "Old", 0), At(1850, 7, 1, 6, 0, 0));
    EXPECT_THROW(ini.WriteDateTime("d", "Bad", 1e12), EKvnError);
}

TEST_F(IniTest, WriteTextRemovesLeftoverLines)
{
    Put("[m]\nMemo1XX=4\nMemo1000=old\nMemo1001=old\nMemo1002=old\nMemo1003=old\nMemo1005=kept\n");
    TKvnIniFile ini(fPath);
    ini.WriteText("m", "Memo1", "a\r\nb\r\n");
    EXPECT_EQ(Get(), "[m]\nMemo1XX=2\nMemo1000=a\nMemo1001=b\nMemo1005=kept\n");
    EXPECT_EQ(ini.ReadText("m", "Memo1", "default"), "a\r\nb");

    ini.WriteText("m", "Memo2", "x\ny\rz");
    EXPECT_EQ(ini.ReadText("m", "Memo2", ""), "x\r\ny\r\nz");
    ini.WriteText("m", "Memo2", "\r\n\r\n");
    EXPECT_EQ(ini.ReadString("m", "Memo2XX", ""), "0");
    EXPECT_FALSE(ini.ValueExists("m", "Memo2000"));
    EXPECT_EQ(ini.ReadText("m", "Memo2", "default"), "");
}

TEST_F(IniTest, ReadTextCountRules)
{
    Put("[m]\nZeroXX=0\nBadXX=abc\nGapXX=3\nGap000=a\nGap002=c\nDamagedXX=2000000000\nDamaged000=only\n");
    TKvnIniFile ini(fPath);
    EXPECT_EQ(ini.ReadText("m", "Missing", "default"), "default");
    EXPECT_EQ(ini.ReadText("m", "Zero", "default"), "");
    EXPECT_EQ(ini.ReadText("m", "Bad", "default"), "default");
    EXPECT_EQ(ini.ReadText("m", "Gap", ""), "a\r\n\r\nc");
    EXPECT_EQ(ini.ReadText("m", "Damaged", ""), "only");
}

TEST_F(IniTest, TextLineKeysGrowPastThreeDigits)
{
    TKvnMemIniFile ini(fPath);
    std::string text;
    for (int i = 0; i < 1002; ++i)
        text += std::to_string(i) + "\n";
    ini.WriteText("m", "Long", text);
    EXPECT_EQ(ini.ReadString("m", "Long999", ""), "999");
    EXPECT_EQ(ini.ReadString("m", "Long1001", ""), "1001");
    EXPECT_EQ(ini.ReadText("m", "Long", ""), ReplaceAll(text.substr(0, text.size() - 1), "\n", "\r\n"));
}

TEST_F(IniTest, RefusesWhatWouldNotReadBack)
{
    Put("[main]\nA=1\n");
    TKvnIniFile ini(fPath);
    EXPECT_THROW(ini.WriteString("main", "A", "one\n[Other]\nB=2"), EKvnError);
    EXPECT_THROW(ini.WriteString("main", "A=B", "x"), EKvnError);
    EXPECT_THROW(ini.WriteString("main", " A", "x"), EKvnError);
    EXPECT_THROW(ini.WriteString("main", ";A", "x"), EKvnError);
    EXPECT_THROW(ini.WriteString("main", "", "x"), EKvnError);
    EXPECT_THROW(ini.WriteString("ma]in", "A", "x"), EKvnError);
    EXPECT_THROW(ini.WriteString("", "A", "x"), EKvnError);
    EXPECT_THROW(ini.WriteText("main", "Memo", std::string("a\0b", 3)), EKvnError);
    EXPECT_EQ(Get(), "[main]\nA=1\n");
}

TEST_F(IniTest, UnwritableFileReportsItsPathAndStaysIntact)
{
    std::string nowhere = (fDir / "missing" / "veltro.INI").string();
    TKvnIniFile lost(nowhere);
    try {
        lost.WriteString("main", "A", "1");
        FAIL() << "no error";
    } catch (const EKvnError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + nowhere);
    }
    EXPECT_FALSE(fs::exists(fDir / "missing"));

    Put("[main]\nA=1\n");
    fs::permissions(fPath, fs::perms::owner_read | fs::perms::group_read);
    TKvnIniFile readOnly(fPath);
    EXPECT_THROW(readOnly.WriteString("main", "A", "2"), EKvnError);
    EXPECT_EQ(Get(), "[main]\nA=1\n");
    EXPECT_EQ(EntriesInFolder(), 1u);
    // Writing what is already stored changes nothing and needs no write.
    EXPECT_NO_THROW(readOnly.WriteString("main", "A", "1"));

    TKvnIniFile folder(fDir.string());
    EXPECT_THROW(folder.WriteString("main", "A", "1"), EKvnError);
    EXPECT_EQ(folder.ReadString("main", "A", "-"), "-");

    // A named pipe in place of the file must neither block a read nor be replaced.
    std::string pipe = (fDir / "pipe.INI").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    TKvnIniFile fifo(pipe);
    EXPECT_EQ(fifo.ReadString("main", "A", "-"), "-");
    EXPECT_THROW(fifo.WriteString("main", "A", "1"), EKvnError);
    EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST_F(IniTest, RewriteKeepsModeAndFollowsLinks)
{
    Put("[main]\nA=1\n");
    fs::permissions(fPath, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::string link = (fDir / "link.INI").string();
    fs::create_symlink(fPath, link);

    TKvnIniFile ini(link);
    ini.WriteString("main", "A", "2");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Get(), "[main]\nA=2\n");
    EXPECT_EQ(fs::status(fPath).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntriesInFolder(), 2u);
}

TEST_F(IniTest, MemIniFileWritesOnlyOnUpdate)
{
    Put("; keep me\n[main]\nA=1\n");
    TKvnMemIniFile ini(fPath);
    ini.WriteString("main", "A", "2");
    ini.WriteText("main", "Memo", "x\ny");
    EXPECT_EQ(ini.ReadString("main", "A", ""), "2");
    EXPECT_EQ(Get(), "; keep me\n[main]\nA=1\n");
    ini.UpdateFile();
    EXPECT_EQ(Get(), "; keep me\n[main]\nA=2\nMemoXX=2\nMemo000=x\nMemo001=y\n");

    TKvnMemIniFile lost((fDir / "missing" / "x.INI").string());
    EXPECT_EQ(lost.ReadString("main", "A", "-"), "-");
    EXPECT_THROW(lost.UpdateFile(), EKvnError);
}

TEST_F(IniTest, SettingsFileFollowsTheChosenPath)
{
    SetSettingsFilePath(fPath);
    TKvnIniFile& settings = SettingsFile();
    settings.WriteString("Config", "Language", "de");
    EXPECT_EQ(&SettingsFile(), &settings);
    EXPECT_EQ(Get(), "[Config]\nLanguage=de\n");
    std::string other = (fDir / "other.INI").string();
    SetSettingsFilePath(other);
    EXPECT_EQ(&SettingsFile(), &settings);
    EXPECT_EQ(settings.FileName(), other);
}

namespace {

// Restores the recorded executable and the environment variables that the path rules read.
class PathsTest : public IniTest {
protected:
    void SetUp() override
    {
        IniTest::SetUp();
        fExecutable = ExecutablePath();
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        fHadXdg = xdg != nullptr;
        fXdg = xdg ? xdg : "";
    }
    void TearDown() override
    {
        SetExecutablePath(fExecutable);
        if (fHadXdg)
            setenv("XDG_CONFIG_HOME", fXdg.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        IniTest::TearDown();
    }

private:
    std::string fExecutable;
    std::string fXdg;
    bool fHadXdg = false;
};

} // namespace

TEST_F(PathsTest, ProgramFilesSitBesideTheExecutable)
{
    SetExecutablePath((fDir / "bin" / ".." / "veltro").string());
    EXPECT_EQ(ExecutablePath(), (fDir / "veltro").string());
    EXPECT_EQ(ExecutableDir(), fDir.string() + "/");
    EXPECT_EQ(ProgramFileName(".INI"), (fDir / "veltro.INI").string());
    EXPECT_EQ(ProgramFileName("err"), (fDir / "veltro.err").string());
    SetExecutablePath((fDir / "veltro.exe").string());
    EXPECT_EQ(ProgramFileName(".xde"), (fDir / "veltro.xde").string());
    EXPECT_EQ(SettingsFilePath(), (fDir / "veltro.INI").string());

    SetExecutablePath("");
    EXPECT_TRUE(fs::path(ExecutablePath()).is_absolute());
    EXPECT_EQ(TempPath().back(), '/');
}

TEST_F(PathsTest, SettingsMoveToTheConfigFolderWhenTheProgramFolderIsNotWritable)
{
    SetExecutablePath((fDir / "not-there" / "veltro").string());
    EXPECT_FALSE(IsDirectoryWritable(ExecutableDir()));
    setenv("XDG_CONFIG_HOME", (fDir / "config").c_str(), 1);
    EXPECT_EQ(UserConfigDir(), (fDir / "config" / "veltro").string() + "/");
    EXPECT_EQ(SettingsFilePath(), (fDir / "config" / "veltro" / "veltro.INI").string());
    EXPECT_TRUE(fs::is_directory(fDir / "config" / "veltro"));

    EXPECT_EQ(SettingsSeedFilePath(), (fDir / "not-there" / "veltro.INI").string());
    SetExecutablePath((fDir / "veltro").string());
    EXPECT_EQ(SettingsSeedFilePath(), "");

    // A language chosen in the file beside a program folder that is no longer writable still holds, and the first
    // write carries it over into the configuration folder, leaving the file beside the program alone.
    const std::string beside = (fDir / "veltro.INI").string();
    const std::string config = (fDir / "config" / "veltro" / "veltro.INI").string();
    Put("[Config]\nlbxLanguage=3\n", beside);
    TKvnIniFile settings(config, beside);
    EXPECT_EQ(settings.ReadInteger("Config", "lbxLanguage", -1), 3);
    settings.WriteString("main", "openPath", "/data");
    EXPECT_EQ(Get(config), "[Config]\nlbxLanguage=3\n\n[main]\nopenPath=/data\n");
    EXPECT_EQ(Get(beside), "[Config]\nlbxLanguage=3\n");
    Put("[Config]\nlbxLanguage=5\n", beside);
    EXPECT_EQ(settings.ReadInteger("Config", "lbxLanguage", -1), 3) << "once it exists, the own file counts";

    // A relative XDG_CONFIG_HOME is not allowed by the base directory rules and is ignored.
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(UserConfigDir().find("relative"), std::string::npos);
    EXPECT_EQ(UserConfigDir().substr(UserConfigDir().size() - 16), "/.config/veltro/");
}
