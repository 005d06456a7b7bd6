#include "kvnHTML.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "kvnDateTime.h"
#include "kvnMessages.h"
#include "kvnStrings.h"
#include "testSupport.h"

using namespace kvn;

namespace {

using TLines = std::vector<std::string>;

// Three lines of two columns as the report engine sends them: cells, then Feed(10) as one line break each.
void PrintThreeLines(THtmlFile& html)
{
    html.SetLayout("L700;R300");
    const char* texts[][2] = {{"a", "1"}, {"b", "2"}, {"c", "3"}};
    for (const auto& line : texts) {
        html.Cell(0, line[0], tfLeft);
        html.Cell(1, line[1], tfRight);
        html.LineBreak();
    }
}

// A writer that never finds a "default.htt" of the machine it runs on.
THtmlFile Writer(int tableWidth, std::string templateName = "")
{
    THtmlFile html(tableWidth, std::move(templateName));
    html.SetTemplateFolders({});
    html.SetPageDate(EncodeDate(2026, 3, 14));
    return html;
}

} // namespace

TEST(HtmlFile, LinesUnderOneLayoutBecomeOneRowInPerCent)
{
    THtmlFile html = Writer(-1);
    PrintThreeLines(html);
    html.SetLayout("");
    TLines expected = {"<table width=100% border=0 cellspacing=0 cellpadding=0>", "<tr valign=top>",
                       "<td width=70%>a<br>b<br>c</td><td align=right width=30%>1<br>2<br>3</td>", "</tr>", "</table>"};
    EXPECT_EQ(html.Lines(), expected);
    EXPECT_EQ(html.State(), THtmlState::hsText);
    EXPECT_FALSE(html.TableOpen());
}

TEST(HtmlFile, PixelModeWritesRoundedPixelWidths)
{
    THtmlFile html = Writer(600);
    PrintThreeLines(html);
    html.SetLayout("");
    ASSERT_EQ(html.Lines().size(), 5u);
    EXPECT_EQ(html.Lines()[0], "<table width=600 border=0 cellspacing=0 cellpadding=0>");
    EXPECT_EQ(html.Lines()[2], "<td width=420>a<br>b<br>c</td><td align=right width=180>1<br>2<br>3</td>");
    EXPECT_EQ(HtmlWidthText(333, 500), "167");
}

TEST(HtmlFile, RuleBetweenBlocksStartsANewTableWithWidths)
{
    THtmlFile html = Writer(-1);
    html.SetLayout("C500;D500");
    html.Cell(0, "x", 0);
    html.LineBreak();
    html.Rule();
    EXPECT_EQ(html.State(), THtmlState::hsAfterRule);
    EXPECT_EQ(html.Layout(), "C500;D500");
    html.Cell(1, "y", 0);
    html.LineBreak();
    html.SetLayout("");
    TLines expected = {
        "<table width=100% border=0 cellspacing=0 cellpadding=0>",
        "<tr valign=top>",
        "<td align=center width=50%>x</td><td width=50%></td>",
        "</tr>",
        "</table>",
        "<table width=100% border=0 cellspacing=0 cellpadding=0><tr><td><hr noshade size=\"1\" color=\"black\"></td>"
        "</tr></table>",
        "<table width=100% border=0 cellspacing=0 cellpadding=0>",
        "<tr valign=top>",
        "<td width=50%></td><td align=right width=50%>y</td>",
        "</tr>",
        "</table>",
    };
    EXPECT_EQ(html.Lines(), expected);
}

TEST(HtmlFile, LaterRowsOmitWidthsAndMergeEmptyRuns)
{
    THtmlFile html = Writer(-1);
    html.SetLayout("L100;L100;L100;L100;R600");
    html.Cell(0, "head", 0);
    html.FlushRow();
    html.Cell(4, "9", 0);
    html.FlushRow();
    html.Cell(0, "a", 0);
    html.FlushRow();
    html.Cell(0, "a", 0);
    html.Cell(3, "b", 0);
    html.FlushRow();
    ASSERT_EQ(html.Lines().size(), 13u);
    EXPECT_EQ(html.Lines()[2], "<td width=10%>head</td><td width=10%> </td><td width=10%> </td><td width=10%> </td>"
                               "<td width=60%> </td>");
    EXPECT_EQ(html.Lines()[5], "<td colspan=4></td><td align=right>9</td>");
    EXPECT_EQ(html.Lines()[8], "<td>a</td>");
    EXPECT_EQ(html.Lines()[11], "<td>a</td><td></td><td></td><td>b</td><td></td>");
}

