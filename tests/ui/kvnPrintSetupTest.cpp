#include "kvnPrintSetup.h"

#include "kvnBox.h"
#include "kvnEdit.h"
#include "kvnFunctions.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnNoteEdit.h"
#include "kvnPaths.h"
#include "kvnPrint.h"
#include "kvnPrintDialog.h"
#include "kvnPrintDocument.h"
#include "kvnQtCanvas.h"
#include "kvnQtPrinterInfo.h"
#include "kvnStrings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace kvn;

namespace {

class TA4Printers : public IKvnPrinterInfo {
public:
    bool HasPrinter() const override { return true; }
    std::string SelectedPrinterName() const override { return "PDF"; }
    int SelectedPaperCode() const override { return 9; }
};

// Records message boxes and answers every question with Answer.
class TRecordedBoxes : public IKvnMessageHandler {
public:
    TRecordedBoxes() : fPrevious(SetMessageHandler(this)) {}
    ~TRecordedBoxes() override { SetMessageHandler(fPrevious); }
    TRecordedBoxes(const TRecordedBoxes&) = delete;
    TRecordedBoxes& operator=(const TRecordedBoxes&) = delete;

    bool AskYesNo(const std::string&, const std::string& question) override
    {
        Texts.push_back(question);
        return Answer;
    }
    bool ShowMessageBox(const std::string&, const std::string& text, bool warning, bool) override
    {
        Texts.push_back(text);
        Warnings += warning ? 1 : 0;
        return true;
    }

    bool Answer = true;
    std::vector<std::string> Texts;
    int Warnings = 0;

private:
    IKvnMessageHandler* fPrevious;
};

std::string ReadFile(const std::string& name)
{
    std::ifstream file(name, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs the shipped English texts in a program folder of the test's own, on a document with A4 paper.
class PrintSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fDir.isValid());
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        ASSERT_TRUE(
            QFile::copy(QString(VELTRO_SOURCE_DIR) + "/resources/lang/veltro.xus", fDir.filePath("veltro.xus")));
        SetExecutablePath(File("veltro"));
        SetSettingsFilePath(File("veltro.INI"));
        FreeLanguage();
        ASSERT_TRUE(GetLanguage().LoadLanguage(3, false));
        fReport = std::make_unique<TKvnReport>(&fPrinters);
        fDialog = std::make_unique<TkvnPrintSetupDlg>();
        fDialog->Open(Doc(), true);
    }
    void TearDown() override
    {
        fDialog.reset();
        fReport.reset();
        FreeLanguage();
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }

    std::string File(const std::string& name) const
    {
        return fDir.filePath(QString::fromStdString(name)).toStdString();
    }
    TKvnDocument& Doc() { return fReport->Document(); }
    template <class T>
    T& Child(const char* name)
    {
        T* child = fDialog->findChild<T*>(QString::fromLatin1(name));
        if (child == nullptr) throw std::runtime_error(std::string("no control ") + name);
        return *child;
    }
    TKvnEdit& Edit(const char* name) { return Child<TKvnEdit>(name); }
    void ShowActive()
    {
        fDialog->show();
        fDialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(fDialog.get()));
    }
    // Types text into the edit and leaves it for the next field, as a user does.
    void TypeAndLeave(QWidget& field, const QString& text, QWidget& next)
    {
        field.setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(&field)) {
            edit->selectAll();
            QTest::keyClicks(edit, text);
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(&field)) {
            memo->selectAll();
            QStringList lines = text.split('\n');
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0) QTest::keyClick(memo, Qt::Key_Return);
                QTest::keyClicks(memo, lines[i]);
            }
        }
        next.setFocus();
    }

    QTemporaryDir fDir;
    TA4Printers fPrinters;
    std::unique_ptr<TKvnReport> fReport;
    std::unique_ptr<TkvnPrintSetupDlg> fDialog;
    std::string fSavedExecutable;
    std::string fSavedSettings;
};

} // namespace

