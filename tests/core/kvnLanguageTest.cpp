#include "kvnLanguage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "kvnFormatSettings.h"
#include "kvnIniFiles.h"
#include "kvnPaths.h"
#include "kvnStrings.h"
#include "testSupport.h"

using namespace kvn;

namespace {

// Every text-table entry the program asks for, with the number of ";"-separated values it must hold (0: one text)
// and the conversions a format entry receives, in order. Both shipped language files must provide each of them.
struct TEntry {
    const char* Section;
    int Number;
    int Fields;
    const char* Conversions;
};

// clang-format off
constexpr TEntry kUsedEntries[] = {
    // G: general texts
    {"G", 10, 0, "%s"}, {"G", 11, 0, ""}, {"G", 41, 0, ""}, {"G", 52, 0, ""}, {"G", 53, 0, ""}, {"G", 54, 0, ""},
    {"G", 55, 0, ""}, {"G", 58, 0, ""}, {"G", 59, 0, ""}, {"G", 60, 0, "%d%d"}, {"G", 61, 0, "%d%d"},
    {"G", 62, 0, ""}, {"G", 63, 0, "%d"}, {"G", 68, 0, ""}, {"G", 69, 3, ""}, {"G", 70, 12, ""}, {"G", 71, 12, ""},
    {"G", 72, 7, ""}, {"G", 73, 7, ""}, {"G", 90, 0, ""}, {"G", 91, 0, ""}, {"G", 95, 0, ""}, {"G", 96, 0, "%s"},
    {"G", 97, 0, ""}, {"G", 108, 0, ""}, {"G", 109, 0, ""}, {"G", 114, 0, "%d%d"}, {"G", 122, 0, "%d%d"},
    {"G", 123, 0, ""}, {"G", 128, 0, ""}, {"G", 135, 0, ""}, {"G", 136, 0, ""}, {"G", 137, 0, ""}, {"G", 138, 0, ""},
    {"G", 149, 24, ""},
    // S: swimming terms
    {"S", 1, 8, ""}, {"S", 2, 7, ""}, {"S", 3, 3, ""}, {"S", 7, 2, ""}, {"S", 9, 2, "%s%s"}, {"S", 10, 2, "%d%d"},
    {"S", 11, 2, "%d%d"}, {"S", 16, 0, ""}, {"S", 17, 0, ""}, {"S", 18, 0, ""}, {"S", 28, 7, ""}, {"S", 29, 0, "%d"},
    {"S", 40, 4, ""}, {"S", 46, 0, "%d%s"}, {"S", 47, 2, ""},
    // V: viewer texts
    {"V", 1, 0, ""}, {"V", 2, 0, ""}, {"V", 3, 0, "%d%d"}, {"V", 4, 0, ""}, {"V", 7, 0, ""}, {"V", 8, 0, ""},
    {"V", 9, 0, ""}, {"V", 10, 0, ""}, {"V", 11, 0, ""}, {"V", 12, 0, ""}, {"V", 13, 0, ""}, {"V", 14, 0, ""},
    {"V", 15, 0, ""}, {"V", 16, 0, ""}, {"V", 17, 0, ""}, {"V", 18, 0, ""}, {"V", 19, 0, ""}, {"V", 20, 0, ""},
    {"V", 21, 0, ""}, {"V", 22, 0, ""}, {"V", 23, 0, ""}, {"V", 24, 0, ""}, {"V", 25, 0, ""}, {"V", 26, 0, ""},
    {"V", 27, 0, ""}, {"V", 28, 0, ""}, {"V", 29, 0, ""}, {"V", 30, 0, ""}, {"V", 31, 0, ""}
};
// clang-format on

const std::string kShippedDir = std::string(VELTRO_SOURCE_DIR) + "/resources/lang/";

// The format conversions of a text in order ("%d", "%s", ...), flags and widths left out.
std::string Conversions(const std::string& text)
{
    std::string found;
    for (std::size_t pos = text.find('%'); pos != std::string::npos; pos = text.find('%', pos + 1)) {
        pos = text.find_first_not_of("-+ #0123456789.", pos + 1);
        if (pos == std::string::npos) break;
        found += '%';
        found += text[pos];
    }
    return found;
}

// Runs each test with the executable, the settings file and every process-wide setting of the manager pointed at
// a fresh folder, and puts them back afterwards.
class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        fSavedFormat = FormatSettings();
        FormatSettings() = TFormatSettings();
        SetExecutablePath(fDir.File("veltro"));
        SetSettingsFilePath(fDir.File("veltro.INI"));
        SetUserLangIdSource([] { return TWinLangId(); });
    }
    void TearDown() override
    {
        FreeLanguage();
        SetUserLangIdSource(nullptr);
        SetFormTranslator(nullptr);
        SetDefaultLanguage(3);
        FormatSettings() = fSavedFormat;
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }
    void WriteLanguage(const std::string& code, const std::string& content) { fDir.Write("veltro.x" + code, content); }

    kvntest::TTempDir fDir;
    std::string fSavedExecutable;
    std::string fSavedSettings;
    TFormatSettings fSavedFormat;
};

} // namespace

