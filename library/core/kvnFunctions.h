#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Small numeric helpers: swim times and rounded scaling.
//
// Swim times as one integer: minutes * 600000 + seconds * 10000 + tenths * 1000 + hundredths * 10,
// plus 100 when the hundredths are missing. The field at weight 10 is the hundredths digit, or 10 for
// "missing", so the value is positional rather than a count of time units. 0 means no time.

namespace kvn {

using TSwimTime = std::int32_t;

// The largest time, 59:59.99; the text "99:99.99" maps to it.
constexpr TSwimTime kMaxSwimTime = 35999090;

// Parses "m:ss.hh", "ss.h" and the like; 0 when the text holds no time.
TSwimTime StrToSwimTime(std::string_view text);

// Formats a time 8 characters wide (" 1:02.34", "   58.3*"); empty for no time.
std::string SwimTimeToStr(TSwimTime value, bool withHundredths);

// Difference of a later and an earlier time; missing hundredths on either side stay missing.
TSwimTime SwimTimeDiff(TSwimTime later, TSwimTime earlier);

// a * b / c computed in 64 bits and rounded to the nearest integer (halves away from zero); 0 when c is 0, and the
// nearest int when the result does not fit.
int MulDiv(int a, int b, int c);

} // namespace kvn
