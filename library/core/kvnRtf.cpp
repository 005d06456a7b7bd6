#include "kvnRtf.h"

#include "kvnEncoding.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

namespace kvn {

namespace {

// Deeper groups are skipped whole; real documents stay far below this, and it bounds the state stack.
constexpr std::size_t kMaxDepth = 100;
// Help texts are a few kilobytes; this only keeps a wrong file from filling the memory.
constexpr std::uintmax_t kMaxFileSize = 64u * 1024u * 1024u;
constexpr int kMaxFontSize = 2000; // half-points
constexpr std::uint32_t kReplacement = 0xFFFD;

// Destinations whose content is not text of the document, blank-separated.
constexpr std::string_view kSkippedDestinations =
    " author bkmkend bkmkstart buptim colorschememapping colortbl comment creatim datafield datastore doccomm filetbl "
    "fldinst fonttbl footer footerf footerl footerr footnote generator header headerf headerl headerr info keywords "
    "latentstyles listoverridetable listtable nonshppict object operator pgdsctbl pict printim private revtbl revtim "
    "rsidtbl shpinst stylesheet subject themedata title xmlnstbl ";

// Control words that stand for one character.
struct TSpecialCharacter {
    std::string_view Word;
    std::uint32_t CodePoint;
};
constexpr TSpecialCharacter kSpecialCharacters[] = {{"bullet", 0x2022},    {"emdash", 0x2014},  {"endash", 0x2013},
                                                    {"emspace", 0x2003},   {"enspace", 0x2002}, {"qmspace", 0x2005},
                                                    {"lquote", 0x2018},    {"rquote", 0x2019},  {"ldblquote", 0x201C},
                                                    {"rdblquote", 0x201D}, {"cell", '\t'}};

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Formatting and reading state of one group; a group starts with a copy of its enclosing group's state.
struct TGroupState {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    int FontSize = kRtfDefaultFontSize;
    int UnicodeSkip = 1; // fallback characters that follow a \u character
    bool Skip = false;   // inside a destination whose text is not shown
};

class TRtfReader {
public:
    TRtfReader(std::string_view text, TRtfDocument& document) : fText(text), fDocument(document) {}

    void Run()
    {
        fStack.emplace_back();
        while (fPos < fText.size() && !fDone) {
            char c = fText[fPos];
            if (c == '{') {
                ++fPos;
                fPendingSkip = 0;
                OpenGroup();
            } else if (c == '}') {
                ++fPos;
                fPendingSkip = 0;
                CloseGroup();
            } else if (c == '\\') {
                ++fPos;
                ReadControl();
            } else {
                ++fPos;
                // Line ends of the source are layout of the file, not text.
                if (c != '\r' && c != '\n' && !SkipFallback()) TextByte(static_cast<unsigned char>(c));
            }
        }
        FlushSurrogate();
        if (!fParagraph.Runs.empty()) EndParagraph();
    }

private:
    TGroupState& State() { return fStack.back(); }
    bool Skipping() { return fOverflow > 0 || State().Skip; }

    void OpenGroup()
    {
        if (fOverflow > 0 || fStack.size() > kMaxDepth) {
            ++fOverflow;
            return;
        }
        TGroupState inner = State();
        fStack.push_back(inner);
    }

    void CloseGroup()
    {
        if (fOverflow > 0) {
            --fOverflow;
            return;
        }
        if (fStack.size() > 1) fStack.pop_back();
        // Whatever follows the document's outermost group is not part of it.
        if (fStack.size() == 1) fDone = true;
    }

    // Consumes one character of the fallback text that follows a \u character; true when it was one.
    bool SkipFallback()
    {
        if (fPendingSkip <= 0) return false;
        --fPendingSkip;
        return true;
    }

