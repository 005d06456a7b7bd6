#include "kvnPrint.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnPictures.h"
#include "kvnStrings.h"
#include "recordingCanvas.h"
#include "testSupport.h"

using namespace kvn;

namespace {

using kvntest::TA4Printers;
using kvntest::TLine;
using kvntest::TRecordingCanvas;
using kvntest::TRecordingPrinter;
using kvntest::TText;

class TRecordingPage : public IKvnPreviewPage {
public:
    TRecordingPage(int width, int height) : Page(96), fWidth(width), fHeight(height) {}
    IKvnCanvas& Canvas() override { return Page; }
    void Finish() override { ++Finished; }
    int Width() const override { return fWidth; }
    int Height() const override { return fHeight; }
    TRecordingCanvas Page;
    int Finished = 0;

private:
    int fWidth, fHeight;
};

class TRecordingPreview : public IKvnPreviewDevice {
public:
    int ScreenResolution() const override { return 96; }
    std::unique_ptr<IKvnPreviewPage> NewPage(int width, int height) override
    {
        return std::make_unique<TRecordingPage>(width, height);
    }
};

std::string LanguageTexts(bool german)
{
    return "[G]\n" + RepeatText("-\n", 54) + (german ? "Seite_\n" : "Page_\n") + RepeatText("-\n", 4) +
           (german ? ",_Exemplar %d von %d\n" : ",_copy %d of %d\n") + RepeatText("-\n", 35) +
           (german ? "%s wird geschrieben...\nSeiten werden aufbereitet...\n" : "Writing %s...\nPreparing pages...\n");
}

// Every test has English screen texts and German ones on file, its own settings file, an A4 document with the
// portrait preset (margins 150/150/100/100, column 1800, base font 11.3 pt, line 48) and a fixed clock.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        SetExecutablePath(fDir.File("veltro"));
        SetSettingsFilePath(fDir.File("veltro.INI"));
        SetUserLangIdSource([] { return TWinLangId(); });
        fDir.Write("veltro.xus", LanguageTexts(false));
        fDir.Write("veltro.xde", LanguageTexts(true));
        FreeLanguage();
        fReport = std::make_unique<TKvnReport>(&fPrinters);
        fReport->SetClock([] { return EncodeDate(2026, 3, 7) + 0.5; });
    }
    void TearDown() override
    {
        fReport.reset();
        FreeLanguage();
        SetUserLangIdSource(nullptr);
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }

    TKvnReport& Report() { return *fReport; }
    TKvnDocument& Doc() { return fReport->Document(); }

    // Prints one copy whose content is body, on a first page without a header (and with an empty default header
    // for the pages the engine starts, unless keepHeads).
    void PrintOnce(TRecordingPrinter& printer, std::function<void(TKvnReport&)> body, bool keepHeads = false)
    {
        Report().OnInitReport = [keepHeads](TKvnReport& r) {
            if (!keepHeads) r.Document().SetHeadRight({});
        };
        Report().OnOneExemplar = [body](TKvnReport& r) {
            r.StartPage();
            body(r);
        };
        Report().Print(printer);
    }

    kvntest::TTempDir fDir;
    TA4Printers fPrinters;
    std::unique_ptr<TKvnReport> fReport;
    std::string fSavedExecutable;
    std::string fSavedSettings;
};

// Page coordinates of grid coordinates in the first column of the portrait preset.
int PortraitX(int gridX)
{
    return 150 + MulDiv(gridX, 1800, 1000);
}

