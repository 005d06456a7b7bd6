#include "drucken.h"
#include "eventsBrowser.h"
#include "guiTestSupport.h"
#include "kvnPrint.h"
#include "kvnStrings.h"
#include "kvnSwim.h"
#include "kvnWinX.h"
#include "participantsBrowser.h"
#include "recordingCanvas.h"
#include "treeExport.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTreeWidget>

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace kvn;
using namespace veltro;
using kvntest::TA4Printers;
using kvntest::TRecordingPrinter;
using kvntest::TText;
using veltrotest::Clubs;
using veltrotest::Event;
using veltrotest::Meet;
using veltrotest::Person;
using veltrotest::Results;
using veltrotest::Session;
using veltrotest::Swim;
using veltrotest::TProgramFolder;

namespace {

// "V00:01:00.00" for 6000 hundredths.
std::string TimeValue(char status, int hundredths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%c00:%02d:%02d.%02d", status, hundredths / 6000, hundredths / 100 % 60,
                  hundredths % 100);
    return text;
}

// Splits every 50 m of 29.00 and 31.00 s in turn, at the given distances.
std::string Splits(const std::vector<int>& distances)
{
    std::string splits;
    for (int distance : distances) {
        int laps = distance / 50;
        splits += "<SPLIT dis=\"" + std::to_string(distance) + "\">" + TimeValue('V', laps * 2900 + laps / 2 * 200) +
                  "</SPLIT>";
    }
    return "<SPLITS>" + splits + "</SPLITS>";
}

std::vector<int> Distances(int last, int step = 50)
{
    std::vector<int> distances;
    for (int distance = step; distance <= last; distance += step)
        distances.push_back(distance);
    return distances;
}

// A 4 x 100 m relay (event number 2) of four members with splits at the distances, in a pool of that length.
std::string RelayMeet(int poolLength, const std::vector<int>& distances)
{
    std::string positions, persons;
    for (int leg = 1; leg <= 4; ++leg) {
        positions +=
            "<POSITION><NUM>" + std::to_string(leg) + "</NUM><PID>" + std::to_string(leg) + "</PID></POSITION>";
        persons += Person(leg, "Swimmer" + std::to_string(leg));
    }
    std::string relay = "<RELAY><NUM>1</NUM><NAME>Team</NAME>" +
                        Results("<RESULT><EID>9</EID><RANK>1</RANK><TIME>V00:04:00.00</TIME><POSITIONS>" + positions +
                                "</POSITIONS>" + Splits(distances) + "</RESULT>") +
                        "</RELAY>";
    std::string xml = Meet(Session(Event(9, 2, "<DISCNT>4</DISCNT><DIS>100</DIS>")) + Clubs(persons, relay));
    return xml.replace(xml.find("<PL>50</PL>"), 11, "<PL>" + std::to_string(poolLength) + "</PL>");
}

// A file opened as the window shows it, printed through the report engine on a recording A4 printer (portrait:
// margins 150/150/100/100, a column of 1800, an 11 pt font, lines of 48; a pixel is a tenth of a millimetre).
class PrintJob : public ::testing::Test {
protected:
    void Open(const std::string& xml)
    {
        std::string message;
        ASSERT_EQ(fMeet.Open(fFolder.Write("meet.ovf", xml), 0, message), 0) << message;
    }

    TShownList EventList(int number, TCopyOptions options = {}, bool hasResults = true)
    {
        TShownList shown;
        shown.EventNode = FindEventNode(fMeet.EventsTree(), number, 0);
        shown.EventOptions = options;
        shown.ResultLists = &fMeet.Events().ResultLists();
        shown.Document = &fMeet.Document();
        shown.HasResults = hasResults;
        return shown;
    }

    TShownList ParticipantList(const std::string& text, TCopyOptions options = {})
    {
        TShownList shown = EventList(0);
        shown.EventsPage = false;
        shown.ParticipantNode = FindParticipantNodes(fMeet.ClubsTree(), text).at(0);
        shown.ParticipantOptions = options;
        return shown;
    }

    const TRecordingPrinter& Print(const TShownList& shown)
    {
        fJob = std::make_unique<TResultsPrintJob>(shown);
        fJob->Attach(fReport);
        fPrinter = std::make_unique<TRecordingPrinter>(true);
        fReport.Print(*fPrinter);
        return *fPrinter;
    }

