#include "kvnQtCanvas.h"

#include "printTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstring>
#include <string>
#include <vector>

#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnStrings.h"

using namespace kvn;

namespace {

// Output of a program, or nothing when it is not installed or fails.
struct TRun {
    bool Ran = false;
    int ExitCode = -1;
    QString Output;
};

TRun RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 60000)
{
    TRun result;
    QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return result;
    QProcess process;
    process.start(path, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.Ran = process.exitStatus() == QProcess::NormalExit;
    result.ExitCode = process.exitCode();
    result.Output = QString::fromUtf8(process.readAllStandardOutput());
    return result;
}

// The text of one page of a PDF file.
QString PdfPageText(const QString& file, int page)
{
    QString n = QString::number(page);
    return RunTool("pdftotext", {"-f", n, "-l", n, "-layout", file, "-"}).Output;
}

int PdfPageCount(const QString& file)
{
    QString info = RunTool("pdfinfo", {file}).Output;
    for (const QString& line : info.split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return 0;
}

// Every test runs with an English language file, a settings file of its own and an A4 report.
class QtCanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fDir.isValid());
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        SetExecutablePath(File("veltro"));
        SetSettingsFilePath(File("veltro.INI"));
        SetUserLangIdSource([] { return TWinLangId(); });
        QFile language(QString::fromStdString(File("veltro.xus")));
        ASSERT_TRUE(language.open(QIODevice::WriteOnly));
        language.write(("[G]\n" + RepeatText("-\n", 54) + "Page_\n").c_str());
        language.close();
        FreeLanguage();
        fReport = std::make_unique<TKvnReport>(&fPrinters);
    }
    void TearDown() override
    {
        fReport.reset();
        FreeLanguage();
        SetUserLangIdSource(nullptr);
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }

    std::string File(const std::string& name) const { return (fDir.path() + "/").toStdString() + name; }

    // 60 numbered lines after a heading, with a footer: two pages.
    void TwoPageReport()
    {
        fReport->Document().SetFootLeft({"footer @PAGE@"});
        fReport->OnOneExemplar = [](TKvnReport& r) {
            r.StartPage();
            r.SetColumns("L700;R300");
            r.PrintLine({"Heading left", "Heading right"}, tfBold);
            r.HLine(3);
            for (int i = 1; i <= 60; ++i)
                r.PrintLine({"line " + std::to_string(i), std::to_string(i) + ".00"});
        };
    }

    QTemporaryDir fDir;
    kvntest::TA4Printers fPrinters;
    std::unique_ptr<TKvnReport> fReport;
    std::string fSavedExecutable;
    std::string fSavedSettings;
};

} // namespace

TEST_F(QtCanvasTest, MetricsFollowTheCanvasResolutionNotTheDevice)
{
    QPicture picture;
    QPainter painter(&picture);
    TKvnQtCanvas screen(painter, 96, 96);
    screen.SetFont(TKvnFont{"Arial", 12});
    int wide = screen.TextWidth("WWWW");
    EXPECT_GT(wide, screen.TextWidth("iiii"));
    EXPECT_GE(screen.TextHeight("W"), 16) << "12 points at 96 dpi";

    TKvnQtCanvas printer(painter, 960, 960);
    printer.SetFont(TKvnFont{"Arial", 12});
    double ratio = static_cast<double>(printer.TextWidth("WWWW")) / wide;
    EXPECT_NEAR(ratio, 10.0, 1.0);

    TKvnFont fixed{"Courier New", 12};
    fixed.FixedPitch = true;
    printer.SetFont(fixed);
    EXPECT_TRUE(printer.Font().fixedPitch());
    EXPECT_NEAR(printer.TextWidth("iiii"), printer.TextWidth("WWWW"), 2) << "a fixed-pitch face, or a stand-in";
    painter.end();
}

TEST_F(QtCanvasTest, PreviewPagesArePicturesOfThePaper)
{
    TwoPageReport();
    TKvnQtPreviewDevice device(96);
    fReport->Preview(device);
    ASSERT_EQ(fReport->PreviewPages().size(), 2u);
    const QPicture* first = PreviewPicture(*fReport->PreviewPages()[0]);
    ASSERT_NE(first, nullptr);
    int width = 2100 * 96 / 254 + 2;
    int height = 2970 * 96 / 254 + 2;
    EXPECT_EQ(first->boundingRect(), QRect(0, 0, width, height));

    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter painter(&image);
    painter.drawPicture(0, 0, *first);
    painter.end();
    EXPECT_EQ(image.pixelColor(width / 2, height / 2), QColor(Qt::white)) << "paper";
    EXPECT_EQ(image.pixelColor(width - 1, 1), QColor(Qt::gray)) << "outside the paper, above the shadow";
    EXPECT_EQ(image.pixelColor(width - 2, height / 2), QColor(Qt::black)) << "shadow";
    // The first heading starts at the left margin, 15 mm in, on the first line below the top margin.
    int inked = 0;
    for (int y = MulDiv(100, 96, 254); y < MulDiv(100 + 48, 96, 254); ++y)
        for (int x = MulDiv(150, 96, 254); x < MulDiv(150 + 300, 96, 254); ++x)
            if (image.pixelColor(x, y).lightness() < 128) ++inked;
    EXPECT_GT(inked, 20);
}