TEST_F(PrintSetup, LandscapePresetShowsItsLayoutAndOneColumnLocksTheGap)
{
    QAction* landscape = fDialog->StandardMenu().findChild<QAction*>("mnuLandscape");
    ASSERT_NE(landscape, nullptr);
    landscape->trigger();

    EXPECT_TRUE(Child<QRadioButton>("rbLandscape").isChecked());
    EXPECT_EQ(Edit("edtLeft").Text(), "13");
    EXPECT_EQ(Edit("edtRight").Text(), "13");
    EXPECT_EQ(Edit("edtTop").Text(), "11");
    EXPECT_EQ(Edit("edtBottom").Text(), "10");
    EXPECT_EQ(Edit("edtColCount").Text(), "2");
    EXPECT_EQ(Edit("edtColDist").Text(), "15");
    EXPECT_TRUE(Child<QLabel>("lblInfo").text().endsWith(";  2x)")) << Child<QLabel>("lblInfo").text().toStdString();
    EXPECT_TRUE(Edit("edtColDist").isEnabled());
    EXPECT_TRUE(Child<QCheckBox>("chkHeadPerCol").isEnabled());

    // The gap follows the count while it is typed, before the field is left.
    Edit("edtColCount").setText("1");
    EXPECT_FALSE(Edit("edtColDist").isEnabled());
    EXPECT_FALSE(Child<QCheckBox>("chkHeadPerCol").isEnabled());

    // A document that allows neither columns nor margins locks their fields and has no footer page.
    Doc().SetOptions({doChgOrientation});
    fDialog->Load();
    EXPECT_TRUE(Edit("edtColCount").isReadOnly());
    EXPECT_EQ(Edit("edtColCount").Text(), "1");
    EXPECT_FALSE(Edit("edtLeft").isEnabled());
    auto& pages = Child<QTabWidget>("pgeAll");
    EXPECT_FALSE(pages.isTabVisible(pages.indexOf(fDialog->findChild<QWidget*>("shtFooter"))));
}

