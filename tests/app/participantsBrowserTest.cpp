#include "participantsBrowser.h"
#include "guiTestSupport.h"
#include "kvnPaintbox.h"
#include "listHeader.h"
#include "orvGenerator.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QIcon>
#include <QLabel>
#include <QTreeWidget>

using namespace kvn;
using namespace veltro;
using veltrotest::LoadDocument;
using veltrotest::Meet;
using veltrotest::TProgramFolder;

namespace {

// Events 1 (final, two age groups), 2 (timed final), 3 (heats), 4 (semi-final), 5 (4 x 100 m relay), 6 (final).
const std::string kEvents =
    "<POINTTABLE><NAME>Points</NAME></POINTTABLE><PERIODS><PERIOD><NUM>1</NUM><DATE>20240601</DATE><EVENTS>"
    "<EVENT id=\"1\"><NUM>1</NUM><TYPE>FIN</TYPE><DIS>100</DIS><STR>FR</STR><CATS><CAT id=\"1\"><MIN>2010</MIN>"
    "</CAT><CAT id=\"2\"><MIN>2000</MIN><MAX>2009</MAX></CAT></CATS></EVENT>"
    "<EVENT id=\"2\"><NUM>2</NUM><TYPE>TIM</TYPE><DIS>50</DIS><STR>FR</STR></EVENT>"
    "<EVENT id=\"3\"><NUM>3</NUM><TYPE>PRE</TYPE><DIS>200</DIS><STR>FR</STR></EVENT>"
    "<EVENT id=\"4\"><NUM>4</NUM><TYPE>SEM</TYPE><DIS>50</DIS><STR>FR</STR></EVENT>"
    "<EVENT id=\"5\"><NUM>5</NUM><TYPE>TIM</TYPE><DIS>100</DIS><DISCNT>4</DISCNT><STR>FR</STR></EVENT>"
    "<EVENT id=\"6\"><NUM>6</NUM><TYPE>FIN</TYPE><DIS>400</DIS><STR>FR</STR></EVENT>"
    "</EVENTS></PERIOD></PERIODS>";

std::string Swim(const std::string& kind, int event, const std::string& time, const std::string& more = "")
{
    return "<" + kind + "><EID>" + std::to_string(event) + "</EID><TIME>" + time + "</TIME>" + more + "</" + kind + ">";
}

std::string Result(int event, const std::string& time, int rank, const std::string& more = "")
{
    return Swim("RESULT", event, time, "<RANK>" + std::to_string(rank) + "</RANK>" + more);
}

std::string Person(int id, const std::string& name, const std::string& content = "")
{
    return "<PERSON id=\"" + std::to_string(id) + "\"><NAME>" + name + "</NAME><FNAME>Eva</FNAME><YOB>2005</YOB>" +
           content + "</PERSON>";
}

std::string Relay(int number, const std::string& name, const std::string& content)
{
    return "<RELAY><NUM>" + std::to_string(number) + "</NUM>" + (name.empty() ? "" : "<NAME>" + name + "</NAME>") +
           content + "</RELAY>";
}

std::string Club(const std::string& name, const std::string& nation, const std::string& content)
{
    return "<CLUB><NAME>" + name + "</NAME>" + (nation.empty() ? "" : "<NATION>" + nation + "</NATION>") + content +
           "</CLUB>";
}

struct TWholeFile {};

// The participants page of a window, its browser, and the document it shows.
struct TPage {
    TProgramFolder Folder;
    std::unique_ptr<TOrvida> Document;
    QWidget Window;
    QTreeWidget* Tree = new QTreeWidget(&Window);
    TkvnPaintBox* Box = new TkvnPaintBox(&Window);
    TListHeader* Header = new TListHeader(&Window);
    QLabel* Title = new QLabel(&Window);
    QCheckBox* Split = new QCheckBox(&Window);
    QCheckBox* OnlyValids = new QCheckBox(&Window);
    TResultLists Lists;
    std::vector<std::string> Nations{"GER=20", "SUI=21", "SUI_ZH=22"};
    std::vector<std::string> Status;
    std::vector<bool> Shown;
    std::unique_ptr<TParticipantsBrowser> Browser;

    explicit TPage(const std::string& clubs) : TPage(TWholeFile{}, Meet(kEvents + "<CLUBS>" + clubs + "</CLUBS>")) {}

