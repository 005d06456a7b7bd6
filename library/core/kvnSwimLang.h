#pragma once

#include <functional>
#include <string>
#include <string_view>

// The translatable swimming words: ";"-separated lists from section "S" of the current language, reloaded at
// start-up and whenever the language changes.

namespace kvn {

// Where the vocabulary comes from: the text of entry n of a language section, one field of it (field 0 for
// the whole entry), or "" when the language lacks it.
using TTextSource = std::function<std::string(std::string_view section, int n, int field)>;

// The language texts of the swimming vocabulary; each is a ";"-separated list, empty when the language lacks it.
struct TSwimVocabulary {
    std::string RelayPrefixes;    // S/1, by relay-count position: "Indiv.;4 x;..."
    std::string StrokeNames;      // S/2, by stroke position
    std::string GenderNames;      // S/3: men, women, mixed
    std::string OpenAgeGroup;     // S/7: short and long form
    std::string AgeRange;         // S/9: "%s" form for single ages and ranges, normal and sum-of-ages
    std::string AgeUpTo;          // S/10: "%d" form, normal and sum-of-ages
    std::string AgeFrom;          // S/11: "%d" form, normal and sum-of-ages
    std::string RelayStrokeNames; // S/28, by stroke position
    std::string NumberedTeam;     // S/29: "%d" form
    std::string RoundNames;       // S/40: heats, swim-off, semi-final, final
};

// The process-wide vocabulary that the composers of kvnSwim read; writable so tests can save and restore it.
TSwimVocabulary& SwimVocabulary();

// Replaces the whole vocabulary by the texts the source gives; texts it lacks become empty.
void LoadVocabulary(const TTextSource& source);

// Replaces the whole vocabulary by the texts of the current language.
void LoadVocabulary();

} // namespace kvn
