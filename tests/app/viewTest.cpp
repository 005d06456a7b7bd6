#include "view.h"
#include "drucken.h"
#include "guiTestSupport.h"
#include "kvnIniFiles.h"
#include "kvnKorvanTidewell.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaintbox.h"
#include "kvnPrintDialog.h"
#include "kvnSignals.h"
#include "kvnStrings.h"
#include "kvnWinX.h"
#include "listHeader.h"
#include "orvGenerator.h"
#include "participantsBrowser.h"
#include "printTestSupport.h"
#include "treeExport.h"
#include "ui_TfrmView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace kvn;
using namespace veltro;
using veltrotest::Clubs;
using veltrotest::Event;
using veltrotest::Meet;
using veltrotest::Person;
using veltrotest::Results;
using veltrotest::Session;
using veltrotest::Swim;
using veltrotest::TProgramFolder;
using veltrotest::TRecordedBoxes;

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { fWindow = std::make_unique<TfrmView>(); }

    Ui::TfrmView& Form() { return fWindow->Widgets(); }

    bool TagEnabled(int tag)
    {
        auto actions = fWindow->ActionsWithTag(tag);
        return std::all_of(actions.begin(), actions.end(), [](QAction* a) { return a->isEnabled(); });
    }
    bool TagDisabled(int tag)
    {
        auto actions = fWindow->ActionsWithTag(tag);
        return std::none_of(actions.begin(), actions.end(), [](QAction* a) { return a->isEnabled(); });
    }

    std::string GeneratedMeet(int competitions)
    {
        TOrvGenOptions options;
        options.Seed = 11;
        options.Competitions = competitions;
        options.Clubs = 3;
        options.AthletesPerClub = 4;
        options.Entries = true;
        return fFolder.Write("generated.ovf", GenerateOrvida(options));
    }

    TProgramFolder fFolder;
    TRecordedBoxes fBoxes;
    std::unique_ptr<TfrmView> fWindow;
};

} // namespace

TEST_F(MainWindow, StartsClosedOnTheHelpPage)
{
    EXPECT_EQ(Form().PgcMain->currentIndex(), TfrmView::pgHelp);
    EXPECT_TRUE(TagDisabled(1));
    EXPECT_TRUE(TagDisabled(2));
    EXPECT_TRUE(TagEnabled(0) || !Form().acCompetitionInfo->isEnabled());
    EXPECT_FALSE(Form().reHelp->toPlainText().isEmpty()); // the English help text beside the program
    EXPECT_EQ(Form().hcEvents->count(), 5);
    EXPECT_EQ(Form().hcEvents->Caption(0), GetLanguage().GetText("V", 28));
}

TEST_F(MainWindow, LoadingAFileListsItsCompetitionsAndBuildsBothTrees)
{
    fWindow->LoadFile(GeneratedMeet(2));
    EXPECT_TRUE(fBoxes.Texts.empty());
    EXPECT_EQ(fWindow->Competitions().count(), 2);
    EXPECT_EQ(fWindow->Competitions().currentIndex(), 0);
    EXPECT_TRUE(TagEnabled(1) || !Form().acQuillon->isVisible());
    EXPECT_TRUE(Form().acCompetitionInfo->isEnabled());
    EXPECT_GT(Form().TrvEvents->topLevelItemCount(), 0);
    EXPECT_GT(Form().trvClubs->topLevelItemCount(), 0);
    EXPECT_EQ(fWindow->windowTitle().toStdString().rfind("KORVAN ", 0), 0u);
    EXPECT_NE(fWindow->windowTitle().toStdString().find(" - generated.ovf"), std::string::npos);
    std::string item = fWindow->Competitions().itemText(0).toStdString();
    EXPECT_NE(item.find(",  "), std::string::npos);
    EXPECT_NE(item.find("   ( "), std::string::npos);

    // Choosing the second competition rebuilds the trees for it.
    fWindow->Competitions().setCurrentIndex(1);
    EXPECT_EQ(fWindow->Document().CompetitionIndex(), 1);

    fWindow->CloseFile();
    EXPECT_EQ(fWindow->Competitions().count(), 0);
    EXPECT_EQ(Form().TrvEvents->topLevelItemCount(), 0);
    EXPECT_EQ(Form().trvClubs->topLevelItemCount(), 0);
    EXPECT_TRUE(TagDisabled(1));
    EXPECT_TRUE(TagDisabled(2));
}

