#include "orvParser.h"

#include "kvnEncoding.h"
#include "kvnFiles.h"
#include "orvVectorBytes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <filesystem>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kvn {

namespace {

constexpr std::string_view kCurrentVersion = "01.02.0004";

// Byte classes of the lexer's hot loops.
enum : std::uint8_t { ccNameChar = 1, ccLetter = 2, ccNeedsDecoding = 4 };

constexpr std::array<std::uint8_t, 256> MakeCharClasses()
{
    std::array<std::uint8_t, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = ccNameChar | ccLetter;
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = ccNameChar | ccLetter;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = ccNameChar;
    table['$'] = ccNameChar;
    table['_'] = ccNameChar;
    // Entity references and bytes outside ASCII (another character set, or invalid UTF-8) need a closer look.
    table['&'] = ccNeedsDecoding;
    for (int c = 0x80; c <= 0xFF; ++c)
        table[c] = ccNeedsDecoding;
    return table;
}

constexpr std::array<std::uint8_t, 256> kCharClasses = MakeCharClasses();

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The first byte at or after the given one that is not a blank. Blanks are the bytes 1 to 32: the zero that ends
// every window stops the scan. Reads up to 15 bytes past that zero.
char* SkipBlankBytes(char* at)
{
#if defined(__SSE2__)
    const __m128i one = _mm_set1_epi8(1);
    const __m128i highestBlank = _mm_set1_epi8(' ' - 1);
    for (;; at += 16) {
        __m128i shifted = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), one);
        __m128i blank = _mm_cmpeq_epi8(_mm_min_epu8(shifted, highestBlank), shifted);
        unsigned others = ~static_cast<unsigned>(_mm_movemask_epi8(blank)) & 0xFFFFu;
        if (others) return at + std::countr_zero(others);
    }
#else
    while (static_cast<unsigned char>(*at - 1) < ' ')
        ++at;
    return at;
#endif
}

// The first byte at or after the given one that cannot be part of a name (the window's zero is one of them).
char* SkipNameBytes(char* at)
{
    while (kCharClasses[static_cast<unsigned char>(*at)] & ccNameChar)
        ++at;
    return at;
}

#if defined(__SSE2__)
// Lanes whose unsigned byte lies in [first, last].
__m128i BytesInRange(__m128i bytes, char first, char last)
{
    __m128i shifted = _mm_sub_epi8(bytes, _mm_set1_epi8(first));
    return _mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(static_cast<char>(last - first))), shifted);
}

// Bit i set when byte i cannot be part of a name: the vector form of ccNameChar.
unsigned NonNameBytes(__m128i bytes)
{
    __m128i letter = BytesInRange(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), 'a', 'z');
    __m128i digit = BytesInRange(bytes, '0', '9');
    __m128i sign = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('$')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('_')));
    __m128i name = _mm_or_si128(_mm_or_si128(letter, digit), sign);
    return ~static_cast<unsigned>(_mm_movemask_epi8(name)) & 0xFFFFu;
}
#endif

// The name of each tag kind followed by ">", zero-padded to 16 bytes: what ends an element of that kind.
struct TEndTagNames {
    std::array<std::array<char, 16>, otUnknown> Bytes{};
    std::array<std::uint8_t, otUnknown> Lengths{};

    TEndTagNames()
    {
        for (int kind = 0; kind < otUnknown; ++kind) {
            std::string_view name = TagName(static_cast<TOrvTagKind>(kind));
            std::memcpy(Bytes[kind].data(), name.data(), name.size());
            Bytes[kind][name.size()] = '>';
            Lengths[kind] = static_cast<std::uint8_t>(name.size() + 1);
        }
    }
};

// Built before the reader runs, from the constant name table: no guard on the hot path.
const TEndTagNames kEndTagNames;

// Bytes of the kind's name.
std::size_t TagNameLength(TOrvTagKind kind)
{
    return kEndTagNames.Lengths[kind] - 1u;
}

