#include "kvnStrings.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "kvnFormatSettings.h"

namespace kvn {

namespace {

bool IsBlankByte(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length in bytes of the character starting at pos; a malformed sequence counts as a single byte so that no text
// is ever cut inside a well-formed character and every byte belongs to exactly one character.
std::size_t CharLength(std::string_view text, std::size_t pos)
{
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
    if (length == 1 || pos + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i)
        if (!IsContinuation(static_cast<unsigned char>(text[pos + i]))) return 1;
    return length;
}

// A set of separator characters; ASCII ones (all that the program uses) are looked up in a table.
class TSeparatorSet {
public:
    explicit TSeparatorSet(std::string_view separators)
    {
        for (std::size_t pos = 0; pos < separators.size();) {
            std::size_t length = CharLength(separators, pos);
            if (length == 1 && static_cast<unsigned char>(separators[pos]) < 0x80)
                fAscii[static_cast<unsigned char>(separators[pos])] = true;
            else
                fOthers.emplace_back(separators.substr(pos, length));
            pos += length;
        }
    }

    // Byte length of the separator starting at pos, or 0 when the character there is none.
    std::size_t Match(std::string_view text, std::size_t pos) const
    {
        unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80) return fAscii[c] ? 1 : 0;
        std::size_t length = CharLength(text, pos);
        for (std::string_view other : fOthers)
            if (text.substr(pos, length) == other) return length;
        return 0;
    }

private:
    bool fAscii[128] = {};
    std::vector<std::string_view> fOthers;
};

// Calls visit(begin, end) for each field in order until it returns false.
template <typename Visitor>
void ForEachField(std::string_view text, const TSeparatorSet& separators, bool exact, Visitor visit)
{
    if (text.empty()) return;
    std::size_t fieldStart = 0;
    bool inField = exact;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t separator = separators.Match(text, pos);
        if (separator > 0) {
            if (inField && !visit(fieldStart, pos)) return;
            inField = exact;
            pos += separator;
            fieldStart = pos;
        } else {
            if (!inField) {
                inField = true;
                fieldStart = pos;
            }
            pos += CharLength(text, pos);
        }
    }
    if (inField) visit(fieldStart, text.size());
}

std::string TwoDigits(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Valid date-times lie in the years 1 to 9999; anything else (including NaN) cannot be decoded.
bool InDateRange(TDateTime value)
{
    static const TDateTime lowest = EncodeDate(1, 1, 1);
    static const TDateTime highest = EncodeDate(9999, 12, 31) + 1;
    return std::isfinite(value) && value >= lowest && value < highest;
}

struct TDateParts {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, DayOfWeek = 1;
};

TDateParts SplitDateTime(TDateTime value)
{
    // Whole days and a non-negative fraction, so dates before 1899 keep their time of day as well.
    TDateParts parts;
    double days = std::floor(value);
    int millisecond = 0;
    DecodeDate(days, parts.Year, parts.Month, parts.Day);
    DecodeTime(value - days, parts.Hour, parts.Minute, parts.Second, millisecond);
    parts.DayOfWeek = DayOfWeek(days);
    return parts;
}

std::string RemoveLetter(std::string_view format, char letter)
{
    std::string result;
    for (char c : format)
        if (LowerAscii(c) != letter) result += c;
    return result;
}

} // namespace

std::string TrimLeft(std::string_view text)
{
    std::size_t begin = 0;
    while (begin < text.size() && IsBlankByte(text[begin]))
        ++begin;
    return std::string(text.substr(begin));
}

std::string TrimRight(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && IsBlankByte(text[end - 1]))
        --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlankByte(text[begin]))
        ++begin;
    while (end > begin && IsBlankByte(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

bool TryStrToInt(std::string_view text, int& value)
{
    std::string trimmed = Trim(text);
    std::size_t pos = 0;
    bool negative = false;
    if (pos < trimmed.size() && (trimmed[pos] == '-' || trimmed[pos] == '+')) negative = trimmed[pos++] == '-';
    if (pos == trimmed.size()) return false;
    long long result = 0;
    for (; pos < trimmed.size(); ++pos) {
        char c = trimmed[pos];
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
        if (result > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) result = -result;
    if (result > INT_MAX || result < INT_MIN) return false;
    value = static_cast<int>(result);
    return true;
}

int StrToIntDef(std::string_view text, int defaultValue)
{
    int value = defaultValue;
    return TryStrToInt(text, value) ? value : defaultValue;
}

std::string IntToStr(long long value)
{
    return std::to_string(value);
}

std::size_t Utf8Length(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos))
        ++count;
    return count;
}

std::string Utf8Left(std::string_view text, std::size_t count)
{
    std::size_t pos = 0;
    for (; pos < text.size() && count > 0; --count)
        pos += CharLength(text, pos);
    return std::string(text.substr(0, pos));
}

std::string FormatDateTime(std::string_view format, TDateTime value)
{
    if (!InDateRange(value)) return "";
    const TFormatSettings& settings = FormatSettings();
    TDateParts parts = SplitDateTime(value);
    std::string result;
    char lastToken = 0;
    std::size_t pos = 0;
    while (pos < format.size()) {
        char c = format[pos];
        if (c == '"' || c == '\'') {
            std::size_t close = format.find(c, pos + 1);
            if (close == std::string_view::npos) close = format.size();
            result.append(format.substr(pos + 1, close - pos - 1));
            pos = close + 1;
            continue;
        }
        char letter = LowerAscii(c);
        if (letter != 'd' && letter != 'm' && letter != 'y' && letter != 'h' && letter != 'n' && letter != 's') {
            if (c == '/')
                result += settings.DateSeparator;
            else if (c == ':')
                result += settings.TimeSeparator;
            else
                result += c;
            ++pos;
            continue;
        }
        std::size_t count = 1;
        while (pos + count < format.size() && LowerAscii(format[pos + count]) == letter)
            ++count;
        pos += count;
        switch (letter) {
        case 'd':
            if (count == 1)
                result += std::to_string(parts.Day);
            else if (count == 2)
                result += TwoDigits(parts.Day);
            else if (count == 3)
                result += settings.ShortDayNames[parts.DayOfWeek - 1];
            else
                result += settings.LongDayNames[parts.DayOfWeek - 1];
            break;
        case 'm':
            // Right after an hour, "m" and "mm" are minutes: "hh:mm" is as common as "hh:nn".
            if (lastToken == 'h' && count <= 2)
                result += count == 1 ? std::to_string(parts.Minute) : TwoDigits(parts.Minute);
            else if (count == 1)
                result += std::to_string(parts.Month);
            else if (count == 2)
                result += TwoDigits(parts.Month);
            else if (count == 3)
                result += settings.ShortMonthNames[parts.Month - 1];
            else
                result += settings.LongMonthNames[parts.Month - 1];
            break;
        case 'y':
            if (count <= 2) {
                result += TwoDigits(parts.Year % 100);
            } else {
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "%04d", parts.Year);
                result += buffer;
            }
            break;
        case 'h':
            result += count == 1 ? std::to_string(parts.Hour) : TwoDigits(parts.Hour);
            break;
        case 'n':
            result += count == 1 ? std::to_string(parts.Minute) : TwoDigits(parts.Minute);
            break;
        case 's':
            result += count == 1 ? std::to_string(parts.Second) : TwoDigits(parts.Second);
            break;
        }
        lastToken = letter;
    }
    return result;
}

