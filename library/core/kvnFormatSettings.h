#pragma once

#include <array>
#include <string>

// How dates, times and numbers are written on screen and in print-outs. The user interface fills the one
// process-wide object from the system locale at start; tests set it explicitly.

namespace kvn {

// Date and time formats use the letters d dd ddd dddd, m mm mmm mmmm, yy yyyy, h hh, n nn, s ss; "/" stands for
// the date separator and ":" for the time separator; text in quotes is copied.
struct TFormatSettings {
    std::string ShortDateFormat = "dd.mm.yyyy";
    std::string LongDateFormat = "d. mmmm yyyy";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string DateSeparator = ".";
    std::string TimeSeparator = ":";
    std::string DecimalSeparator = ",";
    std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                                   "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    std::array<std::string, 12> LongMonthNames = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                                                  "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    // Day names begin with Sunday.
    std::array<std::string, 7> ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    std::array<std::string, 7> LongDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                               "Donnerstag", "Freitag", "Samstag"};
};

// The process-wide format settings, German conventions until changed.
TFormatSettings& FormatSettings();

// Replaces a blank time separator by ":" and a blank date separator by ".".
void FixSeparators();

} // namespace kvn