int PortraitY(int gridY)
{
    return 100 + MulDiv(gridY, 48, 10);
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Columns, flags and coordinates

TEST_F(ReportTest, LayoutsPlaceCellsAtTheirAnchors)
{
    TRecordingPrinter printer(true, 40);
    PrintOnce(printer, [](TKvnReport& r) {
        r.SetColumns("L700;R300");
        r.PrintLine({"Name", "1234"});
        r.SetColumns("R100;L20;L350;L350;R100");
        r.PrintLine({"1.", "", "Swimmer", "Club", "59.99", "filler"});
        EXPECT_THROW(r.PrintCell(6, "x"), std::out_of_range);
        r.SetColumns("L600;R600");
        r.PrintCell(1, "cut");
        EXPECT_THROW(r.PrintCell(2, "none"), std::out_of_range);
        r.SetColumns("L500;;R200");
        r.PrintCell(1, "mid");
        r.PrintCell(2, "rest");
        r.TextAt(500, 700, 0, "page");
    });
    // The printer's unprintable edge of 40 pixels shifts everything left and up.
    const TRecordingCanvas& page = printer.Sheet;
    EXPECT_EQ(page.One("Name").X, 150 - 40);
    EXPECT_EQ(page.One("Name").Y, PortraitY(0) - 40);
    EXPECT_EQ(page.One("1234").Right(), 1950 - 40) << "a 4-character text in R300 ends at the right margin";
    EXPECT_EQ(page.One("1.").Right(), PortraitX(100) - 40);
    EXPECT_EQ(page.One("Swimmer").X, PortraitX(120) - 40);
    EXPECT_EQ(page.One("Club").X, PortraitX(470) - 40);
    EXPECT_EQ(page.One("59.99").Right(), PortraitX(920) - 40);
    EXPECT_EQ(page.One("filler").X, PortraitX(920) - 40);
    EXPECT_EQ(page.One("cut").Right(), 1950 - 40);
    EXPECT_EQ(page.One("mid").Right(), PortraitX(700) - 40);
    EXPECT_EQ(page.One("rest").X, PortraitX(700) - 40);
    EXPECT_EQ(page.One("page").X, 460);
    EXPECT_EQ(page.Texts.size(), 11u) << "empty cells draw nothing";
}

TEST_F(ReportTest, FitCellShortensOnlyTextsWiderThanTheirColumn)
{
    TRecordingPrinter printer(true);
    std::string fitted, kept, bold;
    PrintOnce(printer, [&](TKvnReport& r) {
        // A column of 180 pixels in an 11-point font of 11 pixels a character, less a blank: 15 characters.
        r.SetColumns("L100;L900");
        fitted = r.FitCell(0, "Swimming Club Lakeside");
        kept = r.FitCell(0, std::string(15, 'x'));
        bold = r.FitCell(1, "fits easily", tfBold);
    });
    EXPECT_EQ(fitted, "Swimming Club\u2026");
    EXPECT_EQ(kept, std::string(15, 'x'));
    EXPECT_EQ(bold, "fits easily");
}

TEST_F(ReportTest, FlagsAlignAndStyleText)
{
    TRecordingPrinter printer(true);
    PrintOnce(printer, [](TKvnReport& r) {
        // 11 pixels per character at the base size of 11.3 points.
        r.DrawText(1000, 500, tfCenter, "abc");
        r.DrawText(1000, 600, tfCenter | tfRight, "abc");
        r.DrawText(1000, 700, tfRight | tfBold | tfItalic, "bold");
        r.DrawText(1000, 800, tfDecimal, " 1:02.34");
        r.DrawText(1000, 900, tfDecimal, "  58 ");
        r.DrawText(1000, 1000, tfUnderline | tfVertical, "under");
        r.SetColumns("L500;D500");
        r.PrintLine({"", "12.34"});
    });
    const std::vector<TText>& texts = printer.Sheet.Texts;
    EXPECT_EQ(texts[0].X, 1000 - 16);
    EXPECT_EQ(texts[1].X, 1000 - 32) << "centre plus right: twice the rounded half width";
    EXPECT_EQ(texts[2].X, 1000 - 44);
    EXPECT_TRUE(texts[2].Font.Bold && texts[2].Font.Italic);
    EXPECT_FALSE(texts[3].Font.Bold) << "the style is reset after every text";
    EXPECT_EQ(texts[3].X, 1000 - 66) << "the first point sits at the anchor";
    EXPECT_EQ(texts[4].X, 1000 - 22) << "without a point the trimmed text ends there";
    EXPECT_TRUE(texts[5].Font.Vertical);
    EXPECT_FALSE(printer.Sheet.Font.Vertical);
    ASSERT_EQ(printer.Sheet.Lines.size(), 1u);
    TLine underline = printer.Sheet.Lines[0];
    EXPECT_EQ(underline.Y1, 1000 + 22);
    EXPECT_EQ(underline.X2 - underline.X1, 55);
    EXPECT_EQ(underline.Pen, 1);
    // A decimal column keeps "00" (22 pixels, 12 per mille) right of the point: "12." ends at 988.
    EXPECT_EQ(texts[6].X, PortraitX(988) - 33);
}

// ---------------------------------------------------------------------------------------------------------------
// Lines, feeds, rules and pages

TEST_F(ReportTest, FiftySevenLinesFitAndTheFiftyEighthStartsANewPage)
{
    TRecordingPrinter printer(true);
    PrintOnce(
        printer,
        [](TKvnReport& r) {
            for (int i = 1; i <= 58; ++i)
                r.PrintLine({"line " + std::to_string(i)});
        },
        true);
    const TRecordingCanvas& sheet = printer.Sheet;
    EXPECT_EQ(printer.Events, "begin page end");
    EXPECT_EQ(sheet.One("line 57").Sheet, 1);
    EXPECT_EQ(sheet.One("line 57").Y, PortraitY(560));
    // The new page's header is the single line "Page 2": 25 units high, right-aligned at the right margin.
    EXPECT_EQ(sheet.One("line 58").Sheet, 2);
    EXPECT_EQ(sheet.One("line 58").Y, PortraitY(25));
    EXPECT_EQ(sheet.One("Page 2").Right(), 1950);
    EXPECT_TRUE(sheet.Find("Page 1").empty()) << "the job opens the first page itself";
}

TEST_F(ReportTest, FeedsFollowTheFontSizeAndHeadersTheLongerList)
{
    TRecordingPrinter printer(true);
    std::vector<int> ys;
    PrintOnce(
        printer,
        [&ys](TKvnReport& r) {
            r.SetFontPercent(120);
            r.Feed(10);
            ys.push_back(r.CurY());
            r.PrintCell(0, "big");
            r.SetFontPercent(80);
            r.Feed(10);
            ys.push_back(r.CurY());
            r.SetPitch(fpFixed);
            r.PrintCell(0, "small");
            r.Document().SetHeadLeft({"Meet", "@DATE@ @TIME@"});
            r.NewPage();
            ys.push_back(r.CurY());
        },
        true);
    EXPECT_EQ(ys, (std::vector<int>{12, 20, 35}));
    EXPECT_EQ(printer.Sheet.One("big").Font.PointSize, 13);
    EXPECT_EQ(printer.Sheet.One("small").Font.PointSize, 9);
    EXPECT_EQ(printer.Sheet.One("small").Font.Face, "Courier New");
    EXPECT_EQ(printer.Sheet.One(FormatDate(true, EncodeDate(2026, 3, 7)) + " 12:00").Y, PortraitY(10));
}

TEST_F(ReportTest, TallHeadersAndBlocksNeverGiveAPagePerLine)
{
    std::vector<std::string> head;
    for (int i = 0; i < 100; ++i)
        head.push_back("head " + std::to_string(i));
    TRecordingPrinter printer(true);
    std::vector<bool> breaks;
    PrintOnce(
        printer,
        [&](TKvnReport& r) {
            r.Document().SetHeadLeft(head);
            for (int i = 0; i < 100; ++i)
                r.PrintLine({"line " + std::to_string(i)});
            breaks.push_back(r.NeedSpace(1000));
            breaks.push_back(r.NeedSpace(1000));
        },
        true);
    EXPECT_EQ(breaks, (std::vector<bool>{true, false})) << "a block taller than a page breaks once";
    EXPECT_LE(printer.Sheet.Texts.back().Sheet, 5) << "every page keeps half its body for lines";
    for (const TText& text : printer.Sheet.Texts)
        EXPECT_LT(text.Y, 100 + 2770) << text.Text;
}

TEST_F(ReportTest, RulesTakeTwoOrFourUnits)
{
    TRecordingPrinter printer(true);
    std::vector<int> ys;
    PrintOnce(printer, [&ys](TKvnReport& r) {
        r.HLine(3);
        ys.push_back(r.CurY());
        r.HLine(-1);
        ys.push_back(r.CurY());
    });
    EXPECT_EQ(ys, (std::vector<int>{2, 6}));
    const std::vector<TLine>& lines = printer.Sheet.Lines;
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Pen, 3) << "three fiftieths of a 48-unit line";
    EXPECT_EQ(lines[0].X1, 150);
    EXPECT_EQ(lines[0].X2, 1950);
    EXPECT_EQ(lines[0].Y1, PortraitY(1));
    EXPECT_EQ(lines[1].Y1, PortraitY(3));
    EXPECT_EQ(lines[2].Y1, PortraitY(5));
}