    TPage(TWholeFile, const std::string& file)
    {
        Document = LoadDocument(Folder, file);
        for (TOrvObject* period : CollectionItems(*Document->Competition(), otPERIODS))
            for (TOrvObject* event : CollectionItems(*period, otEVENTS)) {
                Lists.CreateList(EventKey(event->Id()));
                for (TOrvObject* category : CollectionItems(*event, otCATS))
                    Lists.CreateList(CategoryKey(event->Id(), category->Id()));
            }
        Browser = std::make_unique<TParticipantsBrowser>(
            TParticipantsPage{Tree, Box, Header, Title, Split, OnlyValids}, *Document, Lists,
            [](int) { return QIcon(); }, Nations, [this](const std::string& text) { Status.push_back(text); },
            [this](bool shown) { Shown.push_back(shown); });
        Browser->BuildClubsTree();
    }

    // The node reached by child indexes from the top level.
    QTreeWidgetItem* Node(std::initializer_list<int> path) const
    {
        QTreeWidgetItem* node = Tree->invisibleRootItem();
        for (int index : path)
            node = node->child(index);
        return node;
    }

    // Makes the node current and draws its page without waiting for the delay.
    void Select(std::initializer_list<int> path)
    {
        Tree->setCurrentItem(Node(path));
        Browser->FlushChange();
    }

    std::vector<std::string> Texts(QTreeWidgetItem* parent) const
    {
        std::vector<std::string> texts;
        for (int i = 0; i < parent->childCount(); ++i)
            texts.push_back(parent->child(i)->text(0).toStdString());
        return texts;
    }

    // The drawn texts as "anchor x,y:text".
    std::vector<std::string> Drawn() const
    {
        std::vector<std::string> drawn;
        for (const TDrawnText& text : Box->DrawnTexts())
            drawn.push_back(std::to_string(text.AnchorX) + "," + std::to_string(text.Y) + ":" + text.Text);
        return drawn;
    }

    const TDrawnText& DrawnText(const std::string& text) const
    {
        for (const TDrawnText& drawn : Box->DrawnTexts())
            if (drawn.Text == text) return drawn;
        throw std::runtime_error("not drawn: " + text);
    }
};

std::vector<int> Counts(const TClubStatistic& s)
{
    return {s.Gold,     s.Silver,     s.Bronze, s.IndividualEntries, s.TeamEntries, s.IndividualStarts, s.TeamStarts,
            s.Athletes, s.SemiFinals, s.Finals};
}

} // namespace

TEST(ParticipantsBrowser, TreeGroupsNationsIgnoringCaseAndSortsByCharacterCodes)
{
    const std::string berlin = "<PERSONS>" + Person(1, "Muster") + Person(2, "Adler") + "</PERSONS><RELAYS>" +
                               Relay(1, "Berlin 1", "") + Relay(2, "", "") + "</RELAYS>";
    TPage page(Club("Zurich SC", "SUI", "<CODE>ZH</CODE>") + Club("Aarau", "sui", "<CODE>AG</CODE>") +
               Club("beta club", "", "") + Club("Berlin", "GER", berlin) + Club("Malmo", "swe", "") +
               Club("Bravo", "", "") + Club("Odd", "OTHER", "") + Club("Alpha", "", ""));
    QTreeWidgetItem* root = page.Tree->invisibleRootItem();
    // "other" sorts after the upper-case names and before "swe", then reads as the language's text.
    EXPECT_EQ(page.Texts(root), (std::vector<std::string>{"GER", "OTHER", "SUI", "No nation", "swe"}));
    EXPECT_EQ(page.Texts(page.Node({2})), (std::vector<std::string>{"Aarau", "Zurich SC"}));
    EXPECT_EQ(page.Texts(page.Node({3})), (std::vector<std::string>{"Alpha", "Bravo", "beta club"}));
    // Athletes before relay teams, although "2. team" sorts before "Adler" by its text.
    EXPECT_EQ(page.Texts(page.Node({0, 0})),
              (std::vector<std::string>{"Adler Eva, 05", "Muster Eva, 05", "2. team", "Berlin 1"}));

    EXPECT_EQ(TParticipantsBrowser::ImageOf(page.Node({0})), 20);    // GER flag
    EXPECT_EQ(TParticipantsBrowser::ImageOf(page.Node({2})), 21);    // SUI flag, named by the first club's "SUI"
    EXPECT_EQ(TParticipantsBrowser::ImageOf(page.Node({4})), 7);     // no flag for "swe"
    EXPECT_EQ(TParticipantsBrowser::ImageOf(page.Node({2, 1})), 22); // SUI_ZH
    EXPECT_EQ(TParticipantsBrowser::ImageOf(page.Node({2, 0})), 14); // no SUI_AG flag
    EXPECT_EQ(TParticipantsBrowser::ImageOf(page.Node({0, 0, 0})), 9);
    EXPECT_EQ(TParticipantsBrowser::ImageOf(page.Node({0, 0, 3})), 5);
    EXPECT_EQ(TParticipantsBrowser::StatisticOf(page.Node({2, 1}))->Club->ChildText(otNAME), "Zurich SC");
    EXPECT_EQ(page.Status.back(), "8 clubs scanned ...");

    page.Browser->ClearClubsTree();
    EXPECT_EQ(page.Tree->topLevelItemCount(), 0);
}