    // The texts drawn on the line of the text, left to right, without surrounding blanks.
    std::vector<std::string> LineOf(const std::string& text) const
    {
        const TText& found = One(text);
        std::vector<TText> line;
        for (const TText& t : fPrinter->Sheet.Texts)
            if (t.Sheet == found.Sheet && t.Y == found.Y) line.push_back(t);
        std::sort(line.begin(), line.end(), [](const TText& a, const TText& b) { return a.X < b.X; });
        std::vector<std::string> texts;
        for (const TText& t : line)
            texts.push_back(Trim(t.Text));
        return texts;
    }

    // The one text drawn whose trimmed text is the text.
    TText One(const std::string& text) const
    {
        std::vector<TText> found = All(text);
        if (found.size() != 1) throw std::runtime_error(std::to_string(found.size()) + " times drawn: " + text);
        return found[0];
    }

    std::vector<TText> All(const std::string& text) const
    {
        std::vector<TText> found;
        for (const TText& t : fPrinter->Sheet.Texts)
            if (Trim(t.Text) == text) found.push_back(t);
        return found;
    }

    // Lines of 48 between two texts.
    int LinesBetween(const std::string& upper, const std::string& lower) const
    {
        return (One(lower).Y - One(upper).Y) / 48;
    }

    TProgramFolder fFolder;
    TOffscreenMeet fMeet;
    TA4Printers fPrinters;
    TKvnReport fReport{&fPrinters};
    std::unique_ptr<TResultsPrintJob> fJob;
    std::unique_ptr<TRecordingPrinter> fPrinter;
};

} // namespace

TEST_F(PrintJob, EventListHasBannerHeadingsAndTimesByStatusAndOnlyValidKeepsEntries)
{
    std::string xml = Meet(
        "<PLACE>Bern</PLACE>" + Session(Event(7, 1, "<DIS>100</DIS>")) +
        Clubs(Person(1, "Fast", Results(Swim("RESULT", 7, "V00:00:58.12", "<RANK>1</RANK>"))) +
              Person(2, "Hand", Results(Swim("RESULT", 7, "I00:01:02.30", "<RANK>2</RANK><COMMENT>hand</COMMENT>"))) +
              Person(3, "Late", Results(Swim("RESULT", 7, "L00:01:09.00"))) +
              Person(5, std::string(80, 'W'), Results(Swim("RESULT", 7, "V00:01:00.00", "<RANK>3</RANK>"))) +
              Person(4, "Entered",
                     "<ENTRIES>" + Swim("ENTRY", 7, "E00:01:05.00", "<HEAT>1</HEAT><LANE>3</LANE>") + "</ENTRIES>")));
    Open(xml);
    const TRecordingPrinter& printer = Print(EventList(1));
    EXPECT_EQ(printer.Events, "begin end");

    // The banner stands in the 15 mm that the top margin (100) was raised by, the title large and bold at the left,
    // the program and its web address at the right margin (2100 - 150).
    TText title = One("Results");
    EXPECT_TRUE(title.Font.Bold);
    EXPECT_EQ(title.X, 150);
    EXPECT_GT(title.Font.PointSize, 15);
    EXPECT_GT(title.Y, 100);
    TText program = One(GetSystemInfo().ApplicationTitle());
    TText address = One(kDefaultWebAddress);
    EXPECT_EQ(program.Right(), 1950);
    EXPECT_EQ(address.Right(), 1950);
    EXPECT_LT(program.Y, address.Y);
    EXPECT_LT(address.Y + 2 * address.Font.PointSize, 250);
    // Below it the heading lines of the competition, the rule and the list title, bold.
    TText name = One("Test meet");
    EXPECT_EQ(name.Y, 250);
    EXPECT_TRUE(name.Font.Bold);
    EXPECT_EQ(LineOf("Test meet"), (std::vector<std::string>{"Test meet", "Bern"}));
    EXPECT_EQ(LineOf(FormatDate(true, EncodeDate(2024, 6, 1))),
              (std::vector<std::string>{FormatDate(true, EncodeDate(2024, 6, 1)), "50m"}));
    std::string listTitle = FindEventNode(fMeet.EventsTree(), 1, 0)->text(0).toStdString();
    EXPECT_TRUE(One(listTitle).Font.Bold);

    // Valid times bold, invalid italic, entry times plain, late ones not at all; a comment on its own line.
    EXPECT_EQ(LineOf("Fast A, 90"), (std::vector<std::string>{"1.", "Fast A, 90", "SV Nord", "58.12"}));
    EXPECT_TRUE(One("58.12").Font.Bold);
    EXPECT_EQ(One("58.12").Right(), 150 + 1656);
    EXPECT_TRUE(One("1:02.30").Font.Italic);
    EXPECT_TRUE(One("hand").Font.Italic);
    EXPECT_EQ(LinesBetween("Hand A, 90", "hand"), 1);
    EXPECT_EQ(LineOf("Late A, 90"), (std::vector<std::string>{"Late A, 90", "SV Nord"}));
    EXPECT_EQ(LineOf("Entered A, 90"), (std::vector<std::string>{"1 / 3", "Entered A, 90", "SV Nord", "1:05.00"}));
    EXPECT_FALSE(One("1:05.00").Font.Bold || One("1:05.00").Font.Italic);
    // A name too long for its column is shortened rather than run into the club's.
    std::vector<std::string> longLine = LineOf("3.");
    ASSERT_EQ(longLine.size(), 4u);
    EXPECT_EQ(longLine[1].substr(longLine[1].size() - 3), "\u2026");
    for (const TText& text : fPrinter->Sheet.Texts) {
        if (text.Text.rfind("WWW", 0) == 0) {
            EXPECT_LE(text.Right(), 150 + 846 - 11);
        }
    }
    // The raised margin is the document's again.
    EXPECT_EQ(fReport.Document().MarginTop(), 100);

    // Only valid results, but every entry; a list of entries only is headed as an entry list.
    Print(EventList(1, {false, true}, false));
    EXPECT_EQ(All("Fast A, 90").size(), 1u);
    EXPECT_EQ(All("Entered A, 90").size(), 1u);
    EXPECT_TRUE(All("Hand A, 90").empty());
    EXPECT_TRUE(All("Late A, 90").empty());
    EXPECT_TRUE(All("Results").empty());
    EXPECT_EQ(All("Entry list").size(), 1u);
}

