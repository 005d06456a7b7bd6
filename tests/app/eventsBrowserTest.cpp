#include "eventsBrowser.h"
#include "guiTestSupport.h"
#include "kvnPaintbox.h"
#include "listHeader.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>

#include <algorithm>

using namespace kvn;
using namespace veltro;
using veltrotest::LoadDocument;
using veltrotest::Meet;
using veltrotest::TProgramFolder;

namespace {

// The events page's widgets, a document and the browser over them.
class EventsPage : public ::testing::Test {
protected:
    void Open(const std::string& xml)
    {
        fDocument = LoadDocument(fFolder, xml);
        ASSERT_TRUE(fDocument->Errors().empty()) << fDocument->Errors().front();
        fBrowser =
            std::make_unique<TEventsBrowser>(TEventsPage{&fTree, &fBox, &fHeader, &fTitle, &fSplits, &fOnlyValid},
                                             *fDocument, nullptr, nullptr, [this](bool shown) { fListShown = shown; });
        fBox.resize(600, 400);
        fBrowser->ClearResultLists();
        fBrowser->BuildEventsTree();
        for (TOrvObject* club : CollectionItems(*fDocument->Competition(), otCLUBS))
            for (TOrvTagKind owners : {otPERSONS, otRELAYS})
                for (TOrvObject* owner : CollectionItems(*club, owners))
                    for (TOrvTagKind items : {otRESULTS, otENTRIES})
                        for (TOrvObject* item : CollectionItems(*owner, items))
                            fBrowser->ResultLists().AttachResult(*item);
        fBrowser->SortResultLists();
    }

    QTreeWidgetItem* Node(std::initializer_list<int> path)
    {
        QTreeWidgetItem* node = fTree.invisibleRootItem();
        for (int index : path)
            node = node ? node->child(index) : nullptr;
        return node;
    }

    std::string NodeText(std::initializer_list<int> path) { return Node(path)->text(0).toStdString(); }

    const TDrawnText* Drawn(const std::string& text)
    {
        const auto& texts = fBox.DrawnTexts();
        auto found = std::find_if(texts.begin(), texts.end(), [&](const TDrawnText& t) { return t.Text == text; });
        return found == texts.end() ? nullptr : &*found;
    }

    std::vector<std::string> DrawnAt(int anchorX)
    {
        std::vector<std::string> texts;
        for (const TDrawnText& text : fBox.DrawnTexts())
            if (text.AnchorX == anchorX) texts.push_back(text.Text);
        return texts;
    }

    TProgramFolder fFolder;
    std::unique_ptr<TOrvida> fDocument;
    QTreeWidget fTree;
    TkvnPaintBox fBox;
    TListHeader fHeader;
    QLabel fTitle;
    QCheckBox fSplits;
    QCheckBox fOnlyValid;
    std::unique_ptr<TEventsBrowser> fBrowser;
    bool fListShown = false;
};

std::string Session(int num, const std::string& events)
{
    return "<PERIOD><NUM>" + std::to_string(num) + "</NUM><DATE>20040612</DATE><TIME>0930</TIME><EVENTS>" + events +
           "</EVENTS></PERIOD>";
}

std::string Event(int id, int num, const std::string& more)
{
    return "<EVENT id=\"" + std::to_string(id) + "\"><NUM>" + std::to_string(num) +
           "</NUM><DISCNT>1</DISCNT><DIS>100</DIS><STR>F</STR><SEX>M</SEX>" + more + "</EVENT>";
}

std::string Club(const std::string& name, const std::string& persons, const std::string& relays = "")
{
    return "<CLUB><NAME>" + name + "</NAME><PERSONS>" + persons + "</PERSONS><RELAYS>" + relays + "</RELAYS></CLUB>";
}

std::string Person(int id, const std::string& name, const std::string& results)
{
    return "<PERSON id=\"" + std::to_string(id) + "\"><NAME>" + name + "</NAME><FNAME>A</FNAME><YOB>1990</YOB>" +
           results + "</PERSON>";
}

std::string Result(int eid, const std::string& more)
{
    return "<RESULTS><RESULT><EID>" + std::to_string(eid) + "</EID>" + more + "</RESULT></RESULTS>";
}

} // namespace

