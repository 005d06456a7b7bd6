#include "kvnSwimLang.h"

#include "kvnLanguage.h"

#include <utility>

namespace kvn {

TSwimVocabulary& SwimVocabulary()
{
    static TSwimVocabulary vocabulary;
    return vocabulary;
}

void LoadVocabulary(const TTextSource& source)
{
    // Built aside and assigned at once, so a source that throws leaves the previous language in force.
    TSwimVocabulary loaded;
    if (source) {
        auto text = [&](int n) { return source("S", n, 0); };
        loaded.RelayPrefixes = text(1);
        loaded.StrokeNames = text(2);
        loaded.GenderNames = text(3);
        loaded.OpenAgeGroup = text(7);
        loaded.AgeRange = text(9);
        loaded.AgeUpTo = text(10);
        loaded.AgeFrom = text(11);
        loaded.RelayStrokeNames = text(28);
        loaded.NumberedTeam = text(29);
        loaded.RoundNames = text(40);
    }
    SwimVocabulary() = std::move(loaded);
}

void LoadVocabulary()
{
    LoadVocabulary([](std::string_view section, int n, int field) { return GetLanguage().GetText(section, n, field); });
}

} // namespace kvn
