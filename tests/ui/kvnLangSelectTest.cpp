#include "kvnLangSelect.h"

#include "kvnFlags.h"
#include "kvnFormatSettings.h"
#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "recordedBoxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

using namespace kvn;

namespace {

// Display names of entry G/149, one per language index.
const std::string kNames = "German (Switzerland);German;French;English (US);Italian;Dutch;Spanish;Russian;Danish;"
                           "Polish;Portuguese;Finnish;Icelandic;Swedish;Norwegian;German (Austria);French (Canada);"
                           "Hungarian;Czech;Slovenian;Croatian;Turkish;Spanish (Mexico);English (UK)";

using kvntest::TRecordedBoxes;

// Each test runs in a program folder of its own on a German system, with language and help files as it writes them.
class LangSelect : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(QApplication::instance(), nullptr);
        ASSERT_TRUE(fDir.isValid());
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        fSavedFormat = FormatSettings();
        SetExecutablePath(Path("veltro"));
        SetSettingsFilePath(Path("veltro.INI"));
        SetUserLangIdSource([] { return TWinLangId{7, 1}; });
        FreeLanguage();
    }
    void TearDown() override
    {
        FreeLanguage();
        SetUserLangIdSource(nullptr);
        FormatSettings() = fSavedFormat;
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }

    std::string Path(const std::string& name) const
    {
        return fDir.filePath(QString::fromStdString(name)).toStdString();
    }

    void Write(const std::string& name, const std::string& content) const
    {
        QFile file(QString::fromStdString(Path(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content.data(), static_cast<qint64>(content.size()));
    }

    // A language file whose text table G ends with the display names at entry 149.
    void WriteLanguage(const std::string& code) const
    {
        std::string content = "[G]\n";
        for (int i = 1; i < 149; ++i)
            content += std::to_string(i) + "=\n";
        Write("veltro.x" + code, content + "149=" + kNames + "\n");
    }

    void WriteHelp(const std::string& code) const { Write("veltro-x" + code + ".hlp", "help"); }

    int Stored(const char* key) const { return SettingsFile().ReadInteger("Config", key, -100); }

    // Runs SelectLanguages; action handles the dialog if one appears (a dialog still open afterwards is cancelled).
    // True when the dialog was shown.
    bool Select(bool force, const std::function<void(TkvnFLangSelect&)>& action = {})
    {
        bool shown = false;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<TkvnFLangSelect*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            poll.stop();
            shown = true;
            if (action) action(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        poll.start();
        SelectLanguages(force, false);
        poll.stop();
        return shown;
    }

    static QListWidget& List(TkvnFLangSelect& dialog, const char* name)
    {
        auto* list = dialog.findChild<QListWidget*>(name);
        EXPECT_NE(list, nullptr) << name;
        return *list;
    }

    static std::vector<std::string> Texts(const QListWidget& list)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < list.count(); ++i)
            texts.push_back(list.item(i)->text().toStdString());
        return texts;
    }

    static void Click(TkvnFLangSelect& dialog, const char* button) { dialog.findChild<QPushButton*>(button)->click(); }

    static void Choose(QListWidget& list, int language)
    {
        for (int i = 0; i < list.count(); ++i)
            if (list.item(i)->data(Qt::UserRole).toInt() == language) list.setCurrentRow(i);
    }

    QTemporaryDir fDir;
    std::string fSavedExecutable;
    std::string fSavedSettings;
    TFormatSettings fSavedFormat;
};

} // namespace

TEST_F(LangSelect, FirstStartWithOneLanguageStoresItWithoutAsking)
{
    WriteLanguage("de");
    EXPECT_FALSE(Select(false));
    EXPECT_EQ(Stored("lbxLanguage"), 1);
    EXPECT_EQ(Stored("lbxPrnLanguage"), 1);
    EXPECT_EQ(Stored("lbxHlpLanguage"), -100); // no help file, nothing to choose
    EXPECT_EQ(GetLanguage().ScreenLanguage(), 1);

    // A second language installed later does not bring the question back.
    WriteLanguage("us");
    EXPECT_FALSE(Select(false));
}

