#include "kvnSwim.h"

#include "kvnEncoding.h"
#include "kvnStrings.h"
#include "kvnSwimLang.h"
#include "orvElements.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace kvn {

namespace {

constexpr std::array<int, kRelayPositionCount> kRelayCounts = {1, 4, 5, 8, 10, 2, 3, 6};

constexpr std::array<int, kDistancePositionCount> kDistances = {25,   50,   100,  200,  300, 400,  800, 1000, 1500,
                                                                2000, 3000, 4000, 5000, 500, 1650, 33,  66,   133};

struct TStrokeCode {
    std::string_view Code; // upper case; "R\xC3\x9C" is RÜ in UTF-8
    int Position;
};

// Several languages' codes per stroke, by ascending stroke position; the last group ("other") has no codes.
constexpr TStrokeCode kStrokeCodes[] = {
    {"CR", 0}, {"NL", 0}, {"FR", 0}, {"LI", 0}, {"FF", 0},        {"KR", 0}, {"DE", 1}, {"DP", 1}, {"FL", 1},
    {"SM", 1}, {"SS", 1}, {"BU", 1}, {"PA", 1}, {"R\xC3\x9C", 2}, {"DO", 2}, {"BA", 2}, {"RR", 2}, {"EP", 2},
    {"CO", 2}, {"BK", 2}, {"BR", 3}, {"BB", 3}, {"RA", 3},        {"LA", 4}, {"VL", 4}, {"IM", 4}, {"MD", 4},
    {"ME", 4}, {"4N", 4}, {"ES", 4}, {"ET", 4}, {"LL", 4},        {"BS", 5}, {"KI", 5}, {"PE", 5},
};

// Longest field width honoured in a format text; the formats come from language files that users edit.
constexpr std::size_t kMaxFormatWidth = 64;

// Applies a language format with one value: the first "%s" or "%d" (with optional "-" and width) receives the
// value and any further ones stay empty, so a mistyped language text can never read a missing argument.
std::string FormatWithValue(std::string_view format, std::string_view value)
{
    std::string result;
    bool used = false;
    std::size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c != '%') {
            result += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            result += '%';
            i += 2;
            continue;
        }
        std::size_t j = i + 1;
        bool leftAlign = false;
        if (j < format.size() && format[j] == '-') {
            leftAlign = true;
            ++j;
        }
        std::size_t width = 0;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
            width = std::min(kMaxFormatWidth, width * 10 + static_cast<std::size_t>(format[j] - '0'));
            ++j;
        }
        if (j < format.size() && (format[j] == 's' || format[j] == 'd' || format[j] == 'u')) {
            std::string_view text = used ? std::string_view() : value;
            used = true;
            std::size_t length = Utf8Length(text);
            std::string padding(width > length ? width - length : 0, ' ');
            if (leftAlign) {
                result.append(text).append(padding);
            } else {
                result.append(padding).append(text);
            }
            i = j + 1;
            continue;
        }
        // Not a conversion this program fills: the percent sign is plain text.
        result += c;
        ++i;
    }
    return result;
}

std::string ComposeEvent(int relayPosition, std::string_view distanceText, int strokePosition)
{
    return RelayText(relayPosition) + std::string(distanceText) + " " + StrokeText(strokePosition, relayPosition > 0);
}

template <std::size_t N>
int LastPositionOf(const std::array<int, N>& table, int value)
{
    for (int position = static_cast<int>(N) - 1; position >= 0; --position) {
        if (table[static_cast<std::size_t>(position)] == value) return position;
    }
    return -1;
}

} // namespace

int RelayCount(int position)
{
    if (position < 0 || position >= kRelayPositionCount) return 0;
    return kRelayCounts[static_cast<std::size_t>(position)];
}

int Distance(int position)
{
    if (position < 0 || position >= kDistancePositionCount) return 0;
    return kDistances[static_cast<std::size_t>(position)];
}