// True when the bytes at the address are the first given number of the kind's name and ">"; they may be read up to
// 16 bytes far.
bool StartsWithEndTagBytes(const char* at, TOrvTagKind kind, std::size_t length)
{
#if defined(__SSE2__)
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    __m128i expected = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kEndTagNames.Bytes[kind].data()));
    auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, expected)));
    unsigned wanted = (1u << length) - 1u;
    return (equal & wanted) == wanted;
#else
    return std::memcmp(at, kEndTagNames.Bytes[kind].data(), length) == 0;
#endif
}

// True when the bytes at the address are the kind's name and ">".
bool IsEndTagName(const char* at, TOrvTagKind kind)
{
    return StartsWithEndTagBytes(at, kind, TagNameLength(kind) + 1);
}

// True when the bytes at the address begin with the kind's name.
bool HasTagName(const char* at, TOrvTagKind kind)
{
    return StartsWithEndTagBytes(at, kind, TagNameLength(kind));
}

// The first "<" at or after the given byte, or the zero that ends the window; plain tells whether the bytes
// before it hold neither "&" nor bytes above 0x7F. Reads up to 15 bytes past that zero.
inline char* FindMarkup(char* at, bool& plain)
{
#if defined(__SSE2__)
    const __m128i open = _mm_set1_epi8('<');
    const __m128i ampersand = _mm_set1_epi8('&');
    const __m128i zero = _mm_setzero_si128();
    for (;; at += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        auto stops = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, open), _mm_cmpeq_epi8(bytes, zero))));
        auto special =
            static_cast<unsigned>(_mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, ampersand)));
        if (stops) {
            unsigned before = (stops & (0u - stops)) - 1; // the lanes before the first stop
            plain = plain && (special & before) == 0;
            return at + std::countr_zero(stops);
        }
        plain = plain && special == 0;
    }
#else
    while (*at != '<' && *at != 0) {
        if (kCharClasses[static_cast<unsigned char>(*at)] & ccNeedsDecoding) plain = false;
        ++at;
    }
    return at;
#endif
}

bool HasHighBytes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The code point of a character reference body such as "#233" or "#xE9", or -1.
long CharacterReference(std::string_view body)
{
    if (body.size() < 2 || body[0] != '#') return -1;
    bool hex = body[1] == 'x' || body[1] == 'X';
    std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return -1;
    long value = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9'          ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
        if (digit < 0) return -1;
        value = value * (hex ? 16 : 10) + digit;
    }
    return value;
}

// Attribute names are matched without regard to case.
TOrvAttribute AttributeOfAnyCase(std::string_view name)
{
    char lower[16];
    if (name.size() > sizeof lower) return ovaUnknown; // longer than any attribute name
    for (std::size_t i = 0; i < name.size(); ++i)
        lower[i] = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] + 32) : name[i];
    return AttributeOf({lower, name.size()});
}

TOrvEncoding EncodingOfName(std::string_view name)
{
    std::string lower = AsciiLower(name);
    if (lower == "utf-8" || lower == "utf8" || lower == "us-ascii" || lower == "ascii") return TOrvEncoding::Utf8;
    if (lower == "windows-1252" || lower == "cp1252" || lower == "iso-8859-1" || lower == "iso-8859-15" ||
        lower == "latin1" || lower == "latin-1")
        return TOrvEncoding::Windows1252;
    return TOrvEncoding::Undecided;
}

} // namespace

std::int32_t OrvPositionNumber(std::int64_t lineNumber, std::int64_t startTagCount)
{
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(std::max(lineNumber, startTagCount), std::numeric_limits<std::int32_t>::max()));
}

TOrvParser::TOrvParser(IOrvMessageReceiver& receiver) : fReceiver(receiver) {}

TOrvParser::~TOrvParser()
{
    CloseInput();
}

// --- Input ---