TEST(ParticipantsBrowser, StatisticsCountMedalsStartsAndEntriesPerClubAndNation)
{
    const std::string valid = "V00:01:00.00";
    const std::string persons =
        Person(1, "Gold",
               "<RESULTS>" + Result(1, valid, 1) + Result(6, valid, 1) + Result(2, valid, 1) + "</RESULTS>") +
        Person(2, "Rounds",
               "<RESULTS>" + Result(3, valid, 2) + Result(4, valid, 3) + Result(2, "I00:01:00.00", 2) +
                   Result(99, valid, 1) + "</RESULTS>") +
        Person(3, "Entered", "<ENTRIES>" + Swim("ENTRY", 1, "E00:01:00.00") + Swim("ENTRY", 2, "") + "</ENTRIES>") +
        Person(4, "Nothing");
    // A team of number 0 counts as an individual; its entries stay out because it has results.
    const std::string relays =
        Relay(1, "", "<RESULTS>" + Result(5, valid, 2) + "</RESULTS>") +
        Relay(0, "Mixed",
              "<RESULTS>" + Result(5, valid, 3) + "</RESULTS><ENTRIES>" + Swim("ENTRY", 5, "") + "</ENTRIES>") +
        Relay(2, "", "<ENTRIES>" + Swim("ENTRY", 5, "") + "</ENTRIES>");
    TPage page(Club("A", "GER", "<PERSONS>" + persons + "</PERSONS><RELAYS>" + relays + "</RELAYS>") +
               Club("B", "ger",
                    "<CONTACT><FNAME>Eva</FNAME><NAME>Muster</NAME><STREET>Main street 1</STREET><ZIP>8000</ZIP>"
                    "<PHONE>044 123</PHONE><EMAIL>a@c.org</EMAIL></CONTACT><PERSONS>" +
                        Person(5, "Second", "<RESULTS>" + Result(1, valid, 2) + "</RESULTS>") + "</PERSONS>"));
    //                         Gold Silv Bron IEnt TEnt ISta TSta Athl Semi Fina
    EXPECT_EQ(Counts(*TParticipantsBrowser::StatisticOf(page.Node({0, 0}))),
              (std::vector<int>{3, 1, 1, 2, 1, 3, 1, 3, 1, 2}));
    EXPECT_EQ(Counts(*TParticipantsBrowser::StatisticOf(page.Node({0}))),
              (std::vector<int>{3, 2, 1, 2, 1, 3, 1, 4, 1, 3}));
    EXPECT_EQ(page.Lists.ListFor("5")->size(), 3u); // two relay results and one relay entry
    EXPECT_EQ(page.Lists.ListFor("99"), nullptr);
    EXPECT_FALSE(TypeOccursIn("", "FIN-TIM"));

    // The club page: non-zero lines only, numbers right-aligned at 200, then the contact; a group has no contact.
    page.Select({0, 1});
    EXPECT_EQ(page.Drawn(),
              (std::vector<std::string>{"10,5:Athletes", "200,5:1", "10,20:Second places", "200,20:1", "10,35:Finals",
                                        "200,35:1", "10,60:Contact:", "10,75:Eva Muster", "10,90:Main street 1",
                                        "10,105:8000", "10,120:Phone: 044 123", "10,135:Email: a@c.org"}));
    EXPECT_EQ(page.DrawnText("1").Flags, tfRight);
    EXPECT_EQ(page.Title->text(), "B");
    EXPECT_TRUE(page.Header->isHidden());
    page.Select({0});
    EXPECT_EQ(page.Drawn().size(), 20u); // all ten counts of the group, no contact

    // An athlete without results and entries has no list: an empty page under its name.
    page.Select({0, 0, 2});
    EXPECT_EQ(TParticipantsBrowser::CollectionOf(page.Node({0, 0, 2})), nullptr);
    EXPECT_EQ(page.Title->text(), "Nothing Eva, 05");
    EXPECT_EQ(page.Box->ShownSize(), QSize(1, 1));
    EXPECT_FALSE(page.Browser->ListShown());
    EXPECT_EQ(page.Shown.back(), false);
}

