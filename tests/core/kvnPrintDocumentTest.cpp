#include "kvnPrintDocument.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "kvnIniFiles.h"
#include "kvnLanguage.h"
#include "kvnMessages.h"
#include "kvnPaths.h"
#include "kvnStrings.h"
#include "testSupport.h"

using namespace kvn;

namespace {

using TLines = std::vector<std::string>;

class TFakePrinter : public IKvnPrinterInfo {
public:
    TFakePrinter(bool hasPrinter, std::string name, int code) : fHas(hasPrinter), fName(std::move(name)), fCode(code) {}
    bool HasPrinter() const override { return fHas; }
    std::string SelectedPrinterName() const override { return fName; }
    int SelectedPaperCode() const override
    {
        ++fPaperQueries;
        return fCode;
    }
    bool fHas;
    std::string fName;
    int fCode;
    mutable int fPaperQueries = 0;
};

// Every test runs with an English language file holding the texts the document uses, a settings file of its own
// and an A4 printer installed process-wide.
class PrintDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fSavedExecutable = ExecutablePath();
        fSavedSettings = SettingsFile().FileName();
        SetExecutablePath(fDir.File("veltro"));
        SetSettingsFilePath(fDir.File("veltro.INI"));
        SetUserLangIdSource([] { return TWinLangId(); });
        fDir.Write("veltro.xus",
                   "[G]\n" + RepeatText("-\n", 51) + "Portrait\nLandscape\n,__(unknown paper size)\nPage_\n");
        FreeLanguage();
        fSavedPrinters = SetPrinterInfo(&fA4);
    }
    void TearDown() override
    {
        SetPrinterInfo(fSavedPrinters);
        FreeLanguage();
        SetUserLangIdSource(nullptr);
        SetSettingsFilePath(fSavedSettings);
        SetExecutablePath(fSavedExecutable);
    }

    kvntest::TTempDir fDir;
    TFakePrinter fA4{true, "Office", 9};
    std::string fSavedExecutable;
    std::string fSavedSettings;
    const IKvnPrinterInfo* fSavedPrinters = nullptr;
};

} // namespace

TEST(PrintMath, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(75, 2116, 1000), 159);
    EXPECT_EQ(MulDiv(80, 254, 600), 34);
    EXPECT_EQ(MulDiv(48, 4, 5), 38);
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX); // 64-bit product
    EXPECT_EQ(MulDiv(INT_MAX, 4, 2), INT_MAX);
    EXPECT_EQ(MulDiv(7, 3, 0), 0);
}

TEST(ColumnLayout, ParsesFieldsAndAddsAFiller)
{
    EXPECT_EQ(TColDivList("L700;R300").Text(), "L700;R300;");
    EXPECT_EQ(TColDivList("").Text(), "L1000;");

    TColDivList events("R100;L20;L350;L350;R100");
    ASSERT_EQ(events.Count(), 6);
    EXPECT_EQ(events.At(5), (TColDiv{920, 80, caLeft}));
    EXPECT_EQ(events.At(4), (TColDiv{820, 100, caRight}));
    EXPECT_EQ(TColDivList("L120;L235;R100;L15;L75;R100;R100").At(7), (TColDiv{745, 255, caLeft}));

    // Cut at 1000, later fields ignored; empty fields skipped.
    EXPECT_EQ(TColDivList("L600;R600;C100").Text(), "L600;R400;");
    EXPECT_EQ(TColDivList("L500;;R200").Text(), "L500;R200;L300;");
    // Unknown letters align left, non-numbers and negative widths count as 0.
    EXPECT_EQ(TColDivList("x10;C1.5;D-40;Rabc;D 20").Text(), "L10;C0;D0;R0;D20;L970;");
    EXPECT_EQ(TColDivList("R99999999999").Text(), "R0;L1000;");

    EXPECT_THROW(events.At(6), std::out_of_range);
    EXPECT_THROW(events.At(-1), std::out_of_range);
}