bool TOrvParser::OpenInput(const std::string& fileName)
{
    std::string inputPath = fileName;
    if (IsContainerFileName(fileName)) {
        fContainer = std::make_unique<TKvnContainerExtraction>();
        if (!fContainer->Open(fileName)) {
            fReceiver.AddMessage(fContainer->ErrorText(), 0, false);
            fContainer.reset();
            return false;
        }
        fScrambled = fContainer->IsScrambled();
        inputPath = fContainer->FilePath();
    }

    // Only a regular file has an end: opening a named pipe or a device would block or never finish.
    std::error_code error;
    if (std::filesystem::is_regular_file(inputPath, error)) fFile = std::fopen(inputPath.c_str(), "rb");
    if (!fFile) {
        fContainer.reset();
        fReceiver.AddMessage("Can not open file !", 0, false);
        return false;
    }
    fFileName = inputPath;
    // The block is read straight from the file, not through a second buffer of stdio's.
    std::setvbuf(fFile, nullptr, _IONBF, 0);

    // Zeroed, so that the vector loads past the end of the data read defined bytes.
    if (!fBuffer) fBuffer = std::make_unique<char[]>(kReadSize + kSlack);
    fPos = fEnd = fBlockEnd = fBuffer.get();
    *fEnd = fSavedByte = 0;
    fInputEnded = fEndOfTokens = fZeroByte = false;
    fLines.Restart(fBuffer.get(), 1);
    fStartTagCount = 1;
    fState = lsBetweenTags;
    fTagKind = otUnknown;
    fLastStartTag = otUnknown;
    fNextStartTag.fill(otUnknown);
    fEncoding = TOrvEncoding::Undecided;

    Refill();
    if (fEnd - fPos >= 3 && std::memcmp(fPos, "\xEF\xBB\xBF", 3) == 0) {
        fPos += 3;
        fEncoding = TOrvEncoding::Utf8;
    }
    return true;
}

void TOrvParser::CloseInput()
{
    if (fFile) {
        std::fclose(fFile);
        fFile = nullptr;
    }
    fContainer.reset(); // removes the extracted file and its private folder
}

void TOrvParser::DecideEncodingFromBytes()
{
    fEncoding = TOrvEncoding::Utf8;
    std::FILE* file = std::fopen(fFileName.c_str(), "rb");
    if (!file) return;
    TUtf8Validator validator;
    std::array<char, 64 * 1024> chunk;
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
        if (!validator.Feed(chunk.data(), got)) break;
    }
    std::fclose(file);
    if (!validator.Finish()) fEncoding = TOrvEncoding::Windows1252;
}

// --- Window ---

bool TOrvParser::ReadBlock()
{
    if (fInputEnded || !fFile) return false;
    std::int64_t line = fLines.LineAt(fPos);
    // What the lexer has not consumed yet moves to the front; it is at most a few bytes of look-ahead.
    std::size_t unread = static_cast<std::size_t>(fBlockEnd - fPos);
    std::memmove(fBuffer.get(), fPos, unread);
    fPos = fBuffer.get();
    fLines.Restart(fPos, line);
    fEnd = fBlockEnd = fPos + unread;
    std::size_t got = std::fread(fBlockEnd, 1, kReadSize - unread, fFile);
    char* fresh = fBlockEnd;
    fBlockEnd += got;
    if (got == 0) {
        fInputEnded = true;
    } else if (auto* zero = static_cast<char*>(std::memchr(fresh, 0, got))) {
        // A zero byte ends the input; the text cannot go on past it.
        fBlockEnd = zero;
        fInputEnded = true;
        fZeroByte = true;
    }
    *fBlockEnd = 0;
    fSavedByte = 0;
    return fBlockEnd > fresh;
}

bool TOrvParser::Refill()
{
    *fEnd = fSavedByte;
    char* previousEnd = fEnd;
    if (fEnd == fBlockEnd) {
        bool fresh = ReadBlock();
        previousEnd = fEnd;
        if (!fresh) return false;
    }
    // The next window is a view into the block: the byte after it is saved and replaced by the zero that makes
    // the lexer's loops stop without bounds checks.
    fEnd = std::min(fPos + kWindowSize, fBlockEnd);
    fSavedByte = *fEnd;
    *fEnd = 0;
    if (fProgress) fProgress(Position());
    return fEnd > previousEnd;
}

int TOrvParser::PeekAt(std::size_t offset)
{
    while (static_cast<std::size_t>(fEnd - fPos) <= offset)
        if (!Refill()) return -1;
    return static_cast<unsigned char>(fPos[offset]);
}

