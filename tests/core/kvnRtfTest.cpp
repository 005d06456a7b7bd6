#include "kvnRtf.h"

#include "testSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace kvn;

namespace {

TRtfDocument Parse(std::string_view rtf)
{
    TRtfDocument document;
    std::string error;
    EXPECT_TRUE(ParseRtf(rtf, document, error)) << error;
    return document;
}

std::string Text(std::string_view rtf)
{
    return Parse(rtf).PlainText();
}

// The runs of every paragraph as "[flags size]text", flags b, i, u; paragraphs end in "|".
std::string Runs(std::string_view rtf)
{
    std::string out;
    for (const TRtfParagraph& paragraph : Parse(rtf).Paragraphs) {
        for (const TRtfRun& run : paragraph.Runs)
            out += std::string("[") + (run.Bold ? "b" : "") + (run.Italic ? "i" : "") + (run.Underline ? "u" : "") +
                   std::to_string(run.FontSize) + "]" + run.Text;
        out += "|";
    }
    return out;
}

std::string HelpFile(const std::string& name)
{
    return std::string(VELTRO_SOURCE_DIR) + "/resources/help/" + name;
}

} // namespace

TEST(Rtf, FormattingBecomesRunsAndGroupsRestoreIt)
{
    EXPECT_EQ(Runs("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\fs20 Plain {\\b bold {\\i both}} "
                   "\\ul under\\ulnone  back\\par\\plain\\i italic\\i0  \\fs36 big\\fs0 x\\par}"),
              "[20]Plain [b20]bold [bi20]both[20] [u20]under[20] back|[i24]italic[24] [36]big[24]x|");
}

TEST(Rtf, ParagraphsLinesTabsAndEscapedSymbols)
{
    EXPECT_EQ(Text("{\\rtf1 a\\line b\\tab c\\par\\par d\\\\e\\{f\\}\\~g}"), "a\nb\tc\n\nd\\e{f}\xC2\xA0g\n");
    // Source line ends are not text; an escaped line end is a paragraph end.
    EXPECT_EQ(Text("{\\rtf1 one\r\ntwo\\\nthree}"), "onetwo\nthree\n");
    EXPECT_EQ(Text("{\\rtf1 \\ldblquote x\\rdblquote  \\endash  \\bullet}"),
              "\xE2\x80\x9Cx\xE2\x80\x9D \xE2\x80\x93 \xE2\x80\xA2\n");
}

TEST(Rtf, HexEscapesAreWindows1252)
{
    EXPECT_EQ(Text("{\\rtf1 M\\'fcller \\'80 \\'C4\\'df}"), "M\xC3\xBCller \xE2\x82\xAC \xC3\x84\xC3\x9F\n");
    // Bytes above ASCII written straight into the file are read the same way.
    EXPECT_EQ(Text("{\\rtf1 M\xFCller}"), "M\xC3\xBCller\n");
    // A broken escape is dropped, the text after it is kept.
    EXPECT_EQ(Text("{\\rtf1 a\\'zzb\\'4}"), "azzb4\n");
}

TEST(Rtf, UnicodeCharactersSkipTheirFallback)
{
    EXPECT_EQ(Text("{\\rtf1 \\u8364?x}"), "\xE2\x82\xAC"
                                          "x\n");
    EXPECT_EQ(Text("{\\rtf1 \\u252\\'fc!}"), "\xC3\xBC!\n");
    EXPECT_EQ(Text("{\\rtf1\\uc2 \\u252 ue!}"), "\xC3\xBC!\n");
    EXPECT_EQ(Text("{\\rtf1\\uc0 \\u252 u}"), "\xC3\xBCu\n");
    // The skip count belongs to the group; the fallback never reaches past a group boundary.
    EXPECT_EQ(Text("{\\rtf1 {\\uc3 \\u252}abc \\u252 ue}"), "\xC3\xBC"
                                                            "abc \xC3\xBC"
                                                            "e\n");
    // Code units above 32767 arrive negative; surrogate halves pair up, a lone half is replaced.
    EXPECT_EQ(Text("{\\rtf1 \\u-4064?}"), "\xEF\x80\xA0\n");
    EXPECT_EQ(Text("{\\rtf1 \\u-10179?\\u-8704?}"), "\xF0\x9F\x98\x80\n");
    EXPECT_EQ(Text("{\\rtf1 \\u-10179?x}"), "\xEF\xBF\xBDx\n");
    EXPECT_EQ(Text("{\\rtf1 \\u-8704?x\\u99999?}"), "\xEF\xBF\xBDx\xEF\xBF\xBD\n");
}

