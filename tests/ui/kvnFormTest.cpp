#include "kvnForm.h"

#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaths.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLibraryInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <string>
#include <vector>

using namespace kvn;

namespace {

template <class TWidget>
TWidget* Add(QWidget& parent, const char* name, TWidget* widget)
{
    widget->setObjectName(name);
    parent.layout()->addWidget(widget);
    return widget;
}

// A control of the library's kind that keeps its value itself.
class TPersistentWidget : public QWidget, public IIniPersistent {
public:
    using QWidget::QWidget;
    std::vector<std::string> Calls;
    void LoadFromIni(TKvnCustomIniFile&, std::string_view section) override
    {
        Calls.push_back("load " + std::string(section));
    }
    void SaveToIni(TKvnCustomIniFile&, std::string_view section) override
    {
        Calls.push_back("save " + std::string(section));
    }
};

class TRecordingMessages : public IKvnMessageHandler {
public:
    std::vector<std::string> Texts;
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool ShowMessageBox(const std::string&, const std::string& text, bool, bool) override
    {
        Texts.push_back(text);
        return true;
    }
};

} // namespace

// A dialog built on the base form with two buttons, a label with a buddy and a disabled one.
class TTestFormDialog : public TKvnFormDialog {
    Q_OBJECT

public:
    TTestFormDialog()
    {
        setObjectName("dlgTest");
        setWindowTitle("Test");
        resize(300, 200);
        new QVBoxLayout(this);
        btnPrint = Add(*this, "btnPrint", new QPushButton("Drucken"));
        btnHelp = Add(*this, "btnHelp", new QPushButton("Hilfe"));
        lblName = Add(*this, "lblName", new QLabel("Name"));
        edtName = Add(*this, "edtName", new QLineEdit);
        lblName->setBuddy(edtName);
        lblOff = Add(*this, "lblOff", new QLabel("Aus"));
        edtOff = Add(*this, "edtOff", new QLineEdit);
        edtOff->setEnabled(false);
        lblOff->setBuddy(edtOff);
    }

    QPushButton* btnPrint;
    QPushButton* btnHelp;
    QLabel* lblName;
    QLineEdit* edtName;
    QLabel* lblOff;
    QLineEdit* edtOff;
};

class TTestMainWindow : public TKvnFormMainWindow {
    Q_OBJECT

public:
    TTestMainWindow()
    {
        setObjectName("frmTest");
        resize(200, 100);
        Form().FormLoaded();
    }
};