std::int32_t TOrvParser::Position()
{
    return OrvPositionNumber(fLines.LineAt(fPos), fStartTagCount);
}

// --- Lexer ---

void TOrvParser::SkipBlanks()
{
    // Most tokens follow the last one directly; the zero at the end of the window is no blank but needs a refill.
    if (fPos < fEnd && static_cast<unsigned char>(*fPos - 1) >= ' ') return;
    for (;;) {
        fPos = SkipBlankBytes(fPos);
        if (fPos < fEnd || !Refill()) return;
    }
}

TOrvParser::TTokenKind TOrvParser::NextToken()
{
    // Steps that produce no token are taken here at once: nobody acts on them.
    for (;;) {
        SkipBlanks();
        if (fPos >= fEnd) {
            fEndOfTokens = true;
            return tkEnd;
        }
        char c = *fPos;
        switch (fState) {
        case lsBetweenTags:
            if (c == '<') return ReadMarkup();
            ReadText();
            return tkText;
        case lsInStartTag:
            if (c == '/') {
                ++fPos;
                fText = {}; // "/>" closes the element just opened: the tag kind stays
                fState = lsExpectEndTagClose;
                return tkEndTag;
            }
            if (c == '<') {
                if (PeekAt(1) == '!' && PeekAt(2) == '-' && PeekAt(3) == '-') {
                    fPos += 4;
                    ReadUntil("-->", false);
                    return tkComment;
                }
                ++fPos;
                continue;
            }
            if (c == '>') {
                ++fPos;
                fState = lsBetweenTags;
                fTagKind = otUnknown;
                continue;
            }
            if (kCharClasses[static_cast<unsigned char>(c)] & ccLetter) {
                ReadName();
                fState = lsExpectEquals;
                return tkAttributeName;
            }
            ++fPos;
            continue;
        case lsExpectValue:
            ReadQuotedValue();
            fState = lsInStartTag;
            return tkAttributeValue;
        case lsExpectEquals:
            fState = lsInStartTag;
            if (c == '=') {
                ++fPos;
                fState = lsExpectValue;
            } else {
                Report("= expected !", Position(), false, osFaulty);
            }
            continue;
        case lsExpectEndTagClose:
            fState = lsBetweenTags;
            fTagKind = otUnknown;
            if (c == '>')
                ++fPos;
            else
                Report("> expected !", Position(), false, osFaulty);
            continue;
        }
    }
}

TOrvParser::TTokenKind TOrvParser::ReadMarkup()
{
    int next = fPos + 1 < fEnd ? static_cast<unsigned char>(fPos[1]) : PeekAt(1);
    if (next == '!') {
        if (PeekAt(2) == '-') {
            // "<!--" opens a comment; a lone "<!-" is read as one too.
            fPos += PeekAt(3) == '-' ? 4 : 3;
            ReadUntil("-->", false);
            return tkComment;
        }
        fPos += 2;
        ReadUntil(">", false);
        return tkDeclaration;
    }
    if (next == '?') {
        fPos += 2;
        ReadUntil("?>", true);
        return tkProcessingInstruction;
    }
    // A ">" right after the name is taken at once, which spares a round through the lexer for most tags.
    if (next == '/') {
        fPos += 2;
        // An end tag most often closes the element open last.
        if (fStack.empty() || !TakeExpectedTagName(fStack.back()->Kind())) ReadTagName();
        fState = lsExpectEndTagClose;
        if (fPos < fEnd && *fPos == '>') {
            ++fPos;
            fState = lsBetweenTags;
        }
        return tkEndTag;
    }
    ++fPos;
    // Siblings come in the order of the schema: the tag that followed this one's predecessor last time is tried
    // first, which spares most start tags the name scan and the lookup.
    TOrvTagKind& expected = fNextStartTag[fLastStartTag];
    if (!TakeExpectedTagName(expected)) {
        ReadTagName();
        expected = fTagKind;
    }
    fLastStartTag = fTagKind;
    fState = lsInStartTag;
    if (fPos < fEnd && *fPos == '>') {
        ++fPos;
        fState = lsBetweenTags;
    }
    return tkStartTag;
}

