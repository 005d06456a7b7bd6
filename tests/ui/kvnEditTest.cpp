#include "kvnEdit.h"
#include "kvnBox.h"
#include "kvnFileCtrls.h"
#include "kvnIniFiles.h"
#include "kvnLanguageForms.h"

#include "ui_TKvnControlsTestDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <string>
#include <vector>

using namespace kvn;

namespace {

// The controls as the print, page setup and error report dialogs hold them: promoted in a .ui file.
class TControlsDialog : public QDialog, public Ui::TKvnControlsTestDlg {
public:
    TControlsDialog()
    {
        setupUi(this);
        btnOther = new QPushButton(QStringLiteral("Other"), this);
        btnOther->move(10, 200);
        show();
        activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
    }
    // Moves the focus away from the edit after typing text into it.
    void TypeAndLeave(TKvnEdit& edit, const QString& text)
    {
        edit.setFocus();
        edit.setText(text);
        btnOther->setFocus();
    }
    QPushButton* btnOther;
};

std::vector<std::string> Lines(std::initializer_list<const char*> lines)
{
    return {lines.begin(), lines.end()};
}

} // namespace

TEST(KvnEdit, IntegerEditLimitsItsValueWhenTheFocusLeaves)
{
    TControlsDialog dialog;
    TKvnEdit& copies = *dialog.edtExemplare;
    ASSERT_EQ(copies.EditType(), TKvnEdit::etInteger);
    ASSERT_EQ(copies.MinValue(), 1);

    dialog.TypeAndLeave(copies, "0");
    EXPECT_EQ(copies.text(), "1");
    dialog.TypeAndLeave(copies, "abc");
    EXPECT_EQ(copies.text(), "1");
    dialog.TypeAndLeave(copies, " 250 ");
    EXPECT_EQ(copies.text(), "250");
    EXPECT_EQ(copies.GetIntValue(), 250);

    // 0 means no limit on that side.
    copies.SetMinValue(0);
    copies.SetMaxValue(100);
    dialog.TypeAndLeave(copies, "-5");
    EXPECT_EQ(copies.text(), "-5");
    dialog.TypeAndLeave(copies, "300");
    EXPECT_EQ(copies.text(), "100");
    dialog.TypeAndLeave(copies, "0");
    EXPECT_EQ(copies.text(), "");
    EXPECT_EQ(copies.GetIntValue(), 0);

    // Without limits the text stays as typed until it is read.
    copies.SetMaxValue(0);
    dialog.TypeAndLeave(copies, "abc");
    EXPECT_EQ(copies.text(), "abc");
    EXPECT_EQ(copies.GetIntValue(), 0);
    copies.SetZeroAsBlanks(false);
    copies.SetIntValue(0);
    EXPECT_EQ(copies.text(), "0");

    copies.SetMaxValue(100);
    copies.SetEditType(TKvnEdit::etString);
    EXPECT_EQ(copies.MaxValue(), 0);
}

TEST(KvnEdit, RefusedValidationKeepsTheFocusSoTheCallerSeesItDidNotMove)
{
    TControlsDialog dialog;
    TKvnEdit& copies = *dialog.edtExemplare;
    int asked = 0;
    copies.SetOnValidate([&asked](TKvnEdit& edit) {
        ++asked;
        return edit.GetIntValue() <= 10;
    });

    copies.setFocus();
    copies.setText("50");
    // What the print button does: move the focus, and stop when it stayed where it was.
    dialog.btnOther->setFocus();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(QApplication::focusWidget(), &copies);
    EXPECT_TRUE(copies.hasFocus());
    EXPECT_FALSE(dialog.btnOther->hasFocus());

    // An edit that only passes through the focus while it is taken back checks nothing.
    TKvnEdit& picture = *dialog.edtPicture;
    int pictureAsked = 0;
    picture.SetOnValidate([&pictureAsked](TKvnEdit&) {
        ++pictureAsked;
        return false;
    });
    picture.setFocus();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(pictureAsked, 0);
    EXPECT_EQ(QApplication::focusWidget(), &copies);

    copies.setText("7");
    dialog.btnOther->setFocus();
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(QApplication::focusWidget(), dialog.btnOther);
}