std::string FormatDate(bool longFormat, TDateTime date)
{
    const TFormatSettings& settings = FormatSettings();
    return FormatDateTime(longFormat ? settings.LongDateFormat : settings.ShortDateFormat, date);
}

std::string FormatDateRange(bool longFormat, TDateTime first, TDateTime last)
{
    if (!InDateRange(first) || !InDateRange(last)) return "";
    // Only the calendar days matter: two times on the same day are one date, not a range.
    double firstDay = std::floor(first);
    double lastDay = std::floor(last);
    if (lastDay < firstDay) return "";
    if (lastDay == firstDay) return FormatDate(longFormat, last);

    std::string mark = lastDay - firstDay > 1 ? "-" : "/";
    if (longFormat) mark = " " + mark + " ";
    const TFormatSettings& settings = FormatSettings();
    std::string format = longFormat ? settings.LongDateFormat : settings.ShortDateFormat;
    TDateParts firstParts = SplitDateTime(firstDay);
    TDateParts lastParts = SplitDateTime(lastDay);
    if (firstParts.Year == lastParts.Year) {
        format = RemoveLetter(format, 'y');
        if (firstParts.Month == lastParts.Month) format = RemoveLetter(format, 'm');
    }
    const std::string& separator = settings.DateSeparator;
    std::string firstText = ReplaceAll(FormatDateTime(format, first), separator + separator, separator);
    std::string result = firstText + mark + FormatDate(longFormat, last);
    // Removed format parts can leave runs of three or more spaces, so collapse until none is left.
    while (result.find("  ") != std::string::npos)
        result = ReplaceAll(result, "  ", " ");
    return result;
}

