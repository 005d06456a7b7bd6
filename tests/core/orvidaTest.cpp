#include "orvida.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"
#include "kvnSwimLang.h"
#include "testSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kvn;
using kvntest::TTempDir;

namespace {

// A document test with the shipped English vocabulary loaded.
class Document : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSavedExecutable = ExecutablePath();
        fSavedVocabulary = SwimVocabulary();
        std::filesystem::copy_file(std::string(VELTRO_SOURCE_DIR) + "/resources/lang/veltro.xus",
                                   fDir.File("veltro.xus"));
        SetExecutablePath(fDir.File("veltro"));
        TLanguage language;
        ASSERT_TRUE(language.LoadLanguage(3, false));
        LoadVocabulary(
            [&language](std::string_view section, int n, int field) { return language.GetText(section, n, field); });
    }

    void TearDown() override
    {
        SwimVocabulary() = fSavedVocabulary;
        SetExecutablePath(fSavedExecutable);
    }

    void Load(const std::string& content)
    {
        fDocument.LoadFromFile(fDir.Write("meet.ovf", content));
        ASSERT_NE(fDocument.Root(), nullptr);
    }

    // One competition around the given sessions and clubs.
    static std::string Meet(const std::string& competitionContent)
    {
        return "<ORVIDA><VERSION>01.02.0004</VERSION><CONSTRUCTOR><NAME>X</NAME><VERSION>1.0</VERSION></CONSTRUCTOR>"
               "<COMPETITIONS><COMPETITION>" +
               competitionContent + "</COMPETITION></COMPETITIONS></ORVIDA>";
    }

    TTempDir fDir;
    TOrvida fDocument;
    std::string fSavedExecutable;
    TSwimVocabulary fSavedVocabulary;
};

const std::string kSession2004 = "<PERIODS><PERIOD><NUM>1</NUM><DATE>20040612</DATE><EVENTS>"
                                 "<EVENT id=\"7\"><NUM>1</NUM><DISCNT>4</DISCNT><DIS>100</DIS><STR>F</STR>"
                                 "<CATS><CAT id=\"3\"><MIN>1990</MIN><MAX>1993</MAX></CAT>"
                                 "<CAT id=\"12\"><MIN>-1</MIN><MAX>-1</MAX></CAT></CATS></EVENT>"
                                 "<EVENT id=\"8\"><NUM>2</NUM><STR>XX</STR><NAME>Team relay</NAME></EVENT>"
                                 "</EVENTS></PERIOD></PERIODS>";

} // namespace

TEST_F(Document, MessagesWithAndWithoutPosition)
{
    fDocument.AddMessage("Bare", 0, false);
    fDocument.AddMessage("Placed", 12, true);
    EXPECT_EQ(fDocument.Errors(), std::vector<std::string>{"Bare"});
    EXPECT_EQ(fDocument.Warnings(), std::vector<std::string>{"Line 12: Placed"});
}

