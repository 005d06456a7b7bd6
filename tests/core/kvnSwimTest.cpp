#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "kvnNations.h"
#include "kvnSwim.h"
#include "kvnSwimLang.h"

using namespace kvn;

namespace {

std::string EnglishText(std::string_view section, int n, int field)
{
    if (section != "S" || field != 0) return "";
    switch (n) {
    case 1:
        return "Indiv.;4 x;5 x;8 x;10 x;2 x;3 x;6 x";
    case 2:
        return "Freestyle;Butterfly;Backstroke;Breaststroke;Individual Medley;Kick;Free";
    case 3:
        return "Men;Women;mixed";
    case 7:
        return "open;Open/Senior";
    case 9:
        return "%s years;AG.  %s";
    case 10:
        return "%d years and less;AG. %d and less";
    case 11:
        return "%d years and more;AG. %d and more";
    case 28:
        return "Freestyle Relay;Butterfly Relay;Backstroke Relay;Breaststroke Relay;Medley Relay;Kick;Free";
    case 29:
        return "%d. team";
    case 40:
        return "Heats;Swim-off;Semi-final;Final";
    default:
        return "";
    }
}

// Every test reads the English vocabulary and leaves the process-wide one as it found it.
class Swim : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSaved = SwimVocabulary();
        LoadVocabulary(EnglishText);
    }
    void TearDown() override { SwimVocabulary() = fSaved; }

private:
    TSwimVocabulary fSaved;
};

} // namespace

TEST_F(Swim, EventTextFromAnEventsOwnValues)
{
    EXPECT_EQ(EventTextOf(4, 100, "FR"), "4 x 100m Freestyle Relay");
    EXPECT_EQ(EventTextOf(1, 1500, "fr"), "1500m Freestyle");
    EXPECT_EQ(EventText(RelayPosition(1), DistancePosition(200), StrokePosition("IM")), "200m Individual Medley");
    EXPECT_EQ(EventTextOf(2, 50, "bk"), "2 x 50m Backstroke Relay");
}

TEST_F(Swim, StrokeCodesInAnyCaseWithUmlauts)
{
    EXPECT_EQ(StrokePosition("R\xC3\x9C"), 2); // RÜ
    EXPECT_EQ(StrokePosition("r\xC3\xBC"), 2); // rü
    EXPECT_EQ(StrokePosition("R\xC3\xBC"), 2); // Rü
    EXPECT_EQ(StrokePosition("RU"), -1);
    EXPECT_EQ(StrokePosition("4n"), 4);
    EXPECT_EQ(StrokePosition("pe"), 5);
    EXPECT_EQ(StrokePosition(""), -1);
    EXPECT_EQ(StrokePosition("XYZ"), -1);
    EXPECT_EQ(EventTextOf(1, 100, "r\xC3\xBC"), "100m Backstroke");
}

TEST_F(Swim, UnknownStrokeReadsAsTheFirstStrokeName)
{
    EXPECT_EQ(EventTextOf(1, 100, "XYZ"), "100m Freestyle");
    EXPECT_EQ(EventTextOf(4, 100, "XYZ"), "4 x 100m Freestyle Relay");
    EXPECT_EQ(StrokeText(-1, false), "Freestyle");
    EXPECT_EQ(StrokeText(7, false), "");
}

TEST_F(Swim, UnknownRelayCountGivesAnIndividualEvent)
{
    EXPECT_EQ(RelayPosition(7), -1);
    EXPECT_EQ(EventTextOf(7, 100, "BR"), "100m Breaststroke");
    EXPECT_EQ(RelayText(-1), "");
    EXPECT_EQ(RelayText(0), "");
    EXPECT_EQ(RelayPosition(2), 5);
    EXPECT_EQ(RelayText(5), "2 x ");
    EXPECT_EQ(RelayCount(7), 6);
    EXPECT_EQ(RelayCount(8), 0);
}

TEST_F(Swim, DistancesOutsideTheTable)
{
    EXPECT_EQ(DistancePosition(33), 15);
    EXPECT_EQ(DistancePosition(150), -1);
    // By position, a missing distance falls back to the first table entry ...
    EXPECT_EQ(EventText(0, -1, 0), "25m Freestyle");
    // ... while the event's own distance is shown as it is.
    EXPECT_EQ(EventTextOf(1, 150, "FR"), "150m Freestyle");
    EXPECT_EQ(DistanceText(DistancePosition(1650), "y"), "1650y");
    EXPECT_EQ(DistanceText(18, "m"), "m");
    EXPECT_EQ(Distance(17), 133);
}

TEST_F(Swim, AgeGroupsOpenOnOneSide)
{
    EXPECT_EQ(AgeGroupText(0, 99), "Open/Senior");
    EXPECT_EQ(AgeGroupText(0, 999), "Open/Senior");
    EXPECT_EQ(AgeGroupText(0, 0), "-");
    EXPECT_EQ(AgeGroupText(11, 14), "11 - 14 years");
    EXPECT_EQ(AgeGroupText(12, 12), "12 years");
    EXPECT_EQ(AgeGroupText(15, 99), "15 years and more");
    EXPECT_EQ(AgeGroupText(0, 10), "10 years and less");
}