namespace {

// Gives each test its own settings file and language folder and a fresh language manager.
class BaseForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        SetExecutablePath(fDir.filePath("veltro").toStdString());
        SetSettingsFilePath(fDir.filePath("veltro.INI").toStdString());
        SettingsFile().WriteInteger("Config", "lbxLanguage", 3);
        FreeLanguage();
        fSavedMessages = SetMessageHandler(&fMessages);
        fScreen = QGuiApplication::primaryScreen()->geometry();
    }
    void TearDown() override
    {
        SetMessageHandler(fSavedMessages);
        SetHelpHandler(nullptr);
        FreeLanguage();
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }

    void WriteLanguage(const char* fileName, const std::string& text)
    {
        QFile file(fDir.filePath(fileName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    QPoint Centred(QSize size) const
    {
        return {fScreen.x() + (fScreen.width() - size.width()) / 2,
                fScreen.y() + (fScreen.height() - size.height()) / 2};
    }

    QTemporaryDir fDir;
    TRecordingMessages fMessages;
    IKvnMessageHandler* fSavedMessages = nullptr;
    std::string fSavedExecutable;
    std::string fSavedSettings;
    QRect fScreen;
};

} // namespace

TEST(Placement, OnlyFiveIntegersWithASizeAreAStoredPlacement)
{
    EXPECT_EQ(ParsePlacement("10,20,640,480,2"), (TKvnPlacement{10, 20, 640, 480, 2}));
    EXPECT_EQ(ParsePlacement("-5, 20,640,480,0"), (TKvnPlacement{-5, 20, 640, 480, 0}));
    for (const char* bad : {"", "10,20,640,480", "10,20,640,480,0,1", "10,x,640,480,0", "10,20,0,480,0",
                            "10,20,640,-1,0", "10,20,640,480,3", "10,,640,480,0", "1e3,20,640,480,0"})
        EXPECT_FALSE(ParsePlacement(bad).has_value()) << bad;
    EXPECT_EQ(PlacementText({-5, 20, 640, 480, 1}), "-5,20,640,480,1");
}

TEST(Placement, LeftBeyondTheScreenStaysAtTheEdgeUntilKeptInside)
{
    TKvnPlacement placed = RestoredPlacement({5000, 300, 640, 480, 0}, {1024, 768}, true, {100, 100});
    EXPECT_EQ(placed, (TKvnPlacement{1014, 300, 640, 480, 0}));
    QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(KeptOnScreen(QRect(1014, 300, 640, 480), screen, true, false, false), QPoint(384, 288));
    EXPECT_EQ(KeptOnScreen(QRect(1014, 200, 640, 480), screen, true, false, false), QPoint(384, 200));
    EXPECT_EQ(KeptOnScreen(QRect(-50, -30, 640, 480), screen, true, false, false), QPoint(0, 0));
    EXPECT_EQ(KeptOnScreen(QRect(-50, -30, 640, 480), screen, true, false, true), QPoint(-50, -30));
}

TEST(Placement, WindowReachingTheBottomOrTooSmallIsCentred)
{
    EXPECT_EQ(RestoredPlacement({100, 750, 640, 480, 0}, {1024, 768}, true, {}),
              (TKvnPlacement{192, 144, 640, 480, 0}));
    EXPECT_EQ(RestoredPlacement({100, 738, 640, 480, 2}, {1024, 768}, true, {}),
              (TKvnPlacement{100, 738, 640, 480, 2}));
    EXPECT_EQ(RestoredPlacement({0, 0, 5, 5, 0}, {1024, 768}, true, {}), (TKvnPlacement{509, 381, 5, 5, 0}));
    // Larger than the screen: limited to it.
    EXPECT_EQ(RestoredPlacement({0, 0, 3000, 2000, 0}, {1024, 768}, true, {}), (TKvnPlacement{0, 0, 1014, 758, 0}));
}

TEST(Placement, WindowsSnapToTheEdgesOfTheAvailableArea)
{
    QRect area(0, 0, 1024, 728); // a task bar of 40 pixels at the bottom
    EXPECT_EQ(KeptOnScreen(QRect(15, 300, 400, 300), area, false, true, false), QPoint(0, 300));
    EXPECT_EQ(KeptOnScreen(QRect(1024 - 12 - 400, 300, 400, 300), area, false, true, false), QPoint(624, 300));
    EXPECT_EQ(KeptOnScreen(QRect(300, 415, 400, 300), area, false, true, false), QPoint(300, 428));
    EXPECT_EQ(KeptOnScreen(QRect(20, -19, 400, 300), area, false, true, false), QPoint(20, 0));
    EXPECT_EQ(KeptOnScreen(QRect(15, 300, 400, 300), area, false, true, true), QPoint(15, 300));
    EXPECT_EQ(KeptOnScreen(QRect(15, 300, 400, 300), area, false, false, false), QPoint(15, 300));
}

TEST_F(BaseForm, MaximisedWindowOpensMaximisedAndReturnsToItsNormalSize)
{
    SettingsFile().WriteString("Windows", "frmTest", "50,60,400,300,2");
    {
        TTestMainWindow window;
        EXPECT_TRUE(window.windowState().testFlag(Qt::WindowMaximized));
        window.show();
        EXPECT_TRUE(window.isMaximized());
        EXPECT_EQ(window.normalGeometry(), QRect(fScreen.topLeft() + QPoint(50, 60), QSize(400, 300)));
    }
    EXPECT_EQ(SettingsFile().ReadString("Windows", "frmTest", ""), "50,60,400,300,2");

    TTestMainWindow window;
    window.show();
    window.showNormal();
    EXPECT_EQ(window.size(), QSize(400, 300));
}

TEST_F(BaseForm, WithoutUsablePlacementTheWindowIsCentred)
{
    SettingsFile().WriteString("Windows", "dlgTest", "10,20,300");
    TTestFormDialog dialog;
    dialog.Form().FormLoaded();
    EXPECT_EQ(dialog.pos(), Centred({300, 200}));
    dialog.move(5, 5);
    dialog.Form().ResetPosition();
    EXPECT_EQ(dialog.pos(), Centred({300, 200}));
}

TEST_F(BaseForm, DialogWithFixedSizeKeepsItsDesignedSize)
{
    SettingsFile().WriteString("Windows", "dlgTest", "10,20,500,400,0");
    TTestFormDialog dialog;
    dialog.setFixedSize(300, 200);
    dialog.Form().FormLoaded();
    EXPECT_EQ(dialog.geometry(), QRect(fScreen.topLeft() + QPoint(10, 20), QSize(300, 200)));

    // Without AutoSave nothing is restored, and nothing is saved either.
    TTestFormDialog unsaved;
    unsaved.setObjectName("dlgUnsaved");
    unsaved.Form().SetAutoSave(false);
    unsaved.Form().FormLoaded();
    EXPECT_EQ(unsaved.pos(), Centred({300, 200}));
}

TEST_F(BaseForm, LoadExportsOnceThenTranslatesAndAssignsAccelerators)
{
    WriteLanguage("veltro.xus", "[G]\n1=x\n[TKvnForm]\nBase\n.@btnHelp\nHelp\n[TTestFormDialog]\nTranslated\n"
                                ".@btnPrint\nPrint\n");
    GetLanguage().SetExportDir(fDir.path().toStdString() + "/");

    TTestFormDialog dialog;
    dialog.Form().FormLoaded();
    QFile exported(fDir.filePath("TTestFormDialog.txt"));
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_EQ(exported.readAll().toStdString(),
              "[TTestFormDialog]\r\nTest\r\n.@btnPrint\r\nDrucken\r\n.@btnHelp\r\nHilfe\r\n.@lblName\r\nName\r\n"
              ".@lblOff\r\nAus\r\n");
    EXPECT_EQ(fMessages.Texts, std::vector<std::string>({"TTestFormDialog\nForm - Texte gespeichert"}));
    EXPECT_EQ(dialog.windowTitle(), "Translated");
    EXPECT_EQ(dialog.btnPrint->text(), "&Print");
    EXPECT_EQ(dialog.btnHelp->text(), "&Help");
    EXPECT_EQ(dialog.lblName->text(), "&Name");

    TTestFormDialog second;
    second.Form().FormLoaded();
    EXPECT_EQ(fMessages.Texts.size(), 1u);
}

TEST_F(BaseForm, LanguageChangeRetranslatesTheLoadedForms)
{
    WriteLanguage("veltro.xus", "[TTestFormDialog]\nTranslated\n.@btnPrint\nPrint\n");
    WriteLanguage("veltro.xde", "[TTestFormDialog]\nTest\n.@btnPrint\nDrucken\n");
    TTestFormDialog dialog;
    dialog.Form().FormLoaded();
    TTestFormDialog notLoaded;
    EXPECT_EQ(dialog.btnPrint->text(), "&Print");

    ASSERT_TRUE(GetLanguage().LoadLanguage(1, true));
    EXPECT_EQ(dialog.windowTitle(), "Test");
    // The new caption gets a free accelerator again; the ones already there stay.
    EXPECT_EQ(dialog.btnPrint->text(), "&Drucken");
    EXPECT_EQ(dialog.btnHelp->text(), "&Hilfe");
    EXPECT_EQ(notLoaded.btnPrint->text(), "Drucken");

    // Qt's own texts, such as the buttons of a question, follow the language when Qt brings its translation.
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm"))
        GTEST_SKIP() << "Qt's German translation is not installed";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    ASSERT_TRUE(GetLanguage().LoadLanguage(3, true));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}

TEST_F(BaseForm, WindowWithoutAClassOfItsOwnUsesTheGivenName)
{
    WriteLanguage("veltro.xus", "[TNamedDialog]\nNamed\n");
    QDialog dialog;
    TKvnForm form(dialog, "TNamedDialog");
    form.FormLoaded();
    EXPECT_EQ(form.ClassChain(), std::vector<std::string>({"TForm", "TKvnForm", "TNamedDialog"}));
    EXPECT_EQ(form.PlacementKey(), "TNamedDialog");
    EXPECT_EQ(dialog.windowTitle(), "Named");
}

TEST_F(BaseForm, ClickOnALabelFocusesItsBuddyWhenItCanTakeTheFocus)
{
    TTestFormDialog dialog;
    dialog.Form().FormLoaded();
    dialog.show();
    dialog.btnPrint->setFocus();
    auto click = [](QLabel* label) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(label, &release);
    };
    click(dialog.lblOff);
    EXPECT_EQ(dialog.focusWidget(), dialog.btnPrint);
    click(dialog.lblName);
    EXPECT_EQ(dialog.focusWidget(), dialog.edtName);
}