TEST_F(MainWindow, FilesWithErrorsAreRefusedWithTheirLines)
{
    std::string persons;
    for (int i = 0; i < 30; ++i)
        persons += "<PERSON id=\"1\"/>\n";
    fWindow->LoadFile(
        fFolder.Write("dup.ovf", Meet("<CLUBS><CLUB><PERSONS>\n" + persons + "</PERSONS></CLUB></CLUBS>")));
    ASSERT_EQ(fBoxes.Texts.size(), 1u);
    EXPECT_TRUE(fBoxes.Warnings[0]);
    const std::string& box = fBoxes.Texts[0];
    EXPECT_NE(box.find("Duplicate PERSON id !"), std::string::npos) << box;
    EXPECT_NE(box.find("Line "), std::string::npos);
    // Twenty lines, then how many more there are.
    EXPECT_NE(box.find("... 9 more"), std::string::npos) << box;
    EXPECT_EQ(std::count(box.begin(), box.end(), '\n'), 1 + 20 + 1);
    EXPECT_TRUE(TagDisabled(1));
    EXPECT_EQ(fWindow->Competitions().count(), 0);
}

TEST_F(MainWindow, FileWithoutCompetitionsIsRefused)
{
    fWindow->LoadFile(fFolder.Write("empty.ovf", "<ORVIDA><VERSION>01.10.0000</VERSION></ORVIDA>"));
    ASSERT_EQ(fBoxes.Texts.size(), 1u);
    EXPECT_EQ(fBoxes.Texts[0], GetLanguage().GetText("V", 4));
    EXPECT_TRUE(TagDisabled(1));
}

TEST_F(MainWindow, PrintAndCopyFollowTheShownList)
{
    fWindow->LoadFile(GeneratedMeet(1));
    fWindow->show();
    Form().PgcMain->setCurrentIndex(TfrmView::pgEvents);
    EXPECT_TRUE(TagDisabled(2)); // no list shown yet
    QTreeWidgetItem* event = Form().TrvEvents->topLevelItem(0)->child(0);
    fWindow->Events().ShowEventList(event);
    EXPECT_TRUE(TagEnabled(2));
    Form().PgcMain->setCurrentIndex(TfrmView::pgParticipants);
    EXPECT_TRUE(TagDisabled(2));
    Form().PgcMain->setCurrentIndex(TfrmView::pgHelp);
    EXPECT_TRUE(TagDisabled(2));
    Form().PgcMain->setCurrentIndex(TfrmView::pgEvents);
    EXPECT_TRUE(TagEnabled(2));
}