// ---------------------------------------------------------------------------------------------------------------
// Text columns and footers

TEST_F(ReportTest, FootersSpanBothColumnsOfALandscapePage)
{
    // Columns 1280 wide with a gap of 150 between margins of 130; line height 34, body 1890.
    Doc().ApplyPreset(kPresetLandscape);
    Doc().SetFootLeft({"left @PAGE@"});
    Doc().SetFootRight({"right"});
    TRecordingPrinter printer(true);
    PrintOnce(
        printer,
        [](TKvnReport& r) {
            r.NewPage();
            EXPECT_EQ(r.PageNo(), 1) << "the second column of page 1";
            r.PrintLine({"col1"});
            r.NewPage();
        },
        true);
    const TRecordingCanvas& sheet = printer.Sheet;
    EXPECT_EQ(printer.Orientation, 1);
    EXPECT_EQ(sheet.One("col1").X, 130 + 1280 + 150);
    ASSERT_EQ(sheet.Find("right").size(), 2u) << "once per page";
    EXPECT_EQ(sheet.Find("right")[0].Right(), 2970 - 130);
    EXPECT_EQ(sheet.Find("right")[0].Y, 110 + 55 * 34);
    EXPECT_EQ(sheet.One("left 2").Sheet, 2);
    EXPECT_EQ(sheet.One("Page 2").Right(), 2970 - 130) << "the header ends at the last column's edge";
}