TEST(ParticipantsBrowser, ResultListShowsRanksByRoundAndRoundTextBeforeComment)
{
    const std::string results =
        "<RESULTS>" + Result(4, "V00:00:30.10", 3) + Result(1, "V00:01:01.00", 3, "<CID>2</CID><POINTS>512</POINTS>") +
        Result(3, "I00:02:10.00", 5, "<COMMENT>DSQ</COMMENT>") +
        Result(2, "V00:00:29.00", 0, "<COMMENT>DSQ</COMMENT>") + Result(99, "V00:05:00.00", 1) + "</RESULTS>";
    TPage page(Club("C", "", "<PERSONS>" + Person(1, "A", results) + "</PERSONS>"));
    page.Browser->ShowParticipant(page.Node({0, 0, 0}));

    // Edges with the default widths and a point table: 45, 155, 265, 325, 365, 405; rank column centre 344.
    EXPECT_EQ(page.Header->Caption(3), "Time");
    EXPECT_EQ(page.Header->Caption(5), "Points");
    EXPECT_EQ(page.Header->Edges().back(), 405);
    EXPECT_TRUE(page.Browser->HasResults());

    const TDrawnText semiRank = page.Box->DrawnTexts()[3]; // number, title, time, rank of the first line
    EXPECT_EQ(semiRank.Text, "3.");
    EXPECT_EQ(semiRank.AnchorX, 342);
    EXPECT_EQ(semiRank.Flags, tfCenter);
    const TDrawnText finalRank =
        page.Box->DrawnTexts()[9]; // after the first line's round text: number, title, category, time
    EXPECT_EQ(finalRank.Text, "3.");
    EXPECT_EQ(finalRank.AnchorX, 344);
    EXPECT_EQ(finalRank.Flags, tfCenter | tfBold);
    EXPECT_EQ(page.DrawnText("4").AnchorX, 21);
    EXPECT_EQ(page.DrawnText(page.Document->EventTitle(*page.Document->FindEvent(4), nullptr)).AnchorX, 48);
    EXPECT_EQ(page.DrawnText(page.Document->CategoryTitle(page.Document->FindCategory(1, 2))).AnchorX, 158);
    EXPECT_EQ(page.DrawnText("   30.10").AnchorX, 322);
    EXPECT_EQ(page.DrawnText("   30.10").Flags, tfRight | tfBold);
    EXPECT_EQ(page.DrawnText(" 2:10.00").Flags, tfRight | tfItalic);
    EXPECT_EQ(page.DrawnText("512").AnchorX, 383);
    EXPECT_EQ(page.DrawnText("(Heats),  DSQ").AnchorX, 410);
    EXPECT_EQ(page.DrawnText("(Heats),  DSQ").Y, 35);
    EXPECT_EQ(page.DrawnText("DSQ").Y, 50); // a timed final has no round text
    // The result of a missing event keeps its line: time and rank, but no number, title or category.
    EXPECT_EQ(page.DrawnText(" 5:00.00").Y, 65);
    EXPECT_EQ(page.Box->DrawnTexts().back().Text, "1.");
    EXPECT_EQ(page.Box->DrawnTexts().size(), 23u);
}

TEST(ParticipantsBrowser, EntryListShowsHeatAndLaneAndIsNeverFiltered)
{
    const std::string entries = "<ENTRIES>" + Swim("ENTRY", 2, "E00:01:05.00", "<HEAT>3</HEAT><LANE>4</LANE>") +
                                Swim("ENTRY", 3, "", "<HEAT>1</HEAT><LANE>0</LANE>") + "</ENTRIES>";
    TPage page(Club("C", "", "<PERSONS>" + Person(1, "A", entries) + "</PERSONS>"));
    page.OnlyValids->setChecked(true);
    page.Browser->ShowParticipant(page.Node({0, 0, 0}));
    EXPECT_FALSE(page.Browser->HasResults());
    EXPECT_EQ(page.Header->Caption(3), "Entry time");
    EXPECT_EQ(page.Header->Caption(5), "Heat / Lane");
    EXPECT_EQ(page.Header->Alignment(5), Qt::AlignLeft);
    EXPECT_GE(page.Header->sectionSize(5), 70); // wider where the caption needs it
    EXPECT_EQ(page.DrawnText(" 1:05.00").Flags, tfRight);
    EXPECT_EQ(page.DrawnText("3 / 4").AnchorX, page.Header->Edges()[5] + 10);
    EXPECT_EQ(page.DrawnText("3").Y, 20); // the second entry is drawn, without time, heat or lane
    EXPECT_EQ(page.Box->DrawnTexts().back().Text, page.Document->EventTitle(*page.Document->FindEvent(3), nullptr));
}

