#include "kvnLanguageForms.h"

#include "kvnCompetitionInfo.h"
#include "kvnLanguage.h"
#include "kvnPaths.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>

#include <map>
#include <string>

using namespace kvn;

namespace {

template <class TObject>
TObject* Named(TObject* object, const char* name)
{
    object->setObjectName(name);
    if (auto* widget = qobject_cast<QWidget*>(object);
        widget != nullptr && widget->parentWidget() != nullptr && widget->parentWidget()->layout() != nullptr)
        widget->parentWidget()->layout()->addWidget(widget);
    return object;
}

QString U(const char* text)
{
    return QString::fromUtf8(text);
}

std::string ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<missing>");
}

} // namespace

// A window with one component of every kind, designed in German.
class TTestWindow : public QDialog {
    Q_OBJECT

public:
    TTestWindow()
    {
        setObjectName("TestWindow");
        setWindowTitle(U("Testfenster"));
        new QVBoxLayout(this);
        lblName = Named(new QLabel(U("Name:"), this), "lblName");
        lblHint = Named(new QLabel(this), "lblHint");
        lblHint->setToolTip(U("Nur ein Hinweis"));
        btnOk = Named(new QPushButton(U("Übernehmen"), this), "btnOk");
        btnOk->setToolTip(U("Speichert alles"));
        cbxKind = Named(new QComboBox(this), "cbxKind");
        cbxKind->addItems({U("Einzel"), U("Staffel")});
        lbxItems = Named(new QListWidget(this), "lbxItems");
        lbxItems->setToolTip(U("Liste"));
        lbxItems->addItems({U("Erster"), U("Zweiter\nTeil")});
        grpOptions = Named(new QGroupBox(U("Optionen"), this), "grpOptions");
        memNote = Named(new QPlainTextEdit(U("Zeile 1\nZeile 2"), this), "memNote");
        edtValue = Named(new QLineEdit(this), "edtValue");
        edtValue->setToolTip(U("Wert eingeben"));
        PgcMain = Named(new QTabWidget(this), "PgcMain");
        shtEvents = Named(new QWidget, "shtEvents");
        PgcMain->addTab(shtEvents, U("&Wettkämpfe"));
        PgcMain->addTab(Named(new QWidget, "shtHelp"), U("H&ilfe"));
        mnuFile = Named(new QMenu(U("&Datei"), this), "mnuFile");
        acOpen = Named(new QAction(U("Öffnen..."), this), "acOpen");
        acOpen->setStatusTip(U("Datei öffnen."));
        mnuFile->addAction(acOpen);
        Named(mnuFile->addSeparator(), "acSeparator");
        tbOpen = Named(new QToolButton(this), "tbOpen");
        tbOpen->setDefaultAction(acOpen);
        Named(new QLabel(U("OK"), this), "lblOk");
        Named(new QLabel(U("12:00 - 13:00"), this), "lblTime");
    }

    QLabel* lblName;
    QLabel* lblHint;
    QPushButton* btnOk;
    QComboBox* cbxKind;
    QListWidget* lbxItems;
    QGroupBox* grpOptions;
    QPlainTextEdit* memNote;
    QLineEdit* edtValue;
    QTabWidget* PgcMain;
    QWidget* shtEvents;
    QMenu* mnuFile;
    QAction* acOpen;
    QToolButton* tbOpen;
};

class TDerivedWindow : public TTestWindow {
    Q_OBJECT
};

namespace {

// Gives each test a language file of its own, loaded into a manager of its own.
class FormTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSavedExecutable = ExecutablePath();
        SetExecutablePath(fDir.filePath("veltro").toStdString());
    }
    void TearDown() override { SetExecutablePath(fSavedExecutable); }

    void Load(const std::string& text)
    {
        QFile file(fDir.filePath("veltro.xus"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.data(), static_cast<qint64>(text.size()));
        file.close();
        ASSERT_TRUE(fLanguage.LoadLanguage(3, false));
    }

    QTemporaryDir fDir;
    TLanguage fLanguage;
    std::string fSavedExecutable;
};

} // namespace