    void ReadControl()
    {
        if (fPos >= fText.size()) return;
        char c = fText[fPos];
        if (!IsLetter(c)) {
            ++fPos;
            ControlSymbol(c);
            return;
        }
        std::size_t start = fPos;
        while (fPos < fText.size() && IsLetter(fText[fPos]))
            ++fPos;
        std::string_view word = fText.substr(start, fPos - start);
        bool negative = false;
        if (fPos + 1 < fText.size() && fText[fPos] == '-' && IsDigit(fText[fPos + 1])) {
            negative = true;
            ++fPos;
        }
        bool hasParameter = false;
        long long value = 0;
        while (fPos < fText.size() && IsDigit(fText[fPos])) {
            hasParameter = true;
            // Saturate instead of overflowing; no meaningful parameter comes near this.
            if (value < 1000000000) value = value * 10 + (fText[fPos] - '0');
            ++fPos;
        }
        if (fPos < fText.size() && fText[fPos] == ' ') ++fPos;
        ControlWord(word, hasParameter, static_cast<int>(negative ? -value : value));
    }

    void ControlSymbol(char c)
    {
        if (c == '\'') {
            int high = fPos < fText.size() ? HexValue(fText[fPos]) : -1;
            int low = fPos + 1 < fText.size() ? HexValue(fText[fPos + 1]) : -1;
            if (high < 0 || low < 0) return;
            fPos += 2;
            if (!SkipFallback()) TextByte(static_cast<unsigned char>(high * 16 + low));
            return;
        }
        if (c == '*') {
            State().Skip = true;
            return;
        }
        if (SkipFallback()) return;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            AppendCodePoint(static_cast<unsigned char>(c));
            break;
        case '~':
            AppendCodePoint(0x00A0);
            break;
        case '_':
            AppendCodePoint(0x2011);
            break;
        case '\r':
        case '\n':
            if (!Skipping()) EndParagraph();
            break;
        default:
            // Optional hyphens, index marks and formula characters have no place in a help text.
            break;
        }
    }

    void ControlWord(std::string_view word, bool hasParameter, int parameter)
    {
        if (word == "bin") {
            // Binary data follows without any escaping; its length is the only way past it.
            std::size_t length = hasParameter && parameter > 0 ? static_cast<std::size_t>(parameter) : 0;
            fPos += std::min(length, fText.size() - fPos);
            return;
        }
        if (kSkippedDestinations.find(" " + std::string(word) + " ") != std::string_view::npos) {
            State().Skip = true;
            return;
        }
        if (word == "uc") {
            State().UnicodeSkip = std::clamp(parameter, 0, 16);
            return;
        }
        if (word == "u") {
            if (SkipFallback()) return;
            if (Skipping()) {
                fPendingSkip = State().UnicodeSkip;
                return;
            }
            // Writers give code units above 32767 as negative numbers.
            long long unit = parameter < 0 ? parameter + 65536LL : parameter;
            AppendCodeUnit(unit >= 0 && unit <= 0xFFFF ? static_cast<std::uint32_t>(unit) : kReplacement);
            fPendingSkip = State().UnicodeSkip;
            return;
        }
        if (SkipFallback()) return;
        bool on = !hasParameter || parameter != 0;
        TGroupState& state = State();
        if (word == "par" || word == "sect" || word == "page" || word == "row") {
            if (!Skipping()) EndParagraph();
        } else if (word == "line") {
            AppendCodePoint('\n');
        } else if (word == "tab") {
            AppendCodePoint('\t');
        } else if (word == "b") {
            state.Bold = on;
        } else if (word == "i") {
            state.Italic = on;
        } else if (word == "ulnone") {
            state.Underline = false;
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "uldash" || word == "ulth" ||
                   word == "ulw" || word == "ulwave") {
            state.Underline = on;
        } else if (word == "fs") {
            state.FontSize = hasParameter && parameter > 0 ? std::min(parameter, kMaxFontSize) : kRtfDefaultFontSize;
        } else if (word == "plain") {
            state.Bold = state.Italic = state.Underline = false;
            state.FontSize = kRtfDefaultFontSize;
        } else {
            for (const TSpecialCharacter& special : kSpecialCharacters) {
                if (special.Word == word) {
                    AppendCodePoint(special.CodePoint);
                    break;
                }
            }
        }
    }