int RelayPosition(int count)
{
    return LastPositionOf(kRelayCounts, count);
}

int DistancePosition(int distance)
{
    return LastPositionOf(kDistances, distance);
}

int StrokePosition(std::string_view code)
{
    if (code.empty()) return -1;
    std::string upper = Utf8Upper(code);
    // Walking the groups from the last one down lets a later group win should a code ever be listed twice.
    for (auto entry = std::rbegin(kStrokeCodes); entry != std::rend(kStrokeCodes); ++entry) {
        if (entry->Code == upper) return entry->Position;
    }
    return -1;
}

std::string VocabularyItem(std::string_view list, int n)
{
    return SemicolonFields(list, n, 1);
}

std::string RelayText(int position)
{
    if (position < 1) return "";
    return VocabularyItem(SwimVocabulary().RelayPrefixes, position + 1) + " ";
}

std::string DistanceText(int position, std::string_view unit)
{
    return Trim(VocabularyItem(kDistanceList, position + 1) + std::string(unit));
}

std::string StrokeText(int position, bool relay)
{
    const TSwimVocabulary& vocabulary = SwimVocabulary();
    return VocabularyItem(relay ? vocabulary.RelayStrokeNames : vocabulary.StrokeNames, position + 1);
}

std::string EventText(int relayPosition, int distancePosition, int strokePosition)
{
    return ComposeEvent(relayPosition, DistanceText(distancePosition, kDefaultUnit), strokePosition);
}

std::string EventTextOf(int relayCount, int distance, std::string_view strokeCode)
{
    int distancePosition = DistancePosition(distance);
    std::string distanceText = distancePosition >= 0 ? DistanceText(distancePosition, kDefaultUnit)
                                                     : Trim(IntToStr(distance) + std::string(kDefaultUnit));
    return ComposeEvent(RelayPosition(relayCount), distanceText, StrokePosition(strokeCode));
}

std::string GenderName(int index)
{
    return VocabularyItem(SwimVocabulary().GenderNames, index + 1);
}

std::string AgeGroupText(int minimumAge, int maximumAge)
{
    const TSwimVocabulary& vocabulary = SwimVocabulary();
    // Masters relays state the sum of the swimmers' ages, which has its own wording.
    int form = (minimumAge >= 100 || maximumAge > 118) ? 2 : 1;
    bool openEnded = maximumAge == 99 || maximumAge == 999;
    if (minimumAge == 0 && openEnded) return VocabularyItem(vocabulary.OpenAgeGroup, 2);
    if (minimumAge == 0 && maximumAge == 0) return "-";
    if (minimumAge == maximumAge)
        return FormatWithValue(VocabularyItem(vocabulary.AgeRange, form), IntToStr(minimumAge));
    if (minimumAge != 0 && openEnded) {
        return FormatWithValue(VocabularyItem(vocabulary.AgeFrom, form), IntToStr(minimumAge));
    }
    if (minimumAge != 0) {
        return FormatWithValue(VocabularyItem(vocabulary.AgeRange, form),
                               IntToStr(minimumAge) + " - " + IntToStr(maximumAge));
    }
    return FormatWithValue(VocabularyItem(vocabulary.AgeUpTo, form), IntToStr(maximumAge));
}

std::string TeamText(int number)
{
    return FormatWithValue(SwimVocabulary().NumberedTeam, IntToStr(number));
}

std::string RoundName(std::string_view type)
{
    std::string upper = Utf8Upper(type);
    int item = 0;
    if (upper == "FIN") {
        item = 4;
    } else if (upper == "SEM") {
        item = 3;
    } else if (upper == "SOS" || upper == "SOF") {
        item = 2;
    } else if (upper == "PRE") {
        item = 1;
    }
    if (item == 0) return "";
    return VocabularyItem(SwimVocabulary().RoundNames, item);
}

std::string RoundName(const TOrvAbstractObject& event)
{
    return RoundName(event.ChildText(otTYPE));
}

} // namespace kvn