TEST_F(BaseForm, MovedWindowSnapsToTheScreenBorder)
{
    TTestFormDialog dialog;
    dialog.Form().FormLoaded();
    dialog.show();
    QRect area = dialog.screen()->availableGeometry();
    dialog.move(area.x() + 15, area.y() + 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.pos(), QPoint(area.x(), area.y() + 100));

    dialog.Form().SetSnapAtScreenBorder(false);
    dialog.move(area.x() + 15, area.y() + 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.pos(), QPoint(area.x() + 15, area.y() + 100));
}

TEST_F(BaseForm, TaggedSettingsTouchOnlyTheComponentsOfTheTag)
{
    TTestFormDialog dialog;
    QCheckBox* check = Add(dialog, "chkTagged", new QCheckBox("a"));
    check->setProperty("tag", 1);
    QComboBox* box = Add(dialog, "cbxTagged", new QComboBox);
    box->addItems({"a", "b", "c"});
    box->setProperty("tag", 1);
    QLineEdit* other = Add(dialog, "edtOther", new QLineEdit("other"));
    other->setProperty("tag", 2);
    QCheckBox* untagged = Add(dialog, "chkUntagged", new QCheckBox("b"));
    auto* persistent = Add(dialog, "ownControl", new TPersistentWidget);

    check->setChecked(true);
    box->setCurrentIndex(2);
    TKvnIniFile settings(fDir.filePath("print.ini").toStdString());
    dialog.Form().SaveTaggedSettings(settings, "Printer", 1);
    EXPECT_EQ(settings.ReadSection("Printer"), std::vector<std::string>({"chkTagged", "cbxTagged"}));
    EXPECT_TRUE(persistent->Calls.empty());
    dialog.Form().SaveTaggedSettings(settings, "Printer", 0);
    EXPECT_EQ(persistent->Calls, std::vector<std::string>({"save Printer"}));
    EXPECT_FALSE(settings.ValueExists("Printer", "chkUntagged"));

    check->setChecked(false);
    box->setCurrentIndex(0);
    settings.WriteString("Printer", "edtOther", "stored");
    settings.WriteString("Printer", "chkUntagged", "1");
    dialog.Form().LoadTaggedSettings(settings, "Printer", 1);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(box->currentIndex(), 2);
    EXPECT_EQ(other->text(), "other");
    EXPECT_FALSE(untagged->isChecked());

    // A stored index the list does not have leaves the selection alone.
    settings.WriteInteger("Printer", "cbxTagged", 7);
    dialog.Form().LoadTaggedSettings(settings, "Printer", 1);
    EXPECT_EQ(box->currentIndex(), 2);
}