bool TOrvParser::TakeExpectedTagName(TOrvTagKind kind)
{
    if (kind == otUnknown) return false;
    std::size_t length = TagNameLength(kind);
    // The name must lie in the window and end there: "NAMES" is no "NAME".
    if (fPos + length >= fEnd || (kCharClasses[static_cast<unsigned char>(fPos[length])] & ccNameChar) ||
        !HasTagName(fPos, kind))
        return false;
    fText = {fPos, length};
    fPos += length;
    fTagKind = kind;
    return true;
}

void TOrvParser::ReadTagName()
{
#if defined(__SSE2__)
    // A name that ends within 16 bytes and before the window's end is packed from the one load that found its
    // end; the block's slack makes the load safe.
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fPos));
    // Most names are capitals only: the first other byte ends them unless it is a name byte itself.
    unsigned stops = ~static_cast<unsigned>(_mm_movemask_epi8(BytesInRange(bytes, 'A', 'Z'))) & 0xFFFFu;
    if (stops == 0 || (kCharClasses[static_cast<unsigned char>(fPos[std::countr_zero(stops)])] & ccNameChar))
        stops = NonNameBytes(bytes);
    if (stops) {
        auto length = static_cast<std::size_t>(std::countr_zero(stops));
        if (fPos + length < fEnd) {
            fText = {fPos, length};
            fPos += length;
            if (length == 0) {
                fTagKind = otUnknown;
                return;
            }
            // Both halves go to registers straight from the vector: a store and two narrower loads of it would
            // stall the lookup on store forwarding.
            __m128i name = _mm_and_si128(bytes, KeepFirstLanes(length));
            auto low = static_cast<std::uint64_t>(_mm_cvtsi128_si64(name));
            auto high = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(name, name)));
            fTagKind = TagKindOfPacked({low, high});
            return;
        }
    }
#endif
    ReadName();
    fTagKind = TagKindOf(fText);
}

void TOrvParser::ReadName()
{
    const char* start = fPos;
    fPos = SkipNameBytes(fPos);
    if (fPos < fEnd) {
        fText = {start, static_cast<std::size_t>(fPos - start)};
        return;
    }
    // The name reaches the end of the window: it goes on in the next one.
    fToken.assign(start, static_cast<std::size_t>(fPos - start));
    while (fPos >= fEnd && Refill()) {
        start = fPos;
        fPos = SkipNameBytes(fPos);
        fToken.append(start, static_cast<std::size_t>(fPos - start));
    }
    fText = fToken;
}

void TOrvParser::ReadText()
{
    fTextIsPlain = true;
    char* open = FindMarkup(fPos, fTextIsPlain);
    if (open < fEnd) {
        fText = TrimBlanks({fPos, static_cast<std::size_t>(open - fPos)});
        fPos = open;
        return;
    }
    // No markup in the rest of the window: the text goes on in the next one.
    fTextIsPlain = false;
    fToken.assign(fPos, static_cast<std::size_t>(fEnd - fPos));
    fPos = fEnd;
    while (Refill()) {
        open = static_cast<char*>(std::memchr(fPos, '<', static_cast<std::size_t>(fEnd - fPos)));
        char* stop = open ? open : fEnd;
        fToken.append(fPos, static_cast<std::size_t>(stop - fPos));
        fPos = stop;
        if (open) break;
    }
    fText = TrimBlanks(fToken);
}

void TOrvParser::ReadUntil(std::string_view terminator, bool keepText)
{
    if (keepText) fToken.clear();
    for (;;) {
        std::string_view window(fPos, static_cast<std::size_t>(fEnd - fPos));
        std::size_t hit = window.find(terminator);
        if (hit != std::string_view::npos) {
            if (keepText) fToken.append(window.substr(0, hit));
            fPos += hit + terminator.size();
            break;
        }
        // Keep a possible beginning of the terminator for the next window.
        std::size_t keep = std::min(window.size(), terminator.size() - 1);
        if (keepText) fToken.append(window.substr(0, window.size() - keep));
        fPos = fEnd - keep;
        if (!Refill()) {
            if (keepText) fToken.append(fPos, static_cast<std::size_t>(fEnd - fPos));
            fPos = fEnd;
            break;
        }
    }
    fText = keepText ? std::string_view(fToken) : std::string_view();
}