TEST_F(MainWindow, CtrlTabWrapsThroughThePages)
{
    fWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fWindow.get()));
    Form().PgcMain->setCurrentIndex(TfrmView::pgHelp);
    QTest::keyClick(fWindow.get(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(Form().PgcMain->currentIndex(), TfrmView::pgEvents);
    QTest::keyClick(fWindow.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Form().PgcMain->currentIndex(), TfrmView::pgHelp);
}

TEST_F(MainWindow, SettingsAreWrittenAndReadBack)
{
    Form().PgcMain->setCurrentIndex(TfrmView::pgParticipants);
    Form().chkEvSplit->setChecked(true);
    Form().chkTnOnlyValids->setChecked(true);
    Form().hcEvents->resizeSection(1, 200);
    fWindow->close();
    fWindow.reset();
    EXPECT_EQ(SettingsFile().ReadInteger("main", "pgcMain", -1), TfrmView::pgParticipants);
    EXPECT_EQ(SettingsFile().ReadInteger("main", "hcEvents1", -1), 200);

    TfrmView reopened;
    EXPECT_EQ(reopened.Widgets().PgcMain->currentIndex(), TfrmView::pgParticipants);
    EXPECT_TRUE(reopened.Widgets().chkEvSplit->isChecked());
    EXPECT_FALSE(reopened.Widgets().chkEvOnlyValids->isChecked());
    EXPECT_TRUE(reopened.Widgets().chkTnOnlyValids->isChecked());
    EXPECT_EQ(reopened.Widgets().hcEvents->sectionSize(1), 200);
}

TEST_F(MainWindow, OutOfRangePageSettingShowsTheLastPage)
{
    fWindow.reset();
    SettingsFile().WriteInteger("main", "pgcMain", 7);
    TfrmView window;
    EXPECT_EQ(window.Widgets().PgcMain->currentIndex(), TfrmView::pgHelp);
}

TEST_F(MainWindow, ProgressIsShownInHundreds)
{
    fWindow->ShowProgress(1234);
    EXPECT_EQ(fWindow->statusBar()->currentMessage().toStdString(), "1200 lines read...");
}

TEST_F(MainWindow, FirstShowAsksOnceToRegisterTheExtensionsOverTheShownWindow)
{
    bool shownWhenAsked = false;
    fBoxes.WhenAsked = [&] { shownWhenAsked = fWindow->windowHandle() && fWindow->windowHandle()->isExposed(); };
    fWindow->show();
    EXPECT_TRUE(fBoxes.Questions.empty()); // not while the window is still coming up
    QTRY_COMPARE(fBoxes.Questions.size(), 1u);
    EXPECT_TRUE(shownWhenAsked);
    EXPECT_EQ(fBoxes.Questions[0], GetLanguage().GetText("V", 7));
    EXPECT_FALSE(SettingsFile().ReadBool("Files", "AskRegExtension", true));
    TfrmView second;
    second.show();
    QTest::qWait(50);
    EXPECT_EQ(fBoxes.Questions.size(), 1u);
}

TEST_F(MainWindow, CommandLineFileOpensWhenShown)
{
    fWindow.reset();
    TfrmView window({GeneratedMeet(1)});
    EXPECT_EQ(window.Competitions().count(), 0);
    window.show();
    EXPECT_EQ(window.Competitions().count(), 1);

    TfrmView exporting({"$" + fFolder.Path().string()});
    exporting.show();
    EXPECT_EQ(exporting.Competitions().count(), 0);
}

namespace {

// A start-up screen that records what it is asked to show.
class TRecordingScreen : public TKvnFStartScreen {
public:
    explicit TRecordingScreen(std::shared_ptr<std::vector<std::string>> texts) : fTexts(std::move(texts)) {}
    void ShowAsStartScreen() override { show(); }
    void ShowStatusText(const std::string& text) override { fTexts->push_back(text); }

private:
    // Shared, because the application remembers the screen's class beyond the test.
    std::shared_ptr<std::vector<std::string>> fTexts;
};

} // namespace

TEST_F(MainWindow, StartScreenAnnouncesTheCommandLineFileAndMayCloseOnceTheWindowIsUp)
{
    fWindow.reset();
    auto recorded = std::make_shared<std::vector<std::string>>();
    StartScreens().Show(std::chrono::seconds(2), [recorded] { return std::make_unique<TRecordingScreen>(recorded); });
    const std::vector<std::string>& texts = *recorded;
    std::string meet = GeneratedMeet(1);
    TfrmView window({meet});
    window.show();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts.front(), "Loading file " + meet);
    EXPECT_EQ(texts.back(), "");
    EXPECT_TRUE(StartScreens().MainWindowReady());
    StartScreens().Tick();
    EXPECT_EQ(StartScreens().Screen(), nullptr);

    // "Über Veltro" shows the same class as information box, modally; Esc closes it.
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        QWidget* box = QApplication::activeModalWidget();
        shown = dynamic_cast<TRecordingScreen*>(box) != nullptr;
        if (box) QTest::keyClick(box, Qt::Key_Escape);
    });
    window.Widgets().acAbout->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindow, SwitchingTheLanguageTranslatesTheWindowAndBack)
{
    fWindow->LoadFile(GeneratedMeet(1));
    auto caption = [](const QAction* action) { return action->text().remove('&').toStdString(); };
    EXPECT_EQ(caption(Form().acOpen), "Open...");
    ASSERT_TRUE(GetLanguage().LoadLanguage(1, true));
    EXPECT_EQ(caption(Form().acOpen), "Öffnen...");
    EXPECT_EQ(Form().hcEvents->Caption(2), GetLanguage().GetText("V", 30));
    EXPECT_EQ(Form().PgcMain->tabText(TfrmView::pgEvents).remove('&').toStdString(), "Wettkämpfe");
    ASSERT_TRUE(GetLanguage().LoadLanguage(3, true));
    EXPECT_EQ(caption(Form().acOpen), "Open...");
    EXPECT_EQ(Form().hcEvents->Caption(2), "Club");
}