TEST_F(LangSelect, FirstStartOffersTheSystemLanguageAndCancelKeepsAsking)
{
    WriteLanguage("us");
    WriteLanguage("de");
    WriteLanguage("fr");
    std::vector<std::string> items;
    int preselected = -1;
    EXPECT_TRUE(Select(false, [&](TkvnFLangSelect& dialog) {
        items = Texts(List(dialog, "lbxLanguage"));
        preselected = SelectedLanguage(List(dialog, "lbxLanguage"));
        Click(dialog, "btnCancel");
    }));
    EXPECT_EQ(items, (std::vector<std::string>{"English (US)", "French", "German"}));
    EXPECT_EQ(preselected, 1);
    EXPECT_FALSE(SettingsFile().ValueExists("Config", "lbxLanguage"));
    EXPECT_FALSE(SettingsFile().ValueExists("Config", "lbxPrnLanguage"));
    EXPECT_TRUE(Select(false));
}

TEST_F(LangSelect, OkStoresTheChoicesAndLoadsTheNewScreenLanguage)
{
    WriteLanguage("de");
    WriteLanguage("us");
    WriteLanguage("fr");
    int changes = 0;
    GetLanguage().SetOnChange([&](TLanguage&) { ++changes; });
    EXPECT_TRUE(Select(false, [&](TkvnFLangSelect& dialog) {
        Choose(List(dialog, "lbxLanguage"), 3);
        Choose(List(dialog, "lbxPrnLanguage"), 2);
        Click(dialog, "btnOk");
    }));
    EXPECT_EQ(Stored("lbxLanguage"), 3);
    EXPECT_EQ(Stored("lbxPrnLanguage"), 2);
    EXPECT_EQ(GetLanguage().ScreenLanguage(), 3);
    EXPECT_EQ(GetLanguage().PrintLanguage(), 2);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(Select(false));
}

TEST_F(LangSelect, ChoosingTheLoadedLanguageDoesNotReloadIt)
{
    WriteLanguage("de");
    WriteLanguage("us");
    int changes = 0;
    GetLanguage().SetOnChange([&](TLanguage&) { ++changes; });
    EXPECT_TRUE(Select(true, [&](TkvnFLangSelect& dialog) { Click(dialog, "btnOk"); }));
    EXPECT_EQ(Stored("lbxLanguage"), 1);
    EXPECT_EQ(changes, 0);
}

TEST_F(LangSelect, TheHiddenHelpListIsStoredWithTheManagersFallback)
{
    WriteLanguage("de");
    WriteLanguage("us");
    WriteHelp("fr");
    EXPECT_TRUE(Select(true, [&](TkvnFLangSelect& dialog) {
        QListWidget& help = List(dialog, "lbxHlpLanguage");
        EXPECT_TRUE(help.isHidden());
        EXPECT_EQ(help.count(), 1);
        Click(dialog, "btnOk");
    }));
    EXPECT_EQ(Stored("lbxHlpLanguage"), 2);
    EXPECT_EQ(GetLanguage().HelpLanguage(), 2);

    // A help file removed while the dialog is open: the manager's fallback is what gets stored.
    EXPECT_TRUE(Select(true, [&](TkvnFLangSelect& dialog) {
        std::filesystem::remove(Path("veltro-xfr.hlp"));
        Click(dialog, "btnOk");
    }));
    EXPECT_EQ(Stored("lbxHlpLanguage"), DefaultLanguage());
}

TEST_F(LangSelect, AStoredPrintLanguageWithoutFileFallsBackToTheFirstItem)
{
    WriteLanguage("de");
    WriteLanguage("us");
    SettingsFile().WriteInteger("Config", "lbxLanguage", 1);
    SettingsFile().WriteInteger("Config", "lbxPrnLanguage", 7);
    int preselected = -1;
    EXPECT_TRUE(Select(true, [&](TkvnFLangSelect& dialog) {
        preselected = SelectedLanguage(List(dialog, "lbxPrnLanguage"));
        Click(dialog, "btnOk");
    }));
    EXPECT_EQ(preselected, 3); // "English (US)" sorts first
    EXPECT_EQ(Stored("lbxPrnLanguage"), 3);
}