TEST_F(EventsPage, TreeListsSessionsEventsAndAgeGroupsInNumberOrder)
{
    std::string cats = "<CATS><CAT id=\"1\"><MIN>1995</MIN><MAX>1996</MAX></CAT><CAT id=\"2\"><MIN>-1</MIN>"
                       "<MAX>1994</MAX></CAT></CATS>";
    std::string oneCat = "<CATS><CAT id=\"5\"><NAME>Youth</NAME><MIN>1990</MIN><MAX>1993</MAX></CAT></CATS>";
    Open(Meet("<PERIODS>" + Session(2, Event(20, 4, "")) +
              Session(1, Event(11, 3, "<TYPE>FIN</TYPE>" + cats) + Event(10, 1, oneCat)) + "</PERIODS>"));
    ASSERT_EQ(fTree.topLevelItemCount(), 2);
    EXPECT_EQ(NodeText({0}).rfind("No. 1  -  ", 0), 0u) << NodeText({0});
    EXPECT_NE(NodeText({0}).find(", 09:30"), std::string::npos) << NodeText({0});
    EXPECT_EQ(NodeText({0, 0}), "No. 1 - 100m Freestyle Men, 11 - 14 years, Youth");
    EXPECT_EQ(Node({0, 0})->childCount(), 0);
    EXPECT_EQ(NodeText({0, 1}), "No. 3 - 100m Freestyle Men, Final");
    ASSERT_EQ(Node({0, 1})->childCount(), 2);
    // Age groups in order of their "MIN": the open bound -1 first.
    EXPECT_EQ(NodeText({0, 1, 0}), "10 years and more");
    EXPECT_EQ(NodeText({0, 1, 1}), "8 - 9 years");
    EXPECT_NE(fBrowser->ResultLists().ListFor("11;1"), nullptr);
    EXPECT_NE(fBrowser->ResultLists().ListFor("11"), nullptr);
    EXPECT_NE(fBrowser->ResultLists().ListFor("10"), nullptr);
    EXPECT_EQ(fBrowser->ResultLists().ListFor("10;5"), nullptr);
}

TEST_F(EventsPage, ResultLineColumnsAndStyles)
{
    Open(Meet("<POINTTABLE><NAME>P</NAME></POINTTABLE><PERIODS>" + Session(1, Event(7, 1, "")) + "</PERIODS><CLUBS>" +
              Club("SV Nord",
                   Person(1, "Fast", Result(7, "<RANK>1</RANK><TIME>V00:00:58.12</TIME><POINTS>700</POINTS>")) +
                       Person(2, "Slow", Result(7, "<RANK>2</RANK><TIME>I00:01:02.30</TIME><COMMENT>hand</COMMENT>")) +
                       Person(3, "Late", Result(7, "<TIME>L00:01:09.00</TIME>"))) +
              "</CLUBS>"));
    fBrowser->ShowEventList(Node({0, 0}));
    EXPECT_TRUE(fBrowser->HasResults());
    EXPECT_TRUE(fListShown);
    EXPECT_FALSE(fHeader.isHidden());
    std::vector<int> x = fHeader.Edges(); // 0, 36, 179, 322, 375, 415
    ASSERT_EQ(x.size(), 6u);
    EXPECT_EQ(x[5] - x[4], 40); // the points column, since the competition has a point table

    const TDrawnText* rank = Drawn("1.");
    ASSERT_NE(rank, nullptr);
    EXPECT_EQ(rank->AnchorX, x[1] / 2 - 1);
    EXPECT_EQ(rank->Flags, tfCenter);
    const TDrawnText* name = Drawn("Fast A, 90");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->AnchorX, x[1] + 3);
    EXPECT_EQ(name->Y, 5);
    const TDrawnText* time = Drawn("   58.12");
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->AnchorX, x[4] - 3);
    EXPECT_EQ(time->Flags, tfRight | tfBold);
    EXPECT_EQ(Drawn(" 1:02.30")->Flags, tfRight | tfItalic);
    EXPECT_EQ(Drawn("hand")->AnchorX, x[5] + 5);
    EXPECT_EQ(Drawn("700")->AnchorX, (x[4] + x[5]) / 2 - 2);
    EXPECT_EQ(Drawn("SV Nord")->AnchorX, x[2] + 3);
    EXPECT_EQ(Drawn(" 1:09.00"), nullptr); // status "L" shows no time
    EXPECT_EQ(Drawn("Slow A, 90")->Y, 20);
    EXPECT_EQ(fHeader.Caption(3), "Time");
}