TEST_F(ReportTest, HeadOnColumnGivesEveryColumnItsOwnHeaderAndFooters)
{
    Doc().ApplyPreset(kPresetLandscape);
    Doc().SetHeadOnColumn(true);
    Doc().SetFootCenter({"centre"});
    Doc().SetFootRight({"right"});
    TRecordingPrinter printer(true);
    PrintOnce(
        printer, [](TKvnReport& r) { r.NewPage(); }, true);
    const TRecordingCanvas& sheet = printer.Sheet;
    EXPECT_EQ(printer.Events, "begin end");
    ASSERT_EQ(sheet.Find("right").size(), 2u);
    EXPECT_EQ(sheet.Find("right")[0].Right(), 130 + 1280);
    EXPECT_EQ(sheet.Find("right")[1].Right(), 2970 - 130);
    EXPECT_EQ(sheet.Find("centre")[1].X + sheet.Find("centre")[1].Width / 2, 130 + 1280 + 150 + 640);
    EXPECT_EQ(sheet.One("Page 2").Right(), 2970 - 130) << "the column is page 2";
}

TEST_F(ReportTest, OnlyTheCountedFooterLinesArePrinted)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i)
        lines.push_back("foot " + std::to_string(i));
    Doc().SetFootLeft(lines);
    int counted = Doc().FootLineCount();
    ASSERT_LT(counted, 200);
    TRecordingPrinter printer(true);
    PrintOnce(printer, [](TKvnReport&) {});
    EXPECT_EQ(printer.Sheet.Texts.size(), static_cast<std::size_t>(counted));
    EXPECT_LT(printer.Sheet.Texts.back().Y, 2970);
}

// ---------------------------------------------------------------------------------------------------------------
// Runs

