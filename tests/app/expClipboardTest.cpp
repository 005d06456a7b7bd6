#include "expClipboard.h"
#include "eventsBrowser.h"
#include "guiTestSupport.h"
#include "kvnMessages.h"
#include "kvnSwim.h"
#include "participantsBrowser.h"
#include "treeExport.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QTreeWidget>

#include <array>
#include <cstdio>
#include <map>
#include <sys/wait.h>

using namespace kvn;
using namespace veltro;
using veltrotest::Meet;
using veltrotest::TProgramFolder;

namespace {

std::string Session(const std::string& events)
{
    return "<PERIODS><PERIOD><NUM>1</NUM><DATE>20240601</DATE><EVENTS>" + events + "</EVENTS></PERIOD></PERIODS>";
}

std::string Event(int id, int num, const std::string& more)
{
    return "<EVENT id=\"" + std::to_string(id) + "\"><NUM>" + std::to_string(num) + "</NUM><STR>F</STR><SEX>M</SEX>" +
           more + "</EVENT>";
}

std::string Person(int id, const std::string& name, const std::string& content = "")
{
    return "<PERSON id=\"" + std::to_string(id) + "\"><NAME>" + name + "</NAME><FNAME>A</FNAME><YOB>1990</YOB>" +
           content + "</PERSON>";
}

std::string Swim(const std::string& kind, int event, const std::string& time, const std::string& more = "")
{
    return "<" + kind + "><EID>" + std::to_string(event) + "</EID><TIME>" + time + "</TIME>" + more + "</" + kind + ">";
}

std::string Results(const std::string& items)
{
    return "<RESULTS>" + items + "</RESULTS>";
}

std::string Clubs(const std::string& persons, const std::string& relays = "")
{
    return "<CLUBS><CLUB><NAME>SV Nord</NAME><PERSONS>" + persons + "</PERSONS><RELAYS>" + relays +
           "</RELAYS></CLUB></CLUBS>";
}

// A file opened as the window would show it, without a window.
class Copy : public ::testing::Test {
protected:
    void Open(const std::string& xml)
    {
        std::string message;
        ASSERT_EQ(fMeet.Open(fFolder.Write("meet.ovf", xml), 0, message), 0) << message;
    }

    QTreeWidgetItem* EventNode(int number, int ageGroup = 0)
    {
        return FindEventNode(fMeet.EventsTree(), number, ageGroup);
    }

    std::string EventText(int number, TCopyOptions options = {})
    {
        return CopyEventList(EventNode(number), fMeet.Events(), fMeet.Document(), options);
    }

    std::string Title(int number) { return EventNode(number)->text(0).toStdString() + "\r\n"; }

    TProgramFolder fFolder;
    TOffscreenMeet fMeet;
};

// A 4 x 50 m relay of four members with a split at every pool length.
std::string RelayMeet(int poolLength)
{
    std::string positions, splits, persons;
    for (int leg = 1; leg <= 4; ++leg) {
        positions +=
            "<POSITION><NUM>" + std::to_string(leg) + "</NUM><PID>" + std::to_string(leg) + "</PID></POSITION>";
        persons += Person(leg, "Swimmer" + std::to_string(leg));
    }
    // Legs of 30.00, 30.50, 30.50 and 31.00 s, every 25 m in 15 s except the last length of legs 2 to 4.
    const std::map<int, int> hundredths{{25, 1500},  {50, 3000},  {75, 4500},   {100, 6050},
                                        {125, 7550}, {150, 9100}, {175, 10600}, {200, 12200}};
    for (int distance = poolLength; distance <= 200; distance += poolLength) {
        int value = hundredths.at(distance);
        char time[32];
        std::snprintf(time, sizeof time, "V00:%02d:%02d.%02d", value / 6000, value / 100 % 60, value % 100);
        splits += "<SPLIT dis=\"" + std::to_string(distance) + "\">" + time + "</SPLIT>";
    }
    std::string relay = "<RELAY><NUM>1</NUM><NAME>Team</NAME>" +
                        Results("<RESULT><EID>9</EID><RANK>1</RANK><TIME>V00:02:02.00</TIME><POSITIONS>" + positions +
                                "</POSITIONS><SPLITS>" + splits + "</SPLITS></RESULT>") +
                        "</RELAY>";
    std::string xml = Meet(Session(Event(9, 2, "<DISCNT>4</DISCNT><DIS>50</DIS>")) + Clubs(persons, relay));
    std::string pool = "<PL>" + std::to_string(poolLength) + "</PL>";
    return xml.replace(xml.find("<PL>50</PL>"), 11, pool);
}

std::string RunVeltro(const std::string& arguments)
{
    std::string output;
    FILE* pipe = popen((std::string(VELTRO_EXE) + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe) return output;
    std::array<char, 4096> chunk;
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;)
        output.append(chunk.data(), got);
    int status = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << arguments;
    return output;
}

// Records message boxes instead of showing them; questions are answered with "no".
class TQuietBoxes : public IKvnMessageHandler {
public:
    TQuietBoxes() : fPrevious(SetMessageHandler(this)) {}
    ~TQuietBoxes() override { SetMessageHandler(fPrevious); }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool ShowMessageBox(const std::string&, const std::string&, bool, bool) override { return true; }

private:
    IKvnMessageHandler* fPrevious;
};

} // namespace