TEST(ParticipantsBrowser, CheckBoxesAndSectionWidthsShapeTheList)
{
    const std::string results = "<RESULTS>" + Result(2, "V00:00:30.00", 1) + Result(3, "I00:02:30.00", 0) +
                                Result(4, "L00:00:31.00", 0) +
                                Result(6, "V00:04:30.00", 2,
                                       "<SPLITS><SPLIT dis=\"200\">V00:02:10.00</SPLIT><SPLIT dis=\"100\">"
                                       "V00:01:04.00</SPLIT></SPLITS>") +
                                "</RESULTS>";
    TPage page(Club("C", "", "<PERSONS>" + Person(1, "A", results) + "</PERSONS>"));
    page.Select({0, 0, 0});
    EXPECT_EQ(page.DrawnText("6").Y, 50);

    page.OnlyValids->setChecked(true); // the lines of "I" and "L" vanish and the rest close up
    page.Browser->Refresh();
    EXPECT_EQ(page.DrawnText("2").Y, 5);
    EXPECT_EQ(page.DrawnText("6").Y, 20);
    EXPECT_THROW(page.DrawnText("3"), std::runtime_error);

    // A block under every result (none for event 2, one row of two splits for event 6) and a rule under each line.
    page.Split->setChecked(true);
    page.Browser->Refresh();
    EXPECT_EQ(page.DrawnText("6").Y, 28);
    EXPECT_EQ(page.DrawnText("100m:").AnchorX, 48);
    EXPECT_EQ(page.DrawnText("100m:").Y, 44);
    EXPECT_EQ(page.DrawnText("200m:").AnchorX, 210); // right column: name width min(220, max(160, 344 - 45 - 137))
    EXPECT_EQ(page.DrawnText("(1:06.00)").Flags, tfRight);
    ASSERT_EQ(page.Box->DrawnLines().size(), 2u);
    EXPECT_EQ(page.Box->DrawnLines()[0].Y1, 25);
    EXPECT_EQ(page.Box->DrawnLines()[1].Y1, 63);
    EXPECT_EQ(page.Box->DrawnLines()[1].X1, 5);
    EXPECT_EQ(page.Box->DrawnLines()[1].X2, 364);
    EXPECT_EQ(page.Box->DrawnLines()[1].PenWidth, 1);

    page.Header->resizeSection(0, 60);
    page.Browser->Refresh();
    EXPECT_EQ(page.DrawnText("6").AnchorX, 29);
    EXPECT_EQ(page.Box->DrawnLines()[0].X2, 379);
}

TEST(ParticipantsBrowser, RelayEntriesShowTheirMembersButAthleteEntriesNoBlock)
{
    std::string positions = "<POSITIONS>";
    for (int leg = 1; leg <= 4; ++leg)
        positions +=
            "<POSITION><NUM>" + std::to_string(leg) + "</NUM><PID>" + std::to_string(5 - leg) + "</PID></POSITION>";
    positions += "</POSITIONS>";
    const std::string entry = "<ENTRIES>" + Swim("ENTRY", 5, "E00:04:00.00", positions) + "</ENTRIES>";
    TPage page(Club("C", "",
                    "<PERSONS>" + Person(1, "A", "<ENTRIES>" + Swim("ENTRY", 2, "") + "</ENTRIES>") + Person(2, "B") +
                        Person(3, "C") + Person(4, "D") + "</PERSONS><RELAYS>" + Relay(1, "Team", entry) +
                        "</RELAYS>"));
    page.Split->setChecked(true);
    page.Browser->ShowParticipant(page.Node({0, 0, 0}));
    EXPECT_TRUE(page.Box->DrawnLines().empty());

    page.Browser->ShowParticipant(page.Node({0, 0, 4}));
    EXPECT_EQ(page.Title->text(), "Team");
    std::vector<std::string> drawn = page.Drawn();
    std::vector<std::string> members(drawn.end() - 4, drawn.end());
    EXPECT_EQ(members,
              (std::vector<std::string>{"48,21:D Eva, 05", "48,36:C Eva, 05", "48,51:B Eva, 05", "48,66:A Eva, 05"}));
    ASSERT_EQ(page.Box->DrawnLines().size(), 1u);
    EXPECT_EQ(page.Box->DrawnLines()[0].Y1, 85);
}