TEST_F(Document, IndexesFillDefaultsAndFindThings)
{
    Load(Meet(kSession2004 + "<CLUBS><CLUB><NAME>SV</NAME><PERSONS><PERSON id=\"5\"><NAME>Muster</NAME>"
                             "<FNAME>Hans</FNAME><YOB>1987</YOB><RESULTS><RESULT/></RESULTS></PERSON></PERSONS>"
                             "<RELAYS><RELAY><NUM>2</NUM><SEX>F</SEX><ENTRIES><ENTRY/></ENTRIES></RELAY></RELAYS>"
                             "</CLUB><CLUB><NAME>Empty</NAME></CLUB></CLUBS>"));
    fDocument.BuildIndexes();
    EXPECT_TRUE(fDocument.Errors().empty());
    fDocument.SelectCompetition(0);
    TOrvObject* competition = fDocument.Competition();
    ASSERT_NE(competition, nullptr);
    EXPECT_EQ(competition->ChildInt(otPL), 50);
    EXPECT_EQ(competition->ChildText(otPM), "m");
    EXPECT_EQ(competition->ChildText(otTI), "A");
    EXPECT_EQ(competition->Flags(), 1 | 2 | 8 | 16);

    TOrvObject* event = fDocument.FindEvent(8);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->ChildInt(otDISCNT), 1);
    EXPECT_EQ(event->ChildText(otSEX), "X");
    EXPECT_EQ(event->ChildText(otTYPE), "TIM");
    EXPECT_EQ(fDocument.FindEvent(9), nullptr);
    ASSERT_NE(fDocument.FindPerson(5), nullptr);
    EXPECT_EQ(fDocument.ParticipantTitle(*fDocument.FindPerson(5), true), "Muster Hans, 87");

    // Key "7=12" sorts before "7=3", so age group 0 falls back to category 12.
    EXPECT_EQ(fDocument.FindCategory(7, 0)->Id(), 12);
    EXPECT_EQ(fDocument.FindCategory(7, 3)->Id(), 3);
    EXPECT_EQ(fDocument.FindCategory(7, 4), nullptr);
    EXPECT_EQ(fDocument.FindCategory(8, 0), nullptr);

    // A club without persons gets an empty collection.
    auto clubs = CollectionItems(*competition, otCLUBS);
    ASSERT_EQ(clubs.size(), 2u);
    EXPECT_TRUE(clubs[1]->Contains(otPERSONS));
    EXPECT_EQ(clubs[0]->Flags(), 1 | 2 | 8 | 16);
}

TEST_F(Document, TitlesOfEventsAgeGroupsAndParticipants)
{
    Load(Meet(kSession2004));
    fDocument.BuildIndexes();
    fDocument.SelectCompetition(0);
    EXPECT_EQ(fDocument.Year(), 2004);
    TOrvObject* relay = fDocument.FindEvent(7);
    EXPECT_EQ(fDocument.EventTitle(*relay, nullptr), "4 x 100m Freestyle Relay");
    EXPECT_EQ(fDocument.CategoryTitle(fDocument.FindCategory(7, 3)), "11 - 14 years");
    EXPECT_EQ(fDocument.EventTitle(*relay, fDocument.FindCategory(7, 12)), "4 x 100m Freestyle Relay, Open/Senior");
    EXPECT_EQ(fDocument.EventTitle(*fDocument.FindEvent(8), nullptr), "Team relay");
    EXPECT_EQ(fDocument.CategoryTitle(nullptr), "Open/Senior");
}

TEST_F(Document, PoolUnitReplacesTheMetre)
{
    Load(Meet("<PM>y</PM>" + kSession2004));
    fDocument.BuildIndexes();
    fDocument.SelectCompetition(0);
    EXPECT_EQ(fDocument.PoolUnit(), "y");
    EXPECT_EQ(fDocument.EventTitle(*fDocument.FindEvent(7), nullptr), "4 x 100y Freestyle Relay");
    // A title the file names itself has no unit to replace: its letters stay as written.
    EXPECT_EQ(fDocument.EventTitle(*fDocument.FindEvent(8), nullptr), "Team relay");
}

TEST_F(Document, ParticipantTitles)
{
    Load(Meet("<CLUBS><CLUB><PERSONS><PERSON id=\"1\"><NAME>Muster</NAME><FNAME>Eva</FNAME><YOB>2005</YOB></PERSON>"
              "</PERSONS><RELAYS><RELAY><NUM>2</NUM><SEX>F</SEX></RELAY><RELAY><NAME>Team A</NAME><SEX>M</SEX>"
              "</RELAY></RELAYS></CLUB></CLUBS>"));
    fDocument.BuildIndexes();
    fDocument.SelectCompetition(0);
    EXPECT_EQ(fDocument.ParticipantTitle(*fDocument.FindPerson(1), false), "Muster Eva, 05");
    auto relays = CollectionItems(*CollectionItems(*fDocument.Competition(), otCLUBS)[0], otRELAYS);
    EXPECT_EQ(fDocument.ParticipantTitle(*relays[0], true), "2. team, Women");
    EXPECT_EQ(fDocument.ParticipantTitle(*relays[1], true), "Team A, Men");
    EXPECT_EQ(fDocument.ParticipantTitle(*relays[1], false), "Team A");
}

