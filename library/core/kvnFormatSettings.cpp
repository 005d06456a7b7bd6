#include "kvnFormatSettings.h"

namespace kvn {

namespace {

bool IsBlank(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) > ' ') return false;
    return true;
}

} // namespace

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings;
    return settings;
}

void FixSeparators()
{
    // Some systems are set up with a space as separator, which makes dates and times hard to read in lists.
    TFormatSettings& settings = FormatSettings();
    if (IsBlank(settings.TimeSeparator)) settings.TimeSeparator = ":";
    if (IsBlank(settings.DateSeparator)) settings.DateSeparator = ".";
}

} // namespace kvn
