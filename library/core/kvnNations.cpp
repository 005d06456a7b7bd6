#include "kvnNations.h"

#include "kvnEncoding.h"
#include "kvnStrings.h"

namespace kvn {

namespace {

// Regional associations follow the nations; a club's picture is found by its nation, "_" and its own code.
constexpr std::string_view kNationCodes[] = {
    "SUI", "GER", "AUT",      "BEL",    "BUL",     "DEN",    "ESP",      "EST",     "FIN",      "FRA", "GBR",
    "GRE", "HUN", "IRL",      "ISL",    "ISR",     "ITA",    "LAT",      "LIE",     "LTU",      "LUX", "MKD",
    "MON", "NED", "NOR",      "POL",    "POR",     "ROM",    "RUS",      "SLO",     "SVK",      "SWE", "TUR",
    "UKR", "YUG", "SUI_BUEL", "SUI_LN", "SUI_RFN", "SUI_RN", "SUI_SCBU", "SUI_SCU", "SUI_SKBE",
};

} // namespace

std::span<const std::string_view> NationCodes()
{
    return kNationCodes;
}

std::string NationListLine(std::string_view code, int imageIndex)
{
    return std::string(code) + "=" + IntToStr(imageIndex);
}

int FindNationImage(const std::vector<std::string>& nationList, std::string_view name)
{
    if (name.empty()) return -1;
    std::string wanted = Utf8Upper(name);
    for (const std::string& line : nationList) {
        // The index follows the last "=", so a name holding "=" still reads whole.
        std::size_t separator = line.rfind('=');
        if (separator == std::string::npos) continue;
        if (Utf8Upper(std::string_view(line).substr(0, separator)) != wanted) continue;
        int index = -1;
        if (TryStrToInt(std::string_view(line).substr(separator + 1), index) && index >= 0) return index;
    }
    return -1;
}

} // namespace kvn