TEST_F(PrintJob, RelayLegsFollowThePoolLengthAndFallBackToTheSplitTableWithoutOne)
{
    // 50 m pool, splits every 50 m: two lines a leg, the member beside the first split, the leg time on the second.
    Open(RelayMeet(50, Distances(400)));
    Print(EventList(2, {true, false}));
    EXPECT_EQ(LineOf("Team"), (std::vector<std::string>{"1.", "Team", "SV Nord", "4:00.00"}));
    EXPECT_EQ(LineOf("Swimmer1 A, 90"), (std::vector<std::string>{"Swimmer1 A, 90", "50m:", "29.00", "(29.00)"}));
    EXPECT_EQ(LineOf("100m:"), (std::vector<std::string>{"1:00.00", "100m:", "1:00.00", "(31.00)"}));
    EXPECT_EQ(LineOf("Swimmer4 A, 90"), (std::vector<std::string>{"Swimmer4 A, 90", "350m:", "3:29.00", "(29.00)"}));
    EXPECT_EQ(LinesBetween("Team", "Swimmer1 A, 90"), 1);
    EXPECT_EQ(LinesBetween("Swimmer1 A, 90", "Swimmer2 A, 90"), 2);
    // The member's name in the second column, the leg time ending where the third ends.
    EXPECT_EQ(One("Swimmer1 A, 90").X, 150 + 216);
    std::vector<TText> minutes = All("1:00.00");
    EXPECT_EQ(std::min_element(minutes.begin(), minutes.end(), [](const TText& a, const TText& b) { return a.X < b.X; })
                  ->Right(),
              150 + 819);

    // Splits only at the end of each leg: one line a leg, and no leg time beside the split that is the leg.
    Open(RelayMeet(50, Distances(400, 100)));
    Print(EventList(2, {true, false}));
    EXPECT_EQ(LineOf("Swimmer1 A, 90"), (std::vector<std::string>{"Swimmer1 A, 90", "100m:", "1:00.00", "(1:00.00)"}));
    EXPECT_EQ(LineOf("Swimmer2 A, 90"), (std::vector<std::string>{"Swimmer2 A, 90", "200m:", "2:00.00", "(1:00.00)"}));
    EXPECT_EQ(LinesBetween("Swimmer1 A, 90", "Swimmer4 A, 90"), 3);

    // Without a pool length the walk has no step: the splits are the two-column table, and the print ends.
    for (int pool : {0, -25}) {
        Open(RelayMeet(pool, Distances(400)));
        Print(EventList(2, {true, false}));
        EXPECT_TRUE(All("Swimmer1 A, 90").empty());
        EXPECT_EQ(LineOf("50m:"),
                  (std::vector<std::string>{"50m:", "29.00", "(29.00)", "250m:", "2:29.00", "(29.00)"}));
        EXPECT_EQ(One("250m:").X, 150 + 846);
    }
}

