#pragma once

#include <string>
#include <string_view>

// The swimming vocabulary: fixed tables that map an event's relay count, distance and stroke code to positions,
// and the composers that turn positions, ages, team numbers and round codes into words of the current language
// (the texts of kvnSwimLang). A position of -1 (not in a table) reads as the first item of a list.

namespace kvn {

class TOrvAbstractObject;

// Number of positions in the relay-count table (position 0 is an individual event).
inline constexpr int kRelayPositionCount = 8;
// Number of positions in the distance table.
inline constexpr int kDistancePositionCount = 18;
// Number of stroke groups; the last one ("other") lists no codes.
inline constexpr int kStrokePositionCount = 7;
// The distance texts, by distance position; fixed, not translated.
inline constexpr std::string_view kDistanceList = "25;50;100;200;300;400;800;1000;1500;2000;3000;4000;5000;500;1650;33;"
                                                  "66;133";
// The unit letter of event texts.
inline constexpr std::string_view kDefaultUnit = "m";

// Relay count at a position of the relay table, or 0 outside the table.
int RelayCount(int position);

// Distance at a position of the distance table, or 0 outside the table.
int Distance(int position);

// Position of a relay count in the relay table (the last match), or -1 when absent.
int RelayPosition(int count);

// Position of a distance in the distance table (the last match), or -1 when absent.
int DistancePosition(int distance);

// Stroke group of a stroke code in any case ("rü" is backstroke), or -1 for an empty or unknown code.
int StrokePosition(std::string_view code);

// Item n (from 1) of a ";"-separated list; n below 1 gives the first item, n beyond the list "".
std::string VocabularyItem(std::string_view list, int n);

// The relay prefix of a relay-count position followed by a blank ("4 x "), "" for individual events.
std::string RelayText(int position);

// The distance text of a distance position followed by the unit letter ("100m").
std::string DistanceText(int position, std::string_view unit);

// The stroke name of a stroke position, in relay wording when asked.
std::string StrokeText(int position, bool relay);

// Event name from table positions ("4 x 100m Freestyle Relay"), in relay wording when the relay position is above 0.
std::string EventText(int relayPosition, int distancePosition, int strokePosition);

// Event name from an event's own relay count, distance and stroke code; a distance outside the table is written
// as its own number rather than as the first table entry.
std::string EventTextOf(int relayCount, int distance, std::string_view strokeCode);

// Gender name of 0 (men), 1 (women) or 2 (mixed).
std::string GenderName(int index);

// Age-group name of a minimum and maximum age; 99 and 999 as maximum mean no upper bound, 0 as minimum none.
std::string AgeGroupText(int minimumAge, int maximumAge);

// Name of a relay team that has only a number ("2. team").
std::string TeamText(int number);

// Round name of an event type in any case ("FIN" final, "SEM", "SOS"/"SOF" swim-off, "PRE" heats), else "".
std::string RoundName(std::string_view type);

// Round name of an "EVENT" element by its "TYPE".
std::string RoundName(const TOrvAbstractObject& event);

} // namespace kvn