std::string PadLeft(std::string_view text, int width)
{
    if (width <= 0) return "";
    std::size_t length = Utf8Length(text);
    if (length >= static_cast<std::size_t>(width)) return Utf8Left(text, static_cast<std::size_t>(width));
    return std::string(static_cast<std::size_t>(width) - length, ' ') + std::string(text);
}

std::string PadRight(std::string_view text, int width)
{
    if (width <= 0) return "";
    std::size_t length = Utf8Length(text);
    if (length >= static_cast<std::size_t>(width)) return Utf8Left(text, static_cast<std::size_t>(width));
    return std::string(text) + std::string(static_cast<std::size_t>(width) - length, ' ');
}

int FieldCount(std::string_view text, std::string_view separators, bool exact)
{
    int count = 0;
    ForEachField(text, TSeparatorSet(separators), exact, [&](std::size_t, std::size_t) {
        ++count;
        return true;
    });
    return count;
}

std::string GetField(std::string_view text, std::string_view separators, int n, bool exact)
{
    if (exact && n < 1) n = 1;
    if (n < 1) return "";
    std::string field;
    int index = 0;
    ForEachField(text, TSeparatorSet(separators), exact, [&](std::size_t begin, std::size_t end) {
        if (++index < n) return true;
        field.assign(text.substr(begin, end - begin));
        return false;
    });
    return field;
}

int SemicolonCount(std::string_view text)
{
    return FieldCount(text, ";", true);
}

std::string SemicolonFields(std::string_view text, int first, int count)
{
    if (count == 1) return GetField(text, ";", first, true);
    // One pass over the text instead of one per field: long lists are split many times while a file loads.
    std::vector<std::string_view> fields;
    ForEachField(text, TSeparatorSet(";"), true, [&](std::size_t begin, std::size_t end) {
        fields.push_back(text.substr(begin, end - begin));
        return true;
    });
    if (first < 1) first = 1;
    std::string result;
    for (int i = 0; i < count; ++i) {
        if (i > 0) result += ';';
        std::size_t index = static_cast<std::size_t>(first) - 1 + static_cast<std::size_t>(i);
        if (index < fields.size()) result.append(fields[index]);
    }
    return result;
}

bool InSemicolonList(std::string_view item, std::string_view list)
{
    std::string haystack = ";" + std::string(list) + ";";
    std::string needle = ";" + std::string(item) + ";";
    return haystack.find(needle) != std::string::npos;
}

std::string JoinSemicolon(const std::vector<std::string>& texts)
{
    std::string result;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) result += ';';
        result += texts[i];
    }
    return result;
}

bool InWordList(std::string_view list, std::string_view separators, std::string_view word)
{
    bool anyWord = false;
    bool found = false;
    ForEachField(list, TSeparatorSet(separators), false, [&](std::size_t begin, std::size_t end) {
        anyWord = true;
        found = list.substr(begin, end - begin) == word;
        return !found;
    });
    return found || !anyWord;
}

std::string Spaces(int count)
{
    return RepeatText(" ", count);
}

std::string RepeatText(std::string_view text, int count)
{
    std::string result;
    if (count <= 0) return result;
    result.reserve(text.size() * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        result.append(text);
    return result;
}

std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement)
{
    if (search.empty()) return std::string(text);
    std::string result;
    std::size_t pos = 0;
    for (std::size_t match = text.find(search); match != std::string_view::npos; match = text.find(search, pos)) {
        result.append(text.substr(pos, match - pos));
        result.append(replacement);
        pos = match + search.size();
    }
    result.append(text.substr(pos));
    return result;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

// Language files are data, so the text is never handed to printf: a stray conversion is copied as it stands.
std::string FormatText(std::string_view format, std::initializer_list<std::string> args)
{
    std::string result;
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c == '%' && i + 1 < format.size()) {
            char kind = format[i + 1];
            if (kind == '%') {
                result += '%';
                ++i;
                continue;
            }
            if ((kind == 'd' || kind == 's') && next != args.end()) {
                result += *next++;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

} // namespace kvn