TEST_F(Document, DuplicateIdsAreErrorsPerCompetition)
{
    std::string events = "<PERIODS><PERIOD><EVENTS><EVENT id=\"5\"/>\n<EVENT id=\"5\"/></EVENTS></PERIOD></PERIODS>";
    Load("<ORVIDA><VERSION>01.02.0004</VERSION><COMPETITIONS><COMPETITION>" + events +
         "</COMPETITION><COMPETITION><PERIODS><PERIOD><EVENTS><EVENT id=\"5\"/></EVENTS></PERIOD></PERIODS>"
         "<CLUBS><CLUB><PERSONS><PERSON/><PERSON/></PERSONS></CLUB></CLUBS></COMPETITION></COMPETITIONS></ORVIDA>");
    fDocument.BuildIndexes();
    ASSERT_EQ(fDocument.Errors().size(), 2u);
    EXPECT_EQ(fDocument.Errors()[0], "Line 9: Duplicate EVENT id !");
    EXPECT_NE(fDocument.Errors()[1].find("Duplicate PERSON id !"), std::string::npos);
    EXPECT_EQ(fDocument.CompetitionCount(), 2);
}

TEST_F(Document, SessionWithoutDateMakesFirstDateZero)
{
    Load(Meet("<PERIODS><PERIOD><DATE>20050312</DATE></PERIOD><PERIOD/></PERIODS>"));
    fDocument.BuildIndexes();
    fDocument.SelectCompetition(0);
    EXPECT_EQ(fDocument.FirstDate(), 0);
    EXPECT_EQ(fDocument.LastDate(), EncodeDate(2005, 3, 12));
    EXPECT_EQ(fDocument.Year(), 2005);
}

TEST_F(Document, SelectingAMissingCompetitionSelectsNothing)
{
    Load(Meet(""));
    fDocument.BuildIndexes();
    fDocument.SelectCompetition(3);
    EXPECT_EQ(fDocument.Competition(), nullptr);
    EXPECT_EQ(fDocument.PoolUnit(), "m");
    EXPECT_EQ(fDocument.FindEvent(0), nullptr);
}

TEST_F(Document, FileInfoText)
{
    Load(Meet(""));
    EXPECT_EQ(fDocument.FileInfoText(), "ORVIDA version 01.02.0004 created with :\r\nX, version 1.0");
    Load("<ORVIDA/>");
    EXPECT_EQ(fDocument.FileInfoText(), "ORVIDA version  created with :\r\n, version ");
    EXPECT_EQ(fDocument.FileName(), "meet.ovf");
}

#if !defined(__SANITIZE_ADDRESS__)
// The address space of a child process is limited to what it uses already, so that the tree cannot even reserve
// its memory: loading must end with an error, not with the process.
TEST_F(Document, LoadingWithoutMemoryForTheTreeIsAnErrorOfTheFile)
{
    std::string path = fDir.Write("meet.ovf", "<ORVIDA><VERSION>01.10.0000</VERSION></ORVIDA>");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::size_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (4u << 20);
        setrlimit(RLIMIT_AS, &limit);
        TOrvida document;
        document.LoadFromFile(path);
        bool reported = document.Root() == nullptr && document.Errors().size() == 1 &&
                        document.Errors()[0] == "Not enough memory to read the file !";
        _exit(reported ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    Load("<ORVIDA><VERSION>01.10.0000</VERSION></ORVIDA>"); // with memory, the same file reads
    EXPECT_NE(fDocument.Root(), nullptr);
    EXPECT_TRUE(fDocument.Errors().empty());
}
#endif
