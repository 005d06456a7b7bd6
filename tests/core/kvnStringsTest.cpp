#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "kvnFormatSettings.h"
#include "kvnMessages.h"
#include "kvnStrings.h"

using namespace kvn;

namespace {

// Every test starts from the German defaults and leaves the process-wide settings as it found them.
class FormatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSaved = FormatSettings();
        FormatSettings() = TFormatSettings();
    }
    void TearDown() override { FormatSettings() = fSaved; }

private:
    TFormatSettings fSaved;
};

TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    TDateTime time = 0;
    TryEncodeTime(hour, minute, second, 0, time);
    return EncodeDate(year, month, day) + time;
}

} // namespace

TEST(Strings, ExactAndWordFieldsDifferOnEmptyFields)
{
    EXPECT_EQ(GetField("a;;b", ";", 2, true), "");
    EXPECT_EQ(GetField("a;;b", ";", 2, false), "b");
    EXPECT_EQ(FieldCount("a;;b", ";", true), 3);
    EXPECT_EQ(FieldCount("a;;b", ";", false), 2);
    EXPECT_EQ(FieldCount("", ";", true), 0);
    EXPECT_EQ(FieldCount("", ";", false), 0);
    EXPECT_EQ(FieldCount(";;", ";", false), 0);
    EXPECT_EQ(FieldCount("a;", ";", true), 2);
}

TEST(Strings, GetFieldEdges)
{
    EXPECT_EQ(GetField("a;b", ";", 0, true), "a");
    EXPECT_EQ(GetField("a;b", ";", 3, true), "");
    EXPECT_EQ(GetField("a;b;", ";", 3, true), "");
    EXPECT_EQ(GetField("a;b", ";", -4, true), "a");
    EXPECT_EQ(GetField("a;b", ";", 0, false), "");
    EXPECT_EQ(GetField("  x  y ", " ", 2, false), "y");
    EXPECT_EQ(GetField("  x  y ", " ", 3, false), "");
    EXPECT_EQ(GetField("12:34.5,6", ":.,", 3, true), "5");
    // A separator outside ASCII must not split the letters around it or match their bytes.
    EXPECT_EQ(GetField("Bär·Öl·Ähre", "·", 2, true), "Öl");
    EXPECT_EQ(FieldCount("Bär·Öl", "·", true), 2);
    EXPECT_EQ(FieldCount("Bär", "·", true), 1);
}

TEST(Strings, SemicolonLists)
{
    EXPECT_EQ(SemicolonFields("a;b;c", 2, 2), "b;c");
    EXPECT_EQ(SemicolonFields("a;b", 2, 3), "b;;");
    EXPECT_EQ(SemicolonFields("a;b;c", 3, 1), "c");
    EXPECT_EQ(SemicolonFields("a;b;c", 0, 2), "a;b");
    EXPECT_EQ(SemicolonFields("a;b;c", 1, 0), "");
    EXPECT_EQ(SemicolonCount("a;;"), 3);
    EXPECT_EQ(SemicolonCount(""), 0);

    EXPECT_TRUE(InSemicolonList("b", "a;b;c"));
    EXPECT_TRUE(InSemicolonList("a", "a"));
    EXPECT_FALSE(InSemicolonList("b", "a;bb"));
    EXPECT_FALSE(InSemicolonList("B", "a;b"));
    EXPECT_TRUE(InSemicolonList("", "a;;b"));

    EXPECT_EQ(JoinSemicolon({}), "");
    EXPECT_EQ(JoinSemicolon({"a", "", "c"}), "a;;c");
    EXPECT_EQ(SemicolonFields(JoinSemicolon({"x", "", "z"}), 1, 3), "x;;z");
}

TEST(Strings, InWordList)
{
    EXPECT_TRUE(InWordList("", ",", "x"));
    EXPECT_TRUE(InWordList(" , ", ", ", "x"));
    EXPECT_TRUE(InWordList("ab, cd", ", ", "cd"));
    EXPECT_FALSE(InWordList("ab, cd", ", ", "c"));
    EXPECT_FALSE(InWordList("ab, cd", ", ", "AB"));
}