TEST(PageImages, EntriesReadWithDefaultsAndKeepSemicolonsInNames)
{
    TImageEntry logo = ParseImageEntry("10;20;50;1;/pics/a;b.Gif");
    EXPECT_EQ(logo.X, 10);
    EXPECT_EQ(logo.Y, 20);
    EXPECT_EQ(logo.Scale, 50);
    EXPECT_EQ(logo.Align, 1);
    EXPECT_EQ(logo.File, "/pics/a;b.Gif");
    EXPECT_TRUE(logo.IsGif());
    EXPECT_EQ(ImageEntryText(logo), "10;20;50;1;/pics/a;b.Gif");

    TImageEntry bad = ParseImageEntry("x;;-20;7;logo.bmp");
    EXPECT_EQ(bad.X, 5);
    EXPECT_EQ(bad.Y, 5);
    EXPECT_EQ(bad.Scale, 100);
    EXPECT_EQ(bad.Align, 0);
    EXPECT_FALSE(bad.IsGif());
    TImageEntry shortEntry = ParseImageEntry("12;0");
    EXPECT_EQ(shortEntry.Y, 0);
    EXPECT_EQ(shortEntry.Scale, 100);
    EXPECT_EQ(shortEntry.File, "");
}

TEST(PaperTable, CodesFindTheirRowsAndUnknownOnesRowZero)
{
    EXPECT_EQ(PaperIndexOfCode(9), 2);
    EXPECT_EQ(PaperIndexOfCode(1), 6);
    EXPECT_EQ(PaperIndexOfCode(2), 7);
    EXPECT_EQ(PaperIndexOfCode(5), 8);
    EXPECT_EQ(PaperIndexOfCode(26), 12);
    EXPECT_EQ(PaperIndexOfCode(-1), 0);
    EXPECT_EQ(PaperIndexOfCode(0), 0);
    EXPECT_EQ(PaperIndexOfCode(70), 0);
}

TEST_F(PrintDocumentTest, NewDocumentHasPresetZeroOnThePrintersPaper)
{
    TKvnDocument doc;
    EXPECT_EQ(doc.Name(), "Hoch75");
    EXPECT_EQ(doc.PrinterName(), "Office");
    EXPECT_EQ(doc.PaperIndex(), 2);
    EXPECT_EQ(doc.HeadRight(), TLines{"Page @PAGE@"});
    EXPECT_TRUE(doc.HeadLeft().empty());
    EXPECT_EQ(doc.ColumnsText(), "L1000;");
    EXPECT_EQ(TKvnDocument::OrientationName(1), "Landscape");
    // A4 portrait, margins 150/150/100/100.
    EXPECT_EQ(doc.ColumnWidth(), 1800);
    EXPECT_EQ(doc.BaseFontSize(), 113);
    EXPECT_EQ(doc.LineHeight(), 48);
    EXPECT_EQ(doc.PrintableHeight(), 2770);
    EXPECT_EQ(doc.FootHeight(), 0);
    EXPECT_EQ(doc.Description(), "A4 - Portrait,  (180 x 277 mm)");
}

TEST_F(PrintDocumentTest, PresetsFollowTheOptionsAndKeepFootersAndPictures)
{
    TKvnDocument doc;
    doc.SetFootLeft({"left", "second"});
    doc.SetImages({"5;5;100;0;logo.gif"});
    doc.SetFootFontPercent(80);
    doc.SetHtmlTemplate("page.htt");
    doc.SetHeadOnColumn(true);

    doc.ApplyPreset(kPresetLandscape);
    EXPECT_EQ(doc.Orientation(), 1);
    EXPECT_EQ(doc.ColCount(), 2);
    EXPECT_EQ(doc.ColumnWidth(), 1280); // (2970 - 260 - 150) / 2
    EXPECT_EQ(doc.BaseFontSize(), 80);
    EXPECT_EQ(doc.LineHeight(), 34);
    EXPECT_FALSE(doc.HeadOnColumn());
    EXPECT_EQ(doc.HtmlTemplate(), "");
    EXPECT_EQ(doc.FootLeft().size(), 2u);
    EXPECT_EQ(doc.Images().size(), 1u);
    EXPECT_EQ(doc.FootFontPercent(), 80);
    EXPECT_EQ(doc.FootHeight(), 2 * 34 + 27);
    EXPECT_EQ(doc.Description(), "A4 - Landscape,  (128 x 179 mm;  2x)"); // 2100 - 210 - 95

    doc.SetOptions({doCanSetMargins});
    doc.ApplyPreset(kPresetLandscape);
    EXPECT_EQ(doc.Orientation(), 0);
    EXPECT_EQ(doc.ColCount(), 1);
    EXPECT_EQ(doc.ColGap(), 0);
    EXPECT_EQ(doc.MarginLeft(), 130);
    doc.SetOptions({doMultiCol, doChgOrientation});
    doc.ApplyPreset(kPresetPortrait);
    EXPECT_EQ(doc.MarginTop() + doc.MarginLeft(), 0);

    doc.SetOptions({doMultiCol, doChgOrientation, doCanSetAddressPos});
    EXPECT_EQ(doc.Options(), (TDocumentOptions{doCanSetAddressPos}));
    EXPECT_THROW(doc.ApplyPreset(2), std::out_of_range);
    EXPECT_THROW(doc.ApplyPreset(-1), std::out_of_range);
}

