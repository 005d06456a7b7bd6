#include "recentFiles.h"
#include "guiTestSupport.h"
#include "kvnIniFiles.h"
#include "orvGenerator.h"
#include "ui_TfrmView.h"
#include "view.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <filesystem>

using namespace kvn;
using namespace veltro;
using veltrotest::TProgramFolder;
using veltrotest::TRecordedBoxes;

namespace {

class RecentFiles : public ::testing::Test {
protected:
    std::string WriteMeet(const std::string& name, std::uint64_t seed)
    {
        TOrvGenOptions options;
        options.Seed = seed;
        options.Clubs = 2;
        options.AthletesPerClub = 3;
        return std::filesystem::absolute(fFolder.Write(name, GenerateOrvida(options))).lexically_normal().string();
    }

    // The numbered commands that the "Datei" menu shows when it opens.
    static std::vector<QAction*> ShownRecent(TfrmView& window)
    {
        QMenu& menu = *window.Widgets().mnuDatei;
        emit menu.aboutToShow();
        std::vector<QAction*> shown;
        for (QAction* action : menu.actions())
            if (action->isVisible() && action->text().startsWith('&') && action->text().at(1).isDigit())
                shown.push_back(action);
        return shown;
    }

    static void Drop(TfrmView& window, const std::string& path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        if (!enter.isAccepted()) return;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
    }

    TProgramFolder fFolder;
    TRecordedBoxes fBoxes;
};

} // namespace

TEST_F(RecentFiles, SurviveARestartMostRecentFirstAndLoseFilesThatAreGone)
{
    std::string first = WriteMeet("first.ovf", 1);
    std::string second = WriteMeet("second.ovf", 2);
    std::string third = WriteMeet("third.ovf", 3);
    {
        TfrmView window;
        window.LoadFile(first);
        window.LoadFile(second);
        window.LoadFile(third);
        window.LoadFile(first); // opened again: moves to the top instead of standing twice
        window.close();
    }
    EXPECT_EQ(SettingsFile().ReadString("Files", "Recent1", ""), first);
    EXPECT_EQ(SettingsFile().ReadString("Files", "Recent2", ""), third);
    EXPECT_EQ(SettingsFile().ReadString("Files", "Recent3", ""), second);
    EXPECT_EQ(SettingsFile().ReadString("Files", "Recent4", ""), "");

    std::filesystem::remove(third);
    TfrmView restarted;
    std::vector<QAction*> shown = ShownRecent(restarted);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0]->text().toStdString(), "&1 " + first);
    EXPECT_EQ(shown[1]->text().toStdString(), "&2 " + second);
    EXPECT_EQ(shown[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_2));
    // Listed above "Beenden", which stays the last command.
    EXPECT_EQ(restarted.Widgets().mnuDatei->actions().back(), restarted.Widgets().acQuit);
    EXPECT_TRUE(restarted.actions().contains(shown[0]));

    // Choosing one opens it as the open command would, and puts it first.
    shown[1]->trigger();
    EXPECT_TRUE(fBoxes.Texts.empty());
    EXPECT_EQ(restarted.CurrentFile(), second);
    EXPECT_EQ(restarted.Competitions().count(), 1);
    EXPECT_EQ(restarted.RecentFiles().Files(), (std::vector<std::string>{second, first}));
    restarted.close();
    EXPECT_EQ(SettingsFile().ReadString("Files", "Recent3", "gone"), "gone");
}

TEST_F(RecentFiles, OnlyTheLastEightAreKept)
{
    TfrmView window;
    for (int i = 0; i < 10; ++i)
        window.LoadFile(WriteMeet("meet" + std::to_string(i) + ".ovf", 5));
    EXPECT_EQ(ShownRecent(window).size(), 8u);
    EXPECT_EQ(window.RecentFiles().Files().front(), WriteMeet("meet9.ovf", 5));
}

TEST_F(RecentFiles, ADroppedResultFileIsOpenedAndOtherFilesAreIgnored)
{
    TfrmView window;
    std::string notes = fFolder.Write("notes.txt", "<?xml version=\"1.0\"?>");
    Drop(window, notes);
    EXPECT_EQ(window.Competitions().count(), 0);
    EXPECT_TRUE(window.CurrentFile().empty());

    std::string meet = WriteMeet("dropped.OVF", 4);
    Drop(window, meet);
    EXPECT_TRUE(fBoxes.Texts.empty());
    EXPECT_EQ(window.CurrentFile(), meet);
    EXPECT_EQ(window.Competitions().count(), 1);
    EXPECT_EQ(window.RecentFiles().Files().front(), meet);

    EXPECT_TRUE(IsResultFileName("a/b.twf"));
    EXPECT_TRUE(IsResultFileName("b.Kvt"));
    EXPECT_FALSE(IsResultFileName("ovf"));
}
