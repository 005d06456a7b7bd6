#include "kvnPrintDialog.h"

#include "printTestSupport.h"

#include "kvnEdit.h"
#include "kvnIniFiles.h"
#include "kvnPrintPreview.h"
#include "kvnQtPrinterInfo.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace kvn;

namespace {

// Every test runs in a program folder of its own with the English texts, the save dialog answered by the test and
// the system's printer selected.
class PrintDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fFolder.Valid());
        QtPrinterInfo().SelectPrinter("");
        SetSaveFileDialog([this](QWidget*, const TKvnSaveRequest& request) -> std::optional<std::string> {
            fRequests.push_back(request);
            if (fAnswer.empty()) return std::nullopt;
            return fAnswer;
        });
    }
    void TearDown() override
    {
        SetSaveFileDialog(nullptr);
        SetPageSetupEditor(nullptr);
        QtPrinterInfo().SelectPrinter("");
    }

    template <class TWidget>
    static TWidget& Child(QWidget& window, const char* name)
    {
        return *window.findChild<TWidget*>(name);
    }

    // Clicks the button once the modal loop of the dialog runs.
    static void ClickWhenShown(QPushButton& button)
    {
        QTimer::singleShot(0, &button, [&button] { button.click(); });
    }

    kvntest::TPrintFolder fFolder;
    kvntest::TScriptedAnswers fAnswers;
    std::vector<TKvnSaveRequest> fRequests;
    std::string fAnswer; // what the save dialog returns; empty: cancelled
};