TEST_F(Copy, ResultListHasATitleAndOneLinePerResultWithEmptyFieldsKept)
{
    Open(Meet(
        Session(Event(7, 1, "<DIS>100</DIS>")) +
        Clubs(Person(1, "Fast", Results(Swim("RESULT", 7, "V00:00:58.12", "<RANK>1</RANK>"))) +
              Person(2, "Unranked", Results(Swim("RESULT", 7, "V00:01:00.00"))) +
              Person(3, "Slow", Results(Swim("RESULT", 7, "I00:01:02.30", "<RANK>2</RANK><COMMENT>hand</COMMENT>"))))));
    EXPECT_EQ(EventText(1), Title(1) +
                                "\t1.\tFast A, 90\tSV Nord\t   58.12\r\n"
                                "\t2.\tSlow A, 90\tSV Nord\t\thand\r\n" // a time that is not valid is not exported
                                "\t\tUnranked A, 90\tSV Nord\t 1:00.00\r\n");
    // The only-valid filter drops the line whose time is not valid.
    EXPECT_EQ(EventText(1, {false, true}), Title(1) + "\t1.\tFast A, 90\tSV Nord\t   58.12\r\n"
                                                      "\t\tUnranked A, 90\tSV Nord\t 1:00.00\r\n");
}

TEST_F(Copy, LineWithoutValidTimeAndCommentEndsAfterTheClub)
{
    Open(Meet(Session(Event(7, 1, "<DIS>100</DIS>")) +
              Clubs(Person(1, "Late", Results(Swim("RESULT", 7, "L00:01:09.00", "<RANK>3</RANK>"))))));
    EXPECT_EQ(EventText(1), Title(1) + "\t3.\tLate A, 90\tSV Nord\r\n");
}

TEST_F(Copy, EntriesAreFilteredByTheOnlyValidBox)
{
    Open(Meet(Session(Event(7, 1, "<DIS>100</DIS>")) +
              Clubs(Person(1, "Entered", "<ENTRIES>" + Swim("ENTRY", 7, "E00:01:05.00") + "</ENTRIES>"))));
    EXPECT_EQ(EventText(1), Title(1) + "\t\tEntered A, 90\tSV Nord\r\n");
    EXPECT_EQ(EventText(1, {false, true}), Title(1));
}

TEST_F(Copy, AgeGroupTitleNamesTheEventToo)
{
    std::string cats =
        "<CATS><CAT id=\"1\"><MIN>2000</MIN></CAT><CAT id=\"2\"><MIN>1980</MIN><MAX>1999</MAX></CAT></CATS>";
    Open(Meet(Session(Event(7, 1, "<DIS>100</DIS>" + cats)) +
              Clubs(Person(1, "Grouped", Results(Swim("RESULT", 7, "V00:01:00.00", "<CID>2</CID><RANK>1</RANK>"))))));
    QTreeWidgetItem* group = EventNode(1, 1);
    ASSERT_NE(group, nullptr);
    std::string text = CopyEventList(group, fMeet.Events(), fMeet.Document(), {});
    EXPECT_EQ(text, EventNode(1)->text(0).toStdString() + ", " + group->text(0).toStdString() +
                        "\r\n\t1.\tGrouped A, 90\tSV Nord\t 1:00.00\r\n");
    // A session has no list to copy.
    EXPECT_EQ(CopyEventList(fMeet.EventsTree().topLevelItem(0), fMeet.Events(), fMeet.Document(), {}), "");
}