TEST_F(ReportTest, CopiesOnAPrinterThatCopiesTakeOnePass)
{
    TRecordingPrinter printer(true);
    std::vector<int> copies;
    Report().SetCopies(3);
    Report().SetCaption("Print");
    PrintOnce(printer, [&copies](TKvnReport& r) { copies.push_back(r.CopyIndex()); });
    EXPECT_EQ(copies, (std::vector<int>{2}));
    EXPECT_EQ(printer.Copies, 3);
    EXPECT_EQ(printer.Title, ApplicationTitle() + " - Print");
    EXPECT_EQ(printer.Events, "begin end");
}

TEST_F(ReportTest, CopiesOnAPrinterThatCannotCopyEndEachLastPage)
{
    TRecordingPrinter printer(false);
    std::vector<std::string> status;
    int pageEnds = 0;
    Report().SetCopies(3);
    Report().OnEndPage = [&pageEnds](TKvnReport&) { ++pageEnds; };
    Report().OnOneExemplar = [](TKvnReport& r) {
        r.StartPage();
        r.PrintLine({"copy " + std::to_string(r.CopyIndex())});
    };
    TReportStatus watch;
    watch.SetLine = [&status](int, const std::string& text) { status.push_back(text); };
    Report().Print(printer, watch);
    EXPECT_EQ(printer.Copies, 0) << "the printer is not asked for copies";
    EXPECT_EQ(printer.Events, "begin page page end");
    EXPECT_EQ(pageEnds, 3);
    EXPECT_EQ(printer.Sheet.One("copy 2").Sheet, 3);
    EXPECT_EQ(status, (std::vector<std::string>{"Preparing pages...", "Page 1, copy 1 of 3", "Page 1, copy 2 of 3",
                                                "Page 1, copy 3 of 3"}));
}

TEST_F(ReportTest, AbortStopsFurtherCopiesAndDropsTheDocument)
{
    TRecordingPrinter printer(false);
    int made = 0;
    Report().SetCopies(3);
    Report().OnOneExemplar = [&made](TKvnReport& r) {
        r.StartPage();
        ++made;
    };
    TReportStatus status;
    status.CheckAborted = [&made] { return made >= 1; };
    Report().Print(printer, status);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(printer.Events, "begin abort");
}

TEST_F(ReportTest, PrintLanguageHoldsOnlyDuringTheRunEvenWhenTheJobFails)
{
    GetLanguage().SetPrintLanguage(1);
    TRecordingPrinter printer(false);
    std::vector<std::string> status;
    TReportStatus watch;
    watch.SetLine = [&status](int, const std::string& text) { status.push_back(text); };
    Report().OnOneExemplar = [](TKvnReport& r) {
        r.StartPage();
        r.NewPage();
        throw EKvnError("job failed");
    };
    EXPECT_THROW(Report().Print(printer, watch), EKvnError);
    EXPECT_EQ(status.at(0), "Preparing pages...") << "set before the run, in the screen language";
    EXPECT_EQ(status.at(2), "Seite 2, Exemplar 1 von 1");
    EXPECT_EQ(printer.Sheet.One("Seite 2").Sheet, 2);
    EXPECT_EQ(printer.Events, "begin page abort") << "half a document is not printed";
    EXPECT_EQ(GetLanguage().GetText("G", 55), "Page ");
    EXPECT_EQ(Report().Mode(), rmNone);
}

TEST_F(ReportTest, DrawingWithoutAnOpenPageIsAClearError)
{
    TRecordingPrinter printer(true);
    Report().OnOneExemplar = [](TKvnReport& r) { r.PrintLine({"no page"}); };
    EXPECT_THROW(Report().Print(printer), std::logic_error);
    EXPECT_THROW(Report().StartPage(), std::logic_error) << "outside a run";
}