TEST_F(PrintDocumentTest, DetectPaperAsksTheSelectedPrinter)
{
    TFakePrinter legal(true, "Legal printer", 5);
    TKvnDocument doc("Hoch75", &legal);
    EXPECT_EQ(doc.PaperIndex(), 8);
    EXPECT_EQ(doc.PrinterName(), "Legal printer");
    EXPECT_EQ(doc.Description(), "US-Legal - Portrait,  (185 x 335 mm)");

    legal.fCode = 119; // a paper the table does not know
    doc.DetectPaper();
    EXPECT_EQ(doc.PaperIndex(), 0);
    EXPECT_EQ(doc.PrinterName(), "Legal printer");

    TFakePrinter none(false, "", 9);
    TKvnDocument lonely("Hoch75", &none);
    EXPECT_EQ(lonely.PaperIndex(), 0);
    EXPECT_EQ(lonely.PrinterName(), "");
    EXPECT_EQ(none.fPaperQueries, 0);
    EXPECT_EQ(lonely.PageHeight(), 2970); // A4 size all the same
    EXPECT_EQ(lonely.Description(), "? - Portrait,  (unknown paper size)");

    TFakePrinter unnamed(true, "", 9); // a printer that cannot be asked for its name cannot be opened
    TKvnDocument doc2("Hoch75", &unnamed);
    EXPECT_EQ(doc2.PaperIndex(), 0);
    EXPECT_EQ(unnamed.fPaperQueries, 0);

    SetPrinterInfo(nullptr);
    TKvnDocument noSource;
    EXPECT_EQ(noSource.PaperIndex(), 0);
}

TEST_F(PrintDocumentTest, FooterHeightAndColumnCountEdgeCases)
{
    TKvnDocument doc;
    doc.SetFootLeft({"a", "b", "", ""});
    doc.SetFootRight({"", "", "", "", ""});
    EXPECT_EQ(doc.FootLeft().size(), 2u);
    EXPECT_TRUE(doc.FootRight().empty());
    EXPECT_EQ(doc.FootLineCount(), 2);
    EXPECT_EQ(doc.FootHeight(), 134); // 2 * 48 + 38
    doc.SetFootCenter({"one\r\ntwo\nthree"});
    EXPECT_EQ(doc.FootCenter(), (TLines{"one", "two", "three"}));

    for (int count : {0, 1}) {
        doc.SetColCount(count);
        doc.SetColGap(150);
        EXPECT_EQ(doc.ColCount(), 1);
        EXPECT_EQ(doc.ColumnWidth(), 1800);
    }
    doc.SetColumns("L300;R100", 2, 40);
    EXPECT_EQ(doc.ColumnsText(), "L300;R100;L40;L300;R100;L160;");
    EXPECT_EQ(doc.ColumnStart(3), 440);
    EXPECT_EQ(doc.ColumnWidthPm(4), 100);
    EXPECT_EQ(doc.ColumnAlign(4), caRight);
    doc.SetColumns("L0", INT_MAX, 0); // bounded, however large the count
    EXPECT_EQ(doc.Columns().Items().back(), (TColDiv{0, 1000, caLeft}));
}