TEST(Strings, ReplaceAll)
{
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("abc", "x", "y"), "abc");
    EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
    EXPECT_EQ(ReplaceAll("a-b-c", "-", ""), "abc");
    EXPECT_EQ(ReplaceAll("%s and %s", "%s", "%s%s"), "%s%s and %s%s");
    EXPECT_EQ(ReplaceAll("Aa", "a", "x"), "Ax");
}

TEST(Strings, FixedWidthCountsCharacters)
{
    EXPECT_EQ(PadRight("Müller", 8), "Müller  ");
    EXPECT_EQ(PadLeft("Müller", 8), "  Müller");
    EXPECT_EQ(PadRight("Müller", 2), "Mü");
    EXPECT_EQ(PadLeft("Müller", 2), "Mü");
    EXPECT_EQ(PadLeft("abc", 0), "");
    EXPECT_EQ(PadRight("abc", -3), "");
    EXPECT_EQ(Utf8Left("a\xC3", 2), "a\xC3");
    EXPECT_EQ(Utf8Length("€x"), 2u);

    EXPECT_EQ(Spaces(3), "   ");
    EXPECT_EQ(Spaces(-1), "");
    EXPECT_EQ(RepeatText("ab", 3), "ababab");
    EXPECT_EQ(RepeatText("ab", 0), "");
}

TEST(Strings, TrimAndNumbers)
{
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim("   "), "");

    EXPECT_EQ(StrToIntDef(" 42 ", 0), 42);
    EXPECT_EQ(StrToIntDef("+7", 0), 7);
    EXPECT_EQ(StrToIntDef("-2147483648", 0), -2147483648LL);
    EXPECT_EQ(StrToIntDef("2147483648", -1), -1);
    EXPECT_EQ(StrToIntDef("99999999999999999999", -1), -1);
    EXPECT_EQ(StrToIntDef("-", -1), -1);
    EXPECT_EQ(StrToIntDef("", -1), -1);
    EXPECT_EQ(StrToIntDef("12abc", -1), -1);
    EXPECT_EQ(StrToIntDef("1 2", -1), -1);
    EXPECT_EQ(IntToStr(-17), "-17");
}

TEST_F(FormatTest, FormatDateTimeLetters)
{
    TDateTime value = At(2005, 3, 6, 9, 5, 7); // a Sunday
    EXPECT_EQ(FormatDateTime("d.m.yy", value), "6.3.05");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", value), "06.03.2005");
    EXPECT_EQ(FormatDateTime("ddd, dddd", value), "So, Sonntag");
    EXPECT_EQ(FormatDateTime("mmm mmmm", value), "Mär März");
    EXPECT_EQ(FormatDateTime("h:n:s", value), "9:5:7");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", value), "09:05:07");
    EXPECT_EQ(FormatDateTime("hh:mm", value), "09:05");
    EXPECT_EQ(FormatDateTime("mm hh", value), "03 09");
    EXPECT_EQ(FormatDateTime("DD.MM.YYYY", value), "06.03.2005");
    EXPECT_EQ(FormatDateTime("'dd' \"mm\" dd", value), "dd mm 06");
    EXPECT_EQ(FormatDateTime("d 'open", value), "6 open");
    EXPECT_EQ(FormatDateTime("yyyymmddhhnnss", value), "20050306090507");
    EXPECT_EQ(FormatDateTime("yyyy", At(812, 1, 1)), "0812");

    FormatSettings().DateSeparator = "-";
    FormatSettings().TimeSeparator = "h";
    EXPECT_EQ(FormatDateTime("dd/mm hh:nn", value), "06-03 09h05");
}

TEST_F(FormatTest, FormatDateTimeOfUnusableValues)
{
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", NAN), "");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", 1e300), "");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", -1e9), "");
    // Before the calendar origin the time of day still counts forward from midnight.
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn", At(1800, 1, 1, 18, 0)), "01.01.1800 18:00");
}

TEST_F(FormatTest, FormatDateUsesLongAndShortFormat)
{
    EXPECT_EQ(FormatDate(false, At(2005, 3, 12)), "12.03.2005");
    EXPECT_EQ(FormatDate(true, At(2005, 3, 12)), "12. März 2005");
}