TEST_F(PrintJob, IndividualSplitsFillTwoColumnsFirstHalfLeft)
{
    std::string events = Event(1, 1, "<DIS>400</DIS>") + Event(2, 2, "<DIS>350</DIS>");
    std::string results = Swim("RESULT", 1, "V00:04:00.00", "<RANK>1</RANK>" + Splits(Distances(400))) +
                          Swim("RESULT", 2, "V00:03:29.00", "<RANK>1</RANK>" + Splits(Distances(350)));
    Open(Meet(Session(events) + Clubs(Person(1, "Split", Results(results)))));

    Print(EventList(1, {true, false}));
    EXPECT_EQ(LineOf("50m:"), (std::vector<std::string>{"50m:", "29.00", "(29.00)", "250m:", "2:29.00", "(29.00)"}));
    EXPECT_EQ(LineOf("200m:"),
              (std::vector<std::string>{"200m:", "2:00.00", "(31.00)", "400m:", "4:00.00", "(31.00)"}));
    EXPECT_EQ(LinesBetween("Split A, 90", "50m:"), 1);
    EXPECT_EQ(LinesBetween("50m:", "200m:"), 3);

    Print(EventList(2, {true, false}));
    EXPECT_EQ(LineOf("50m:"), (std::vector<std::string>{"50m:", "29.00", "(29.00)", "250m:", "2:29.00", "(29.00)"}));
    EXPECT_EQ(LineOf("150m:"),
              (std::vector<std::string>{"150m:", "1:29.00", "(29.00)", "350m:", "3:29.00", "(29.00)"}));
    EXPECT_EQ(LineOf("200m:"), (std::vector<std::string>{"200m:", "2:00.00", "(31.00)"}));

    // Without the check box no split is printed.
    Print(EventList(1));
    EXPECT_TRUE(All("50m:").empty());
}

TEST_F(PrintJob, ParticipantListShowsRanksWithTheirRoundsAndLanes)
{
    std::string events = Event(1, 1, "<DIS>100</DIS><TYPE>FIN</TYPE>") + Event(2, 2, "<DIS>50</DIS><TYPE>TIM</TYPE>") +
                         Event(3, 3, "<DIS>200</DIS><TYPE>PRE</TYPE>");
    std::string results = Swim("RESULT", 1, "V00:01:01.00", "<RANK>1</RANK>") +
                          Swim("RESULT", 2, "V00:00:31.00", "<RANK>2</RANK>") +
                          Swim("RESULT", 3, "I00:02:10.00", "<RANK>3</RANK><HEAT>2</HEAT><LANE>4</LANE>");
    Open(Meet(Session(events) + Clubs(Person(1, "Rounds", Results(results)))));
    Print(ParticipantList("Rounds A, 90"));
    const TOrvida& document = fMeet.Document();
    std::string final = "(" + RoundName(*document.FindEvent(1)) + ")";
    std::string heats = "(" + RoundName(*document.FindEvent(3)) + ")";
    std::string timed = document.EventTitle(*document.FindEvent(2), nullptr);

    EXPECT_TRUE(One("Rounds A, 90").Font.Bold); // the list title
    EXPECT_EQ(LineOf("1."), (std::vector<std::string>{"No. 1", document.EventTitle(*document.FindEvent(1), nullptr),
                                                      "1:01.00", "1.", final}));
    EXPECT_TRUE(One("1.").Font.Bold);
    // A timed final has no round to name.
    EXPECT_EQ(LineOf("2."), (std::vector<std::string>{"No. 2", timed, "31.00", "2."}));
    EXPECT_TRUE(One("2.").Font.Bold);
    // A place in the heats is plain; the round and the heat share their column without printing over each other.
    EXPECT_EQ(LineOf("3.").back(), heats + "  Heat 2 / Lane 4");
    EXPECT_FALSE(One("3.").Font.Bold);
    EXPECT_TRUE(One("2:10.00").Font.Italic);
    // The event number ends at the right edge of the first column.
    EXPECT_EQ(One("No. 1").Right(), 150 + 162);
}