TEST(Rtf, DestinationsThatAreNoTextAreSkipped)
{
    std::string rtf = "{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue255;}"
                      "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}{\\*\\generator Writer 1.0;}"
                      "{\\*\\unknowndest hidden {\\b nested}}{\\pict\\pngblip 89504e47}"
                      "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt shown}}"
                      "{\\object\\bin5 }}{}x} after\\par}";
    EXPECT_EQ(Text(rtf), "shown after\n");
}

TEST(Rtf, OnlyRichTextIsAccepted)
{
    TRtfDocument document;
    std::string error;
    EXPECT_FALSE(ParseRtf("", document, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ParseRtf("plain text", document, error));
    EXPECT_FALSE(ParseRtf("{rtf1 x}", document, error));
    EXPECT_TRUE(ParseRtf("\xEF\xBB\xBF\r\n  {\\rtf1 x}", document, error));
    EXPECT_EQ(document.PlainText(), "x\n");
}

TEST(Rtf, MalformedInputEndsCleanly)
{
    EXPECT_EQ(Text("{\\rtf1 open {\\b group"), "open group\n");
    EXPECT_EQ(Text("{\\rtf1 x\\"), "x\n");
    EXPECT_EQ(Text("{\\rtf1 x\\bin999999"), "x\n");
    EXPECT_EQ(Text("{\\rtf1 a}}} trailing {\\b more}"), "a\n");
    EXPECT_EQ(Runs("{\\rtf1\\fs99999999999999999999 a\\fs-4 b}"), "[2000]a[24]b|");

    // Nesting beyond the limit is skipped whole, and the text after it closes still counts.
    std::string deep = "{\\rtf1 a";
    deep += std::string(100000, '{') + "lost" + std::string(100000, '}') + "b}";
    EXPECT_EQ(Text(deep), "ab\n");
}

TEST(Rtf, RandomBytesNeverBreakTheReader)
{
    std::mt19937 random(20240601);
    const std::string alphabet = "{}\\'*uucbinfs0123456789-abcdef \r\n\x80\xFF?";
    for (int round = 0; round < 2000; ++round) {
        std::string rtf = "{\\rtf1";
        int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i)
            rtf += alphabet[random() % alphabet.size()];
        TRtfDocument document;
        std::string error;
        ASSERT_TRUE(ParseRtf(rtf, document, error));
        for (const TRtfParagraph& paragraph : document.Paragraphs)
            for (const TRtfRun& run : paragraph.Runs)
                ASSERT_TRUE(!run.Text.empty() && run.FontSize > 0) << rtf;
    }
}

TEST(Rtf, ReadingFilesReportsWhatWentWrong)
{
    kvntest::TTempDir dir;
    TRtfDocument document;
    std::string error;
    EXPECT_FALSE(ReadRtfFile(dir.File("missing.rtf"), document, error));
    EXPECT_NE(error.find("missing.rtf"), std::string::npos);
    EXPECT_FALSE(ReadRtfFile(dir.Path().string(), document, error));
    EXPECT_FALSE(ReadRtfFile(dir.Write("plain.rtf", "just text"), document, error));
    ASSERT_TRUE(ReadRtfFile(dir.Write("ok.rtf", "{\\rtf1 ok\\par}"), document, error)) << error;
    EXPECT_EQ(document.PlainText(), "ok\n");
}

TEST(Rtf, ShippedHelpTextsReadCompletely)
{
    // German keyboards label the control key "Strg"; the German text must bring its umlauts through.
    for (auto [name, control, word] : {std::tuple{"veltrode.rtf", "Strg",
                                                  "\xC3\x96"
                                                  "ffnen"},
                                       std::tuple{"veltrous.rtf", "Ctrl", "Open"}}) {
        TRtfDocument document;
        std::string error;
        ASSERT_TRUE(ReadRtfFile(HelpFile(name), document, error)) << error;
        std::string text = document.PlainText();
        for (std::string key : {"+O", "+I", "+P", "+F", "+C", "+Tab"})
            EXPECT_NE(text.find(control + key), std::string::npos) << name << " lacks " << key;
        for (const char* expected : {word, "Quillon", ".ovz"})
            EXPECT_NE(text.find(expected), std::string::npos) << name << " lacks " << expected;
        // Nothing of the markup may leak into the shown text.
        for (const char* markup : {"\\", "{", "Arial"})
            EXPECT_EQ(text.find(markup), std::string::npos) << name << " shows " << markup;
    }
}