TEST_F(LangSelect, WithoutLanguageFilesNothingIsShownOrStored)
{
    EXPECT_FALSE(Select(false));
    EXPECT_FALSE(SettingsFile().SectionExists("Config"));
    EXPECT_EQ(GetLanguage().ScreenLanguage(), 0);
}

TEST_F(LangSelect, ASettingsFileThatCannotBeWrittenIsReportedAndTheLanguageStillLoads)
{
    WriteLanguage("us");
    std::filesystem::create_directory(Path("settings-folder"));
    SetSettingsFilePath(Path("settings-folder"));
    TRecordedBoxes boxes;
    EXPECT_FALSE(Select(false));
    EXPECT_EQ(GetLanguage().ScreenLanguage(), 3);
    ASSERT_EQ(boxes.Texts.size(), 1u);
    EXPECT_TRUE(boxes.Warnings[0]);
}

TEST_F(LangSelect, TheWidthFollowsTheHelpList)
{
    WriteLanguage("de");
    TkvnFLangSelect dialog;
    EXPECT_EQ(dialog.objectName(), "kvnFLangSelect");
    auto* buttons = dialog.findChild<QWidget*>("PnlButtons");
    ASSERT_NE(buttons, nullptr);
    dialog.ShowHelpList(true);
    // The design's height is the least: a font larger than the design's makes the note and the dialog taller.
    EXPECT_EQ(dialog.width(), 550);
    EXPECT_GE(dialog.height(), 190);
    EXPECT_EQ(buttons->x(), 175);
    EXPECT_FALSE(List(dialog, "lbxHlpLanguage").isHidden());
    dialog.ShowHelpList(false);
    EXPECT_EQ(dialog.width(), 370);
    EXPECT_EQ(buttons->x(), 85);
    EXPECT_TRUE(List(dialog, "lbxHlpLanguage").isHidden());
    EXPECT_TRUE(dialog.findChild<QLabel*>("Label1")->isHidden());
}

TEST(LanguageFlags, EveryLanguageHasAFlagOfItsOwn)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    std::vector<QImage> images;
    for (int i = 0; i < kAutoLanguage; ++i) {
        QPixmap flag = LanguageFlag(i);
        ASSERT_FALSE(flag.isNull()) << LanguageCode(i);
        EXPECT_EQ(flag.size(), QSize(kLanguageFlagWidth, kLanguageFlagHeight)) << LanguageCode(i);
        images.push_back(flag.toImage());
    }
    for (std::size_t i = 0; i < images.size(); ++i)
        for (std::size_t j = i + 1; j < images.size(); ++j)
            EXPECT_NE(images[i], images[j]) << LanguageCode(int(i)) << " and " << LanguageCode(int(j));
    EXPECT_TRUE(LanguageFlag(kAutoLanguage).isNull());
    EXPECT_TRUE(LanguageFlag(-1).isNull());
}

TEST(LanguageFlags, SizedPicturesCoverMoreNationsButLeaveTheNationListAlone)
{
    ASSERT_NE(QApplication::instance(), nullptr);
    EXPECT_FALSE(FlagPicture("usa", QSize(30, 20)).isNull());
    EXPECT_TRUE(FlagPicture("USA").isNull()); // the club tree's list stays as it is
    EXPECT_TRUE(FlagPicture("GER", QSize(2, 12)).isNull());
    EXPECT_TRUE(FlagPicture("XYZ", QSize(18, 12)).isNull());
    // A square flag keeps its shape: the Swiss flag leaves the sides of a wide picture empty.
    QImage swiss = FlagPicture("SUI", QSize(18, 12)).toImage();
    EXPECT_EQ(qAlpha(swiss.pixel(0, 6)), 0);
    EXPECT_EQ(qAlpha(swiss.pixel(9, 6)), 255);
}