TEST_F(PrintJob, BannerHeadsEveryPageAndTheHtmlPageOnce)
{
    std::string persons;
    for (int i = 1; i <= 60; ++i) {
        std::string result = Swim("RESULT", 7, TimeValue('V', 20000 + i),
                                  "<RANK>" + std::to_string(i) + "</RANK>" + Splits(Distances(200)));
        persons += Person(i, "Swimmer" + std::to_string(i), Results(result));
    }
    Open(Meet(Session(Event(7, 1, "<DIS>200</DIS>")) + Clubs(persons)));
    const TRecordingPrinter& printer = Print(EventList(1, {true, false}));
    int sheets = printer.Sheet.Sheet;
    ASSERT_GE(sheets, 3);
    std::vector<TText> titles = All("Results");
    ASSERT_EQ(static_cast<int>(titles.size()), sheets);
    for (int sheet = 1; sheet <= sheets; ++sheet)
        EXPECT_EQ(titles[static_cast<std::size_t>(sheet - 1)].Sheet, sheet);
    // Every result keeps its splits on its page, and nothing runs into the bottom margin (2970 - 100).
    int resultSheet = 0;
    for (const TText& text : printer.Sheet.Texts) {
        if (text.Text.rfind("Swimmer", 0) == 0) resultSheet = text.Sheet;
        if (text.Text.back() == ':') {
            EXPECT_EQ(text.Sheet, resultSheet) << text.Text;
        }
    }
    for (const TText& text : printer.Sheet.Texts)
        EXPECT_LE(text.Y + 48, 2870) << text.Text;

    std::string file = (fFolder.Path() / "list.htm").string();
    fReport.SetHtmlFileName(file);
    fReport.WriteHtml();
    std::ifstream in(file, std::ios::binary);
    std::stringstream page;
    page << in.rdbuf();
    std::string html = page.str();
    std::string program = GetSystemInfo().ApplicationTitle();
    std::size_t first = html.find(program);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(html.find(program, first + 1), std::string::npos);
    EXPECT_LT(first, html.find("Test meet"));
    EXPECT_NE(html.find("<title>\r\n" + FindEventNode(fMeet.EventsTree(), 1, 0)->text(0).toStdString()),
              std::string::npos);
    for (int i = 1; i <= 60; ++i)
        EXPECT_NE(html.find(">Swimmer" + std::to_string(i) + " A, 90<"), std::string::npos) << i;
}

// The print command reads the window: its page, the current node, the page's check boxes and whether the list shown
// last, on either page, holds results.
TEST(PrintCommand, ShownListIsWhatTheWindowShows)
{
    TProgramFolder folder;
    veltrotest::TRecordedBoxes boxes;
    TfrmView window;
    window.LoadFile(folder.Write(
        "meet.ovf", Meet(Session(Event(7, 1, "<DIS>100</DIS>")) +
                         Clubs(Person(1, "Fast", Results(Swim("RESULT", 7, "V00:00:58.12", "<RANK>1</RANK>"))) +
                               Person(2, "Entered", "<ENTRIES>" + Swim("ENTRY", 7, "E00:01:05.00") + "</ENTRIES>")))));
    Ui::TfrmView& form = window.Widgets();
    form.PgcMain->setCurrentIndex(TfrmView::pgEvents);
    form.chkEvSplit->setChecked(true);
    QTreeWidgetItem* event = FindEventNode(*form.TrvEvents, 1, 0);
    form.TrvEvents->setCurrentItem(event);
    window.Events().ShowEventList(event);
    TShownList shown = ShownList(window);
    EXPECT_TRUE(shown.EventsPage);
    EXPECT_EQ(shown.EventNode, event);
    EXPECT_TRUE(shown.EventOptions.Splits);
    EXPECT_FALSE(shown.EventOptions.OnlyValid);
    EXPECT_TRUE(shown.HasResults);
    EXPECT_EQ(shown.Document, &window.Document());

    form.PgcMain->setCurrentIndex(TfrmView::pgParticipants);
    form.chkTnOnlyValids->setChecked(true);
    QTreeWidgetItem* entered = FindParticipantNodes(*form.trvClubs, "Entered A, 90").at(0);
    form.trvClubs->setCurrentItem(entered);
    window.Participants().FlushChange();
    shown = ShownList(window);
    EXPECT_FALSE(shown.EventsPage);
    EXPECT_EQ(shown.ParticipantNode, entered);
    EXPECT_TRUE(shown.ParticipantOptions.OnlyValid);
    EXPECT_FALSE(shown.HasResults);
}