TEST_F(FormTranslation, LabelTakesCaptionAndHintWhileTheTitleStays)
{
    Load("[G]\n1=x\n[TTestWindow]\n.\n.@lblName\nFamily name:\nAs in the passport\n.@lblHint\n.\nJust a hint\n");
    TTestWindow window;
    TranslateForm(fLanguage, window);
    EXPECT_EQ(window.windowTitle(), "Testfenster");
    EXPECT_EQ(window.lblName->text(), "Family name:");
    EXPECT_EQ(window.lblName->toolTip(), "As in the passport");
    EXPECT_EQ(window.lblHint->text(), "");
    EXPECT_EQ(window.lblHint->toolTip(), "Just a hint");
}

TEST_F(FormTranslation, ComboBoxTakesItemsAndKeepsItsSelection)
{
    Load("[TTestWindow]\n.\n.@cbxKind\n.\none\ntwo\nthree\n");
    TTestWindow window;
    window.cbxKind->setToolTip("Kind");
    window.cbxKind->addItems({"c", "d", "e"});
    window.cbxKind->setCurrentIndex(1);
    int changes = 0;
    QObject::connect(window.cbxKind, &QComboBox::currentIndexChanged, [&changes] { ++changes; });

    TranslateForm(fLanguage, window);
    EXPECT_EQ(window.cbxKind->toolTip(), "Kind");
    ASSERT_EQ(window.cbxKind->count(), 3);
    EXPECT_EQ(window.cbxKind->itemText(2), "three");
    EXPECT_EQ(window.cbxKind->currentIndex(), 1);

    // An index beyond the new items selects nothing.
    window.cbxKind->addItems({"x", "y"});
    window.cbxKind->setCurrentIndex(4);
    changes = 0;
    TranslateForm(fLanguage, window);
    EXPECT_EQ(window.cbxKind->currentIndex(), -1);
    EXPECT_EQ(changes, 0);
}

TEST_F(FormTranslation, MarkersIgnoreCaseAndAFinalDollarAndUnknownNames)
{
    Load("[ttestwindow]\n$$Window\n.@nothing\nLost\n.@LBLNAME$\nName\n.@grpOptions\n.@btnOk\nTake\n");
    TTestWindow window;
    TranslateForm(fLanguage, window);
    EXPECT_EQ(window.windowTitle(), "$Window");
    EXPECT_EQ(window.lblName->text(), "Name");
    EXPECT_EQ(window.grpOptions->title(), "Optionen"); // an empty block changes nothing
    EXPECT_EQ(window.btnOk->text(), "Take");
    EXPECT_EQ(window.btnOk->toolTip(), "Speichert alles");
}

TEST_F(FormTranslation, MarkersOfTheNextSectionAreNotBlocksOfThisOne)
{
    Load("[TTestWindow]\nTest window\n[TOther]\n.\n.@lblName\nWrong\n[TEmpty]\n[TTestWindow]\nSecond\n");
    TTestWindow window;
    TranslateForm(fLanguage, window, {"TEmpty", "TTestWindow"});
    EXPECT_EQ(window.windowTitle(), "Test window");
    EXPECT_EQ(window.lblName->text(), "Name:");
}

TEST_F(FormTranslation, ClassChainAppliesBaseSectionsFirst)
{
    EXPECT_EQ(FormClassChain(TDerivedWindow(), false),
              std::vector<std::string>({"TForm", "TTestWindow", "TDerivedWindow"}));
    EXPECT_EQ(FormClassChain(TTestWindow(), true), std::vector<std::string>({"TForm", "TKvnForm", "TTestWindow"}));
    EXPECT_EQ(FormClassName(TDerivedWindow()), "TDerivedWindow");

    Load("[TDerivedWindow]\n.\n.@lblName\nOwn\n[TTestWindow]\nBase title\n.@lblName\nBase\n.@btnOk\nTake\n"
         "[TForm]\nAny window\n");
    TDerivedWindow window;
    TranslateForm(fLanguage, window);
    EXPECT_EQ(window.windowTitle(), "Base title");
    EXPECT_EQ(window.lblName->text(), "Own");
    EXPECT_EQ(window.btnOk->text(), "Take");
}

