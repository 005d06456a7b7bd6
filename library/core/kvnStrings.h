#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "kvnDateTime.h"

// Small text helpers shared by the whole program: dates, fixed widths, separator-delimited field lists and
// replacement. Texts are UTF-8; widths and lengths count characters, not bytes.

namespace kvn {

// Drops bytes up to and including the space (blanks and control characters) at both ends.
std::string Trim(std::string_view text);

// Drops bytes up to and including the space at the start.
std::string TrimLeft(std::string_view text);

// Drops bytes up to and including the space at the end.
std::string TrimRight(std::string_view text);

// Decimal integer with optional sign and surrounding blanks; false (value unchanged) for anything else or overflow.
bool TryStrToInt(std::string_view text, int& value);

// Decimal integer with optional sign and surrounding blanks, or the default when the text is no such number.
int StrToIntDef(std::string_view text, int defaultValue);

// Decimal text of the value, with "-" for negatives.
std::string IntToStr(long long value);

// Number of characters of UTF-8 text (a stray byte counts as one character).
std::size_t Utf8Length(std::string_view text);

// The first count characters of UTF-8 text, never cutting a character in two.
std::string Utf8Left(std::string_view text, std::size_t count);

// The date-time written with the format letters d dd ddd dddd, m mm mmm mmmm, yy yyyy, h hh, n nn, s ss ("m" and
// "mm" right after an hour mean minutes), "/" and ":" as the separators of the format settings and quoted text
// copied; letters are matched regardless of case and other characters are copied; empty for a value outside the
// years 1 to 9999.
std::string FormatDateTime(std::string_view format, TDateTime value);

// The date in the long or the short date format of the format settings.
std::string FormatDate(bool longFormat, TDateTime date);

// The period from first to last with the parts they share written once ("12.-14.03.2005"); empty when last is
// before first.
std::string FormatDateRange(bool longFormat, TDateTime first, TDateTime last);

// The text filled with spaces at the start, or cut, to width characters.
std::string PadLeft(std::string_view text, int width);

// The text filled with spaces at the end, or cut, to width characters.
std::string PadRight(std::string_view text, int width);

// Number of fields divided by any character of separators: in exact mode every separator ends a field, otherwise
// fields are the runs of non-separator characters; 0 for an empty text.
int FieldCount(std::string_view text, std::string_view separators, bool exact);

// Field number n (from 1; in exact mode 0 means 1 as well) of the text, or "" when there is no such field.
std::string GetField(std::string_view text, std::string_view separators, int n, bool exact);

// Number of ";"-separated fields, empty fields included; 0 for an empty text.
int SemicolonCount(std::string_view text);

// The count fields from field first of a ";"-separated list, joined by ";" (missing fields stay empty).
std::string SemicolonFields(std::string_view text, int first, int count);

// True when item is one of the fields of the ";"-separated list (case-sensitive).
bool InSemicolonList(std::string_view item, std::string_view list);

// The texts joined by ";"; "" for no texts.
std::string JoinSemicolon(const std::vector<std::string>& texts);

// True when word equals one of the separator-divided words of the list, or when the list has no words.
bool InWordList(std::string_view list, std::string_view separators, std::string_view word);

// count spaces (none for count <= 0).
std::string Spaces(int count);

// The text count times over (empty for count <= 0).
std::string RepeatText(std::string_view text, int count);

// The lines of a text that ends its lines in CR LF, CR or LF; a final line end does not start another line.
std::vector<std::string> SplitLines(std::string_view text);

// The text with every non-overlapping occurrence of search, left to right, replaced (case-sensitive); an empty
// search text changes nothing.
std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement);

// The language text format with its "%d" and "%s" replaced by args in order and "%%" by "%"; other conversions
// and those without an argument are copied as they stand.
std::string FormatText(std::string_view format, std::initializer_list<std::string> args);

} // namespace kvn