TEST_F(MainWindow, TreeWidthsAreKeptInPixelsOverStartsAndResizes)
{
    fWindow.reset();
    SettingsFile().WriteInteger("main", "trvEvents", 300);
    SettingsFile().WriteInteger("main", "trvClubs", 250);
    SettingsFile().WriteInteger("main", "pgcMain", TfrmView::pgEvents);
    auto treeWidth = [](const QSplitter* splitter) { return splitter->sizes().value(0); };
    for (int width : {1600, 808, 1600}) {
        TfrmView window;
        window.resize(width, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_EQ(treeWidth(window.Widgets().splEvents), 300) << width;
        // A wider window gives the list the room, not the tree.
        window.resize(width + 300, 650);
        QApplication::processEvents();
        EXPECT_EQ(treeWidth(window.Widgets().splEvents), 300) << width;
        window.close();
    }
    // The participants page was never shown: its width stays as stored.
    EXPECT_EQ(SettingsFile().ReadInteger("main", "trvEvents", -1), 300);
    EXPECT_EQ(SettingsFile().ReadInteger("main", "trvClubs", -1), 250);

    TfrmView window;
    window.resize(1200, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.Widgets().PgcMain->setCurrentIndex(TfrmView::pgParticipants);
    QApplication::processEvents();
    EXPECT_EQ(treeWidth(window.Widgets().splClubs), 250);
}

TEST_F(MainWindow, SearchAndCopyAreTranslatedUnderTheirNames)
{
    auto* search = fWindow->findChild<QAction*>("actSearch");
    auto* copy = fWindow->findChild<QAction*>("actCopy");
    ASSERT_NE(search, nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(search->text().remove('&').toStdString(), "Search...");
    EXPECT_EQ(search->toolTip().toStdString(), "Search for a participant.");
    EXPECT_EQ(copy->text().remove('&').toStdString(), "Copy...");
    ASSERT_TRUE(GetLanguage().LoadLanguage(1, true));
    EXPECT_EQ(search->text().remove('&').toStdString(), "Suchen...");
    EXPECT_EQ(copy->text().remove('&').toStdString(), "Kopieren...");
}

TEST_F(MainWindow, BothTreesTrackTheMouseAndKeepTheirSelectionVisible)
{
    for (QTreeWidget* tree : {Form().TrvEvents, Form().trvClubs}) {
        EXPECT_TRUE(tree->hasMouseTracking()) << tree->objectName().toStdString();
        EXPECT_TRUE(tree->viewport()->testAttribute(Qt::WA_Hover)) << tree->objectName().toStdString();
        const QPalette& palette = tree->palette();
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            EXPECT_EQ(palette.color(QPalette::Inactive, role), palette.color(QPalette::Active, role))
                << tree->objectName().toStdString();
        EXPECT_EQ(tree->indentation(), 19);
        EXPECT_EQ(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
    }
}

TEST_F(MainWindow, TerminationSignalsCloseTheWindowWithItsSettings)
{
    for (int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
        TfrmView window;
        CloseOnTerminationSignals(window);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.Widgets().chkTnSplit->setChecked(signalNumber != SIGHUP);
        // The signal comes while a modal dialog runs a loop of its own.
        bool dialogEnded = false;
        QTimer::singleShot(0, &window, [&] {
            QDialog dialog(&window);
            QTimer::singleShot(20, [signalNumber] { std::raise(signalNumber); });
            dialog.exec();
            dialogEnded = true;
        });
        QTRY_VERIFY(dialogEnded);
        QTRY_VERIFY(!window.isVisible());
        EXPECT_EQ(SettingsFile().ReadBool("main", "tnSplit", signalNumber == SIGHUP), signalNumber != SIGHUP);
        EXPECT_EQ(SettingsFile().ReadInteger("main", "trvEvents", -1), 300);
    }
}

TEST_F(MainWindow, AFileWithResultsInAnyCompetitionCannotGoToQuillon)
{
    TOrvGenOptions options;
    options.Competitions = 2;
    options.Clubs = 2;
    options.AthletesPerClub = 3;
    options.ResultCompetitions = 1; // the first holds results, the second entries only
    // The command shows (and can be enabled) only with the editor beside the program.
    std::filesystem::path quillon = fFolder.Write("quillon", "#!/bin/sh\n");
    std::filesystem::permissions(quillon, std::filesystem::perms::owner_all);
    fWindow = std::make_unique<TfrmView>();
    ASSERT_TRUE(Form().acQuillon->isVisible());
    fWindow->LoadFile(fFolder.Write("results.ovf", GenerateOrvida(options)));
    EXPECT_TRUE(Form().acClose->isEnabled());
    EXPECT_FALSE(Form().acQuillon->isEnabled());
    fWindow->Competitions().setCurrentIndex(1);
    EXPECT_FALSE(Form().acQuillon->isEnabled());

    options.Results = false;
    fWindow->LoadFile(fFolder.Write("entries.ovf", GenerateOrvida(options)));
    EXPECT_TRUE(Form().acQuillon->isEnabled());
}

namespace {

// Answers the open dialog that the next command shows: chooses path, or cancels when path is empty.
void AnswerOpenDialog(const std::string& path)
{
    // Answers the next open dialog, again after any question it asks (its folder model fills in the background, so
    // a file it does not know yet is "not found"). It starts in a folder that does not exist and takes a file name
    // relative to its own folder, so that is set first.
    auto* poll = new QTimer;
    auto answered = std::make_shared<QPointer<QFileDialog>>();
    auto started = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, path, answered, started] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->accept();
            *started = false;
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (*started) {
            if (answered->isNull() || dialog != answered->data()) poll->deleteLater();
            return;
        }
        if (!dialog) return;
        *started = true;
        *answered = dialog;
        if (path.empty()) {
            dialog->reject();
            return;
        }
        const std::filesystem::path file(path);
        dialog->setDirectory(QString::fromStdString(file.parent_path().string()));
        dialog->selectFile(QString::fromStdString(file.filename().string()));
        // Queued, so that this timer is free to see a question the dialog asks while it accepts.
        QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
    });
    poll->start(10);
}

} // namespace

TEST_F(MainWindow, OpenPathIsWrittenOnlyWhenAFileWasChosen)
{
    std::string meet = GeneratedMeet(1);
    fWindow.reset();
    SettingsFile().WriteString("main", "openPath", "/kept/from/before");
    {
        TfrmView window;
        AnswerOpenDialog("");
        window.Widgets().acOpen->trigger();
        window.close();
    }
    EXPECT_EQ(SettingsFile().ReadString("main", "openPath", ""), "/kept/from/before");
    {
        TfrmView window;
        AnswerOpenDialog(meet);
        window.Widgets().acOpen->trigger();
        EXPECT_EQ(window.CurrentFile(), meet);
        window.close();
    }
    EXPECT_EQ(SettingsFile().ReadString("main", "openPath", ""), fFolder.Path().string());
}

// Ctrl+P on a ranked event opens the results print dialog, and printing it on the PDF entry writes the heading
// lines, the list title and the ranked swimmers in their order into a real PDF file.
TEST_F(MainWindow, CtrlPPrintsTheShownEventIntoAPdfFile)
{
    TfrmView& window = *fWindow;
    // In the file the swimmers stand in another order than their ranks.
    window.LoadFile(fFolder.Write(
        "meet.ovf", Meet("<PLACE>Bern</PLACE>" + Session(Event(7, 1, "<DIS>100</DIS>")) +
                         Clubs(Person(1, "Third", Results(Swim("RESULT", 7, "V00:01:01.00", "<RANK>3</RANK>"))) +
                               Person(2, "First", Results(Swim("RESULT", 7, "V00:00:58.12", "<RANK>1</RANK>"))) +
                               Person(3, "Second", Results(Swim("RESULT", 7, "V00:00:59.40", "<RANK>2</RANK>")))))));
    Ui::TfrmView& form = window.Widgets();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    form.PgcMain->setCurrentIndex(TfrmView::pgEvents);
    QTreeWidgetItem* event = FindEventNode(*form.TrvEvents, 1, 0);
    form.TrvEvents->setCurrentItem(event);
    window.Events().ShowEventList(event);
    ASSERT_TRUE(form.acPrint->isEnabled());

    std::string pdf = (fFolder.Path() / "list.pdf").string();
    kvn::SetSaveFileDialog([&](QWidget*, const kvn::TKvnSaveRequest&) { return std::optional<std::string>(pdf); });
    QString caption;
    QTimer::singleShot(50, &window, [&] {
        auto* dialog = qobject_cast<TdlgDrucken*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        auto* printers = dialog->findChild<QComboBox*>("CBPrinters");
        printers->setCurrentIndex(printers->findText("PDF file"));
        dialog->findChild<QPushButton*>("btnPrint")->click();
    });
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    kvn::SetSaveFileDialog(nullptr);

    EXPECT_EQ(caption, "Print results");
    std::string text = kvntest::PdfText(QString::fromStdString(pdf)).toStdString();
    ASSERT_FALSE(text.empty()) << "no PDF at " << pdf;
    std::vector<std::string> inOrder = {"Test meet",
                                        "Bern",
                                        FormatDate(true, EncodeDate(2024, 6, 1)),
                                        event->text(0).toStdString(),
                                        "First A, 90",
                                        "Second A, 90",
                                        "Third A, 90"};
    std::size_t at = 0;
    for (const std::string& expected : inOrder) {
        std::size_t found = text.find(expected, at);
        ASSERT_NE(found, std::string::npos) << expected << " after " << at << " in\n" << text;
        at = found + expected.size();
    }
}
