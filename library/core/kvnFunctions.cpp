#include "kvnFunctions.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <vector>

namespace kvn {

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

int FieldAsInteger(std::string_view field)
{
    field = TrimBlanks(field);
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    int value = 0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || field.empty()) return 0;
    return value;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

TSwimTime StrToSwimTime(std::string_view text)
{
    if (text == "99:99.99" || text == "99:99,99") text = "59:59.99";

    std::vector<std::string_view> fields;
    if (!text.empty()) {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == ':' || text[i] == '.' || text[i] == ',') {
                fields.push_back(text.substr(start, i - start));
                start = i + 1;
            }
        }
    }
    if (fields.size() < 2) return 0;

    // 64 bits, so that absurd minute fields cannot overflow before the result is narrowed.
    std::int64_t minutes = fields.size() >= 3 ? FieldAsInteger(fields.front()) : 0;
    std::int64_t seconds = FieldAsInteger(fields[fields.size() - 2]);
    std::string_view fraction = TrimBlanks(fields.back());

    std::int64_t value = minutes * 600000 + seconds * 10000;
    if (!fraction.empty()) value += (IsDigit(fraction[0]) ? fraction[0] - '0' : 0) * 1000;
    if (fraction.size() >= 2)
        value += (IsDigit(fraction[1]) ? fraction[1] - '0' : 10) * 10;
    else if (value > 0)
        value += 100;
    return static_cast<TSwimTime>(value);
}

std::string SwimTimeToStr(TSwimTime value, bool withHundredths)
{
    int hundredths = value % 1000 / 10;
    if (value / 1000 == 0 && value % 100 / 10 == 0) return {};

    std::string minutes = std::to_string(value / 600000);
    if (minutes.size() < 2)
        minutes.insert(0, 2 - minutes.size(), ' ');
    else
        minutes.resize(2);

    int seconds = value % 600000 / 10000;
    int tenths = value % 10000 / 1000;
    std::string text = minutes + ':';
    text += static_cast<char>('0' + seconds / 10 % 10);
    text += static_cast<char>('0' + seconds % 10);
    text += '.';
    text += static_cast<char>('0' + tenths % 10);
    if (withHundredths) text += hundredths < 10 ? static_cast<char>('0' + hundredths) : '*';
    if (text.compare(0, 3, " 0:") == 0) text.replace(0, 3, "   ");
    return text;
}

TSwimTime SwimTimeDiff(TSwimTime later, TSwimTime earlier)
{
    TSwimTime result = (later / 1000 - earlier / 1000) * 1000;
    int hundredthsLater = later % 1000 / 10;
    int hundredthsEarlier = earlier % 1000 / 10;
    if (hundredthsLater < 10 && hundredthsEarlier < 10) {
        if (hundredthsEarlier > hundredthsLater) {
            result -= 1000;
            hundredthsLater += 10;
        }
        result += (hundredthsLater - hundredthsEarlier) * 10;
    } else {
        result += 100;
    }
    return result;
}

int MulDiv(int a, int b, int c)
{
    if (c == 0) return 0;
    long long product = static_cast<long long>(a) * b;
    long long quotient = product / c;
    long long remainder = product % c;
    if (2 * std::llabs(remainder) >= std::llabs(static_cast<long long>(c)))
        quotient += (product < 0) != (c < 0) ? -1 : 1;
    return static_cast<int>(std::clamp<long long>(quotient, INT_MIN, INT_MAX));
}

} // namespace kvn