TEST_F(QtCanvasTest, PdfPagesCarryTheTextsWhereTheEngineLaidThemOut)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "pdftotext is not installed";
    TwoPageReport();
    QPrinter printer(QPrinter::HighResolution);
    std::string pdf = File("report.pdf");
    SetUpPdfPrinter(printer, pdf, fReport->Document());
    TKvnQtPrinter output(printer);
    fReport->Print(output);
    QString file = QString::fromStdString(pdf);

    ASSERT_EQ(PdfPageCount(file), 2);
    QString first = PdfPageText(file, 1);
    QString second = PdfPageText(file, 2);
    EXPECT_TRUE(first.contains("Heading left")) << first.toStdString();
    // One footer line leaves the body 559 units: the heading, the rule and 54 lines.
    EXPECT_TRUE(first.contains("line 54"));
    EXPECT_TRUE(first.contains("footer 1"));
    EXPECT_FALSE(first.contains("line 55"));
    EXPECT_TRUE(second.contains("line 55"));
    EXPECT_TRUE(second.contains("line 60"));
    EXPECT_TRUE(second.contains("Page 2"));
    EXPECT_TRUE(second.contains("footer 2"));

    // Word boxes in points: the left column starts at the 15 mm margin, the right one ends at 195 mm.
    QString boxes = RunTool("pdftotext", {"-f", "1", "-l", "1", "-bbox", file, "-"}).Output;
    auto box = [&boxes](const QString& word, const char* edge) {
        int at = boxes.indexOf(">" + word + "<");
        int start = boxes.lastIndexOf("<word", at);
        QString tag = boxes.mid(start, at - start);
        int value = tag.indexOf(QString(edge) + "=\"");
        return tag.mid(value + static_cast<int>(strlen(edge)) + 2).section('"', 0, 0).toDouble();
    };
    double millimetre = 72.0 / 25.4;
    EXPECT_NEAR(box("Heading", "xMin"), 15 * millimetre, 1.0);
    EXPECT_NEAR(box("1.00", "xMax"), 195 * millimetre, 1.0);
}

TEST_F(QtCanvasTest, PdfPrinterMakesCopiesByRepeatingTheReport)
{
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty()) GTEST_SKIP() << "pdfinfo is not installed";
    fReport->OnOneExemplar = [](TKvnReport& r) {
        r.StartPage();
        r.PrintLine({"copy " + std::to_string(r.CopyIndex() + 1)});
    };
    fReport->SetCopies(3);
    QPrinter printer(QPrinter::HighResolution);
    std::string pdf = File("copies.pdf");
    SetUpPdfPrinter(printer, pdf, fReport->Document());
    TKvnQtPrinter output(printer);
    fReport->Print(output);
    QString file = QString::fromStdString(pdf);
    EXPECT_FALSE(output.CanCopy()) << "a PDF file holds each copy itself";
    ASSERT_EQ(PdfPageCount(file), 3);
    EXPECT_TRUE(PdfPageText(file, 3).contains("copy 3"));
}

TEST_F(QtCanvasTest, AbortedOrUnwritablePdfFilesLeaveNothingBehind)
{
    TwoPageReport();
    fReport->SetCopies(2);
    QPrinter printer(QPrinter::HighResolution);
    std::string pdf = File("aborted.pdf");
    SetUpPdfPrinter(printer, pdf, fReport->Document());
    TKvnQtPrinter output(printer);
    TReportStatus status;
    int polls = 0;
    status.CheckAborted = [&polls] { return ++polls > 1; };
    fReport->Print(output, status);
    EXPECT_FALSE(output.Printing());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));

    SetUpPdfPrinter(printer, File("missing/folder/report.pdf"), fReport->Document());
    EXPECT_THROW(fReport->Print(output), EKvnError);
    EXPECT_EQ(fReport->Mode(), rmNone);
}

TEST_F(QtCanvasTest, PagePicturesReachThePdf)
{
    if (QStandardPaths::findExecutable("pdfimages").isEmpty()) GTEST_SKIP() << "pdfimages is not installed";
    QImage logo(8, 4, QImage::Format_RGB32);
    logo.fill(Qt::blue);
    ASSERT_TRUE(logo.save(QString::fromStdString(File("logo.bmp")), "BMP"));
    fReport->Document().SetImages({"190;10;200;1;" + File("logo.bmp")});
    fReport->OnOneExemplar = [](TKvnReport& r) { r.StartPage(); };
    QPrinter printer(QPrinter::HighResolution);
    std::string pdf = File("picture.pdf");
    SetUpPdfPrinter(printer, pdf, fReport->Document());
    TKvnQtPrinter output(printer);
    fReport->Print(output);
    QString list = RunTool("pdfimages", {"-list", QString::fromStdString(pdf)}).Output;
    EXPECT_TRUE(list.contains(QRegularExpression("\\n\\s*1\\s+0\\s+image\\s+8\\s+4\\s"))) << list.toStdString();
}

TEST_F(QtCanvasTest, HtmlPageOpensInAHeadlessBrowser)
{
    TwoPageReport();
    fReport->SetHtmlFileName(File("report.htm"));
    fReport->WriteHtml();
    QString page = QString::fromStdString(File("report.htm"));
    ASSERT_TRUE(QFile::exists(page));
    QString browser = QStandardPaths::findExecutable("chromium");
    if (browser.isEmpty()) GTEST_SKIP() << "chromium is not installed";
    QTemporaryDir profile;
    TRun run = RunTool("chromium",
                       {"--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                        "--disable-component-update", "--disable-sync", "--no-first-run",
                        "--user-data-dir=" + profile.path(), "--dump-dom", "file://" + page},
                       120000);
    ASSERT_TRUE(run.Ran);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(run.Output.contains("line 60")) << run.Output.toStdString();
    EXPECT_TRUE(run.Output.contains("footer 1"));
}