TEST(ParticipantsBrowser, CurrentNodeIsDrawnAfterTheDelay)
{
    TPage page(Club("C", "", "<PERSONS>" + Person(1, "A") + "</PERSONS>"));
    page.Browser->FlushChange(); // the build's own change
    page.Tree->setCurrentItem(page.Node({0, 0}));
    EXPECT_TRUE(page.Browser->ChangePending());
    EXPECT_TRUE(page.Title->text().isEmpty());
    QElapsedTimer clock;
    clock.start();
    while (page.Browser->ChangePending() && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_GE(clock.elapsed(), TParticipantsBrowser::kChangeDelay - 5);
    EXPECT_EQ(page.Title->text(), "C");

    page.Tree->setCurrentItem(page.Node({0}));
    page.Browser->FlushChange();
    EXPECT_FALSE(page.Browser->ChangePending());
    EXPECT_EQ(page.Title->text(), "No nation");
}

TEST(ParticipantsBrowser, HeaderHasDefaultWidthsMinimumsAndLanguageCaptions)
{
    TPage page("");
    std::vector<int> widths;
    for (int section = 0; section < page.Header->count(); ++section)
        widths.push_back(page.Header->sectionSize(section));
    ASSERT_EQ(widths.size(), 6u);
    EXPECT_EQ(std::vector<int>(widths.begin(), widths.end() - 1), (std::vector<int>{45, 110, 110, 60, 40}));
    EXPECT_GE(widths[5], 70); // wider where the caption needs it
    EXPECT_EQ(page.Header->Caption(0), "No. ");
    EXPECT_EQ(page.Header->Caption(1), "Event");
    EXPECT_EQ(page.Header->Caption(2), "Age group");
    EXPECT_EQ(page.Header->Caption(4), "Rank");
    page.Header->resizeSection(4, 10);
    EXPECT_EQ(page.Header->sectionSize(4), 30);
    // Only the group of clubs without nation, empty.
    EXPECT_EQ(page.Texts(page.Tree->invisibleRootItem()), std::vector<std::string>{"No nation"});
}

TEST(ParticipantsBrowser, GeneratedMeetGroupsSumTheirClubsAndEveryNodeDraws)
{
    TOrvGenOptions options;
    options.Clubs = 12;
    options.Entries = true;
    TPage page(TWholeFile{}, GenerateOrvida(options));
    page.Split->setChecked(true);
    page.OnlyValids->setChecked(true);
    ASSERT_GT(page.Tree->topLevelItemCount(), 1);
    for (int g = 0; g < page.Tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = page.Tree->topLevelItem(g);
        std::vector<int> sums(10, 0);
        for (int c = 0; c < group->childCount(); ++c) {
            std::vector<int> club = Counts(*TParticipantsBrowser::StatisticOf(group->child(c)));
            for (std::size_t i = 0; i < sums.size(); ++i)
                sums[i] += club[i];
            for (int p = 0; p < group->child(c)->childCount(); ++p) {
                QTreeWidgetItem* participant = group->child(c)->child(p);
                page.Browser->ShowParticipant(participant);
                EXPECT_EQ(page.Browser->ListShown(), TParticipantsBrowser::CollectionOf(participant) != nullptr);
            }
        }
        EXPECT_EQ(Counts(*TParticipantsBrowser::StatisticOf(group)), sums) << group->text(0).toStdString();
    }

    // The tree leaves the lists it filled in order.
    std::size_t listed = 0;
    auto expectInOrder = [&page, &listed](const std::string& key) {
        const TResultLists::TList& list = *page.Lists.ListFor(key);
        listed += list.size();
        for (std::size_t i = 1; i < list.size(); ++i)
            EXPECT_LE(CompareListItems(*list[i - 1], *list[i]), 0) << key << " " << i;
    };
    for (TOrvObject* period : CollectionItems(*page.Document->Competition(), otPERIODS))
        for (TOrvObject* event : CollectionItems(*period, otEVENTS)) {
            expectInOrder(EventKey(event->Id()));
            for (TOrvObject* category : CollectionItems(*event, otCATS))
                expectInOrder(CategoryKey(event->Id(), category->Id()));
        }
    EXPECT_GT(listed, 0U);
}