TEST_F(FormTranslation, PageControlTakesOneLinePerPageAndAPageItsCaption)
{
    Load("[TTestWindow]\n.\n.@PgcMain\nEvents\n.@shtHelp\nHelp\n");
    TTestWindow window;
    window.PgcMain->addTab(new QWidget, "Drittens");
    TranslateForm(fLanguage, window);
    EXPECT_EQ(window.PgcMain->tabText(0), "Events");
    EXPECT_EQ(window.PgcMain->tabText(1), "Help");
    EXPECT_EQ(window.PgcMain->tabText(2), "Drittens");
}

TEST(ActionList, ExportsAndImportsItsActionsByName)
{
    QDialog window;
    auto* list = Named(new TKvnActionList(&window), "ActionList1");
    auto* open = Named(new QAction(U("Öffnen..."), &window), "acOpen");
    open->setStatusTip(U("Datei öffnen."));
    auto* quit = Named(new QAction(U("Beenden"), &window), "acQuit");
    auto* empty = Named(new QAction(&window), "acEmpty");
    list->Add(open);
    list->Add(quit);
    list->Add(empty);
    EXPECT_EQ(list->GetTexts(), U("@acOpen\r\nÖffnen...\r\nDatei öffnen.\r\n@acQuit\r\nBeenden\r\n.").toStdString());
    // Listed actions are exported with their list only.
    EXPECT_EQ(FormTexts(window, "TTest"),
              U("[TTest]\r\n.\r\n.@ActionList1\r\n@acOpen\r\nÖffnen...\r\nDatei öffnen.\r\n@acQuit\r\nBeenden\r\n.\r\n")
                  .toStdString());

    std::vector<std::string> lines{"before", "@ACOPEN$", "Open...", "Open a file.", "@acQuit", ".", "Exit", "after"};
    ApplyComponentTexts(*list, lines, 1, 5);
    EXPECT_EQ(open->text(), "Open...");
    EXPECT_EQ(open->statusTip(), "Open a file.");
    EXPECT_EQ(open->toolTip(), "Open a file.");
    EXPECT_EQ(quit->text(), "Beenden");
    EXPECT_EQ(quit->statusTip(), ""); // the hint line lies beyond the block
}

TEST(FormExport, BlockLayoutsAndTextsThatAreLeftOut)
{
    TTestWindow window;
    std::string expected = ".@lblName\r\nName:\r\n"
                           ".@lblHint\r\n.\r\nNur ein Hinweis\r\n"
                           ".@btnOk\r\nÜbernehmen\r\nSpeichert alles\r\n"
                           ".@cbxKind\r\n.\r\nEinzel\r\nStaffel\r\n"
                           ".@lbxItems\r\nListe\r\nErster\r\nZweiter\\NTeil\r\n"
                           ".@grpOptions\r\nOptionen\r\n"
                           ".@memNote\r\n.\r\nZeile 1\r\nZeile 2\r\n"
                           ".@edtValue\r\nWert eingeben\r\n"
                           ".@PgcMain\r\n&Wettkämpfe\r\nH&ilfe\r\n"
                           ".@mnuFile\r\n&Datei\r\n"
                           ".@acOpen\r\nÖffnen...\r\nDatei öffnen.\r\n";
    EXPECT_EQ(FormTexts(window, "TTestWindow"), "[TTestWindow]\r\nTestfenster\r\n" + expected);
}