TEST_F(PrintSetup, LeavingAFieldStoresItInTheDocument)
{
    ShowActive();
    TypeAndLeave(Edit("edtTop"), "12", Edit("edtBottom"));
    EXPECT_EQ(Doc().MarginTop(), 120);
    EXPECT_TRUE(Child<QLabel>("lblInfo").text().toStdString() == Doc().Description());

    Child<QTabWidget>("pgeAll").setCurrentWidget(fDialog->findChild<QWidget*>("shtFooter"));
    auto& left = Child<TKvnMemo>("edtLeftFoot");
    EXPECT_TRUE(left.hasFocus());
    EXPECT_EQ(Child<QLabel>("lblLineCount").text().toStdString(), GetLanguage().GetText("G", 62));
    EXPECT_FALSE(Child<QPushButton>("BtnDefaults").isEnabled());
    TypeAndLeave(left, "first\nsecond", Child<TKvnMemo>("edtZentFoot"));
    EXPECT_EQ(Doc().FootLeft(), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(Child<QLabel>("lblLineCount").text().toStdString(),
              ReplaceAll(GetLanguage().GetText("G", 63), "%d", "2"));
}

TEST_F(PrintSetup, PictureEntriesAreEditedDeletedAndDroppedWithoutFile)
{
    Doc().SetImages({"10;20;50;1;/pictures/logo.gif", "5;5;100;0;"});
    fDialog->Load();
    auto& list = Child<QListWidget>("lbxImages");
    ASSERT_EQ(list.count(), 1) << "an entry without a file is not listed";

    TImageLine line = ImageLineTexts("10;20;50;1;/pictures/logo.gif");
    EXPECT_EQ(line.Position, "10,20 mm");
    EXPECT_EQ(line.Scale, "50%");
    EXPECT_EQ(line.Alignment.toStdString(), SemicolonFields(GetLanguage().GetText("G", 69), 2, 1));
    EXPECT_EQ(line.File, "logo.gif");
    EXPECT_EQ(ImageLineTexts("").Position.toStdString(), GetLanguage().GetText("G", 11));

    Child<QTabWidget>("pgeAll").setCurrentWidget(fDialog->findChild<QWidget*>("shtImages"));
    EXPECT_EQ(Edit("edtXPos").Text(), "10");
    EXPECT_TRUE(Child<QRadioButton>("rbAlignRight").isChecked());

    fDialog->DeleteImage();
    ASSERT_EQ(list.count(), 1) << "an emptied list gets one new entry";
    EXPECT_EQ(list.currentRow(), 0);
    EXPECT_TRUE(Child<TKvnEdit>("edtImgFile").text().isEmpty());
    EXPECT_EQ(Edit("edtXPos").Text(), "5");
    EXPECT_EQ(Edit("edtScale").Text(), "100");

    Child<TKvnEdit>("edtImgFile").setText("/pictures/crest.bmp");
    Child<QRadioButton>("rbAlignCenter").setChecked(true);
    fDialog->NewImage();
    EXPECT_EQ(list.count(), 2);
    fDialog->Apply();
    EXPECT_EQ(Doc().Images(), (std::vector<std::string>{"5;5;100;2;/pictures/crest.bmp"}));
    EXPECT_EQ(list.count(), 1) << "the empty entry is dropped from the list too";
}

TEST_F(PrintSetup, TemplateIsEditedAndAFailedSaveKeepsTheOldFile)
{
    TRecordedBoxes boxes;
    std::string folder = File("templates");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    std::string name = folder + "/page.htt";
    Child<TKvnEdit>("edtHtmlFile").setText(QString::fromStdString(name));

    // A missing template is made after the question; the editor closes with Esc.
    QTimer::singleShot(0, [] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        auto* memo = editor->findChild<TKvnMemo*>("memNotiz");
        QTest::keyClicks(memo, "<html>");
        QTest::keyClick(memo, Qt::Key_Escape);
    });
    fDialog->EditTemplate();
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_EQ(boxes.Texts[0], GetLanguage().GetText("G", 90));
    EXPECT_EQ(ReadFile(name), "<html>\r\n");

    if (std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "the folder cannot be made unwritable";
    // The failed save warns and keeps the editor open with what was typed; closing it unchanged gives up.
    QStringList keptText;
    QTimer::singleShot(0, [&] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_NE(editor, nullptr);
        auto* memo = editor->findChild<TKvnMemo*>("memNotiz");
        QTest::keyClicks(memo, "changed");
        editor->findChild<QPushButton*>("btnClose")->click();
        EXPECT_TRUE(editor->isVisible());
        keptText = memo->Lines();
        editor->findChild<QPushButton*>("btnClose")->click();
    });
    fDialog->EditTemplate();
    std::system(("chattr -i '" + folder + "'").c_str());
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_EQ(boxes.Texts[1], GetLanguage().GetText("G", 41));
    EXPECT_EQ(boxes.Warnings, 1);
    EXPECT_EQ(keptText, (QStringList{"changed<html>"}));
    EXPECT_EQ(ReadFile(name), "<html>\r\n");
}

TEST_F(PrintSetup, NoteEditorIsSizedInCharactersAndKeepsTheFaceChoice)
{
    TkvnNoteEditDlg editor(80, 15, true, {"one", "two"}, "page.htt");
    int dpi = qRound(editor.screen()->logicalDotsPerInch());
    EXPECT_EQ(editor.width(), MulDiv(80 * 71 / 10 + 16, dpi, 96));
    EXPECT_GT(editor.height(), MulDiv(15 * 146 / 10, dpi, 96));
    auto* memo = editor.findChild<TKvnMemo*>("memNotiz");
    EXPECT_TRUE(QFontInfo(memo->font()).fixedPitch());
    EXPECT_EQ(editor.Text(), (QStringList{"one", "two"}));
    editor.findChild<QRadioButton*>("rbVar")->setChecked(true);
    EXPECT_FALSE(editor.FixedFace());
    EXPECT_EQ(memo->font(), editor.font());
}

