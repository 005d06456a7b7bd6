#include "kvnCompetitionInfo.h"

#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"
#include "kvnShell.h"
#include "kvnStrings.h"
#include "orvElements.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>

using namespace kvn;

namespace {

// Gives each test a language file of its own with the pool format and the timing names, and builds competitions
// from "TAG=text" lines, where "CONTACT." and "POINTTABLE." put the tag into that child object.
class CompetitionInfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "kvnui_tests";
            static char* argv[] = {name, nullptr};
            static QApplication application(argc, argv);
        }
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        std::string language = "[S]\n" + RepeatText("=\n", 45) + "46=%d %s pool\n47=automatic;manual\n";
        QFile file(fDir.path() + "/veltro.xus");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(language.c_str()) > 0);
        file.close();
        SetExecutablePath(fDir.path().toStdString() + "/veltro");
        SetSettingsFilePath(fDir.path().toStdString() + "/veltro.INI");
        FreeLanguage();
        ASSERT_TRUE(GetLanguage().LoadLanguage(3, false));
        fDialog = std::make_unique<TKvnFCompetitionInfo>();
    }
    void TearDown() override
    {
        fDialog.reset();
        SetUrlOpener(nullptr);
        FreeLanguage();
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }

    TOrvObject* Competition(std::initializer_list<std::string_view> lines)
    {
        TOrvObject* competition = fTree.CreateObject(otCOMPETITION);
        for (std::string_view line : lines) {
            TOrvAbstractObject* parent = competition;
            std::size_t dot = line.substr(0, line.find('=')).find('.');
            if (dot != std::string_view::npos) {
                TOrvTagKind kind = TagKindOf(line.substr(0, dot));
                if (!competition->Contains(kind)) competition->Add(fTree.CreateObject(kind));
                parent = competition->Child(kind)->AsObject();
                line.remove_prefix(dot + 1);
            }
            std::size_t equals = line.find('=');
            TOrvDataElement* data = fTree.CreateData(TagKindOf(line.substr(0, equals)));
            data->SetText(line.substr(equals + 1));
            parent->Add(data);
        }
        return competition;
    }
    TOrvObject* FullCompetition()
    {
        return Competition({"NAME=Spring <b>Meet</b>", "PLACE=Z\xC3\xBCrich", "PL=50", "PM=m", "TI=A",
                            "DEADLINE=20240315", "CONTACT.FNAME=Anna", "CONTACT.NAME=Muster",
                            "CONTACT.STREET=Seestrasse 1", "CONTACT.ZIP=8000", "CONTACT.PLACE=Z\xC3\xBCrich",
                            "CONTACT.PHONE=044 1", "CONTACT.FAX=044 2", "CONTACT.EMAIL=meet@example.org",
                            "CONTACT.INTERNET=www.example.org", "POINTTABLE.NAME=World points",
                            "POINTTABLE.VERSION=2024"});
    }
    template <typename T = QLabel>
    T* Widget(const char* name) const
    {
        T* widget = fDialog->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    std::string Field(const char* name) const { return Widget(name)->text().toStdString(); }
    void ClickWebAddress()
    {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(Widget("edInternet"), &release);
    }

    QTemporaryDir fDir;
    std::string fSavedExecutable;
    std::string fSavedSettings;
    TOrvTree fTree;
    std::unique_ptr<TKvnFCompetitionInfo> fDialog;
};

} // namespace

TEST_F(CompetitionInfo, ShowsEveryPartOfTheCompetition)
{
    fDialog->ShowCompetition(*FullCompetition(), true);
    const std::pair<const char*, std::string> expected[] = {{"edName", "Spring <b>Meet</b>"},
                                                            {"edPlace", "Z\xC3\xBCrich"},
                                                            {"edPool", "50 m pool"},
                                                            {"edTiming", "automatic"},
                                                            {"edDeadline", FormatDate(true, EncodeDate(2024, 3, 15))},
                                                            {"edContactName", "Anna Muster"},
                                                            {"edStreet", "Seestrasse 1"},
                                                            {"edContactPlace", "8000 Z\xC3\xBCrich"},
                                                            {"edPhone", "044 1"},
                                                            {"edFax", "044 2"},
                                                            {"edEmail", "meet@example.org"},
                                                            {"edInternet", "www.example.org"},
                                                            {"edPointTable", "World points"},
                                                            {"edVersion", "2024"}};
    for (const auto& [name, text] : expected)
        EXPECT_EQ(Field(name), text) << name;
    // Texts of the file are never read as markup.
    EXPECT_EQ(Widget("edName")->textFormat(), Qt::PlainText);
    EXPECT_EQ(Widget("edInternet")->toolTip(), "www.example.org");
    EXPECT_EQ(Widget("edInternet")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(Widget("lblVersion")->isEnabled());
    EXPECT_TRUE(Widget<QGroupBox>("grpPointTable")->isVisibleTo(fDialog.get()));

    std::vector<QUrl> opened;
    SetUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    ClickWebAddress();
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("http://www.example.org")});
}

TEST_F(CompetitionInfo, TimingIsAutomaticOnlyForExactlyA)
{
    for (auto [ti, timing] : {std::pair{"TI=A", "automatic"}, std::pair{"TI=M1", "manual"}, std::pair{"TI=a", "manual"},
                              std::pair{"PL=50", "manual"}}) {
        fDialog->ShowCompetition(*Competition({ti}), true);
        EXPECT_EQ(Field("edTiming"), timing) << ti;
    }
}

TEST_F(CompetitionInfo, MissingPartsLeaveEmptyFieldsAfterAFullCompetition)
{
    fDialog->ShowCompetition(*FullCompetition(), true);
    TOrvObject* bare = Competition({});
    fDialog->ShowCompetition(*bare, false);
    // The deadline is asked for with the create flag, so the competition gains an empty one.
    EXPECT_TRUE(bare->Contains(otDEADLINE));
    for (const char* field : {"edName", "edDeadline", "edContactName", "edStreet", "edContactPlace", "edPhone", "edFax",
                              "edEmail", "edInternet", "edPointTable", "edVersion"})
        EXPECT_EQ(Field(field), "") << field;
    EXPECT_EQ(Widget("edInternet")->toolTip(), "");
    EXPECT_NE(Widget("edInternet")->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(Widget("lblVersion")->isEnabled());
    EXPECT_EQ(Widget<QGroupBox>("grpPointTable")->palette().color(QPalette::WindowText), QColor(Qt::gray));
    EXPECT_FALSE(Widget<QGroupBox>("grpPointTable")->isVisibleTo(fDialog.get()));

    bool opened = false;
    SetUrlOpener([&](const QUrl&) { return opened = true; });
    ClickWebAddress();
    EXPECT_FALSE(opened);
}

TEST_F(CompetitionInfo, ADeadlineThatIsNoDateShowsTheFileText)
{
    fDialog->ShowCompetition(*Competition({"DEADLINE=15.03.2024"}), true);
    EXPECT_EQ(Field("edDeadline"), "15.03.2024");
}

TEST(PoolText, FillsLengthAndUnitAndCopiesEverythingElse)
{
    EXPECT_EQ(FormatPoolText("Bahnl\xC3\xA4nge %d %s", 25, "yd"), "Bahnl\xC3\xA4nge 25 yd");
    EXPECT_EQ(FormatPoolText("%3d%s 100%%", 50, "m"), "50m 100%");
    // A language file with more or other conversions than it should have cannot reach past the two values.
    EXPECT_EQ(FormatPoolText("%s %s %s %n %", 50, "m"), "50 m %s %n %");
}