TEST(KvnEdit, TextIsTrimmedAsTheTypeSaysAndSurvivesTheSettings)
{
    QTemporaryDir folder;
    TKvnMemIniFile settings(QDir(folder.path()).filePath("veltro.ini").toStdString());
    TKvnEdit name;
    name.setObjectName("edtName");
    name.setText("  Anna Berg ");
    EXPECT_EQ(name.Text(), "  Anna Berg ");
    name.SetTrimStrings(true);
    EXPECT_EQ(name.Text(), "Anna Berg");
    name.SaveToIni(settings, "Printer");
    EXPECT_EQ(settings.ReadString("Printer", "edtName", "-"), "Anna Berg");

    TKvnEdit margin;
    margin.SetEditType(TKvnEdit::etInteger);
    margin.setText("5");
    margin.setObjectName("edtNothingStored");
    margin.LoadFromIni(settings, "Printer");
    EXPECT_EQ(margin.text(), "5");
    // A stored text that is no number empties an integer edit.
    margin.setObjectName("edtName");
    margin.LoadFromIni(settings, "Printer");
    EXPECT_EQ(margin.text(), "");
    settings.WriteString("Printer", "edtName", " 150 ");
    margin.SetMaxValue(100);
    margin.LoadFromIni(settings, "Printer");
    EXPECT_EQ(margin.text(), "100");
}

TEST(KvnEdit, ColorsFollowTheState)
{
    TControlsDialog dialog;
    TKvnEdit& copies = *dialog.edtExemplare;
    TColors colors = TColors::Defaults();
    colors.FocusedBG = QColor(255, 255, 200);
    colors.ReadOnlyBG = QColor(200, 200, 200);
    copies.SetColors(colors);
    auto background = [&copies] { return copies.palette().color(QPalette::Base); };

    // The dialog gave the first edit the focus when it was shown.
    EXPECT_EQ(background(), colors.FocusedBG);
    dialog.btnOther->setFocus();
    EXPECT_EQ(background(), colors.NormalBG);
    copies.setFocus();
    EXPECT_EQ(background(), colors.FocusedBG);
    copies.setReadOnly(true);
    EXPECT_EQ(background(), colors.ReadOnlyBG);
    copies.setEnabled(false);
    EXPECT_EQ(background(), colors.DisabledBG);
    EXPECT_EQ(copies.palette().color(QPalette::Text), colors.DisabledText);
    copies.setEnabled(true);
    copies.setReadOnly(false);
    dialog.btnOther->setFocus();
    EXPECT_EQ(background(), colors.NormalBG);
}

TEST(KvnMemo, CaretLabelCountsLinesWithoutTrailingBlanksWhileFocused)
{
    TControlsDialog dialog;
    TKvnMemo& footer = *dialog.memFooter;
    footer.SetCaretPosControl(dialog.lblCaret);
    footer.setPlainText("Meet\nPool\nClub\n\n  ");
    EXPECT_EQ(dialog.lblCaret->text(), "");
    EXPECT_EQ(footer.Lines(), QStringList({"Meet", "Pool", "Club"}));

    footer.setFocus();
    QTextCursor caret = footer.textCursor();
    caret.setPosition(footer.document()->findBlockByNumber(1).position());
    footer.setTextCursor(caret);
    EXPECT_EQ(dialog.lblCaret->text(), "2/1 - 3");
    QTest::keyClick(&footer, Qt::Key_End);
    EXPECT_EQ(dialog.lblCaret->text(), "2/5 - 3");

    footer.SetNoBlankLines(false);
    EXPECT_EQ(dialog.lblCaret->text(), "2/5 - 5");
    EXPECT_EQ(footer.Lines().size(), 5);

    dialog.btnOther->setFocus();
    EXPECT_EQ(dialog.lblCaret->text(), "");
}

