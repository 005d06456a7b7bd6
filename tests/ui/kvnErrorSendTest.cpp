#include "kvnErrorSend.h"

#include "kvnDebug.h"
#include "kvnHTTP.h"
#include "kvnIniFiles.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnWinX.h"
#include "recordedBoxes.h"
#include "testHttpServer.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace kvn;
using kvntest::TTestHttpServer;

namespace {

namespace fs = std::filesystem;

using kvntest::TRecordedBoxes;

// A program folder with an error log beside the executable, and the settings pointing the application information
// at a server of the test.
class ErrorSend : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetApplicationInfo();
        fSavedExecutable = ExecutablePath();
        fDir = fs::temp_directory_path() / ("veltro-errorsend-" + std::to_string(::getpid()));
        fs::remove_all(fDir);
        fs::create_directories(fDir);
        SetExecutablePath((fDir / "veltro").string());
        SetSettingsFilePath((fDir / "veltro.INI").string());
        SettingsFile().WriteString("Special", "InfoURL", fServer.Url("/applicationInfo.php"));
        fServer.Answer("/applicationInfo.php", 200, "[General]\r\nerrorURL=" + fServer.Url("/report.php") + "\r\n");
        std::ofstream(ErrorLogPath(), std::ios::binary) << kLog;
    }
    void TearDown() override
    {
        ResetApplicationInfo();
        SetExecutablePath(fSavedExecutable);
        fs::remove_all(fDir);
    }

    // Shows the dialog as the start does, and lets act work on it once it is up.
    bool Offer(const std::function<void(QWidget&)>& act)
    {
        QTimer::singleShot(0, [act] {
            if (QWidget* dialog = QApplication::activeModalWidget()) act(*dialog);
        });
        return CheckErrorFile();
    }
    static void Click(QWidget& dialog, const char* button) { dialog.findChild<QPushButton*>(button)->click(); }
    bool LogExists() const { return fs::exists(ErrorLogPath()); }

    static constexpr const char* kLog = "----------failure----------\r\nstack\r\n";
    TTestHttpServer fServer;
    TRecordedBoxes fBoxes;
    fs::path fDir;
    std::string fSavedExecutable;
};

TEST_F(ErrorSend, SendUploadsTheReportShowsTheRepliesTextAndDeletesTheLog)
{
    fServer.Answer("/report.php", 200, "Danke f\xC3\xBCr den Bericht.");
    bool shown = Offer([](QWidget& dialog) {
        dialog.findChild<QLineEdit*>("EEmail")->setText("coach@example.org");
        dialog.findChild<QPlainTextEdit*>("MemRemarks")->setPlainText("opened a file\n\nthen it failed\n\n\n");
        Click(dialog, "BSend");
    });
    ASSERT_TRUE(shown);
    ASSERT_EQ(fBoxes.Texts.size(), 1u);
    EXPECT_EQ(fBoxes.Texts[0], "Danke f\xC3\xBCr den Bericht.");
    EXPECT_FALSE(fBoxes.Warnings[0]);
    EXPECT_FALSE(LogExists());

    auto requests = fServer.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].Path, "/applicationInfo.php");
    const auto& parts = requests[1].Parts;
    ASSERT_EQ(parts.size(), 5u);
    const TKvnSystemX& program = GetSystemInfo();
    std::vector<std::pair<std::string, std::string>> expected = {
        {"username", ""},
        {"appl", program.ProductName() + " " + program.Version()},
        {"email", "coach@example.org"},
        {"remarks", "opened a file\r\n\r\nthen it failed\r\n"},
        {"errFile", kLog}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(parts[i].Name, expected[i].first);
        EXPECT_EQ(parts[i].Content, expected[i].second) << parts[i].Name;
    }
    EXPECT_EQ(parts[4].FileName, "veltro.err");
    EXPECT_EQ(parts[4].ContentType, "application/octet-stream");

    // No log left: nothing is offered at the next start.
    EXPECT_FALSE(CheckErrorFile());
}

TEST_F(ErrorSend, FailedUploadWarnsAndKeepsTheLog)
{
    fServer.Answer("/report.php", 500, "broken");
    ASSERT_TRUE(Offer([](QWidget& dialog) { Click(dialog, "BSend"); }));
    ASSERT_EQ(fBoxes.Texts.size(), 1u);
    EXPECT_TRUE(fBoxes.Warnings[0]);
    EXPECT_TRUE(LogExists());
}

TEST_F(ErrorSend, CancelKeepsTheLogAndTheOfferComesAgainDeleteRemovesIt)
{
    ASSERT_TRUE(Offer([](QWidget& dialog) { Click(dialog, "BCancel"); }));
    EXPECT_TRUE(LogExists());
    ASSERT_TRUE(Offer([](QWidget& dialog) { Click(dialog, "BDelete"); }));
    EXPECT_FALSE(LogExists());
    EXPECT_TRUE(fServer.Requests().empty());
    EXPECT_TRUE(fBoxes.Texts.empty());
}

} // namespace