TEST_F(EventsPage, OnlyValidResultsCloseUpTheLines)
{
    Open(Meet("<PERIODS>" + Session(1, Event(7, 1, "")) + "</PERIODS><CLUBS>" +
              Club("C", Person(1, "One", Result(7, "<RANK>1</RANK><TIME>V00:00:58.12</TIME>")) +
                            Person(2, "Two", Result(7, "<TIME>I00:01:02.30</TIME>")) +
                            Person(3, "Three", Result(7, "<RANK>2</RANK><TIME>V00:01:05.00</TIME>"))) +
              "</CLUBS>"));
    fOnlyValid.setChecked(true);
    fBrowser->ShowEventList(Node({0, 0}));
    EXPECT_EQ(Drawn("Two A, 90"), nullptr);
    EXPECT_EQ(Drawn("Three A, 90")->Y, 20);
    // Without a point table the points column has no width: the comment column follows the time column.
    std::vector<int> x = fHeader.Edges();
    EXPECT_EQ(x[5], x[4]);
}

TEST_F(EventsPage, EntryListShowsHeatAndLane)
{
    std::string entry = "<ENTRIES><ENTRY><EID>7</EID><TIME>E00:01:01.50</TIME><HEAT>2</HEAT><LANE>4</LANE></ENTRY>"
                        "</ENTRIES>";
    Open(Meet("<PERIODS>" + Session(1, Event(7, 1, "")) + "</PERIODS><CLUBS>" + Club("C", Person(1, "E", entry)) +
              "</CLUBS>"));
    fBrowser->ShowEventList(Node({0, 0}));
    EXPECT_FALSE(fBrowser->HasResults());
    std::vector<int> x = fHeader.Edges();
    EXPECT_GE(x[5] - x[4], 70); // wider where the caption needs it
    EXPECT_EQ(fHeader.Caption(3), "Entry time");
    EXPECT_EQ(fHeader.Alignment(4), Qt::AlignLeft);
    EXPECT_EQ(Drawn("2 / 4")->AnchorX, x[4] + 10);
    EXPECT_EQ(Drawn(" 1:01.50")->Flags, tfRight); // an "E" time is plain
}

TEST_F(EventsPage, SessionNodeShowsAnEmptyPage)
{
    Open(Meet("<PERIODS>" + Session(1, Event(7, 1, "")) + "</PERIODS>"));
    fBrowser->ShowEventList(Node({0}));
    EXPECT_TRUE(fHeader.isHidden());
    EXPECT_FALSE(fListShown);
    EXPECT_TRUE(fBox.DrawnTexts().empty());
    fBrowser->ShowEventList(nullptr);
    EXPECT_TRUE(fTitle.text().isEmpty());
}

TEST_F(EventsPage, IndividualSplitsFillTwoColumns)
{
    std::string splits = "<SPLITS><SPLIT dis=\"150\">V00:01:30.00</SPLIT><SPLIT dis=\"50\">V00:00:29.00</SPLIT>"
                         "<SPLIT dis=\"100\">V00:01:00.50</SPLIT><SPLIT dis=\"200\">V00:02:01.00</SPLIT>"
                         "<SPLIT dis=\"250\">I00:02:31.00</SPLIT></SPLITS>";
    Open(Meet("<PERIODS>" + Session(1, Event(7, 1, "")) + "</PERIODS><CLUBS>" +
              Club("C", Person(1, "S", Result(7, "<RANK>1</RANK><TIME>V00:02:31.00</TIME>" + splits))) + "</CLUBS>"));
    fSplits.setChecked(true);
    fBrowser->ShowEventList(Node({0, 0}));
    std::vector<int> x = fHeader.Edges();
    int left = x[1];
    int width = std::min(220, std::max(160, x[4] - 5 - left - 137));
    // Three splits on the left, two on the right, sorted by distance.
    // The name shares the left edge with the split labels below it.
    EXPECT_EQ(DrawnAt(left + 3), (std::vector<std::string>{"S A, 90", "50m:", "100m:", "150m:"}));
    EXPECT_EQ(DrawnAt(left + width + 3), (std::vector<std::string>{"200m:", "250m:"}));
    EXPECT_EQ(Drawn("(29.00)")->AnchorX, left + 137); // the first difference is the first split
    EXPECT_EQ(Drawn("(31.50)")->AnchorX, left + 137);
    EXPECT_EQ(Drawn("(31.00)")->AnchorX, left + width + 137); // runs on from the left column
    EXPECT_EQ(Drawn("(30.00)")->Flags, tfRight | tfItalic);   // not a valid split
    ASSERT_EQ(fBox.DrawnLines().size(), 1u);
    EXPECT_EQ(fBox.DrawnLines()[0].Y1, 5 + 1 + 3 * 15 + 5 + 14); // under the block and its 5 pixels of space
}

