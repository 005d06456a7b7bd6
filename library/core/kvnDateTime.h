#pragma once

// Calendar dates and times as one floating-point number: whole days since 30 December 1899 (toward zero),
// with the time of day as the fraction (its absolute value before the origin, so -1.25 is 29 December 1899,
// 06:00). 0 means "no date" wherever the program stores dates.

namespace kvn {

using TDateTime = double;

// True for years divisible by 4, except centuries not divisible by 400.
bool IsLeapYear(int year);

// Number of days of the month (1..12) in that year, 0 for an invalid month.
int DaysInMonth(int year, int month);

// Date of year (1..9999), month and day; false (and out unchanged) when they form no valid date.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);

// Time of day as a fraction of a day; false when any part is out of range.
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& out);

// Date of year, month and day; 0 when they form no valid date.
TDateTime EncodeDate(int year, int month, int day);

// Splits the date part into year, month and day.
void DecodeDate(TDateTime value, int& year, int& month, int& day);

// Splits the time-of-day part into hour, minute, second and millisecond.
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// The current local date and time, to the second; 0 when the system cannot tell.
TDateTime LocalNow();

// Day of the week: 1 Sunday ... 7 Saturday.
int DayOfWeek(TDateTime value);

} // namespace kvn