TEST_F(FormTranslation, ExportedTextsTranslateAWindowBackToThem)
{
    TTestWindow original;
    std::string section = FormTexts(original, "TTestWindow");
    Load(section);

    TTestWindow window;
    window.setWindowTitle("x");
    window.lblName->setText("x");
    window.lblHint->setToolTip("x");
    window.cbxKind->clear();
    window.lbxItems->clear();
    window.memNote->clear();
    window.edtValue->setToolTip("x");
    window.PgcMain->setTabText(0, "x");
    window.mnuFile->setTitle("x");
    window.acOpen->setText("x");
    TranslateForm(fLanguage, window);
    EXPECT_EQ(FormTexts(window, "TTestWindow"), section);
    EXPECT_EQ(window.lbxItems->item(1)->text(), "Zweiter\nTeil");
}

TEST_F(FormTranslation, ExportWritesEachWindowOnceIntoTheExportFolder)
{
    TTestWindow window;
    EXPECT_FALSE(ExportFormTexts(fLanguage, window, "TTestWindow"));

    fLanguage.SetExportDir(fDir.filePath("missing/").toStdString());
    EXPECT_FALSE(ExportFormTexts(fLanguage, window, "TTestWindow"));

    fLanguage.SetExportDir(fDir.path().toStdString() + "/");
    QString target = fDir.filePath("TTestWindow.txt");
    EXPECT_TRUE(ExportFormTexts(fLanguage, window, "TTestWindow"));
    EXPECT_EQ(ReadAll(target), FormTexts(window, "TTestWindow"));

    window.lblName->setText("Changed");
    EXPECT_FALSE(ExportFormTexts(fLanguage, window, "TTestWindow"));
    EXPECT_EQ(ReadAll(target).find("Changed"), std::string::npos);
}

TEST(FormComponents, FindsByNameIgnoringCaseButNotInsideOtherWindows)
{
    TTestWindow window;
    auto* inner = new QDialog(&window);
    Named(new QLabel("inner", inner), "lblInner");
    EXPECT_EQ(FindComponent(window, "LBLNAME"), window.lblName);
    EXPECT_EQ(FindComponent(window, "lblInner"), nullptr);
    EXPECT_EQ(FindComponent(window, ""), nullptr);
}

// The form sections of the shipped files: the same blocks in every language, so a translation cannot lose one.
TEST(ShippedFormSections, EveryLanguageHasTheSameBlocks)
{
    std::map<std::string, std::vector<std::string>> markers[2];
    const char* files[2] = {"veltro.xde", "veltro.xus"};
    for (int i = 0; i < 2; ++i) {
        QFile file(QString(VELTRO_SOURCE_DIR) + "/resources/lang/" + files[i]);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        std::string section;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith('['))
                section = line.mid(1, line.size() - 2).toStdString();
            else if (section.size() > 1 && line.startsWith(".@"))
                markers[i][section].push_back(line.toStdString());
        }
    }
    EXPECT_FALSE(markers[0].empty());
    EXPECT_EQ(markers[0], markers[1]);
}

TEST_F(FormTranslation, ShippedEnglishFileTranslatesTheCompetitionInformation)
{
    QFile shipped(QString(VELTRO_SOURCE_DIR) + "/resources/lang/veltro.xus");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    Load(shipped.readAll().toStdString());
    std::optional<TLanguageSection> section = fLanguage.FindSection("TKvnFCompetitionInfo");
    ASSERT_TRUE(section.has_value());

    TKvnFCompetitionInfo dialog;
    TranslateForm(fLanguage, dialog);
    EXPECT_EQ(dialog.windowTitle(), "Meet information");
    // Every block names a component of the dialog.
    for (int line = section->Start; line < section->Start + section->Count; ++line) {
        const std::string& text = fLanguage.Lines()[static_cast<std::size_t>(line)];
        if (text.rfind(".@", 0) == 0) {
            EXPECT_NE(FindComponent(dialog, text.substr(2)), nullptr) << text;
        }
    }
    EXPECT_NE(FormTexts(dialog, "TKvnFCompetitionInfo").find("Organiser's contact address"), std::string::npos);
}

#include "kvnLanguageFormsTest.moc"