TEST_F(ReportTest, PreviewRecordsOneFinishedPicturePerPage)
{
    TRecordingPreview device;
    Report().SetCopies(2);
    Report().OnOneExemplar = [](TKvnReport& r) {
        r.StartPage();
        r.PrintLine({"first"});
        r.NewPage();
        throw EKvnError("stop");
    };
    EXPECT_THROW(Report().Preview(device), EKvnError);
    ASSERT_EQ(Report().PreviewPages().size(), 2u);
    const auto& first = dynamic_cast<const TRecordingPage&>(*Report().PreviewPages()[0]);
    const auto& second = dynamic_cast<const TRecordingPage&>(*Report().PreviewPages()[1]);
    EXPECT_EQ(first.Width(), 2100 * 96 / 254 + 2);
    EXPECT_EQ(first.Height(), 2970 * 96 / 254 + 2);
    EXPECT_EQ(first.Finished, 1);
    EXPECT_EQ(second.Finished, 1) << "also the page a failing job left open";
    // The paper's frame, then its shadow three pixels wide along the bottom.
    TLine shadow = first.Page.Lines.at(4);
    EXPECT_EQ(shadow.Pen, 3);
    EXPECT_EQ(shadow.Y1, first.Height() - 2);
    EXPECT_EQ(first.Page.One("first").X, MulDiv(150, 96, 254));
}

// ---------------------------------------------------------------------------------------------------------------
// HTML

class HtmlReportTest : public ReportTest {
protected:
    std::string Write(std::function<void(TKvnReport&)> body, const TReportStatus& status = {})
    {
        Report().SetHtmlFileName(fDir.File("page.htm"));
        Report().OnInitReport = [](TKvnReport& r) { r.Document().SetHeadRight({}); };
        Report().OnOneExemplar = [body](TKvnReport& r) {
            r.StartPage();
            body(r);
        };
        Report().WriteHtml(status);
        return kvntest::ReadFile(fDir.File("page.htm"));
    }
};

TEST_F(HtmlReportTest, LinesUnderOneLayoutBecomeOneRowWithTheDocumentsWidths)
{
    auto threeLines = [](TKvnReport& r) {
        r.SetColumns("L700;R300");
        r.PrintLine({"a", "1"});
        r.PrintLine({"b", "2"});
        EXPECT_FALSE(r.NeedSpace(10000));
        r.PrintLine({"c", "3"});
    };
    std::string page = Write(threeLines);
    EXPECT_NE(page.find("<table width=100% border=0"), std::string::npos);
    EXPECT_NE(page.find("<td width=70%>a<br>b<br>c</td><td align=right width=30%>1<br>2<br>3</td>"), page.npos) << page;
    Doc().SetHTMLWidth(600);
    page = Write(threeLines);
    EXPECT_NE(page.find("<table width=600 "), std::string::npos);
    EXPECT_NE(page.find("<td width=420>a<br>"), std::string::npos);
    Doc().SetOptions({doMultiCol});
    EXPECT_NE(Write(threeLines).find("<td width=70%>"), std::string::npos) << "fixed orientation: per cent";
}

TEST_F(HtmlReportTest, RuleBetweenTwoBlocksStartsANewTableAndHalfFeedsAddNothing)
{
    std::string page = Write([](TKvnReport& r) {
        r.SetColumns("L700;R300");
        r.PrintLine({"a", "1"});
        r.HLine(3);
        std::size_t lines = r.Html()->Lines().size();
        r.Feed(5);
        EXPECT_EQ(r.Html()->Lines().size(), lines);
        r.Feed(20);
        EXPECT_EQ(r.Html()->Lines().size(), lines + 2);
        r.PrintLine({"b", "2"});
    });
    std::size_t rule = page.find("<hr noshade");
    ASSERT_NE(rule, std::string::npos);
    EXPECT_NE(page.rfind("</table>", rule), std::string::npos);
    EXPECT_NE(page.find("<td width=70%>b</td>", rule), std::string::npos) << page;
}