TEST_F(Copy, FiveSplitsFillTwoColumnsOfThreeRows)
{
    std::string splits = "<SPLITS><SPLIT dis=\"150\">V00:01:30.00</SPLIT><SPLIT dis=\"50\">V00:00:29.00</SPLIT>"
                         "<SPLIT dis=\"100\">V00:01:00.50</SPLIT><SPLIT dis=\"200\">V00:02:01.00</SPLIT>"
                         "<SPLIT dis=\"250\">I00:02:31.00</SPLIT></SPLITS>";
    Open(Meet(Session(Event(7, 1, "<DIS>250</DIS>")) +
              Clubs(Person(1, "Split", Results(Swim("RESULT", 7, "V00:02:31.00", "<RANK>1</RANK>" + splits))))));
    // Sorted by distance; the split that is not valid keeps its label and empty fields.
    EXPECT_EQ(EventText(1, {true, false}), Title(1) + "\t1.\tSplit A, 90\tSV Nord\t 2:31.00\r\n"
                                                      "\t50m:\t   29.00\t(29.00)\t200m:\t 2:01.00\t(31.00)\r\n"
                                                      "\t100m:\t 1:00.50\t(31.50)\t250m:\t\t\r\n"
                                                      "\t150m:\t 1:30.00\t(29.50)\r\n");
}

TEST_F(Copy, RelayOnA50mPoolHasOneRowPerMemberWithTheLegTime)
{
    Open(RelayMeet(50));
    EXPECT_EQ(EventText(2, {true, false}), Title(2) + "\t1.\tTeam\tSV Nord\t 2:02.00\r\n"
                                                      "Swimmer1 A, 90\t   30.00\t50m:\t   30.00\t(30.00)\r\n"
                                                      "\tSwimmer2 A, 90\t   30.50\t100m:\t 1:00.50\t(30.50)\r\n"
                                                      "\tSwimmer3 A, 90\t   30.50\t150m:\t 1:31.00\t(30.50)\r\n"
                                                      "\tSwimmer4 A, 90\t   31.00\t200m:\t 2:02.00\t(31.00)\r\n");
}

TEST_F(Copy, RelayOnA25mPoolPutsLegTimesOnTheRowsBetweenTheMembers)
{
    Open(RelayMeet(25));
    EXPECT_EQ(EventText(2, {true, false}), Title(2) + "\t1.\tTeam\tSV Nord\t 2:02.00\r\n"
                                                      "Swimmer1 A, 90\t\t25m:\t   15.00\t(15.00)\r\n"
                                                      "\t\t   30.00\t50m:\t   30.00\t(15.00)\r\n"
                                                      "\tSwimmer2 A, 90\t\t75m:\t   45.00\t(15.00)\r\n"
                                                      "\t\t   30.50\t100m:\t 1:00.50\t(15.50)\r\n"
                                                      "\tSwimmer3 A, 90\t\t125m:\t 1:15.50\t(15.00)\r\n"
                                                      "\t\t   30.50\t150m:\t 1:31.00\t(15.50)\r\n"
                                                      "\tSwimmer4 A, 90\t\t175m:\t 1:46.00\t(15.00)\r\n"
                                                      "\t\t   31.00\t200m:\t 2:02.00\t(16.00)\r\n");
}

TEST_F(Copy, RelayWithoutUsablePoolLengthFallsBackToTheSplitList)
{
    std::string xml = RelayMeet(50);
    xml.replace(xml.find("<PL>50</PL>"), 11, "<PL>0</PL>");
    Open(xml);
    std::string text = EventText(2, {true, false});
    EXPECT_NE(text.find("\t50m:\t   30.00\t(30.00)\t150m:\t 1:31.00\t(30.50)\r\n"), std::string::npos) << text;
}

