#include "kvnStatus.h"

#include "printTestSupport.h"

#include "kvnFormatSettings.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTemporaryDir>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

using namespace kvn;

namespace {

// Each test has a language file whose entry G/68 is the abort question.
class StatusDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(QApplication::instance(), nullptr);
        ASSERT_TRUE(fDir.isValid());
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        fSavedFormat = FormatSettings();
        std::string language = "[G]\n";
        for (int i = 1; i < 68; ++i)
            language += std::to_string(i) + "=\n";
        language += "68=Really cancel?\n";
        QFile file(fDir.filePath("veltro.xus"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(language.c_str());
        file.close();
        SetExecutablePath(fDir.filePath("veltro").toStdString());
        SetSettingsFilePath(fDir.filePath("veltro.INI").toStdString());
        FreeLanguage();
        ASSERT_TRUE(GetLanguage().LoadLanguage(3, false));
    }
    void TearDown() override
    {
        FreeLanguage();
        FormatSettings() = fSavedFormat;
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }

    static QPushButton& AbortButton(TKvnStatusDlg& dialog) { return *dialog.findChild<QPushButton*>("btnAbort"); }

    // A click on the abort button that the dialog sees only when window messages are handled.
    static void QueueAbortClick(TKvnStatusDlg& dialog)
    {
        QMetaObject::invokeMethod(&AbortButton(dialog), &QPushButton::click, Qt::QueuedConnection);
    }

    kvntest::TScriptedAnswers fAnswers;
    QTemporaryDir fDir;
    std::string fSavedExecutable;
    std::string fSavedSettings;
    TFormatSettings fSavedFormat;
};

bool Hidden(TKvnStatusDlg& dialog, const char* name)
{
    return dialog.findChild<QWidget*>(name)->isHidden();
}

} // namespace

TEST_F(StatusDialog, SizesFollowTheLinesAndTheAbortButton)
{
    TKvnStatusDlg twoWithAbort(nullptr, 2, true);
    EXPECT_EQ(twoWithAbort.size(), QSize(280, 147));
    EXPECT_EQ(AbortButton(twoWithAbort).geometry(), QRect(100, 77, 80, 25));
    EXPECT_FALSE(Hidden(twoWithAbort, "btnAbort"));
    EXPECT_FALSE(Hidden(twoWithAbort, "lblInfo1"));
    EXPECT_TRUE(Hidden(twoWithAbort, "lblInfo2"));
    EXPECT_EQ(twoWithAbort.windowTitle().toStdString(), ApplicationTitle());
    EXPECT_FALSE(twoWithAbort.StartingTimer().isActive());

    TKvnStatusDlg one(nullptr, 1, false);
    EXPECT_EQ(one.height(), 77);
    EXPECT_TRUE(Hidden(one, "btnAbort"));
    EXPECT_TRUE(Hidden(one, "lblInfo1"));

    // Counts outside 1 to 3 are clamped rather than trusted.
    TKvnStatusDlg many(nullptr, 7, true);
    EXPECT_EQ(many.height(), 167);
    EXPECT_EQ(AbortButton(many).y(), 97);
    EXPECT_FALSE(Hidden(many, "lblInfo2"));
    TKvnStatusDlg none(nullptr, 0, false);
    EXPECT_EQ(none.height(), 77);
}

TEST_F(StatusDialog, LinesOutsideTheDialogAreIgnored)
{
    TKvnStatusDlg dialog(nullptr, 3, true);
    dialog.SetLine(2, "Seite 3 von 12");
    dialog.SetLine(3, "lost");
    dialog.SetLine(-1, "lost");
    EXPECT_EQ(dialog.GetLine(2), "Seite 3 von 12");
    EXPECT_EQ(dialog.GetLine(0), "");
    EXPECT_EQ(dialog.GetLine(3), "");
    EXPECT_EQ(dialog.GetLine(-1), "");
}

TEST_F(StatusDialog, TheJobStartsFromTheTimerWhileTheDialogIsModal)
{
    QElapsedTimer clock;
    clock.start();
    bool ran = false;
    bool result = RunWithStatus(nullptr, 2, true, [&](TKvnStatusDlg& dialog) {
        ran = true;
        EXPECT_GE(clock.elapsed(), TKvnStatusDlg::kStartDelay - 5);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
        EXPECT_FALSE(dialog.StartingTimer().isActive());
        dialog.SetLine(0, "Drucken");
        EXPECT_EQ(dialog.GetLine(0), "Drucken");
    });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(result);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(fAnswers.Questions.empty());
}

