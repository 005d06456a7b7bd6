#include "kvnEncoding.h"

#include <gtest/gtest.h>

using namespace kvn;

TEST(Encoding, Utf8Validation)
{
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("M\xC3\xBCller"));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8F\x8A")); // a swimmer
    EXPECT_FALSE(IsValidUtf8("M\xFCller"));       // Windows-1252 "ü"
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));        // overlong zero
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));    // surrogate
    EXPECT_FALSE(IsValidUtf8("\xC3"));            // cut short
    // Long runs of ASCII around the sequences, as in whole files.
    const std::string ascii(37, 'a');
    EXPECT_TRUE(IsValidUtf8(ascii + "M\xC3\xBCller" + ascii + "\xF0\x9F\x8F\x8A" + ascii));
    EXPECT_FALSE(IsValidUtf8(ascii + ascii + "M\xFCller" + ascii));
    EXPECT_FALSE(IsValidUtf8(ascii + "\xE2\x82" + ascii)); // cut short by ASCII
}

TEST(Encoding, ValidatorAcceptsSequencesSplitAcrossPieces)
{
    TUtf8Validator validator;
    EXPECT_TRUE(validator.Feed("M\xC3", 2));
    EXPECT_FALSE(validator.Finish());
    EXPECT_TRUE(validator.Feed("\xBCller", 5));
    EXPECT_TRUE(validator.Finish());
}

TEST(Encoding, Windows1252RoundTrip)
{
    std::string cp1252 = "M\xFCller \x80 \x96 \xDF";
    std::string utf8 = Cp1252ToUtf8(cp1252);
    EXPECT_EQ(utf8, "M\xC3\xBCller \xE2\x82\xAC \xE2\x80\x93 \xC3\x9F");
    EXPECT_EQ(Utf8ToCp1252(utf8), cp1252);
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?"); // no Windows-1252 byte for it
}

TEST(Encoding, TextFilesOfEitherEncodingBecomeUtf8)
{
    EXPECT_EQ(TextFileToUtf8("\xEF\xBB\xBFM\xC3\xBCller"), "M\xC3\xBCller");
    EXPECT_EQ(TextFileToUtf8("M\xC3\xBCller"), "M\xC3\xBCller");
    EXPECT_EQ(TextFileToUtf8("M\xFCller"), "M\xC3\xBCller");
    // Decided line by line: one stray byte leaves the UTF-8 of the other lines alone, whatever ends the lines.
    EXPECT_EQ(TextFileToUtf8("\xEF\xBB\xBF; \xFF\r\nopenPath=/home/j\xC3\xBCrgen\rx=\xE9\n\ny=\xC3\xA9"),
              "; \xC3\xBF\r\nopenPath=/home/j\xC3\xBCrgen\rx=\xC3\xA9\n\ny=\xC3\xA9");
}

TEST(Encoding, CaseMappingIsUnicodeAware)
{
    EXPECT_EQ(Utf8Upper("r\xC3\xBC"), "R\xC3\x9C");                               // rü -> RÜ
    EXPECT_EQ(Utf8Upper("m\xC3\xBCl"), "M\xC3\x9CL");                             // mül -> MÜL
    EXPECT_EQ(Utf8Lower("\xC3\x89LODIE"), "\xC3\xA9lodie");                       // ÉLODIE -> élodie
    EXPECT_EQ(Utf8Upper("\xC5\x82\xC3\xB3\xC5\xBA"), "\xC5\x81\xC3\x93\xC5\xB9"); // łóź -> ŁÓŹ
    EXPECT_EQ(Utf8Upper("\xD0\xB8\xD0\xB2"), "\xD0\x98\xD0\x92");                 // ив -> ИВ
    EXPECT_EQ(Utf8Upper("stra\xC3\x9F"
                        "e"),
              "STRA\xC3\x9F"
              "E");                                         // ß has no single upper letter
    EXPECT_EQ(Utf8Upper("bad \xFC byte"), "BAD \xFC BYTE"); // malformed bytes are kept
    EXPECT_EQ(AsciiUpper("m\xC3\xBCl"), "M\xC3\xBCL");
}