TEST(KvnMemo, EscClosesTheDialogAndIsNotEntered)
{
    TControlsDialog dialog;
    TKvnMemo& footer = *dialog.memFooter;
    footer.setPlainText("Page %p");
    footer.setFocus();
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QTest::keyClick(&footer, Qt::Key_Escape);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(footer.toPlainText(), "Page %p");
}

TEST(KvnComboBox, SelectsByTextAndTakesTranslatedItems)
{
    TKvnComboBox box;
    box.addItems({"Portrait", "Landscape", "portrait", "Landscape"});
    box.SelectByText("Landscape");
    EXPECT_EQ(box.currentIndex(), 3);
    box.SelectByText("PORTRAIT");
    EXPECT_EQ(box.currentIndex(), -1);

    box.setCurrentIndex(1);
    box.setToolTip("Paper");
    std::vector<std::string> lines = Lines({"x", ".", "Hochformat", "Querformat", ".", ""});
    ApplyComponentTexts(box, lines, 1, 5);
    EXPECT_EQ(box.toolTip(), "Paper");
    ASSERT_EQ(box.count(), 2);
    EXPECT_EQ(box.itemText(1), "Querformat");
    EXPECT_EQ(box.currentIndex(), 1);
    EXPECT_EQ(ComponentTexts(box), "Paper\r\nHochformat\r\nQuerformat");
}

TEST(KvnFontComboBox, DeviceChangeKeepsTheFaceOnlyWhenTheNewDeviceHasIt)
{
    auto faces = [](const QString& device) -> std::vector<TKvnFontFace> {
        if (device == "Office") return {{"Courier", true, true}, {"Serif", false, true}, {"Swiss", false, true}};
        if (device == "Label") return {{"Serif", false, true}, {"Fixed", false, false}};
        if (device == "Broken") throw std::runtime_error("no device context");
        return {{"Swiss", false, true}, {"Gothic", false, true}};
    };
    TKvnFontComboBox fonts;
    fonts.SetFaceSource(faces);
    fonts.SetDevice("Office");
    // Fixed-pitch faces need tfcFixedPitch.
    ASSERT_EQ(fonts.count(), 2);
    fonts.SelectFont("Serif");
    EXPECT_EQ(fonts.FaceName(), "Serif");

    fonts.SetDevice("Label");
    // Only outline faces with tfcOnlyTrueType.
    ASSERT_EQ(fonts.count(), 1);
    EXPECT_EQ(fonts.FaceName(), "Serif");
    EXPECT_TRUE(fonts.IsOutline(0));

    fonts.SetDevice("Plotter");
    EXPECT_EQ(fonts.currentIndex(), -1);
    EXPECT_EQ(fonts.FaceName(), "");

    fonts.SetOptions(TKvnFontComboBox::tfcVarPitch | TKvnFontComboBox::tfcFixedPitch);
    fonts.SetDevice("Label");
    EXPECT_EQ(fonts.count(), 2);
    EXPECT_FALSE(fonts.IsOutline(1));
    fonts.SetDevice("Broken");
    EXPECT_EQ(fonts.count(), 0);

    // A translation gives the hint only; the faces stay the device's.
    fonts.SetDevice("Office");
    ApplyComponentTexts(fonts, Lines({"Font of the list", "Arial", "Times"}), 0, 3);
    EXPECT_EQ(fonts.toolTip(), "Font of the list");
    EXPECT_EQ(fonts.count(), 3);
    EXPECT_EQ(ComponentTexts(fonts), "Font of the list");
}

TEST(KvnFontComboBox, StoresTheFaceNameNotItsIndex)
{
    QTemporaryDir folder;
    TKvnMemIniFile settings(QDir(folder.path()).filePath("veltro.ini").toStdString());
    std::vector<TKvnFontFace> faces{{"Serif", false, true}, {"Swiss", false, true}};
    TKvnFontComboBox fonts;
    fonts.setObjectName("cbxFont");
    fonts.SetFaceSource([&faces](const QString&) { return faces; });
    fonts.SelectFont("Swiss");
    fonts.SaveToIni(settings, "Printer");
    EXPECT_EQ(settings.ReadString("Printer", "cbxFont", ""), "Swiss");

    faces.insert(faces.begin(), {"Antiqua", false, true});
    fonts.Rebuild();
    fonts.setCurrentIndex(0);
    fonts.LoadFromIni(settings, "Printer");
    EXPECT_EQ(fonts.FaceName(), "Swiss");
}