TEST(HtmlFile, LongestCellKeepsBlankLinesOthersLoseTrailingBreaks)
{
    THtmlFile html = Writer(-1);
    html.SetLayout("L500;L500");
    html.Cell(0, "a", 0);
    html.Cell(1, "b", 0);
    html.LineBreak();
    html.LineBreak();
    html.Cell(0, "c", 0);
    html.LineBreak();
    html.LineBreak();
    html.SetLayout("");
    EXPECT_EQ(html.Lines()[2], "<td width=50%>a<br><br>c<br><br></td><td width=50%>b</td>");
}

TEST(HtmlFile, CellFontsAndFlags)
{
    THtmlFile html = Writer(-1);
    html.SetLayout("L1000");
    html.Cell(0, "plain", 0);
    html.SetReqFont(12);
    html.Cell(0, "big", tfBold | tfItalic | tfUnderline);
    html.Cell(0, "again", tfBold);
    html.Cell(0, "", tfBold);
    html.FlushRow();
    EXPECT_EQ(html.Lines()[2], "<td width=100%>plain<em id=f12><u><i><b>big</b></i></u><b>again</b></td>");
    EXPECT_THROW(html.Cell(101, "x", 0), std::out_of_range);
    EXPECT_THROW(html.Cell(-1, "x", 0), std::out_of_range);
    EXPECT_NO_THROW(html.Cell(100, "x", 0));
}

// Cell indexes follow the report engine's columns, which skip empty fields and stop at 1000 per mille.
TEST(HtmlFile, LayoutCountsColumnsLikeTheReportEngine)
{
    THtmlFile html = Writer(-1);
    html.SetLayout("L500;;R200");
    EXPECT_EQ(html.Layout(), "L500;R200;L300");
    html.Cell(1, "kept", 0);
    html.SetLayout("L600;R600;L100");
    EXPECT_EQ(html.Layout(), "L600;R400");
    EXPECT_EQ(html.Lines()[2], "<td width=50%> </td><td align=right width=20%>kept</td><td width=30%> </td>");

    html.Cell(0, "x", 0);
    html.SetLayout("L600;R400;");
    EXPECT_EQ(html.State(), THtmlState::hsRowPending) << "the same layout written differently keeps the row";
}

TEST(HtmlEncoding, EntitiesAndBlankPairs)
{
    EXPECT_EQ(HtmlEncodeText("Zürich  Nord"), "Z&uuml;rich&nbsp;&nbsp;Nord");
    EXPECT_EQ(HtmlEncodeText("a   b"), "a&nbsp;&nbsp; b");
    EXPECT_EQ(HtmlEncodeText("äëïöüÄÖÜáéíóúâêîôûàèìòùç"),
              "&auml;&euml;&iuml;&ouml;&uuml;&Auml;&Ouml;&Uuml;&aacute;&eacute;&iacute;&oacute;&uacute;&acirc;&ecirc;"
              "&icirc;&ocirc;&ucirc;&agrave;&egrave;&igrave;&ograve;&ugrave;&ccedil;");
    EXPECT_EQ(HtmlEncodeText("Straße Niño"), "Straße Niño");
    EXPECT_EQ(HtmlEncodeText("cut \xC3"), "cut \xC3");
}

// Names come from result files: markup in them must show as text, not act as markup.
TEST(HtmlEncoding, CellTextsAreEscapedRawLinesStayMarkup)
{
    EXPECT_EQ(HtmlEncodeText("<b>Löwe & Co</b>"), "&lt;b&gt;L&ouml;we &amp; Co&lt;/b&gt;");
    EXPECT_EQ(HtmlEncodeText("&uuml;"), "&amp;uuml;");

    THtmlFile html = Writer(-1);
    html.Cell(0, "<script>x</script>", 0);
    html.RawLine("<p class=x>Zürich & more</p>");
    html.SetLayout("R1000");
    EXPECT_EQ(html.Lines()[0], "<p class=x>Z&uuml;rich & more</p>");
    EXPECT_EQ(html.Lines()[3], "<td width=100%>&lt;script&gt;x&lt;/script&gt;</td>");
}