// Prints the report on A4 into a PDF and returns pdftotext's word boxes of all pages.
QString PrintedBoxes(TKvnReport& report, const std::string& pdf)
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdfPrinter(printer, pdf, report.Document());
    TKvnQtPrinter output(printer);
    report.Print(output);
    QProcess tool;
    tool.start(QStandardPaths::findExecutable("pdftotext"), {"-bbox", QString::fromStdString(pdf), "-"});
    tool.waitForFinished(60000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// The left and top edge of the first box of word in points.
QPointF WordPosition(const QString& boxes, const QString& word)
{
    QRegularExpression box("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>" + QRegularExpression::escape(word) +
                           "<");
    QRegularExpressionMatch match = box.match(boxes);
    return match.hasMatch() ? QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()) : QPointF(-1, -1);
}

TEST_F(PrintSetup, ChangedMarginsAndFooterReachThePrintedPages)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    fReport->OnOneExemplar = [](TKvnReport& r) {
        r.StartPage();
        for (int i = 1; i <= 150; ++i)
            r.PrintLine({"Bodyline" + std::to_string(i)});
    };
    QString before = PrintedBoxes(*fReport, File("before.pdf"));

    ShowActive();
    TypeAndLeave(Edit("edtLeft"), "35", Edit("edtTop"));
    TypeAndLeave(Edit("edtTop"), "40", Edit("edtBottom"));
    Child<QTabWidget>("pgeAll").setCurrentWidget(fDialog->findChild<QWidget*>("shtFooter"));
    TypeAndLeave(Child<TKvnMemo>("edtLeftFoot"), "Pagefoot", Child<TKvnMemo>("edtZentFoot"));
    Child<QPushButton>("BtnOk").click();
    EXPECT_EQ(fDialog->result(), QDialog::Accepted);
    QString after = PrintedBoxes(*fReport, File("after.pdf"));

    double millimetre = 72.0 / 25.4;
    QPointF moved = WordPosition(after, "Bodyline1") - WordPosition(before, "Bodyline1");
    EXPECT_NEAR(moved.x(), 20 * millimetre, 1.0) << "left margin 15 mm to 35 mm";
    EXPECT_NEAR(moved.y(), 30 * millimetre, 1.0) << "top margin 10 mm to 40 mm";
    int pages = static_cast<int>(after.count("<page "));
    EXPECT_GE(pages, 3);
    EXPECT_EQ(static_cast<int>(after.count(">Pagefoot<")), pages);
    EXPECT_EQ(static_cast<int>(before.count(">Pagefoot<")), 0);
}

// Changes the left margin in the setup dialog that the print dialog's "Optionen" opens, and closes it with button.
void ChangeMarginAndClose(TkvnPrintDlg& printDialog, const QString& margin, const char* button)
{
    QTimer::singleShot(0, [margin, button] {
        QWidget* setup = QApplication::activeModalWidget();
        ASSERT_NE(setup, nullptr);
        auto* left = setup->findChild<TKvnEdit*>("edtLeft");
        left->setFocus();
        left->selectAll();
        QTest::keyClicks(left, margin);
        setup->findChild<TKvnEdit*>("edtRight")->setFocus();
        setup->findChild<QPushButton*>(button)->click();
    });
    printDialog.findChild<QPushButton*>("btnOptions")->click();
}

TEST_F(PrintSetup, PrintDialogKeepsTheSetupOnOkAndDropsItOnCancel)
{
    SetPageSetupEditor(EditPageSetup);
    SettingsFile().WriteString("Printer", "Current", kPdfPrinterName);
    {
        TkvnPrintDlg printDialog;
        printDialog.FormCreate();
        printDialog.show();
        ASSERT_TRUE(printDialog.findChild<QPushButton*>("btnOptions")->isEnabled());
        int stored = printDialog.Document().MarginLeft();

        ChangeMarginAndClose(printDialog, "44", "BtnCancel");
        EXPECT_EQ(printDialog.Document().MarginLeft(), stored) << "Cancel reloads the stored settings";

        ChangeMarginAndClose(printDialog, "33", "BtnOk");
        EXPECT_EQ(printDialog.Document().MarginLeft(), 330);
    }
    TkvnPrintDlg next;
    next.FormCreate();
    EXPECT_EQ(next.Document().MarginLeft(), 330) << "OK saved the settings for the next print";
    SetPageSetupEditor(nullptr);
}
