#include "liveReload.h"
#include "browserTree.h"
#include "eventsBrowser.h"
#include "guiTestSupport.h"
#include "kvnIniFiles.h"
#include "kvnPaintbox.h"
#include "orvGenerator.h"
#include "participantsBrowser.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <filesystem>
#include <fstream>

using namespace kvn;
using namespace veltro;
using veltrotest::TProgramFolder;
using veltrotest::TRecordedBoxes;

namespace {

class LiveReload : public ::testing::Test {
protected:
    void SetUp() override
    {
        TOrvGenOptions options;
        options.Seed = 7;
        options.Competitions = 2;
        options.Clubs = 4;
        options.AthletesPerClub = 12;
        fMeet = GenerateOrvida(options);
        fPath = fFolder.Write("live.ovf", fMeet);
        SettingsFile().WriteBool("main", "AutoReload", true);
        fWindow = std::make_unique<TfrmView>();
        fWindow->LiveReload().SetQuietTime(20);
        fWindow->resize(700, 400);
        fWindow->show();
        fWindow->LoadFile(fPath);
        ASSERT_EQ(fWindow->Competitions().count(), 2);
    }

    // The meet as before with the competitions renamed, so that a reload shows.
    std::string Renamed(const std::string& prefix) const
    {
        std::string meet = fMeet;
        for (std::size_t at = meet.find("<COMPETITION"); at != std::string::npos;
             at = meet.find("<COMPETITION", at + 1)) {
            std::size_t name = meet.find("<NAME>", at);
            if (name != std::string::npos) meet.insert(name + 6, prefix);
        }
        return meet;
    }

    // Shows the second competition, a node deep in both trees, and the event list scrolled down.
    void SelectSomething()
    {
        fWindow->Competitions().setCurrentIndex(1);
        Ui::TfrmView& form = fWindow->Widgets();
        form.PgcMain->setCurrentIndex(TfrmView::pgEvents);
        // The first node below the top level whose list is longer than the box.
        QTreeWidgetItem* event = nullptr;
        for (QTreeWidgetItemIterator it(form.TrvEvents); *it && !event; ++it) {
            if (!(*it)->parent()) continue;
            // Without the browsers' delay, which would draw the list again scrolled to the top.
            {
                QSignalBlocker quiet(form.TrvEvents);
                form.TrvEvents->setCurrentItem(*it);
            }
            fWindow->Events().ShowEventList(*it);
            if (form.pbEvents->verticalScrollBar()->maximum() > 0) event = *it;
        }
        ASSERT_NE(event, nullptr);
        QTreeWidgetItem* club = form.trvClubs->topLevelItem(1);
        {
            QSignalBlocker quiet(form.trvClubs);
            form.trvClubs->setCurrentItem(club->child(0) ? club->child(0) : club);
        }
        fWindow->Participants().Refresh();
        QScrollBar* scroll = form.pbEvents->verticalScrollBar();
        scroll->setValue(scroll->maximum() / 2);
        fEventNode = NodePath(form.TrvEvents->currentItem());
        fClubNode = NodePath(form.trvClubs->currentItem());
        fScroll = scroll->value();
    }

    void ExpectSelectionKept()
    {
        Ui::TfrmView& form = fWindow->Widgets();
        EXPECT_EQ(fWindow->Competitions().currentIndex(), 1);
        EXPECT_EQ(form.PgcMain->currentIndex(), TfrmView::pgEvents);
        EXPECT_EQ(NodePath(form.TrvEvents->currentItem()), fEventNode);
        EXPECT_EQ(NodePath(form.trvClubs->currentItem()), fClubNode);
        EXPECT_EQ(form.pbEvents->verticalScrollBar()->value(), fScroll);
        EXPECT_TRUE(form.acPrint->isEnabled());
    }

    bool WaitForCompetition(const QString& prefix)
    {
        return QTest::qWaitFor([&] { return fWindow->Competitions().itemText(1).startsWith(prefix); }, 10000);
    }

    static void WriteFile(const std::string& path, const std::string& content)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    }

    QString Status() const { return fWindow->statusBar()->currentMessage(); }

    TProgramFolder fFolder;
    TRecordedBoxes fBoxes;
    std::string fMeet;
    std::string fPath;
    std::unique_ptr<TfrmView> fWindow;
    QStringList fEventNode;
    QStringList fClubNode;
    int fScroll = 0;
};

} // namespace

TEST_F(LiveReload, AFileRewrittenInPlaceOrReplacedByARenameIsReloadedWithTheSelectionKept)
{
    ASSERT_TRUE(fWindow->Widgets().acAutoReload->isChecked());
    ASSERT_NO_FATAL_FAILURE(SelectSomething());
    ASSERT_GT(fScroll, 0);
    ASSERT_GT(fEventNode.size(), 1);

    WriteFile(fPath, Renamed("Live "));
    ASSERT_TRUE(WaitForCompetition("Live "));
    ExpectSelectionKept();
    EXPECT_TRUE(Status().startsWith("File reloaded at ")) << Status().toStdString();
    // A node that the new file no longer has gives way to its parent.
    EXPECT_EQ(FindNodePath(*fWindow->Widgets().TrvEvents, fEventNode + QStringList{"gone"}),
              fWindow->Widgets().TrvEvents->currentItem());

    // As writers do: the new file is written beside the old one and renamed over it.
    std::string written = fPath + ".part";
    WriteFile(written, Renamed("Renamed "));
    std::filesystem::rename(written, fPath);
    ASSERT_TRUE(WaitForCompetition("Renamed "));
    ExpectSelectionKept();

    // Once more in place: the watch follows the file that the rename put there.
    WriteFile(fPath, Renamed("Again "));
    ASSERT_TRUE(WaitForCompetition("Again "));
    ExpectSelectionKept();
    EXPECT_TRUE(fBoxes.Texts.empty());
}

TEST_F(LiveReload, AHalfWrittenFileKeepsTheShownResultsUntilItIsComplete)
{
    ASSERT_NO_FATAL_FAILURE(SelectSomething());
    std::string complete = Renamed("Complete ");
    WriteFile(fPath, complete.substr(0, complete.size() / 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Status().startsWith("Reloading at "); }, 10000));
    EXPECT_TRUE(Status().contains("the results read before are still shown")) << Status().toStdString();
    EXPECT_TRUE(fBoxes.Texts.empty());
    EXPECT_FALSE(fWindow->Competitions().itemText(1).startsWith("Complete "));
    ExpectSelectionKept();
    EXPECT_GT(fWindow->Widgets().pbEvents->DrawnTexts().size(), 0u);

    WriteFile(fPath, complete);
    ASSERT_TRUE(WaitForCompetition("Complete "));
    ExpectSelectionKept();
}

TEST_F(LiveReload, AChangeUnderAModalDialogIsReadWhenTheDialogCloses)
{
    QDialog dialog(fWindow.get());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    WriteFile(fPath, Renamed("Later "));
    QTest::qWait(200);
    EXPECT_FALSE(fWindow->Competitions().itemText(1).startsWith("Later "));
    dialog.hide();
    EXPECT_TRUE(WaitForCompetition("Later "));
}

TEST_F(LiveReload, NothingIsReloadedWhileSwitchedOff)
{
    fWindow->Widgets().acAutoReload->setChecked(false);
    WriteFile(fPath, Renamed("Off "));
    QTest::qWait(200);
    EXPECT_FALSE(fWindow->Competitions().itemText(1).startsWith("Off "));
    fWindow->close();
    EXPECT_FALSE(SettingsFile().ReadBool("main", "AutoReload", true));
}
