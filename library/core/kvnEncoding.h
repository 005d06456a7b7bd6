#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Text encodings at the edges of the program: everything inside is UTF-8, files written by older
// installations may be Windows-1252.

namespace kvn {

// True when the bytes form well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Checks UTF-8 well-formedness of a byte stream fed in pieces of any size.
class TUtf8Validator {
public:
    // Feeds the next bytes; returns false once the stream so far is known to be malformed.
    bool Feed(const char* data, std::size_t size);
    // True when everything fed is well-formed and no sequence is left incomplete.
    bool Finish() const { return fValid && fPending == 0; }

private:
    bool fValid = true;
    int fPending = 0;          // continuation bytes still expected
    std::uint32_t fLow = 0x80; // allowed range of the next continuation byte
    std::uint32_t fHigh = 0xBF;
};

// Windows-1252 bytes as UTF-8; the five undefined code points map to the C1 controls of the same value.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 as Windows-1252; characters without a Windows-1252 byte become "?".
std::string Utf8ToCp1252(std::string_view text);

// Appends the UTF-8 form of a code point; false (nothing appended) for surrogates and values above U+10FFFF.
bool AppendUtf8(std::string& out, std::uint32_t codePoint);

// One line of a text file as UTF-8: kept when it is valid UTF-8, else read as Windows-1252.
std::string LineToUtf8(std::string_view line);

// The bytes without a leading UTF-8 byte-order mark.
std::string_view WithoutByteOrderMark(std::string_view bytes);

// Text file bytes as UTF-8: a UTF-8 byte-order mark is dropped, and each line is decoded by LineToUtf8, so files
// that mix both encodings line by line read correctly.
std::string TextFileToUtf8(std::string_view bytes);

// The code points of UTF-8 text; a malformed byte b becomes the lone surrogate 0xDC00 + b, which no valid text
// contains, so nothing is lost and nothing is confused.
std::u32string Utf8CodePoints(std::string_view text);

// Upper-cases Latin, Greek and Cyrillic letters ("mül" -> "MÜL"); other characters are kept.
std::string Utf8Upper(std::string_view text);

// Lower-cases Latin, Greek and Cyrillic letters; other characters are kept.
std::string Utf8Lower(std::string_view text);

// Upper-cases ASCII letters only; fast and byte-preserving.
std::string AsciiUpper(std::string_view text);

// Lower-cases ASCII letters only; fast and byte-preserving.
std::string AsciiLower(std::string_view text);

} // namespace kvn
