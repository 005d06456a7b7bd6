#include "search.h"
#include "eventsBrowser.h"
#include "guiTestSupport.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaintbox.h"
#include "participantsBrowser.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

using namespace kvn;
using namespace veltro;
using veltrotest::Meet;
using veltrotest::TProgramFolder;
using veltrotest::TRecordedBoxes;

namespace {

std::string Person(int id, const std::string& name, int event, const std::string& more)
{
    return "<PERSON id=\"" + std::to_string(id) + "\"><NAME>" + name + "</NAME><FNAME>A</FNAME><YOB>1990</YOB>" +
           "<RESULTS><RESULT><EID>" + std::to_string(event) + "</EID>" + more + "</RESULT></RESULTS></PERSON>";
}

std::string Ranked(int rank)
{
    return "<RANK>" + std::to_string(rank) + "</RANK><TIME>V00:01:00.00</TIME>";
}

std::string Event(int id, const std::string& more = "")
{
    return "<EVENT id=\"" + std::to_string(id) + "\"><NUM>" + std::to_string(id) +
           "</NUM><DIS>100</DIS><STR>F</STR><SEX>M</SEX>" + more + "</EVENT>";
}

// Session 1: event 1 (Adams, Berger, Koch, Sommer), event 2 with the age groups 1990 (Fischer) and 2000 (Weber);
// session 2: event 3 (Lang, Zimmer, and Moser without a valid time).
std::string SearchMeet()
{
    std::string cats = "<CATS><CAT id=\"1\"><MIN>2000</MIN></CAT><CAT id=\"2\"><MIN>1990</MIN><MAX>1999</MAX></CAT>"
                       "</CATS>";
    std::string periods = "<PERIODS><PERIOD><NUM>1</NUM><DATE>20240601</DATE><EVENTS>" + Event(1) + Event(2, cats) +
                          "</EVENTS></PERIOD><PERIOD><NUM>2</NUM><DATE>20240602</DATE><EVENTS>" + Event(3) +
                          "</EVENTS></PERIOD></PERIODS>";
    std::string persons = Person(1, "Adams", 1, Ranked(1)) + Person(2, "Berger", 1, Ranked(2)) +
                          Person(3, "Koch", 1, Ranked(3)) + Person(4, "Sommer", 1, Ranked(4)) +
                          Person(5, "Fischer", 2, "<CID>2</CID>" + Ranked(1)) +
                          Person(6, "Weber", 2, "<CID>1</CID>" + Ranked(1)) + Person(7, "Lang", 3, Ranked(1)) +
                          Person(8, "Zimmer", 3, Ranked(2)) + Person(9, "Moser", 3, "<TIME>I00:01:10.00</TIME>");
    return Meet(periods + "<CLUBS><CLUB><NAME>Berner SC</NAME><NATION>GER</NATION><PERSONS>" + persons +
                "</PERSONS></CLUB></CLUBS>");
}

class Search : public ::testing::Test {
protected:
    void SetUp() override
    {
        fWindow = std::make_unique<TfrmView>();
        fWindow->resize(900, 700);
        fWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fWindow.get()));
        fWindow->LoadFile(fFolder.Write("search.ovf", SearchMeet()));
        ASSERT_TRUE(fBoxes.Texts.empty()) << fBoxes.Texts.front();
        Form().PgcMain->setCurrentIndex(TfrmView::pgEvents);
    }

    Ui::TfrmView& Form() { return fWindow->Widgets(); }
    TSearchDialog& Dialog() { return fWindow->Search().Dialog(); }

    // Opens the search, then runs one find-next per call of Next.
    void Start(const std::string& text, bool down = true)
    {
        Form().actSearch->trigger();
        Dialog().SetFindText(text);
        Dialog().SetSearchDown(down);
    }
    void Next() { QTest::mouseClick(Dialog().BtnFindNext(), Qt::LeftButton); }

    std::string Current(const QTreeWidget* tree) const
    {
        return tree->currentItem() ? tree->currentItem()->text(0).toStdString() : std::string("(none)");
    }
    std::string CurrentEvent() const { return Current(fWindow->Widgets().TrvEvents); }
    std::string EventText(int session, int event, int ageGroup = -1) const
    {
        QTreeWidgetItem* node = fWindow->Widgets().TrvEvents->topLevelItem(session)->child(event);
        return (ageGroup >= 0 ? node->child(ageGroup) : node)->text(0).toStdString();
    }

    // The name whose cell the list shows in the highlight colour, as drawn; empty when no line is highlighted.
    std::string HighlightedName()
    {
        TkvnPaintBox& box = *Form().pbEvents;
        QImage image = box.viewport()->grab().toImage();
        QRgb highlight = QApplication::palette().color(QPalette::Highlight).rgb();
        int scroll = box.verticalScrollBar()->value();
        for (const TDrawnText& text : box.DrawnTexts()) {
            for (int y = text.Y - scroll; y < text.Y - scroll + text.Height; ++y)
                for (int x = text.X; x < text.X + text.Width; ++x)
                    if (image.valid(x, y) && image.pixel(x, y) == highlight) return text.Text;
        }
        return {};
    }

    TProgramFolder fFolder;
    TRecordedBoxes fBoxes;
    std::unique_ptr<TfrmView> fWindow;
};

} // namespace