TEST_F(Copy, ParticipantListShowsEventRoundAndRankAndSkipsInvalidWithTheFilter)
{
    std::string events = Event(1, 1,
                               "<DIS>100</DIS><TYPE>FIN</TYPE><CATS><CAT id=\"1\"><MIN>1980</MIN></CAT>"
                               "<CAT id=\"2\"><MIN>2000</MIN></CAT></CATS>") +
                         Event(2, 2, "<DIS>50</DIS><TYPE>TIM</TYPE>") + Event(3, 3, "<DIS>200</DIS><TYPE>PRE</TYPE>");
    std::string results = Swim("RESULT", 3, "V00:02:10.00", "<RANK>3</RANK><COMMENT>DSQ</COMMENT>") +
                          Swim("RESULT", 2, "I00:00:31.00", "<COMMENT>hand</COMMENT>") +
                          Swim("RESULT", 1, "V00:01:01.00", "<CID>1</CID><RANK>1</RANK>") +
                          Swim("RESULT", 99, "V00:01:10.00", "<RANK>2</RANK>");
    Open(Meet(Session(events) + Clubs(Person(1, "Rounds", Results(results)))));
    std::vector<QTreeWidgetItem*> nodes = FindParticipantNodes(fMeet.ClubsTree(), "Rounds A, 90");
    ASSERT_EQ(nodes.size(), 1u);
    const TOrvida& document = fMeet.Document();
    std::string final = document.EventTitle(*document.FindEvent(1), nullptr);
    std::string group = document.CategoryTitle(document.FindCategory(1, 1));
    std::string heats = document.EventTitle(*document.FindEvent(3), nullptr);
    std::string timed = document.EventTitle(*document.FindEvent(2), nullptr);
    std::string heatsRound = "(" + RoundName(*document.FindEvent(3)) + ")";
    std::string finalRound = "(" + RoundName(*document.FindEvent(1)) + ")";
    // File order; the round stands before the comment except in a timed final; an unknown event leaves its fields
    // empty.
    EXPECT_EQ(CopyParticipantList(nodes[0], document, {}), "Rounds A, 90\r\n"
                                                           "\t3\t" +
                                                               heats + "\t\t 2:10.00\t3.\t" + heatsRound +
                                                               ",  DSQ\r\n"
                                                               "\t2\t" +
                                                               timed +
                                                               "\t\t\t\thand\r\n"
                                                               "\t1\t" +
                                                               final + "\t" + group + "\t 1:01.00\t1.\t" + finalRound +
                                                               "\r\n"
                                                               "\t\t\t\t 1:10.00\t2.\r\n");
    std::string filtered = CopyParticipantList(nodes[0], document, {false, true});
    EXPECT_EQ(filtered.find("hand"), std::string::npos);
    EXPECT_NE(filtered.find(heatsRound), std::string::npos);
    // Nations and clubs have no list to copy.
    EXPECT_EQ(CopyParticipantList(nodes[0]->parent(), document, {}), "");
}

// The copy command of the window puts the shown list on the clipboard, and the command line prints the same text.
TEST(CopyCommand, ClipboardHoldsTheShownListAndTheCommandLinePrintsTheSame)
{
    TProgramFolder folder;
    TQuietBoxes boxes;
    std::string path = folder.Write("relay.ovf", RelayMeet(25));
    TfrmView window;
    window.LoadFile(path);
    Ui::TfrmView& form = window.Widgets();

    QGuiApplication::clipboard()->setText("before");
    form.PgcMain->setCurrentIndex(TfrmView::pgEvents);
    form.chkEvSplit->setChecked(true);
    QTreeWidgetItem* event = form.TrvEvents->topLevelItem(0)->child(0);
    form.TrvEvents->setCurrentItem(event);
    window.Events().ShowEventList(event);
    ASSERT_TRUE(form.actCopy->isEnabled());
    form.actCopy->trigger();
    std::string copied = QGuiApplication::clipboard()->text().toStdString();
    EXPECT_EQ(copied, CopyEventList(event, window.Events(), window.Document(), {true, false}));
    EXPECT_EQ(RunVeltro("--copy event:2 '" + path + "' --splits --language us"), copied);

    form.PgcMain->setCurrentIndex(TfrmView::pgParticipants);
    QTreeWidgetItem* team = FindParticipantNodes(*form.trvClubs, "Team").at(0);
    form.trvClubs->setCurrentItem(team);
    window.Participants().FlushChange();
    form.actCopy->trigger();
    copied = QGuiApplication::clipboard()->text().toStdString();
    EXPECT_EQ(copied.rfind("Team\r\n\t2\t", 0), 0u) << copied;
    EXPECT_EQ(RunVeltro("--language us --copy participant:Team '" + path + "'"), copied);

    // The help page has no list: the command leaves the clipboard alone.
    form.PgcMain->setCurrentIndex(TfrmView::pgHelp);
    QGuiApplication::clipboard()->setText("kept");
    CopyShownList(window);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "kept");
}