    // A byte of text: ASCII as it is, everything above as Windows-1252.
    void TextByte(unsigned char byte)
    {
        if (byte == '\t') {
            AppendCodePoint('\t');
        } else if (byte >= 0x20 && byte != 0x7F) {
            char c = static_cast<char>(byte);
            AppendUtf8Text(byte < 0x80 ? std::string(1, c) : Cp1252ToUtf8(std::string_view(&c, 1)));
        }
    }

    // A UTF-16 code unit of a \u character; surrogate halves are paired, a lone half becomes the replacement.
    void AppendCodeUnit(std::uint32_t unit)
    {
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushSurrogate();
            fHighSurrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            if (fHighSurrogate == 0) {
                AppendCodePoint(kReplacement);
            } else {
                std::uint32_t codePoint = 0x10000 + ((fHighSurrogate - 0xD800) << 10) + (unit - 0xDC00);
                fHighSurrogate = 0;
                AppendCodePoint(codePoint);
            }
        } else if (unit == '\t' || unit >= 0x20) {
            AppendCodePoint(unit);
        }
    }

    void FlushSurrogate()
    {
        if (fHighSurrogate == 0) return;
        fHighSurrogate = 0;
        AppendCodePoint(kReplacement);
    }

    void AppendCodePoint(std::uint32_t codePoint)
    {
        std::string utf8;
        if (!AppendUtf8(utf8, codePoint)) AppendUtf8(utf8, kReplacement);
        AppendUtf8Text(utf8);
    }

    void AppendUtf8Text(const std::string& text)
    {
        if (Skipping()) return;
        FlushSurrogate();
        const TGroupState& state = State();
        TRtfRun format;
        format.Bold = state.Bold;
        format.Italic = state.Italic;
        format.Underline = state.Underline;
        format.FontSize = state.FontSize;
        if (fParagraph.Runs.empty() || !fParagraph.Runs.back().SameFormat(format))
            fParagraph.Runs.push_back(std::move(format));
        fParagraph.Runs.back().Text += text;
    }

    void EndParagraph()
    {
        FlushSurrogate();
        fDocument.Paragraphs.push_back(std::move(fParagraph));
        fParagraph = TRtfParagraph();
    }

    std::string_view fText;
    TRtfDocument& fDocument;
    std::size_t fPos = 0;
    std::vector<TGroupState> fStack;
    int fOverflow = 0;    // groups opened beyond kMaxDepth and not closed yet
    int fPendingSkip = 0; // fallback characters still to drop after a \u character
    std::uint32_t fHighSurrogate = 0;
    TRtfParagraph fParagraph;
    bool fDone = false;
};

} // namespace

std::string TRtfParagraph::PlainText() const
{
    std::string text;
    for (const TRtfRun& run : Runs)
        text += run.Text;
    return text;
}

std::string TRtfDocument::PlainText() const
{
    std::string text;
    for (const TRtfParagraph& paragraph : Paragraphs)
        text += paragraph.PlainText() + "\n";
    return text;
}

bool ParseRtf(std::string_view rtf, TRtfDocument& document, std::string& error)
{
    document = TRtfDocument();
    std::size_t start = 0;
    if (rtf.starts_with("\xEF\xBB\xBF")) start = 3;
    while (start < rtf.size() && (rtf[start] == ' ' || rtf[start] == '\t' || rtf[start] == '\r' || rtf[start] == '\n'))
        ++start;
    if (!rtf.substr(start).starts_with("{\\rtf")) {
        error = "The text is not in the rich text format.";
        return false;
    }
    TRtfReader(rtf.substr(start), document).Run();
    error.clear();
    return true;
}

bool ReadRtfFile(const std::string& path, TRtfDocument& document, std::string& error)
{
    document = TRtfDocument();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "Cannot open " + path + ".";
        return false;
    }
    std::string bytes;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (bytes.size() > kMaxFileSize) {
            error = path + " is too large for a rich text file.";
            return false;
        }
    }
    if (file.bad()) {
        error = "Cannot read " + path + ".";
        return false;
    }
    if (!ParseRtf(bytes, document, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace kvn