TEST(NameMatcher, UpperCasesUnicodeButKeepsAccents)
{
    EXPECT_TRUE(TNameMatcher("mül").Matches("Müller Hans, 87"));
    EXPECT_TRUE(TNameMatcher("MÜL").Matches("Müller Hans, 87"));
    EXPECT_TRUE(TNameMatcher("er h").Matches("Müller Hans, 87"));
    EXPECT_FALSE(TNameMatcher("mul").Matches("Müller Hans, 87"));
    EXPECT_FALSE(TNameMatcher("lea").Matches("Lefèvre Léa, 07"));
    EXPECT_TRUE(TNameMatcher("LÉA").Matches("Lefèvre Léa, 07"));
}

TEST_F(Search, DownFromNothingSelectedWalksTheListsInTreeOrderWithoutWrapping)
{
    Start("er");
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(0, 0));
    EXPECT_EQ(fWindow->Events().LastHitIndex, 1);
    EXPECT_EQ(HighlightedName(), "Berger A, 90");
    // The next hit lies in the list already shown: it is drawn again with the highlight moved.
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(0, 0));
    EXPECT_EQ(HighlightedName(), "Sommer A, 90");
    // On into the collapsed age groups of the next event, which open to show the hit.
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(0, 1, 0));
    EXPECT_TRUE(Form().TrvEvents->currentItem()->parent()->isExpanded());
    EXPECT_EQ(HighlightedName(), "Fischer A, 90");
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(0, 1, 1));
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(1, 0));
    EXPECT_EQ(HighlightedName(), "Zimmer A, 90");
    Next();
    EXPECT_EQ(fWindow->Events().LastHitIndex, 2); // Moser, whose time is not valid
    EXPECT_TRUE(fBoxes.Texts.empty());
    // Past the last match: V/27 as a warning, and the last hit stays selected.
    Next();
    ASSERT_EQ(fBoxes.Texts.size(), 1u);
    EXPECT_EQ(fBoxes.Texts[0], GetLanguage().GetText("V", 27));
    EXPECT_TRUE(fBoxes.Warnings[0]);
    EXPECT_EQ(CurrentEvent(), EventText(1, 0));
    EXPECT_EQ(fWindow->Events().LastHitIndex, 2);
}

TEST_F(Search, UpFromNothingSelectedStartsAtTheLastLineAndLeavesAListAfterItsFirstLine)
{
    Start("er", false);
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(1, 0));
    EXPECT_EQ(HighlightedName(), "Moser A, 90");
    Next();
    EXPECT_EQ(HighlightedName(), "Zimmer A, 90");
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(0, 1, 1));
    EXPECT_EQ(fWindow->Events().LastHitIndex, 0);
    // A hit on the first line of a list: the next step up goes on in the list before, not at this list's end.
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(0, 1, 0));
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(0, 0));
    EXPECT_EQ(HighlightedName(), "Sommer A, 90");
    Next();
    EXPECT_EQ(HighlightedName(), "Berger A, 90");
    Next();
    EXPECT_EQ(fBoxes.Texts.size(), 1u);
    EXPECT_EQ(CurrentEvent(), EventText(0, 0));
}

TEST_F(Search, HitHiddenByTheOnlyValidFilterSelectsTheListWithoutHighlight)
{
    Form().chkEvOnlyValids->setChecked(true);
    Start("moser");
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(1, 0));
    EXPECT_EQ(fWindow->Events().LastHitIndex, 2);
    EXPECT_EQ(HighlightedName(), "");
    Form().chkEvOnlyValids->setChecked(false);
    Start("moser");
    Next();
    EXPECT_EQ(HighlightedName(), "Moser A, 90");
}

TEST_F(Search, AfterSelectingAnotherEventByHandTheSearchGoesOnAfterTheLastHitIndex)
{
    Start("er");
    Next();
    ASSERT_EQ(fWindow->Events().LastHitIndex, 1);
    Form().TrvEvents->setCurrentItem(Form().TrvEvents->topLevelItem(1)->child(0));
    Next();
    // Line 2 of event 3 (Moser), not its first match Zimmer on line 1.
    EXPECT_EQ(CurrentEvent(), EventText(1, 0));
    EXPECT_EQ(fWindow->Events().LastHitIndex, 2);
}

TEST_F(Search, UpFromAListSelectedByHandStartsAtItsLastLine)
{
    Start("er", false);
    Form().TrvEvents->setCurrentItem(Form().TrvEvents->topLevelItem(0)->child(0));
    Next();
    EXPECT_EQ(CurrentEvent(), EventText(0, 0));
    EXPECT_EQ(HighlightedName(), "Sommer A, 90");
}