TEST(HtmlStyle, SizesFollowTheTableWidth)
{
    std::string medium = HtmlStyleBlock(600, 10, "Arial");
    EXPECT_NE(medium.find("#f12 {font-family: Arial, helvetica; font-style:normal; font-size: 12pt;}"),
              std::string::npos);
    EXPECT_NE(medium.find("BODY,TABLE,TD {font-family: Arial, helvetica; font-style:normal; font-size: 9pt;}"),
              std::string::npos);
    EXPECT_NE(medium.find("#f3 {font-family: Arial, helvetica; font-style:normal; font-size: 6pt;}"),
              std::string::npos);
    EXPECT_EQ(medium.find('@'), std::string::npos);
    EXPECT_EQ(medium.substr(0, 13), "<STYLE><!--\r\n");

    EXPECT_NE(HtmlStyleBlock(-1, 10, "Arial")
                  .find("#f7 {font-family: Arial, helvetica; font-style:normal; "
                        "font-size: 7pt;}"),
              std::string::npos);
    // A body size outside the size table is written as it is.
    EXPECT_NE(HtmlStyleBlock(600, 11, "Arial").find("font-size: 11pt;}"), std::string::npos);
}

TEST(HtmlPage, BuiltInTemplateWithHeadBlock)
{
    std::string savedTitle = ApplicationTitle();
    SetApplicationTitle("Veltro 1.0");
    THtmlFile html = Writer(-1);
    html.SetTitle("Results & more");
    html.RawLine("<p>");
    TLines page = html.ComposePage();
    SetApplicationTitle(savedTitle);
    ASSERT_EQ(page.size(), 7u);
    EXPECT_EQ(page[0], "<a name=_top>");
    EXPECT_EQ(page[1], "<!doctype html public \"-//W3C//DTD HTML 4.0 Transitional//EN\">");
    std::string head = "<html><head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
                       "<!-- created with Korvan Software VELTRO 1.0-->\r\n<STYLE><!--";
    EXPECT_EQ(page[2].substr(0, head.size()), head);
    EXPECT_NE(page[2].find("--></STYLE><title>"), std::string::npos);
    EXPECT_EQ(page[3], "Results &amp; more");
    EXPECT_EQ(page[4], "</title></head><body><center>");
    EXPECT_EQ(page[5], "<p>");
    EXPECT_EQ(page[6], "</center></body></html>");
}

TEST(HtmlPage, TemplateFilePlaceholders)
{
    kvntest::TTempDir dir;
    // Windows-1252 "ä" in a template written by an older installation.
    std::string templ = dir.Write("own.htt", "<HTML><Head>\r\n@TITLE@\r\n@ANCHORS@\r\nStand: @DATE@ \xE4\r\n"
                                             "@BODY@\r\n@TITLE@\r\n</html>\r\n");
    THtmlFile html = Writer(-1, templ);
    html.SetTitle("Title");
    html.RawLine("body");
    TLines page = html.ComposePage();
    ASSERT_EQ(page.size(), 8u);
    EXPECT_NE(page[1].find("<HTML><Head>\r\n<meta"), std::string::npos);
    EXPECT_EQ(page[2], "Title");
    EXPECT_EQ(page[3], "");
    EXPECT_EQ(page[4], "Stand: " + FormatDate(false, EncodeDate(2026, 3, 14)) + " \xC3\xA4");
    EXPECT_EQ(page[5], "body");
    EXPECT_EQ(page[6], "@TITLE@") << "only the first title line is replaced";
}

TEST(HtmlPage, MissingTemplateFallsBackToDefaultThenBuiltIn)
{
    kvntest::TTempDir dir;
    dir.Write("share/default.htt", "<html>\n@BODY@\n</html>");
    THtmlFile html = Writer(-1, dir.File("missing.htt"));
    html.SetTemplateFolders({dir.File("empty"), dir.File("share")});
    html.RawLine("x");
    TLines expected = {"<a name=_top>", "<html>", "x", "</html>"};
    EXPECT_EQ(html.ComposePage(), expected);

    html.SetTemplateFolders({dir.File("empty")});
    EXPECT_EQ(html.ComposePage()[1], BuiltInHtmlTemplate()[0]);
}

TEST(HtmlPage, SaveAsWritesUtf8WithCrLfAndReportsFailures)
{
    kvntest::TTempDir dir;
    std::string templ = dir.Write("t.htt", "<html>\n@BODY@\n</html>");
    THtmlFile html = Writer(-1, templ);
    html.Cell(0, "Müller ß", 0);
    std::string target = dir.Write("page.htm", "old content that is longer than the page");
    html.SaveAs(target);
    EXPECT_EQ(kvntest::ReadFile(target),
              "<a name=_top>\r\n<html>\r\n<table width=100% border=0 cellspacing=0 cellpadding=0>\r\n"
              "<tr valign=top>\r\n<td width=100%>M&uuml;ller \xC3\x9F</td>\r\n</tr>\r\n</table>\r\n</html>\r\n");
    EXPECT_THROW(html.SaveAs(dir.File("no/such/folder/page.htm")), EKvnError);
}