TEST_F(BaseForm, F1HandsTheHelpContextToTheHelpHandler)
{
    TTestFormDialog dialog;
    dialog.Form().SetHelpContext(12);
    QShortcut* f1 = nullptr;
    for (QShortcut* shortcut : dialog.findChildren<QShortcut*>())
        if (shortcut->key() == QKeySequence(Qt::Key_F1)) f1 = shortcut;
    ASSERT_NE(f1, nullptr);
    emit f1->activated(); // no handler: nothing happens

    QWidget* asked = nullptr;
    int context = -1;
    SetHelpHandler([&](QWidget& window, int helpContext) {
        asked = &window;
        context = helpContext;
    });
    emit f1->activated();
    EXPECT_EQ(asked, &dialog);
    EXPECT_EQ(context, 12);
}

TEST(Cursors, PopShowsTheCursorBeforeTheMatchingPush)
{
    PushCursor(Qt::WaitCursor);
    PushCursor(Qt::CrossCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    PopCursor();
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    PopCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // An empty stack: others' cursors stay.
    QApplication::setOverrideCursor(Qt::IBeamCursor);
    PopCursor();
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::IBeamCursor);
    QApplication::restoreOverrideCursor();
}

namespace {

class TSelfClosingDialog : public QDialog {
public:
    explicit TSelfClosingDialog(int result)
    {
        Alive = true;
        QTimer::singleShot(0, this, [this, result] { done(result); });
    }
    ~TSelfClosingDialog() override { Alive = false; }
    static inline bool Alive = false;
};

} // namespace

TEST(ShowModalForm, ReturnsTheModalResultAndFreesTheWindow)
{
    EXPECT_EQ(ShowModalForm<TSelfClosingDialog>(7), 7);
    EXPECT_FALSE(TSelfClosingDialog::Alive);
}

#include "kvnFormTest.moc"