class FileEdit : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        SetFileDialogHook([this](TKvnFileEdit&, const TFileDialogRequest& request) {
            requests.push_back(request);
            return answer;
        });
    }
    void TearDown() override { SetFileDialogHook(nullptr); }
    QString Path(const char* name) const { return QDir(folder.path()).filePath(name); }

    QTemporaryDir folder;
    std::vector<TFileDialogRequest> requests;
    QStringList answer;
};

TEST_F(FileEdit, SeveralChosenFilesAreNamedRelativeToTheirFolder)
{
    TKvnFileEdit files;
    files.SetFileEditType(TKvnFileEdit::fetMultiFile);
    files.SetFilter("Result files|*.ovf;*.ovz|All files|*.*");
    files.setText(QDir::toNativeSeparators(Path("missing/a.ovf")));

    answer = {Path("a.ovf"), Path("b.ovz")};
    files.BrowseAction()->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Kind, fdkOpenMany);
    // A folder that does not exist gives way to the home folder.
    EXPECT_EQ(requests[0].StartFolder, QDir::homePath());
    EXPECT_EQ(QtFileFilter(requests[0].Filter), "Result files (*.ovf *.ovz);;All files (*)");
    EXPECT_EQ(files.text(), "a.ovf; b.ovz");
    EXPECT_EQ(files.StartDir(), folder.path());
    EXPECT_EQ(files.FileNames(), QStringList({Path("a.ovf"), Path("b.ovz")}));
    EXPECT_EQ(files.selectedText(), files.text());

    // The next dialog starts in the folder of the names; one chosen file is named with its full path.
    answer = {Path("c.ovf")};
    files.Browse();
    EXPECT_EQ(requests[1].StartFolder, folder.path());
    EXPECT_EQ(files.text(), QDir::toNativeSeparators(Path("c.ovf")));

    // Cancelled: the text stays.
    answer.clear();
    files.Browse();
    EXPECT_EQ(files.text(), QDir::toNativeSeparators(Path("c.ovf")));
}

TEST_F(FileEdit, ButtonAndDialogFollowTheType)
{
    TKvnFileEdit edit;
    EXPECT_EQ(edit.BrowseAction(), nullptr);

    edit.SetFileEditType(TKvnFileEdit::fetDirectory);
    edit.setText(folder.path());
    answer = {Path("sub")};
    edit.Browse();
    EXPECT_EQ(requests.back().Kind, fdkFolder);
    EXPECT_EQ(requests.back().StartFolder, folder.path());
    EXPECT_EQ(edit.text(), QDir::toNativeSeparators(Path("sub")));

    edit.SetFileEditType(TKvnFileEdit::fetImgFile);
    edit.setText(Path("logo.gif"));
    answer = {Path("flag.gif")};
    edit.Browse();
    EXPECT_EQ(requests.back().Kind, fdkOpenPicture);
    EXPECT_EQ(requests.back().StartFile, Path("logo.gif"));

    edit.setReadOnly(true);
    EXPECT_FALSE(edit.BrowseAction()->isEnabled());
    edit.Browse();
    EXPECT_EQ(requests.size(), 2u);
    edit.setReadOnly(false);
    EXPECT_TRUE(edit.BrowseAction()->isEnabled());

    edit.SetFileEditType(TKvnFileEdit::fetNormal);
    EXPECT_EQ(edit.BrowseAction(), nullptr);

    ApplyComponentTexts(edit, Lines({".", "Pictures (*.gif)"}), 0, 2);
    EXPECT_EQ(edit.Filter(), "Pictures (*.gif)");
    EXPECT_EQ(ComponentTexts(edit), ".\r\nPictures (*.gif)");
}