TEST_F(LanguageTest, FileNamesFollowTheExecutable)
{
    EXPECT_EQ(LanguageCode(0), "ch");
    EXPECT_EQ(LanguageCode(24), "xx");
    EXPECT_EQ(LanguageCode(-1), "xx");

    EXPECT_EQ(LanguageFileName(1), fDir.File("veltro.xde"));
    EXPECT_EQ(HelpFileName(1), fDir.File("veltro-xde.hlp"));
    SetExecutablePath(fDir.File("v1.2/veltro.exe"));
    EXPECT_EQ(LanguageFileName(3), fDir.File("v1.2/veltro.xus"));
    EXPECT_EQ(HelpFileName(3), fDir.File("v1.2/veltro-xus.hlp"));
}

TEST_F(LanguageTest, FileNamesFallBackToTheInstalledDataFolder)
{
    SetExecutablePath(fDir.File("bin/veltro"));
    std::string installed = fDir.Write("share/veltro/veltro.xus", "[G]\n");
    EXPECT_EQ(LanguageFileName(3), installed);
    std::string beside = fDir.Write("bin/veltro.xus", "[G]\n");
    EXPECT_EQ(LanguageFileName(3), beside);
}

TEST_F(LanguageTest, GetTextReadsEntriesByPosition)
{
    WriteLanguage("de", "before\r\n[g]\r\n12=Datei_öffnen\\Nneu\r\nno equals sign\r\nkey=a=b\rx;y;z\n"
                        "[S]\n1=Schwimmen\n[G]\n1=second G section\n");
    TLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1, false));

    EXPECT_EQ(language.GetText("G", 1), "Datei öffnen\r\nneu"); // the number before "=" is not read
    EXPECT_EQ(language.GetText("G", 2), "no equals sign");
    EXPECT_EQ(language.GetText("G", 3), "a=b");
    EXPECT_EQ(language.GetText("G", 4, 2), "y");
    EXPECT_EQ(language.GetText("G", 4, 4), "");
    EXPECT_EQ(language.GetText("s", 1), "Schwimmen");
    // Past the section's end, before its start, or in a section the file lacks: empty, never a neighbour's line.
    EXPECT_EQ(language.GetText("G", 5), "");
    EXPECT_EQ(language.GetText("G", 0), "");
    EXPECT_EQ(language.GetText("V", 1), "");
}

TEST_F(LanguageTest, GetTextLimitsLengthAndReadsWindows1252)
{
    WriteLanguage("de", "[G]\n1=" + RepeatText("ä", 1200) + "\n");
    WriteLanguage("us", "[G]\n1=M\xFCller\n");
    TLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1, false));
    EXPECT_EQ(language.GetText("G", 1), RepeatText("ä", 999));
    ASSERT_TRUE(language.LoadLanguage(3, false));
    EXPECT_EQ(language.GetText("G", 1), "Müller");
}

TEST_F(LanguageTest, SectionIndexGivesFormSectionsTheirLength)
{
    WriteLanguage("de", "[G]\n1=a\n[TfrmView]\n.\n.@Label1\nText\n[TKvnForm]\n.\n");
    TLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1, false));
    EXPECT_EQ(language.SectionIndex(), (std::vector<std::string>{"G=1", "TfrmView=3;3", "TKvnForm=7;1"}));
    std::optional<TLanguageSection> view = language.FindSection("tfrmview");
    ASSERT_TRUE(view);
    EXPECT_EQ(language.Lines()[static_cast<std::size_t>(view->Start) + 1], ".@Label1");
}