void TOrvParser::ReadQuotedValue()
{
    fText = {};
    char quote = *fPos;
    if (quote != '"' && quote != '\'') {
        Report("Quote \" expected !", Position(), false, osFaulty);
        return;
    }
    ++fPos;
    auto* close = static_cast<char*>(std::memchr(fPos, quote, static_cast<std::size_t>(fEnd - fPos)));
    if (close) {
        fText = {fPos, static_cast<std::size_t>(close - fPos)};
        fPos = close + 1;
        return;
    }
    fToken.clear();
    for (;;) {
        close = static_cast<char*>(std::memchr(fPos, quote, static_cast<std::size_t>(fEnd - fPos)));
        char* stop = close ? close : fEnd;
        fToken.append(fPos, static_cast<std::size_t>(stop - fPos));
        fText = fToken;
        fPos = close ? close + 1 : fEnd;
        if (close) return;
        if (!Refill()) {
            Report("Quote \" expected !", Position(), false, osFaulty);
            return;
        }
    }
}

// --- Text decoding ---

std::string_view TOrvParser::DecodeValue(std::string_view raw)
{
    // Most texts are plain ASCII: one pass over the table tells.
    if (std::none_of(raw.begin(), raw.end(),
                     [](char c) { return kCharClasses[static_cast<unsigned char>(c)] & ccNeedsDecoding; }))
        return raw;
    std::string_view text = raw;
    if (HasHighBytes(raw) && (fEncoding == TOrvEncoding::Windows1252 || !IsValidUtf8(raw))) {
        fConverted = Cp1252ToUtf8(raw);
        text = fConverted;
    }
    if (text.find('&') != std::string_view::npos) text = DecodeEntities(text);
    return text;
}

std::string_view TOrvParser::DecodeEntities(std::string_view text)
{
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    fUnescaped.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t amp = text.find('&', pos);
        if (amp == std::string_view::npos) {
            fUnescaped.append(text.substr(pos));
            break;
        }
        fUnescaped.append(text.substr(pos, amp - pos));
        std::size_t semicolon = text.find(';', amp + 1);
        // References are short; a far-away ";" belongs to other text.
        if (semicolon != std::string_view::npos && semicolon - amp <= 10) {
            std::string_view body = text.substr(amp + 1, semicolon - amp - 1);
            bool replaced = false;
            for (const auto& [name, character] : kNamed) {
                if (body == name) {
                    fUnescaped += character;
                    replaced = true;
                    break;
                }
            }
            long codePoint = replaced ? -1 : CharacterReference(body);
            if (codePoint > 0 && AppendUtf8(fUnescaped, static_cast<std::uint32_t>(codePoint))) replaced = true;
            if (replaced) {
                pos = semicolon + 1;
                continue;
            }
        }
        fUnescaped += '&'; // not a reference we know: kept as written
        pos = amp + 1;
    }
    return fUnescaped;
}

void TOrvParser::TakeDeclaration(std::string_view declaration)
{
    if (declaration.substr(0, 3) != "xml" || declaration.size() < 4 || !IsBlank(declaration[3])) return;
    std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return;
    std::string_view rest = TrimBlanks(declaration.substr(at + 8));
    if (rest.empty() || rest.front() != '=') return;
    rest = TrimBlanks(rest.substr(1));
    if (rest.empty() || (rest.front() != '"' && rest.front() != '\'')) return;
    std::size_t close = rest.find(rest.front(), 1);
    if (close != std::string_view::npos) fEncoding = EncodingOfName(rest.substr(1, close - 1));
}

// --- Parser ---

void TOrvParser::Report(const std::string& text, std::int32_t position, bool warning, std::uint8_t level)
{
    fReceiver.AddMessage(text, position, warning);
    Mark(level);
}

void TOrvParser::Mark(std::uint8_t level)
{
    if (!fStack.empty()) fStack.back()->MarkState(level);
}

