#include "kvnEncoding.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvn {

namespace {

// Code points of the Windows-1252 bytes 0x80..0x9F; the undefined ones keep their C1 value.
constexpr std::array<std::uint16_t, 32> kCp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int Cp1252ByteOf(std::uint32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<int>(codePoint);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i)
        if (kCp1252High[i] == codePoint) return static_cast<int>(0x80 + i);
    return -1;
}

// Decodes the code point at text[pos] of well-formed or malformed UTF-8; malformed bytes decode as
// themselves (one byte each), so no input is ever lost.
std::uint32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length <= 1 || pos + length > text.size() || !IsValidUtf8(text.substr(pos, length))) {
        ++pos;
        return lead;
    }
    std::uint32_t cp = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    pos += length;
    return cp;
}

std::uint32_t UpperOf(std::uint32_t c)
{
    if (c >= 'a' && c <= 'z') return c - 32;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper/lower on even/odd code points, except in the two shifted runs.
        bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (shifted) return (c % 2 == 0) ? c - 1 : c;
        if (c == 0x131) return 'I';
        return (c % 2 == 1 && c != 0x138 && c != 0x149 && c != 0x17F) ? c - 1 : c;
    }
    if (c == 0x3C2) // final sigma
        return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3C9) return c - 32;
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    return c;
}

std::uint32_t LowerOf(std::uint32_t c)
{
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c == 0x178) return 0xFF;
    if (c >= 0x100 && c <= 0x17F) {
        bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (shifted) return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x130) return 'i';
        return (c % 2 == 0 && c != 0x138) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// Calls visit(codePoint, rawByte) for each character of UTF-8 text; a malformed byte comes as rawByte >= 0 (and
// codePoint is meaningless), so callers decide how to keep it.
template <typename Visit>
void ForEachCodePoint(std::string_view text, Visit visit)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        std::uint32_t cp = NextCodePoint(text, pos);
        bool malformed = pos - start == 1 && cp >= 0x80;
        visit(cp, malformed ? static_cast<int>(static_cast<unsigned char>(text[start])) : -1);
    }
}

template <typename Map>
std::string MapCodePoints(std::string_view text, Map map)
{
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&](std::uint32_t cp, int rawByte) {
        if (rawByte >= 0)
            out += static_cast<char>(rawByte); // a malformed byte stays as it was
        else
            AppendUtf8(out, map(cp));
    });
    return out;
}

} // namespace

bool TUtf8Validator::Feed(const char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size && fValid; ++i) {
        // Between sequences, runs of ASCII are passed over 16 or eight bytes at a time: most text is ASCII.
#if defined(__SSE2__)
        while (fPending == 0 && size - i >= 16 &&
               _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i))) == 0)
            i += 16;
#endif
        while (fPending == 0 && size - i >= 8) {
            std::uint64_t eight;
            std::memcpy(&eight, data + i, 8);
            if (eight & 0x8080808080808080u) break;
            i += 8;
        }
        if (i == size) break;
        auto b = static_cast<unsigned char>(data[i]);
        if (fPending > 0) {
            if (b < fLow || b > fHigh) {
                fValid = false;
                break;
            }
            fLow = 0x80;
            fHigh = 0xBF;
            --fPending;
            continue;
        }
        if (b < 0x80) continue;
        // The first continuation byte's range rules out overlongs, surrogates and values past U+10FFFF.
        if (b >= 0xC2 && b <= 0xDF) {
            fPending = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            fPending = 2;
            if (b == 0xE0) fLow = 0xA0;
            if (b == 0xED) fHigh = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            fPending = 3;
            if (b == 0xF0) fLow = 0x90;
            if (b == 0xF4) fHigh = 0x8F;
        } else {
            fValid = false;
        }
    }
    return fValid;
}

bool IsValidUtf8(std::string_view bytes)
{
    TUtf8Validator validator;
    validator.Feed(bytes.data(), bytes.size());
    return validator.Finish();
}

bool AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            AppendUtf8(out, kCp1252High[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&out](std::uint32_t cp, int rawByte) {
        // A malformed byte has no meaning to carry over.
        int b = rawByte >= 0 ? -1 : Cp1252ByteOf(cp);
        out += b < 0 ? '?' : static_cast<char>(b);
    });
    return out;
}

std::string LineToUtf8(std::string_view line)
{
    return IsValidUtf8(line) ? std::string(line) : Cp1252ToUtf8(line);
}

std::string_view WithoutByteOrderMark(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return bytes;
}

std::string TextFileToUtf8(std::string_view bytes)
{
    bytes = WithoutByteOrderMark(bytes);
    if (IsValidUtf8(bytes)) return std::string(bytes);
    // Each line on its own: one stray byte must not turn the UTF-8 of all other lines into Windows-1252 text.
    // Line ends are ASCII in both encodings and never part of a UTF-8 sequence.
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 8);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = bytes.size();
        text += LineToUtf8(bytes.substr(start, end - start));
        std::size_t next = bytes.find_first_not_of("\r\n", end);
        if (next == std::string_view::npos) next = bytes.size();
        text.append(bytes.substr(end, next - end));
        start = next;
    }
    return text;
}

std::u32string Utf8CodePoints(std::string_view text)
{
    std::u32string codePoints;
    codePoints.reserve(text.size());
    ForEachCodePoint(text, [&codePoints](std::uint32_t cp, int rawByte) {
        codePoints.push_back(rawByte >= 0 ? 0xDC00 + static_cast<std::uint32_t>(rawByte) : cp);
    });
    return codePoints;
}

std::string Utf8Upper(std::string_view text)
{
    return MapCodePoints(text, UpperOf);
}

std::string Utf8Lower(std::string_view text)
{
    return MapCodePoints(text, LowerOf);
}

std::string AsciiUpper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    return out;
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return out;
}

} // namespace kvn