TEST_F(LanguageTest, FailedLoadChangesNothing)
{
    WriteLanguage("de", "[G]\n1=Deutsch\n");
    WriteLanguage("xx", "[G]\n1=not a language\n");
    int changes = 0;
    TLanguage language;
    language.SetOnChange([&](TLanguage&) { ++changes; });
    ASSERT_TRUE(language.LoadLanguage(1, false));

    EXPECT_FALSE(language.LoadLanguage(3, false));  // no file
    EXPECT_FALSE(language.LoadLanguage(24, false)); // never names a file, even when one is there
    EXPECT_FALSE(language.LoadLanguage(-5, false));
    EXPECT_EQ(language.ScreenLanguage(), 1);
    EXPECT_EQ(language.GetText("G", 1), "Deutsch");
    EXPECT_EQ(changes, 1);
}

TEST_F(LanguageTest, LoadSetsMonthAndDayNamesAndKeepsMissingOnes)
{
    WriteLanguage("fr", "[G]\n" + RepeatText("\n", 69) + "janvier;février\n\nSunday;Monday\n");
    TLanguage language;
    ASSERT_TRUE(language.LoadLanguage(2, false));
    const TFormatSettings& format = FormatSettings();
    EXPECT_EQ(format.LongMonthNames[0], "janvier");
    EXPECT_EQ(format.LongMonthNames[1], "février");
    EXPECT_EQ(format.LongMonthNames[2], "März");
    EXPECT_EQ(format.ShortMonthNames[0], "Jan");
    EXPECT_EQ(format.LongDayNames[1], "Monday");
}

TEST_F(LanguageTest, PrintRunUsesThePrintLanguage)
{
    WriteLanguage("de", "[G]\n1=Seite\n");
    WriteLanguage("fr", "[G]\n1=Page\n");
    int translations = 0;
    SetFormTranslator([&](TLanguage&) { ++translations; });
    int changes = 0;
    TLanguage language;
    ASSERT_TRUE(language.LoadLanguage(1, true));
    language.SetOnChange([&](TLanguage&) { ++changes; });
    language.SetPrintLanguage(2);

    language.UsePrintLanguage();
    EXPECT_EQ(language.GetText("G", 1), "Page");
    EXPECT_EQ(language.SavedLanguage(), 1);
    language.RestoreScreenLanguage();
    EXPECT_EQ(language.GetText("G", 1), "Seite");
    EXPECT_EQ(language.SavedLanguage(), kAutoLanguage);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(translations, 1); // windows keep the screen language

    language.SetPrintLanguage(4); // no file: the run prints in the screen language
    language.UsePrintLanguage();
    EXPECT_EQ(language.SavedLanguage(), kAutoLanguage);
    EXPECT_EQ(language.GetText("G", 1), "Seite");
}

TEST_F(LanguageTest, HelpLanguageFallsBackToTheDefault)
{
    fDir.Write("veltro-xfr.hlp", "");
    TLanguage language;
    language.SetHelpLanguage(2);
    EXPECT_EQ(language.HelpLanguage(), 2);
    language.SetHelpLanguage(4);
    EXPECT_EQ(language.HelpLanguage(), 3);
    EXPECT_EQ(language.HelpFile(), fDir.File("veltro-xus.hlp"));
}

TEST(LanguageChoice, LocaleNamesMapToWindowsLanguages)
{
    auto index = [](const char* locale) { return LanguageForLangId(LangIdFromLocaleName(locale)); };
    EXPECT_EQ(index("de_CH.UTF-8"), 0);
    EXPECT_EQ(index("de_AT"), 15);
    EXPECT_EQ(index("de_DE.UTF-8@euro"), 1);
    EXPECT_EQ(index("en-GB"), 23);
    EXPECT_EQ(index("en_US.UTF-8"), 3);
    EXPECT_EQ(index("es_MX"), 22);
    EXPECT_EQ(index("fr_CA"), 16);
    EXPECT_EQ(index("nb_NO"), 14);
    EXPECT_EQ(index("ca_ES"), -1); // Catalan; "ca" is the code of Canadian French
    EXPECT_EQ(index("C"), -1);
    EXPECT_EQ(index(""), -1);
    EXPECT_EQ(LanguageForLangId({8, 1}), -1);
}

TEST(LanguageChoice, EnvironmentNamesTheUserLanguage)
{
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* value = std::getenv(names[i])) saved[i] = value;

    setenv("LC_ALL", "", 1);
    unsetenv("LC_MESSAGES");
    setenv("LANG", "de_AT.UTF-8", 1);
    EXPECT_EQ(LanguageForLangId(UserDefaultLangId()), 15);
    setenv("LC_ALL", "en_GB.UTF-8", 1);
    EXPECT_EQ(LanguageForLangId(UserDefaultLangId()), 23);

    for (int i = 0; i < 3; ++i)
        saved[i] ? setenv(names[i], saved[i]->c_str(), 1) : unsetenv(names[i]);
}