TEST_F(FormatTest, FormatDateRangeJoinsSharedParts)
{
    EXPECT_EQ(FormatDateRange(false, At(2005, 3, 12), At(2005, 3, 14)), "12.-14.03.2005");
    EXPECT_EQ(FormatDateRange(false, At(2005, 3, 12), At(2005, 3, 13)), "12./13.03.2005");
    EXPECT_EQ(FormatDateRange(false, At(2005, 4, 30), At(2005, 5, 2)), "30.04.-02.05.2005");
    EXPECT_EQ(FormatDateRange(false, At(2004, 12, 31), At(2005, 1, 2)), "31.12.2004-02.01.2005");
    EXPECT_EQ(FormatDateRange(false, At(2005, 3, 12), At(2005, 3, 12)), "12.03.2005");
    EXPECT_EQ(FormatDateRange(false, At(2005, 3, 14), At(2005, 3, 12)), "");
    // Times of day do not make one day into a range, nor a range backwards.
    EXPECT_EQ(FormatDateRange(false, At(2005, 3, 12, 18), At(2005, 3, 12, 9)), "12.03.2005");
    EXPECT_EQ(FormatDateRange(false, At(2005, 3, 12, 18), At(2005, 3, 13, 9)), "12./13.03.2005");

    EXPECT_EQ(FormatDateRange(true, At(2005, 3, 12), At(2005, 3, 14)), "12. - 14. März 2005");
    EXPECT_EQ(FormatDateRange(true, At(2005, 4, 30), At(2005, 5, 1)), "30. April / 1. Mai 2005");

    // A format that leaves several blanks behind once its month and year are removed.
    FormatSettings().LongDateFormat = "d.  mmmm  yyyy";
    EXPECT_EQ(FormatDateRange(true, At(2005, 3, 12), At(2005, 3, 14)), "12. - 14. März 2005");

    FormatSettings().ShortDateFormat = "dd/mm/yyyy";
    FormatSettings().DateSeparator = "-";
    EXPECT_EQ(FormatDateRange(false, At(2005, 3, 12), At(2005, 4, 14)), "12-03--14-04-2005");
}

TEST_F(FormatTest, FixSeparatorsReplacesBlanksOnly)
{
    FormatSettings().TimeSeparator = " ";
    FormatSettings().DateSeparator = "";
    FixSeparators();
    EXPECT_EQ(FormatSettings().TimeSeparator, ":");
    EXPECT_EQ(FormatSettings().DateSeparator, ".");

    FormatSettings().TimeSeparator = "h";
    FormatSettings().DateSeparator = "/";
    FixSeparators();
    EXPECT_EQ(FormatSettings().TimeSeparator, "h");
    EXPECT_EQ(FormatSettings().DateSeparator, "/");
}

namespace {

class TRecordingHandler : public IKvnMessageHandler {
public:
    bool AskYesNo(const std::string& caption, const std::string& question) override
    {
        Calls.push_back(caption + "|" + question);
        return Answer;
    }
    bool ShowMessageBox(const std::string& caption, const std::string& text, bool warning, bool withCancel) override
    {
        Calls.push_back(caption + "|" + text + "|" + (warning ? "w" : "-") + (withCancel ? "c" : "-"));
        return Answer;
    }
    std::vector<std::string> Calls;
    bool Answer = false;
};

} // namespace

TEST(Messages, BoxesGoToTheInstalledHandlerWithTheTitle)
{
    // The title is process-wide: another test may have set it already, so it is put back as found.
    const std::string title = ApplicationTitle();
    EXPECT_FALSE(title.empty());
    TRecordingHandler handler;
    IKvnMessageHandler* previous = SetMessageHandler(&handler);
    SetApplicationTitle("Test");
    EXPECT_FALSE(AskYesNo("Go?"));
    handler.Answer = true;
    EXPECT_TRUE(ShowMessageBox("Careful", true, true));
    EXPECT_TRUE(ShowMessageBox("Note"));
    EXPECT_EQ(handler.Calls, (std::vector<std::string>{"Test|Go?", "Test|Careful|wc", "Test|Note|--"}));

    EXPECT_EQ(SetMessageHandler(previous), &handler);
    SetApplicationTitle(title);
}

TEST(Messages, WithoutHandlerNoIsAnsweredAndTextsGoToStandardError)
{
    IKvnMessageHandler* previous = SetMessageHandler(nullptr);
    EXPECT_FALSE(AskYesNo("Delete everything?"));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(ShowMessageBox("File not found", true, true));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("File not found"), std::string::npos);
    SetMessageHandler(previous);
}