TEST_F(Swim, AgeGroupsOfAgeSumsUseTheirOwnWording)
{
    EXPECT_EQ(AgeGroupText(100, 119), "AG.  100 - 119");
    EXPECT_EQ(AgeGroupText(120, 159), "AG.  120 - 159");
    EXPECT_EQ(AgeGroupText(100, 100), "AG.  100");
    EXPECT_EQ(AgeGroupText(280, 999), "AG. 280 and more");
    EXPECT_EQ(AgeGroupText(0, 119), "AG. 119 and less");
    EXPECT_EQ(AgeGroupText(20, 118), "20 - 118 years");
}

TEST_F(Swim, RoundNamesByEventType)
{
    EXPECT_EQ(RoundName("FIN"), "Final");
    EXPECT_EQ(RoundName("sem"), "Semi-final");
    EXPECT_EQ(RoundName("sof"), "Swim-off");
    EXPECT_EQ(RoundName("SOS"), "Swim-off");
    EXPECT_EQ(RoundName("Pre"), "Heats");
    EXPECT_EQ(RoundName("TIM"), "");
    EXPECT_EQ(RoundName("SEM-PRE"), "");
    EXPECT_EQ(RoundName(""), "");
}

TEST_F(Swim, TeamsAndGenders)
{
    EXPECT_EQ(TeamText(2), "2. team");
    EXPECT_EQ(GenderName(0), "Men");
    EXPECT_EQ(GenderName(1), "Women");
    EXPECT_EQ(GenderName(2), "mixed");
    EXPECT_EQ(GenderName(3), "");
}

TEST_F(Swim, LanguageFormatsCannotReadMissingValues)
{
    // Language files are edited by hand: extra or mistyped conversions must not reach for arguments.
    SwimVocabulary().NumberedTeam = "%s/%d %x 100%% team %";
    EXPECT_EQ(TeamText(3), "3/ %x 100% team %");
    SwimVocabulary().NumberedTeam = "Team %-3d|%3s|";
    EXPECT_EQ(TeamText(7), "Team 7  |   |");
    SwimVocabulary().NumberedTeam = "%999999999999d";
    EXPECT_LE(TeamText(1).size(), 64u);
    SwimVocabulary().AgeRange = "%d";
    EXPECT_EQ(AgeGroupText(11, 14), "11 - 14");
}

TEST_F(Swim, LoadVocabularyAsksForSectionSAndEmptiesWhatIsMissing)
{
    std::set<int> asked;
    LoadVocabulary([&](std::string_view section, int n, int field) {
        EXPECT_EQ(section, "S");
        EXPECT_EQ(field, 0);
        asked.insert(n);
        return n == 3 ? std::string("M;F;X") : std::string();
    });
    EXPECT_EQ(asked, (std::set<int>{1, 2, 3, 7, 9, 10, 11, 28, 29, 40}));
    EXPECT_EQ(GenderName(1), "F");
    EXPECT_EQ(RoundName("FIN"), "");
    EXPECT_EQ(EventTextOf(1, 100, "FR"), "100m ");
    EXPECT_EQ(AgeGroupText(0, 0), "-");
}

TEST_F(Swim, FailingSourceKeepsThePreviousVocabulary)
{
    EXPECT_THROW(LoadVocabulary([](std::string_view, int n, int) -> std::string {
                     if (n == 28) throw std::runtime_error("unreadable");
                     return "x";
                 }),
                 std::runtime_error);
    EXPECT_EQ(StrokeText(0, false), "Freestyle");
}

TEST(Nations, CodesAreUniqueAndInImageOrder)
{
    auto codes = NationCodes();
    ASSERT_EQ(codes.size(), 42u);
    EXPECT_EQ(codes.front(), "SUI");
    EXPECT_EQ(codes[34], "YUG");
    EXPECT_EQ(codes.back(), "SUI_SKBE");
    EXPECT_EQ(std::set<std::string_view>(codes.begin(), codes.end()).size(), codes.size());
}

TEST(Nations, LookupIgnoresLetterCaseAndSkipsBrokenLines)
{
    std::vector<std::string> list = {
        "broken", "SUI=0", "GER=x", "GER=1", "SUI_LN=5", "\xC3\x96ST=6", NationListLine("a=b", 7)};
    EXPECT_EQ(FindNationImage(list, "ger"), 1);
    EXPECT_EQ(FindNationImage(list, "sui_ln"), 5);
    EXPECT_EQ(FindNationImage(list, "\xC3\xB6st"), 6); // ÖST in lower case
    EXPECT_EQ(FindNationImage(list, "A=B"), 7);
    EXPECT_EQ(FindNationImage(list, "SUI_"), -1);
    EXPECT_EQ(FindNationImage(list, "broken"), -1);
    EXPECT_EQ(FindNationImage(list, ""), -1);
}