bool PdfTextMissing()
{
    return QStandardPaths::findExecutable("pdftotext").isEmpty();
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

TEST_F(PrintDialog, AStoredPrinterThatIsGoneLeavesTheSystemPrinterAndThePdfEntryIsAlwaysThere)
{
    std::string system = QtPrinterInfo().SelectedPrinterName();
    SettingsFile().WriteString("Printer", "Current", "A printer that was removed");
    {
        TkvnPrintDlg dialog;
        dialog.FormCreate();
        auto& printers = Child<QComboBox>(dialog, "CBPrinters");
        EXPECT_EQ(printers.count(), static_cast<int>(TKvnQtPrinterInfo::PrinterNames().size()) + 1);
        EXPECT_EQ(printers.itemText(printers.count() - 1), "PDF file");
        EXPECT_EQ(dialog.ChosenPrinter(), system.empty() ? kPdfPrinterName : system);
        EXPECT_TRUE(Child<QPushButton>(dialog, "btnPrint").isEnabled());
        EXPECT_TRUE(Child<QPushButton>(dialog, "btnPreview").isEnabled());
        EXPECT_EQ(Child<QPushButton>(dialog, "btnHtml").toolTip(), "Save as HTML file");
        EXPECT_FALSE(Child<QPushButton>(dialog, "btnOptions").isEnabled()) << "no page setup installed";
        EXPECT_EQ(Child<TKvnEdit>(dialog, "edtExemplare").MinValue(), 1);
    }

    SettingsFile().WriteString("Printer", "Current", kPdfPrinterName);
    TkvnPrintDlg dialog;
    dialog.FormCreate();
    EXPECT_EQ(dialog.ChosenPrinter(), kPdfPrinterName);
    EXPECT_EQ(QtPrinterInfo().SelectedPrinterName(), kPdfPrinterName);
    EXPECT_NE(dialog.Document().PaperIndex(), 0) << "the PDF writer's paper is a known one";

    // A page setup that is cancelled leaves the document as stored.
    int stored = dialog.Document().MarginLeft();
    bool opened = false;
    SetPageSetupEditor([&](QWidget*, TKvnDocument& document, bool htmlAllowed) {
        opened = true;
        EXPECT_TRUE(htmlAllowed);
        document.SetMarginLeft(stored + 100);
        return false;
    });
    dialog.btnOptionsClick();
    EXPECT_TRUE(opened);
    EXPECT_EQ(dialog.Document().MarginLeft(), stored);
}

TEST_F(PrintDialog, HtmlFilesGetTheStoredExtensionAndReplaceAnExistingFileOnlyOnYes)
{
    TkvnPrintDlg dialog;
    kvntest::NumberedLines(dialog.Report(), 3);
    dialog.FormCreate();
    fAnswer = fFolder.File("report.html");
    std::string target = fFolder.File("report.htm");
    std::ofstream(target) << "keep me";

    fAnswers.Answers = {false};
    dialog.btnHtmlClick();
    ASSERT_EQ(fRequests.size(), 1u);
    EXPECT_EQ(fRequests[0].Title, "Save as HTML file");
    EXPECT_EQ(fRequests[0].FilterIndex, 2);
    ASSERT_EQ(fAnswers.Questions.size(), 1u);
    EXPECT_NE(fAnswers.Questions[0].find(target), std::string::npos) << fAnswers.Questions[0];
    EXPECT_EQ(ReadFile(target), "keep me");
    EXPECT_FALSE(std::filesystem::exists(fAnswer));
    EXPECT_EQ(SettingsFile().ReadString("Printer", "HtmlDir", ""), std::filesystem::path(target).parent_path());

    fAnswers.Answers = {true};
    dialog.btnHtmlClick();
    EXPECT_EQ(fRequests[1].Folder, std::filesystem::path(target).parent_path()) << "the folder of the last file";
    std::string page = ReadFile(target);
    EXPECT_NE(page.find("Swimmer 3"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(fAnswer));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(PrintDialog, PrintingOnThePdfEntryWritesTheCopiesIntoARealPdfFile)
{
    if (PdfTextMissing()) GTEST_SKIP() << "pdftotext is not installed";
    SettingsFile().WriteString("Printer", "Current", kPdfPrinterName);
    TkvnPrintDlg dialog;
    kvntest::NumberedLines(dialog.Report(), 12);
    dialog.FormCreate();
    Child<TKvnEdit>(dialog, "edtExemplare").setText("2");

    // Cancelling the file name leaves the dialog open without output.
    ClickWhenShown(Child<QPushButton>(dialog, "btnPrint"));
    QTimer::singleShot(50, &dialog, [&] {
        EXPECT_TRUE(dialog.isVisible());
        fAnswer = fFolder.File("results");
        Child<QPushButton>(dialog, "btnPrint").click();
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(fRequests.size(), 2u);
    QString text = kvntest::PdfText(QString::fromStdString(fFolder.File("results.pdf")));
    EXPECT_EQ(text.count("Swimmer 12"), 2) << text.toStdString();
    EXPECT_EQ(SettingsFile().ReadString("Printer", "Current", ""), kPdfPrinterName);
}

TEST_F(PrintDialog, PrintInThePreviewPrintsTheReport)
{
    if (PdfTextMissing()) GTEST_SKIP() << "pdftotext is not installed";
    SettingsFile().WriteString("Printer", "Current", kPdfPrinterName);
    TkvnPrintDlg dialog;
    kvntest::NumberedLines(dialog.Report(), 70);
    dialog.FormCreate();
    fAnswer = fFolder.File("preview.pdf");

    QString previewTitle;
    int previewPages = 0;
    QTimer waitForPreview;
    waitForPreview.setInterval(20);
    QObject::connect(&waitForPreview, &QTimer::timeout, [&] {
        auto* preview = qobject_cast<TkvnPreviewDlg*>(QApplication::activeModalWidget());
        if (preview == nullptr) return;
        waitForPreview.stop();
        previewTitle = preview->windowTitle();
        previewPages = preview->PageCount();
        Child<QToolButton>(*preview, "btnPrint").click();
    });
    waitForPreview.start();
    ClickWhenShown(Child<QPushButton>(dialog, "btnPreview"));
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);

    EXPECT_EQ(previewTitle, "Preview - Print");
    EXPECT_EQ(previewPages, 2);
    QString text = kvntest::PdfText(QString::fromStdString(fAnswer));
    EXPECT_TRUE(text.contains("Swimmer 1 ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Swimmer 70"));
}