TEST_F(EventsPage, RelayMembersWithLegSplitsAndLegTimes)
{
    std::string relayEvent = "<EVENT id=\"9\"><NUM>2</NUM><DISCNT>4</DISCNT><DIS>100</DIS><STR>F</STR><SEX>M</SEX>"
                             "</EVENT>";
    std::string positions = "<POSITIONS>";
    std::string splits = "<SPLITS>";
    for (int leg = 1; leg <= 4; ++leg) {
        positions +=
            "<POSITION><NUM>" + std::to_string(leg) + "</NUM><PID>" + std::to_string(leg) + "</PID></POSITION>";
        int end = leg * 60; // every leg takes one minute, 30 s per 50 m
        for (int half : {1, 2}) {
            int seconds = end - 60 + half * 30;
            char text[32];
            std::snprintf(text, sizeof text, "V00:%02d:%02d.00", seconds / 60, seconds % 60);
            splits += "<SPLIT dis=\"" + std::to_string((leg - 1) * 100 + half * 50) + "\">" + text + "</SPLIT>";
        }
    }
    positions += "</POSITIONS>";
    splits += "</SPLITS>";
    std::string persons;
    for (int leg = 1; leg <= 4; ++leg)
        persons += Person(leg, "Swimmer" + std::to_string(leg), "");
    std::string relay = "<RELAY><NUM>1</NUM><NAME>Team</NAME><RESULTS><RESULT><EID>9</EID><RANK>1</RANK>"
                        "<TIME>V00:04:00.00</TIME>" +
                        positions + splits + "</RESULT></RESULTS></RELAY>";
    Open(Meet("<PERIODS>" + Session(1, relayEvent) + "</PERIODS><CLUBS>" + Club("C", persons, relay) + "</CLUBS>"));
    fSplits.setChecked(true);
    fBrowser->ShowEventList(Node({0, 0}));
    std::vector<int> x = fHeader.Edges();
    int left = x[1];
    int width = std::min(220, std::max(160, x[4] - 5 - left - 137));
    EXPECT_EQ(DrawnAt(left + 3), (std::vector<std::string>{"Team", "Swimmer1 A, 90", "Swimmer2 A, 90", "Swimmer3 A, 90",
                                                           "Swimmer4 A, 90"}));
    // Each member's line carries the 50 m split; the 100 m split follows on a new line with the leg time.
    const TDrawnText* member2 = Drawn("Swimmer2 A, 90");
    const TDrawnText* split150 = Drawn("150m:");
    ASSERT_NE(split150, nullptr);
    EXPECT_EQ(split150->Y, member2->Y);
    EXPECT_EQ(Drawn("200m:")->Y, member2->Y + 15);
    std::vector<std::string> legTimes = DrawnAt(left + width - 5);
    EXPECT_EQ(legTimes, (std::vector<std::string>{" 1:00.00", " 1:00.00", " 1:00.00", " 1:00.00"}));
}

TEST_F(EventsPage, LongListsAreDrawnToTheEnd)
{
    std::string persons;
    for (int i = 1; i <= 3000; ++i)
        persons += Person(i, "P" + std::to_string(i),
                          Result(7, "<RANK>" + std::to_string(i) + "</RANK><TIME>V00:01:00.00</TIME>"));
    Open(Meet("<PERIODS>" + Session(1, Event(7, 1, "")) + "</PERIODS><CLUBS>" + Club("C", persons) + "</CLUBS>"));
    fBrowser->ShowEventList(Node({0, 0}));
    const TDrawnText* last = Drawn("P3000 A, 90");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Y, 5 + 2999 * 15);
    EXPECT_GE(fBox.ExtentHeight(), last->Y + last->Height);
}