TEST_F(Search, ClosingForgetsTheLastHitAndOpeningStartsFromTheTop)
{
    Start("er");
    Next();
    Next();
    ASSERT_EQ(fWindow->Events().LastHitIndex, 3);
    QTest::mouseClick(Dialog().BtnClose(), Qt::LeftButton);
    EXPECT_FALSE(Dialog().isVisible());
    EXPECT_EQ(fWindow->Events().LastHitIndex, -1);
    EXPECT_EQ(fWindow->Events().HitIndex, -1);

    // Opening deselects both trees and empties the lists; the direction is down again.
    Dialog().SetSearchDown(false);
    Form().actSearch->trigger();
    EXPECT_TRUE(Dialog().SearchDown());
    EXPECT_EQ(Form().TrvEvents->currentItem(), nullptr);
    EXPECT_TRUE(Form().hcEvents->isHidden());
    Next();
    EXPECT_EQ(HighlightedName(), "Berger A, 90");
}

TEST_F(Search, ParticipantsPageFindsOnlyAthletesAndRelayTeams)
{
    Form().PgcMain->setCurrentIndex(TfrmView::pgParticipants);
    // The nation GER and the club Berner SC contain the text too, but are not hits.
    Start("er");
    Next();
    EXPECT_EQ(Current(Form().trvClubs), "Berger A, 90");
    EXPECT_FALSE(Form().hcClubs->isHidden()); // its list is shown
    Next();
    EXPECT_EQ(Current(Form().trvClubs), "Fischer A, 90");

    Start("er", false);
    Next();
    EXPECT_EQ(Current(Form().trvClubs), "Zimmer A, 90");
    Next();
    EXPECT_EQ(Current(Form().trvClubs), "Weber A, 90");

    Start("berner");
    Next();
    ASSERT_EQ(fBoxes.Texts.size(), 1u);
    EXPECT_EQ(fBoxes.Texts[0], GetLanguage().GetText("V", 27));
    EXPECT_EQ(Form().trvClubs->currentItem(), nullptr);
}

TEST_F(Search, HitFarDownALongListIsScrolledIntoView)
{
    std::string persons;
    for (int i = 1; i <= 80; ++i)
        persons += Person(i, i == 70 ? "Needle" : "Hay" + std::to_string(i), 1, Ranked(i));
    fWindow->LoadFile(fFolder.Write("long.ovf", Meet("<PERIODS><PERIOD><NUM>1</NUM><DATE>20240601</DATE><EVENTS>" +
                                                     Event(1) + "</EVENTS></PERIOD></PERIODS><CLUBS><CLUB><NAME>C" +
                                                     "</NAME><PERSONS>" + persons + "</PERSONS></CLUB></CLUBS>")));
    Start("needle");
    Next();
    EXPECT_EQ(fWindow->Events().LastHitIndex, 69);
    EXPECT_GT(Form().pbEvents->verticalScrollBar()->value(), 0);
    EXPECT_EQ(HighlightedName(), "Needle A, 90");
}

TEST_F(Search, ClosingTheFileClosesTheDialog)
{
    Start("er");
    ASSERT_TRUE(Dialog().isVisible());
    fWindow->CloseFile();
    EXPECT_FALSE(Dialog().isVisible());
}

TEST_F(Search, DialogPositionIsKeptInTheSettings)
{
    Dialog().SetPosition(QPoint(120, 80));
    Start("er");
    EXPECT_EQ(Dialog().pos(), QPoint(120, 80));
    fWindow->close();
    fWindow.reset();
    EXPECT_EQ(SettingsFile().ReadInteger("main", "FDlgLeft", -1), 120);
    EXPECT_EQ(SettingsFile().ReadInteger("main", "FDlgTop", -1), 80);

    TfrmView reopened;
    ASSERT_TRUE(reopened.Search().Dialog().Position().has_value());
    EXPECT_EQ(*reopened.Search().Dialog().Position(), QPoint(120, 80));
    // A place that no screen shows any more is not used.
    reopened.Search().Dialog().SetPosition(QPoint(-30000, -30000));
    reopened.Search().Dialog().show();
    EXPECT_NE(reopened.Search().Dialog().pos(), QPoint(-30000, -30000));
}

TEST_F(Search, TheDialogShowsTheTextsOfTheLanguageFile)
{
    auto texts = [this] {
        return std::vector<std::string>{
            Dialog().windowTitle().toStdString(), Dialog().findChild<QLabel*>("lblFindText")->text().toStdString(),
            Dialog().BtnFindNext()->text().toStdString(), Dialog().BtnClose()->text().toStdString()};
    };
    Start("er");
    EXPECT_EQ(texts(), (std::vector<std::string>{"Search", "Find &what:", "&Find next", "&Close"}));
    Dialog().reject();
    ASSERT_TRUE(GetLanguage().LoadLanguage(1, true));
    EXPECT_EQ(texts(), (std::vector<std::string>{"Suchen", "Suchen &nach:", "&Weitersuchen", "&Schliessen"}));
    // Opening it again keeps them.
    Start("er");
    EXPECT_EQ(texts(), (std::vector<std::string>{"Suchen", "Suchen &nach:", "&Weitersuchen", "&Schliessen"}));
}
