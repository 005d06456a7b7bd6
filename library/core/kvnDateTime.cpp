#include "kvnDateTime.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace kvn {

namespace {

// Days from 1 January of year 1 to 30 December 1899, the origin of TDateTime.
constexpr long long kDaysToOrigin = 693594;
constexpr double kMillisecondsPerDay = 86400000.0;

long long DaysBeforeYear(int year)
{
    long long y = year - 1;
    return y * 365 + y / 4 - y / 100 + y / 400;
}

} // namespace

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out)
{
    if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month)) return false;
    long long days = DaysBeforeYear(year);
    for (int m = 1; m < month; ++m)
        days += DaysInMonth(year, m);
    days += day;
    out = static_cast<double>(days - kDaysToOrigin);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        return false;
    out = ((hour * 60.0 + minute) * 60.0 * 1000.0 + second * 1000.0 + millisecond) / kMillisecondsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime result = 0;
    return TryEncodeDate(year, month, day, result) ? result : 0;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    // The date is the whole part toward zero: before the origin the fraction still counts from midnight.
    long long days = static_cast<long long>(std::trunc(value)) + kDaysToOrigin; // 1 = 1 January of year 1
    // First guess of the year from the mean year length, then correct by at most one step either way.
    int y = static_cast<int>(days / 365.2425) + 1;
    while (y > 1 && DaysBeforeYear(y) >= days)
        --y;
    while (DaysBeforeYear(y + 1) < days)
        ++y;
    long long dayOfYear = days - DaysBeforeYear(y);
    int m = 1;
    while (m < 12 && dayOfYear > DaysInMonth(y, m)) {
        dayOfYear -= DaysInMonth(y, m);
        ++m;
    }
    year = y;
    month = m;
    day = static_cast<int>(dayOfYear);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond)
{
    double fraction = std::fabs(value - std::trunc(value));
    long long ms = std::llround(fraction * kMillisecondsPerDay);
    if (ms >= 86400000) ms = 86399999;
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    millisecond = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value)
{
    // 30 December 1899 was a Saturday.
    long long days = static_cast<long long>(std::trunc(value));
    return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

TDateTime LocalNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return 0;
    TDateTime date = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    TDateTime time = 0;
    TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0, time);
    return date + time;
}

} // namespace kvn