void TOrvParser::Push(TOrvAbstractElement* element)
{
    fStack.push_back(element);
    fFirstChild.push_back(fPendingChildren.size());
}

void TOrvParser::Pop()
{
    TOrvAbstractElement* element = fStack.back();
    std::size_t first = fFirstChild.back();
    if (TOrvAbstractObject* object = element->AsObject())
        object->AssignItems({fPendingChildren.data() + first, fPendingChildren.size() - first});
    fPendingChildren.resize(first);
    fFirstChild.pop_back();
    fStack.pop_back();
    // An element that never got a parent (a child of a data element) is dropped here; its memory goes with
    // the tree's arena.
}

void TOrvParser::ReportUnfinishedInput()
{
    // Open elements at the end mean the file was cut short (or a zero byte cut it): what is missing is unknown.
    if (fStack.empty()) return;
    Report(fZeroByte ? "Unexpected zero byte !" : "Unexpected end of file !", Position(), false, osFaulty);
}

void TOrvParser::CloseOpenElements()
{
    while (!fStack.empty())
        Pop();
}

std::unique_ptr<TOrvTree> TOrvParser::Parse(const std::string& fileName, const TProgress& progress)
{
    fProgress = progress;
    fStack.clear();
    fFirstChild.clear();
    fPendingChildren.clear();
    if (!OpenInput(fileName)) return nullptr;

    TTokenKind token;
    for (;;) {
        token = NextToken();
        if (token == tkProcessingInstruction && fEncoding == TOrvEncoding::Undecided) TakeDeclaration(fText);
        if (token != tkNone && token != tkComment && token != tkProcessingInstruction) break;
    }
    if (token != tkStartTag || fTagKind != otORVIDA) {
        fReceiver.AddMessage("No ORVIDA - File !", 0, false);
        CloseInput();
        return nullptr;
    }
    if (fEncoding == TOrvEncoding::Undecided) DecideEncodingFromBytes();

    fTree = std::make_unique<TOrvTree>();
    TOrvObject* root = fTree->CreateObject(otORVIDA);
    root->SetLine(Position());
    fTree->SetRoot(root);
    Push(root);

    // Reading stops when the root closes: what follows it is not part of the document.
    while (!fStack.empty()) {
        token = NextToken();
        switch (token) {
        case tkEnd:
            break;
        case tkText:
            if (TOrvDataElement* data = fStack.back()->AsData())
                data->AssignStoredText(fTree->StoreText(fTextIsPlain ? fText : DecodeValue(fText)));
            else
                Report("Unexpected Data !", Position(), true, osFaultInside);
            break;
        case tkStartTag:
            HandleStartTag();
            break;
        case tkEndTag:
            HandleEndTag();
            break;
        case tkAttributeName:
            token = HandleAttribute();
            break;
        case tkAttributeValue:
            Report("Unexpected value \"" + std::string(DecodeValue(fText)) + "\" !", Position(), false, osFaulty);
            break;
        default:
            break;
        }
        if (token == tkEnd || fEndOfTokens) break;
    }

    ReportUnfinishedInput();
    CloseOpenElements();
    CheckVersion();
    CloseInput();
    return std::move(fTree);
}

void TOrvParser::HandleStartTag()
{
    ++fStartTagCount;
    TOrvAbstractElement* top = fStack.back();
    std::int32_t position = Position();
    if (const TOrvCollection* collection = top->AsCollection(); collection && fTagKind != collection->ItemKind())
        Report("Unallowed tag in collection: " + std::string(fText) + " !", position, false, osFaultInside);
    if (fTagKind == otUnknown) {
        Report("Unknown Tag: " + std::string(fText) + " !", position, true, osFaultInside);
        SkipUnknownElement();
        return;
    }

    TOrvAbstractElement* element = fTree->CreateElement(fTagKind);
    element->SetLine(position);
    if (top->IsData()) {
        // Data elements hold text only: the child is read but kept out of the tree.
        top->MarkState(osFaultInside);
        Report("No child elements allowed !", position, true, osFaulty);
    } else {
        element->fParent = TOrvArena::OffsetOf(top);
        fPendingChildren.push_back(element);
    }
    if (TOrvDataElement* data = element->AsData(); data && fState == lsBetweenTags && TakeTextAndEndTag(*data)) return;
    Push(element);
}