TEST_F(StatusDialog, AConfirmedAbortEndsTheJobAndFailsTheRun)
{
    fAnswers.Answers = {true};
    int rounds = 0;
    bool result = RunWithStatus(nullptr, 2, true, [&](TKvnStatusDlg& dialog) {
        QueueAbortClick(dialog);
        EXPECT_FALSE(dialog.Aborted()); // the click waits for the job to poll
        while (!dialog.CheckAborted() && ++rounds < 100) {}
    });
    EXPECT_FALSE(result);
    EXPECT_LT(rounds, 100);
    EXPECT_EQ(fAnswers.Questions, (std::vector<std::string>{"Really cancel?"}));
}

TEST_F(StatusDialog, AnsweringNoAsksAgainOnTheNextClickAndAnAbortStays)
{
    fAnswers.Answers = {false, true};
    bool result = RunWithStatus(nullptr, 2, true, [&](TKvnStatusDlg& dialog) {
        QueueAbortClick(dialog);
        EXPECT_FALSE(dialog.CheckAborted());
        QueueAbortClick(dialog);
        EXPECT_TRUE(dialog.CheckAborted());
        QueueAbortClick(dialog);
        EXPECT_TRUE(dialog.CheckAborted());
    });
    EXPECT_FALSE(result);
    EXPECT_EQ(fAnswers.Questions.size(), 2u);
}

TEST_F(StatusDialog, AJobThatNeverPollsRunsToItsEnd)
{
    fAnswers.Answers = {true};
    bool result = RunWithStatus(nullptr, 2, true, [&](TKvnStatusDlg& dialog) { QueueAbortClick(dialog); });
    EXPECT_TRUE(result);
    EXPECT_TRUE(fAnswers.Questions.empty());
}

TEST_F(StatusDialog, EscapeAsksInsteadOfClosing)
{
    fAnswers.Answers = {false};
    bool visibleAfterEscape = false;
    bool result = RunWithStatus(nullptr, 2, true, [&](TKvnStatusDlg& dialog) {
        QCoreApplication::postEvent(&dialog, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        dialog.CheckAborted();
        visibleAfterEscape = dialog.isVisible();
    });
    EXPECT_TRUE(result);
    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_EQ(fAnswers.Questions.size(), 1u);
}

TEST_F(StatusDialog, AFailingJobClosesTheDialogAndReachesTheCaller)
{
    TKvnStatusDlg* shown = nullptr;
    EXPECT_THROW(RunWithStatus(nullptr, 2, true,
                               [&](TKvnStatusDlg& dialog) {
                                   shown = &dialog;
                                   throw EKvnError("printer gone");
                               }),
                 EKvnError);
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TKvnStatusDlg*>(widget), nullptr); // freed, not left open
}

TEST_F(StatusDialog, WithoutLanguageTextTheQuestionIsTheBuiltInOne)
{
    FreeLanguage();
    std::remove(fDir.filePath("veltro.xus").toStdString().c_str());
    fAnswers.Answers = {true};
    RunWithStatus(nullptr, 1, true, [&](TKvnStatusDlg& dialog) {
        QueueAbortClick(dialog);
        dialog.CheckAborted();
    });
    ASSERT_EQ(fAnswers.Questions.size(), 1u);
    EXPECT_FALSE(fAnswers.Questions[0].empty());
}

TEST_F(StatusDialog, ThePreviousWindowComesBackToTheFrontOrElseTheMainWindow)
{
    QMainWindow main;
    main.show();
    QWidget previous;
    previous.show();
    previous.activateWindow();
    QApplication::processEvents();
    if (QApplication::activeWindow() != &previous) GTEST_SKIP() << "the platform does not activate windows";
    RunWithStatus(&previous, 2, true, [](TKvnStatusDlg&) {});
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &previous);

    RunWithStatus(&previous, 2, true, [&](TKvnStatusDlg&) { previous.hide(); });
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &main);
}