TEST_F(HtmlReportTest, FootersTitleFontsAndStatus)
{
    Doc().SetFootLeft({"left @PAGE@"});
    Doc().SetFootRight({"right 1", "right 2"});
    Report().SetPageNo(4);
    std::vector<std::string> status;
    TReportStatus watch;
    watch.SetLine = [&status](int, const std::string& text) { status.push_back(text); };
    std::string page = Write(
        [](TKvnReport& r) {
            r.Document().SetHtmlTitle({"Results @PAGE@"});
            r.SetFontPercent(120);
            r.PrintLine({"big"});
            r.HtmlText("<p>raw</p>");
        },
        watch);
    EXPECT_EQ(status.at(0), "Writing page.htm...");
    EXPECT_NE(page.find("<em id=f12>big"), std::string::npos);
    EXPECT_NE(page.find("<p>raw</p>"), std::string::npos);
    EXPECT_LT(page.find("<hr noshade"), page.find("left 4")) << "a rule before the footers";
    EXPECT_NE(page.find("<td width=33%>left 4</td><td width=33%></td><td align=right width=33%>right 1<br>right 2"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<title>\r\nResults 4\r\n</title>"), std::string::npos);
    EXPECT_EQ(Report().Html(), nullptr) << "the writer lives only for the run";
    Report().SetHtmlFileName("");
    EXPECT_THROW(Report().WriteHtml(), EKvnError);
}

// ---------------------------------------------------------------------------------------------------------------
// Pictures

namespace {

void Put32(std::string& s, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A bitmap file with an info header of headerSize bytes, then extra (masks, colour table), then the pixel rows.
std::string Bitmap(int width, int height, int bits, std::uint32_t compression, const std::string& extra,
                   const std::string& pixels, std::uint32_t colorsUsed = 0, std::uint32_t headerSize = 40)
{
    std::string header;
    for (std::uint32_t v : {headerSize, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
                            1u | static_cast<std::uint32_t>(bits) << 16, compression,
                            static_cast<std::uint32_t>(pixels.size()), 2835u, 2835u, colorsUsed, 0u})
        Put32(header, v);
    header.resize(headerSize, '\0');
    std::string file = "BM";
    Put32(file, static_cast<std::uint32_t>(14 + header.size() + extra.size() + pixels.size()));
    Put32(file, 0);
    Put32(file, static_cast<std::uint32_t>(14 + header.size() + extra.size()));
    return file + header + extra + pixels;
}

int WriteToString(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

// A 2 x 5 GIF, interlaced, whose rows are colour 0 (red), 1 (green), 2 (transparent), 1 and 0.
std::string InterlacedGif()
{
    std::string bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, WriteToString, &error);
    EGifSetGifVersion(gif, true);
    GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    EGifPutScreenDesc(gif, 2, 5, 2, 0, map);
    GraphicsControlBlock control{0, false, 0, 2};
    GifByteType extension[4];
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(EGifGCBToExtension(&control, extension)), extension);
    EGifPutImageDesc(gif, 0, 0, 2, 5, true, nullptr);
    GifPixelType rows[5][2] = {{0, 0}, {1, 1}, {2, 2}, {1, 1}, {0, 0}};
    for (int row : {0, 4, 2, 1, 3})
        EGifPutLine(gif, rows[row], 2);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return bytes;
}

} // namespace

TEST(Pictures, BitmapsDecodeInEveryLayout)
{
    // 24 bits, bottom-up, rows padded to 4 bytes.
    std::string rows24 = std::string("\0\0\xFF\0\xFF\0\0\0\xFF\0\0\xFF\xFF\xFF\0\0", 16);
    TKvnPicture picture = DecodeBmp(Bitmap(2, 2, 24, 0, "", rows24));
    EXPECT_EQ(picture.At(0, 1), 0xFFFF0000u);
    EXPECT_EQ(picture.At(1, 1), 0xFF00FF00u);
    EXPECT_EQ(picture.At(0, 0), 0xFF0000FFu);
    // 1 bit, top-down, and a pixel index past a one-colour table reads as black.
    std::string black, white;
    Put32(black, 0x000000);
    Put32(white, 0xFFFFFF);
    TKvnPicture mono = DecodeBmp(Bitmap(3, -1, 1, 0, white, std::string("\x60\0\0\0", 4), 1));
    EXPECT_EQ(mono.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(mono.At(1, 0), 0xFF000000u);
    // 32 bits with an alpha mask inside a version 4 header.
    std::string v4 = Bitmap(1, 1, 32, 3, "", std::string("\x10\x20\x30\x80", 4), 0, 108);
    std::string masks;
    for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
        Put32(masks, mask);
    v4.replace(14 + 40, masks.size(), masks);
    EXPECT_EQ(DecodeBmp(v4).At(0, 0), 0x80302010u);
    // Run-length: bottom row an absolute run 1, 0, 1 padded to a word; top row one pixel 0, a skipped pixel and
    // one pixel 1.
    std::string runs("\0\x03\x01\0\x01\0"
                     "\0\0"
                     "\x01\0\0\x02\x01\0\x01\x01"
                     "\0\x01",
                     18);
    TKvnPicture rle = DecodeBmp(Bitmap(3, 2, 8, 1, black + white, runs, 2));
    EXPECT_EQ(rle.At(0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(rle.At(1, 1), 0xFF000000u);
    EXPECT_EQ(rle.At(1, 0), 0u) << "skipped pixels are transparent";
    EXPECT_EQ(rle.At(2, 0), 0xFFFFFFFFu);
}

TEST(Pictures, DamagedOrHugeFilesAreRefusedBeforeAllocating)
{
    std::string good = Bitmap(2, 2, 24, 0, "", std::string(16, '\0'));
    EXPECT_THROW(DecodeBmp(good.substr(0, good.size() - 1)), EKvnError);
    EXPECT_THROW(DecodeBmp("BM"), EKvnError);
    EXPECT_THROW(DecodeBmp(Bitmap(100000, 100000, 24, 0, "", "")), EKvnError);
    EXPECT_THROW(DecodeBmp(Bitmap(1, 1, 7, 0, "", std::string(4, '\0'))), EKvnError);
    EXPECT_THROW(DecodeBmp(Bitmap(1, 1, 8, 0, "", std::string(4, '\0'))), EKvnError) << "no colour table";
    std::string gif = InterlacedGif();
    EXPECT_THROW(DecodeGif(gif.substr(0, gif.size() / 2)), EKvnError);
    EXPECT_THROW(DecodeGif("GIF89a"), EKvnError);
    EXPECT_THROW(LoadPicture("/nonexistent/picture.bmp", false), EKvnError);
}

TEST(Pictures, GifFirstFrameDecodesInterlacedWithTransparency)
{
    TKvnPicture picture = DecodeGif(InterlacedGif());
    ASSERT_EQ(picture.Width, 2);
    ASSERT_EQ(picture.Height, 5);
    EXPECT_EQ(picture.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(picture.At(1, 1), 0xFF00FF00u);
    EXPECT_EQ(picture.At(0, 2), 0u);
    EXPECT_EQ(picture.At(0, 3), 0xFF00FF00u);
    EXPECT_EQ(picture.At(1, 4), 0xFFFF0000u);
}

TEST_F(ReportTest, PicturesAreDrawnOncePerPageAndBadFilesSkipped)
{
    fDir.Write("logo.bmp", Bitmap(2, 2, 24, 0, "", std::string(16, '\0')));
    fDir.Write("logo.GIF", InterlacedGif());
    fDir.Write("broken.gif", "GIF89a");
    Doc().ApplyPreset(kPresetLandscape);
    Doc().SetImages({"10;20;5000;1;" + fDir.File("logo.bmp"), "100;20;100;2;" + fDir.File("logo.GIF"),
                     "5;5;100;0;" + fDir.File("broken.gif"), "5;5;100;0;" + fDir.File("missing.bmp")});
    TRecordingPrinter printer(true);
    PrintOnce(printer, [](TKvnReport& r) {
        r.NewPage();
        r.NewPage();
    });
    const std::vector<TLine>& pictures = printer.Sheet.Pictures;
    ASSERT_EQ(pictures.size(), 4u) << "two pictures on each of two pages, not per column";
    // 2 pixels at 5000 % of 100 dpi make an inch (254 units), whose right edge is at 10 mm.
    EXPECT_EQ(pictures[0].X1, 100 - 254);
    EXPECT_EQ(pictures[0].X2, 100);
    EXPECT_EQ(pictures[0].Y1, 200);
    // The GIF's 2 x 5 pixels at 100 dpi, centred on 100 mm.
    EXPECT_EQ(pictures[1].X1, 1000 - 2);
    EXPECT_EQ(pictures[1].X2, 1000 + 3);
    EXPECT_EQ(pictures[1].Pen, 5);
    EXPECT_EQ(pictures[2].Sheet, 2);
}