TEST_F(PrintDocumentTest, NonsenseGeometryIsClampedToAUsablePage)
{
    TKvnDocument doc;
    doc.SetMarginLeft(-50);
    doc.SetMarginRight(-1);
    doc.SetColGap(-30);
    EXPECT_EQ(doc.MarginLeft(), 0);
    EXPECT_EQ(doc.ColGap(), 0);
    EXPECT_EQ(doc.ColumnWidth(), 2100);

    // Margins wider than the paper shrink in proportion until a column with a usable font is left.
    doc.SetMarginLeft(3000);
    doc.SetMarginRight(1000);
    EXPECT_GE(doc.BaseFontSize(), TKvnDocument::kMinBaseFontSize);
    EXPECT_EQ(doc.MarginLeft() + doc.MarginRight() + doc.ColumnWidth(), 2100);
    EXPECT_GT(doc.MarginLeft(), 2 * doc.MarginRight());

    // Too many columns for the width: as many as keep a usable font.
    doc.SetMarginLeft(150);
    doc.SetMarginRight(150);
    doc.SetColCount(1000000);
    doc.SetColGap(50);
    EXPECT_EQ(doc.ColCount(), 5); // (1800 + 50) / (318 + 50): five columns of 320
    EXPECT_GE(doc.BaseFontSize(), TKvnDocument::kMinBaseFontSize);
    doc.SetColGap(INT_MAX);
    EXPECT_EQ(doc.ColCount(), 1);

    // Top and bottom margins leave the body room, and a tall footer gives up lines rather than the body.
    doc.SetColCount(1);
    doc.SetMarginTop(2000);
    doc.SetMarginBottom(2000);
    int lineHeight = doc.LineHeight();
    EXPECT_GE(doc.PrintableHeight(), TKvnDocument::kMinBodyLines * lineHeight);
    doc.SetMarginTop(100);
    doc.SetMarginBottom(100);
    doc.SetFootLeft(TLines(200, "footer"));
    EXPECT_EQ(doc.FootLineCount(), (2770 - 5 * 48 - 38) / 48);
    EXPECT_GE(doc.PrintableHeight() - doc.FootHeight(), TKvnDocument::kMinBodyLines * lineHeight);

    // Values outside their ranges never reach a division or a zero-sized font.
    doc.SetFixCharPerLine(0);
    EXPECT_GT(doc.BaseFontSize(), 0);
    doc.SetFixCharPerLine(INT_MAX);
    EXPECT_GE(doc.BaseFontSize(), TKvnDocument::kMinBaseFontSize);
    doc.SetOrientation(7);
    EXPECT_EQ(doc.Orientation(), 1);
    doc.SetFootFontPercent(0);
    EXPECT_EQ(doc.FootFontPercent(), 10);
    doc.SetPaperIndex(13);
    EXPECT_EQ(doc.PaperIndex(), 0);
}

TEST_F(PrintDocumentTest, SettingsRoundTripWithFootersShortenedFromThreeLinesToOne)
{
    TKvnIniFile ini(fDir.File("print.ini"));
    TKvnDocument doc;
    doc.ApplyPreset(kPresetLandscape);
    doc.SetMarginTop(-5); // stored as requested; used as 0
    doc.SetHeadOnColumn(true);
    doc.SetAddrPosLeft(1300);
    doc.SetFixFont("Liberation Mono");
    doc.SetHtmlTemplate("/tmp/a,b/page.htt");
    doc.SetHTMLWidth(700);
    doc.SetFootFontPercent(90);
    doc.SetFootLeft({"l0", "l1", "l2"});
    doc.SetFootRight({"", "r1"});
    doc.SetImages({"1;2;3;0;x.gif"});
    doc.SaveSettings(ini);
    EXPECT_EQ(ini.ReadString("Printer", "DFHoch75Margin", ""), "130;130;-5;100;2;150;1;1;1300;500");
    EXPECT_EQ(ini.ReadString("Printer", "DFHoch75Fonts", ""), "Liberation Mono,Arial,/tmp/a,b/page.htt,700,90");
    EXPECT_EQ(ini.ReadString("Printer", "DFHoch75rFoot0", "?"), "");

    doc.SetFootLeft({"only", ""});
    doc.SaveSettings(ini);
    EXPECT_EQ(ini.ReadString("Printer", "DFHoch75lFoot0", "?"), "only");
    EXPECT_TRUE(ini.ValueExists("Printer", "DFHoch75lFoot2"));
    EXPECT_EQ(ini.ReadString("Printer", "DFHoch75lFoot2", "?"), "");
    EXPECT_FALSE(ini.ValueExists("Printer", "DFHoch75lFoot3"));

    TKvnDocument back("Hoch75", nullptr);
    back.LoadSettings(ini);
    EXPECT_EQ(back.FootLeft(), TLines{"only"});
    EXPECT_EQ(back.FootRight(), (TLines{"", "r1"}));
    EXPECT_EQ(back.FootLineCount(), 2);
    EXPECT_EQ(back.Images(), TLines{"1;2;3;0;x.gif"});
    EXPECT_EQ(back.MarginTop(), 0);
    EXPECT_EQ(back.Orientation(), 1);
    EXPECT_EQ(back.ColCount(), 2);
    EXPECT_TRUE(back.HeadOnColumn());
    EXPECT_EQ(back.AddrPosLeft(), 1300);
    EXPECT_EQ(back.FixFont(), "Liberation Mono");
    EXPECT_EQ(back.HtmlTemplate(), "/tmp/a,b/page.htt");
    EXPECT_EQ(back.HTMLWidth(), 700);
    EXPECT_EQ(back.FootFontPercent(), 90);
    EXPECT_EQ(back.Description(), doc.Description());

    // Saving it again gives the same file.
    std::string before = kvntest::ReadFile(ini.FileName());
    back.SaveSettings(ini);
    EXPECT_EQ(kvntest::ReadFile(ini.FileName()), before);
}