bool TOrvParser::TakeTextAndEndTag(TOrvDataElement& data)
{
    // Most data elements are a text and their end tag right after it. When both lie in the window, they are taken
    // here at once, as the text token and the end tag would take them, and the element is never pushed.
    bool plain = true;
    char* open = FindMarkup(fPos, plain);
    std::size_t nameLength = TagNameLength(data.Kind());
    char* close = open + 2 + nameLength;
    if (close >= fEnd || open[1] != '/' || !IsEndTagName(open + 2, data.Kind())) return false;
    std::string_view text = TrimBlanks({fPos, static_cast<std::size_t>(open - fPos)});
    if (!text.empty()) data.AssignStoredText(fTree->StoreText(plain ? text : DecodeValue(text)));
    fText = {open + 2, nameLength};
    fTagKind = data.Kind();
    fPos = close + 1;
    return true;
}

void TOrvParser::HandleEndTag()
{
    if (!fStack.empty() && fStack.back()->Kind() == fTagKind)
        Pop();
    else
        Report("Unexpected tag: /" + std::string(fText) + " !", Position(), false, osFaultInside);
}

TOrvParser::TTokenKind TOrvParser::HandleAttribute()
{
    TOrvAttribute attribute = AttributeOfAnyCase(fText);
    TTokenKind token = ReadAttributeValueAtOnce() ? tkAttributeValue : tkNone;
    while (token == tkNone)
        token = NextToken();
    if (token != tkAttributeValue) {
        Report("Value expected !", Position(), false, osFaulty);
        return token;
    }
    std::string_view value = DecodeValue(fText);
    TOrvAbstractElement* top = fStack.back();
    top->SetAttribute(attribute, value);
    if (attribute == ovaID)
        if (TOrvObject* object = top->AsPlainObject()) object->SetId(OrvTextToInt(value));
    // A data element whose start tag ends right after its attributes is most often a text and its end tag.
    if (fState == lsInStartTag && fPos < fEnd && *fPos == '>') {
        ++fPos;
        fState = lsBetweenTags;
        if (TOrvDataElement* data = top->AsData(); data && TakeTextAndEndTag(*data)) Pop();
    }
    return token;
}

bool TOrvParser::ReadAttributeValueAtOnce()
{
    // "=" and a quoted value right after the name, all in the window: what the lexer's steps would read.
    if (fState != lsExpectEquals || fEnd - fPos < 2 || fPos[0] != '=' || (fPos[1] != '"' && fPos[1] != '\''))
        return false;
    auto* close = static_cast<char*>(std::memchr(fPos + 2, fPos[1], static_cast<std::size_t>(fEnd - fPos - 2)));
    if (!close) return false;
    fText = {fPos + 2, static_cast<std::size_t>(close - fPos - 2)};
    fPos = close + 1;
    fState = lsInStartTag;
    return true;
}

void TOrvParser::SkipUnknownElement()
{
    const std::string skipped = AsciiUpper(fText);
    std::string lastStartTag = skipped;
    int depth = 1;
    while (depth > 0) {
        TTokenKind token = NextToken();
        if (token == tkEnd) return;
        if (token == tkStartTag) {
            ++fStartTagCount;
            lastStartTag = AsciiUpper(fText);
            if (lastStartTag == skipped) ++depth;
        } else if (token == tkEndTag) {
            // "/>" closes only the start tag just read, so it counts only when that tag had the skipped name.
            const std::string& closed = fText.empty() ? lastStartTag : AsciiUpper(fText);
            if (closed == skipped) --depth;
        }
    }
}

void TOrvParser::CheckVersion()
{
    TOrvObject* root = fTree->Root();
    if (root->ChildText(otVERSION) < kCurrentVersion) fReceiver.AddMessage("Expired ORVIDA - Version !", 0, true);
}

} // namespace kvn