TEST_F(LanguageTest, CreationPicksTheSystemLanguageElseTheDefault)
{
    // A Swiss-German system without a Swiss-German file gets the default language.
    SetUserLangIdSource([] { return TWinLangId{7, 2}; });
    WriteLanguage("us", "[G]\n1=English\n");
    fDir.Write("veltro-xus.hlp", "");
    TLanguage* inside = nullptr;
    SetFormTranslator([&](TLanguage&) { inside = &GetLanguage(); });
    TLanguage& language = GetLanguage();
    EXPECT_EQ(&language, inside); // window translation during creation reaches the same manager
    EXPECT_EQ(language.ScreenLanguage(), 3);
    EXPECT_EQ(language.PrintLanguage(), 3);
    EXPECT_EQ(language.HelpLanguage(), 3);
    EXPECT_EQ(language.GetText("G", 1), "English");
}

TEST_F(LanguageTest, CreationReadsTheStoredChoices)
{
    WriteLanguage("de", "[G]\n1=Deutsch\n");
    WriteLanguage("fr", "[G]\n1=Français\n");
    SettingsFile().WriteInteger("Config", "lbxLanguage", 2);
    SettingsFile().WriteInteger("Config", "lbxPrnLanguage", 1);
    SettingsFile().WriteInteger("Config", "lbxHlpLanguage", 77);
    EXPECT_EQ(GetLanguage().ScreenLanguage(), 2);
    EXPECT_EQ(GetLanguage().PrintLanguage(), 1);
    EXPECT_EQ(GetLanguage().HelpLanguage(), 3);

    // A stored index outside the table counts as no choice: the system's language is taken.
    FreeLanguage();
    SettingsFile().WriteInteger("Config", "lbxLanguage", 99);
    SetUserLangIdSource([] { return TWinLangId{7, 1}; });
    EXPECT_EQ(GetLanguage().ScreenLanguage(), 1);
}

TEST_F(LanguageTest, WithoutAnyFileTextsAreEmptyAndDatesUnchanged)
{
    TLanguage& language = GetLanguage();
    EXPECT_EQ(language.ScreenLanguage(), 0);
    EXPECT_EQ(language.GetText("G", 70), "");
    EXPECT_EQ(FormatSettings().LongMonthNames[0], "Januar");
}

TEST(LanguageFiles, ShippedFilesHoldEveryUsedEntry)
{
    for (const char* code : {"de", "us"}) {
        SCOPED_TRACE(code);
        std::string bytes = kvntest::ReadFile(kShippedDir + "veltro.x" + code);
        ASSERT_FALSE(bytes.empty());
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; start < bytes.size(); start = end + 1) {
            end = bytes.find('\n', start);
            if (end == std::string::npos) end = bytes.size();
            lines.push_back(bytes.substr(start, end - start));
        }
        // Entries are found by position: every line of a text table carries its own number, so a line that
        // goes missing or slips in shows here.
        std::string section;
        int number = 0;
        for (const std::string& line : lines) {
            if (!line.empty() && line[0] == '[') {
                section = line.substr(1, line.size() - 2);
                number = 0;
            } else if (section.size() == 1) {
                EXPECT_EQ(line.substr(0, line.find('=') + 1), IntToStr(++number) + "=") << section << ": " << line;
            }
        }

        kvntest::TTempDir dir;
        std::string savedExecutable = ExecutablePath();
        SetExecutablePath(dir.File("veltro"));
        dir.Write(std::string("veltro.x") + code, bytes);
        TFormatSettings savedFormat = FormatSettings();
        TLanguage language;
        EXPECT_TRUE(language.LoadLanguage(code == std::string("de") ? 1 : 3, false));
        for (const TEntry& entry : kUsedEntries) {
            std::string text = language.GetText(entry.Section, entry.Number);
            SCOPED_TRACE(std::string(entry.Section) + "/" + std::to_string(entry.Number) + " " + text);
            EXPECT_FALSE(Trim(text).empty());
            EXPECT_EQ(Conversions(text), entry.Conversions);
            if (entry.Fields > 0) {
                EXPECT_EQ(SemicolonCount(text), entry.Fields);
                for (int field = 1; field <= entry.Fields; ++field)
                    EXPECT_FALSE(language.GetText(entry.Section, entry.Number, field).empty());
            }
        }
        EXPECT_EQ(FormatSettings().LongMonthNames[4], code == std::string("us") ? "May" : "Mai");
        FormatSettings() = savedFormat;
        SetExecutablePath(savedExecutable);
    }
}
