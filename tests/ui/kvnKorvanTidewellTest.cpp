#include "kvnKorvanTidewell.h"

#include "kvnLabel.h"
#include "kvnLanguageForms.h"
#include "kvnWinX.h"
#include "ui_TKvnFKorvanScreen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kvn;
using namespace std::chrono_literals;

namespace {

TStartScreenFactory KorvanScreen()
{
    return [] { return std::make_unique<TKvnFKorvanScreen>(); };
}

TKvnFKorvanScreen& Shown(TKvnStartScreens& screens)
{
    return static_cast<TKvnFKorvanScreen&>(*screens.Screen());
}

// Runs action on the modal window that comes up next, once it is up.
void OnNextModal(std::function<void(QWidget&)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        action(*modal);
    });
}

} // namespace

TEST(KorvanScreen, InformationBoxShowsLogoVersionAndCaptionAndClosesOnEscAndOk)
{
    TKvnFKorvanScreen box;
    Ui::TKvnFKorvanScreen& ui = box.Widgets();
    EXPECT_EQ(box.windowTitle(), "Info");
    EXPECT_EQ(box.size(), QSize(440, 290));
    ASSERT_FALSE(ui.ImgLogo->pixmap().isNull());
    EXPECT_EQ(ui.ImgLogo->pixmap().size(), QSize(430, 160));
    EXPECT_FALSE(ui.ImgSmallLogo->pixmap().isNull());
    EXPECT_EQ(ui.LAppVersion->text().toStdString(), "Release " + GetSystemInfo().Version());
    EXPECT_EQ(ui.LAppVersion->font().pixelSize(), 13);
    EXPECT_TRUE(ui.LAppVersion->font().bold());
    EXPECT_EQ(ui.kvnLabel1->text(), "Swimming results at a glance, from the pool deck to the podium.");
    EXPECT_TRUE(ui.LProgressInfo->isHidden());
    EXPECT_TRUE(ui.MemCredits->isHidden());
    EXPECT_TRUE(ui.BCredits->isHidden());
    EXPECT_EQ(ui.BOK->x(), (ui.PnlButton->width() - ui.BOK->width()) / 2);

    // As information box, modal with its OK button; Esc and OK both close it.
    OnNextModal([](QWidget& modal) {
        EXPECT_NE(qobject_cast<TKvnFKorvanScreen*>(&modal), nullptr);
        QTest::keyClick(&modal, Qt::Key_Escape);
    });
    EXPECT_EQ(ShowAbout(nullptr), QDialog::Rejected);
    OnNextModal([](QWidget& modal) {
        auto& screen = static_cast<TKvnFKorvanScreen&>(modal);
        EXPECT_TRUE(screen.Widgets().BOK->isVisible());
        screen.Widgets().BOK->click();
    });
    EXPECT_EQ(ShowAbout(nullptr), QDialog::Accepted);
}

TEST(KorvanScreen, DamagedOrMissingLogoLeavesThePictureEmpty)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile logo(kLogoResource);
    ASSERT_TRUE(logo.open(QIODevice::ReadOnly));
    QByteArray good = logo.readAll();
    for (const QByteArray& bytes : {QByteArray("no picture at all"), good.left(good.size() / 3), QByteArray()}) {
        QString path = dir.filePath("logo.jpg");
        QFile damaged(path);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(bytes);
        damaged.close();
        TKvnFKorvanScreen box(nullptr, path);
        EXPECT_TRUE(box.Widgets().ImgLogo->pixmap().isNull()) << bytes.size() << " bytes";
        EXPECT_FALSE(box.Widgets().LAppVersion->text().isEmpty());
    }
    TKvnFKorvanScreen missing(nullptr, dir.filePath("none.jpg"));
    EXPECT_TRUE(missing.Widgets().ImgLogo->pixmap().isNull());
}

TEST(StartScreen, StaysForTheShortestTimeAndUntilTheMainWindowIsReady)
{
    TKvnStartScreens screens;
    screens.Show(2s, KorvanScreen());
    ASSERT_NE(screens.Screen(), nullptr);
    TKvnFKorvanScreen& screen = Shown(screens);
    EXPECT_TRUE(screen.isVisible());
    EXPECT_TRUE(screen.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(screen.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(screen.isModal());
    EXPECT_EQ(screen.size(), QSize(440, 245));
    EXPECT_TRUE(screen.Widgets().PnlButton->isHidden());
    EXPECT_TRUE(screen.Widgets().LProgressInfo->isVisible());
    EXPECT_TRUE(screen.Widgets().LProgressInfo->text().isEmpty());
    EXPECT_TRUE(screens.Timer().isActive());
    EXPECT_EQ(screens.Timer().interval(), 2000);

    screens.ShowStatus("Loading file meet.ovz");
    EXPECT_EQ(screen.Widgets().LProgressInfo->text(), "Loading file meet.ovz");

    // The 2 seconds are over while the main window still loads: checks every 50 ms, the screen stays.
    screens.Tick();
    screens.Tick();
    ASSERT_NE(screens.Screen(), nullptr);
    EXPECT_EQ(screens.Timer().interval(), TKvnStartScreens::kCloseCheckInterval);
    screens.MayClose();
    screens.Tick();
    EXPECT_EQ(screens.Screen(), nullptr);
    EXPECT_FALSE(screens.Timer().isActive());
    screens.ShowStatus("too late"); // nothing to show it on, and no harm

    // A main window that is ready early does not shorten the shortest time: only the first tick closes.
    screens.Show(2s, KorvanScreen());
    screens.MayClose();
    QApplication::processEvents();
    EXPECT_NE(screens.Screen(), nullptr);
    screens.Tick();
    EXPECT_EQ(screens.Screen(), nullptr);
}

TEST(StartScreen, ClosesByItsOwnTimerAndGivesWayToQuestions)
{
    TKvnStartScreens screens;
    screens.Show(20ms, KorvanScreen());
    QMessageBox question(QMessageBox::Question, "Veltro", "Register the file extensions?");
    question.setWindowModality(Qt::ApplicationModal);
    question.show();
    // A question must not sit hidden under the screen that stays on top.
    EXPECT_FALSE(screens.Screen()->isVisible());
    question.close();

    screens.MayClose();
    EXPECT_TRUE(QTest::qWaitFor([&] { return screens.Screen() == nullptr; }, 5000));
    EXPECT_FALSE(screens.Timer().isActive());
}

TEST(ScrambledLabel, CaptionIsUnscrambledForDisplayAndKeptOutOfTheFormSections)
{
    const std::string caption = "Zürich – 50 m";
    std::string scrambled = ScrambleCaption(caption);
    EXPECT_EQ(scrambled.find("rich"), std::string::npos);
    EXPECT_EQ(UnscrambleCaption(scrambled), caption);
    EXPECT_EQ(UnscrambleCaption("ABC"), "");
    EXPECT_EQ(UnscrambleCaption("ZZ"), "");

    TkvnLabel label;
    label.setObjectName("kvnLabel1");
    label.setScrambledCaption(QString::fromStdString(scrambled));
    EXPECT_EQ(label.text().toStdString(), caption);
    EXPECT_EQ(ComponentTexts(label), "");
    ApplyComponentTexts(label, {"Changed", "hint"}, 0, 2);
    EXPECT_EQ(label.text().toStdString(), caption);
}