TEST_F(PrintDocumentTest, LoadRulesForMissingAndBadValues)
{
    TKvnIniFile ini(fDir.File("print.ini"));
    // No margin key: preset 0, and the stored fonts and footers are not read.
    ini.WriteString("Printer", "DFListFonts", "Mono,Sans,t.htt,5,50");
    ini.WriteString("Printer", "DFListlFoot0", "stale");
    TKvnDocument doc("List");
    doc.SetFootLeft({"kept"});
    doc.SetMarginLeft(999);
    doc.LoadSettings(ini);
    EXPECT_EQ(doc.MarginLeft(), 150);
    EXPECT_EQ(doc.FixFont(), "Courier New");
    EXPECT_EQ(doc.FootLeft(), TLines{"kept"});

    // Missing and non-numeric fields read as 0, empty faces as the standard ones, missing font fields as defaults.
    ini.WriteString("Printer", "DFListMargin", "200;x;;50");
    ini.WriteString("Printer", "DFListFonts", ",");
    ini.WriteString("Printer", "DFListzFoot0", "a");
    ini.WriteString("Printer", "DFListzFoot1", "$-$$");
    ini.WriteString("Printer", "DFListzFoot2", "c");
    ini.WriteString("Printer", "DFListzFoot4", "after a gap");
    doc.LoadSettings(ini);
    EXPECT_EQ(doc.MarginLeft(), 200);
    EXPECT_EQ(doc.MarginRight(), 0);
    EXPECT_EQ(doc.MarginBottom(), 50);
    EXPECT_EQ(doc.ColCount(), 1);
    EXPECT_EQ(doc.AddrPosTop(), 0);
    EXPECT_EQ(doc.FixFont(), "Courier New");
    EXPECT_EQ(doc.VarFont(), "Arial");
    EXPECT_EQ(doc.HTMLWidth(), -1);
    EXPECT_EQ(doc.FootFontPercent(), 100);
    EXPECT_EQ(doc.FootCenter(), (TLines{"a", "c"}));
    EXPECT_EQ(doc.FootLeft(), TLines{"stale"});
    EXPECT_EQ(doc.PrinterName(), "Office"); // detected again at the end

    // A document without a name neither reads nor writes.
    TKvnDocument unnamed("");
    unnamed.SetMarginLeft(5);
    unnamed.LoadSettings(ini);
    EXPECT_EQ(unnamed.MarginLeft(), 150);
    TKvnIniFile empty(fDir.File("empty.ini"));
    unnamed.SaveSettings(empty);
    EXPECT_FALSE(empty.SectionExists("Printer"));
}

TEST_F(PrintDocumentTest, UnstorableValuesAreRefusedBeforeAnythingIsWritten)
{
    TKvnIniFile ini(fDir.File("print.ini"));
    TKvnDocument doc;
    doc.SaveSettings(ini);
    std::string before = kvntest::ReadFile(ini.FileName());

    doc.SetMarginLeft(77);
    doc.SetHtmlTemplate("page\n.htt");
    EXPECT_THROW(doc.SaveSettings(ini), EKvnError);
    EXPECT_EQ(kvntest::ReadFile(ini.FileName()), before);

    doc.SetHtmlTemplate("page.htt");
    doc.SetName("a=b");
    EXPECT_THROW(doc.SaveSettings(ini), EKvnError);
    EXPECT_EQ(kvntest::ReadFile(ini.FileName()), before);
}

TEST_F(PrintDocumentTest, SettingsFileIsTheDefaultTarget)
{
    TKvnDocument doc;
    doc.SetColGap(222);
    doc.SaveSettings();
    EXPECT_EQ(SettingsFile().ReadString("Printer", "DFHoch75Margin", ""), "150;150;100;100;1;222;0;0;1200;500");
    TKvnDocument back;
    back.LoadSettings();
    EXPECT_EQ(back.ColGap(), 222);
}
