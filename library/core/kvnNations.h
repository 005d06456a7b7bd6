#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The nations (and Swiss regional associations) that have a flag picture, and the nation list that maps their
// codes to image indexes: one "CODE=index" line per picture.

namespace kvn {

// The codes that have a flag picture, in the order their pictures are loaded.
std::span<const std::string_view> NationCodes();

// The nation list line of a code and the image index of its picture ("GER=12").
std::string NationListLine(std::string_view code, int imageIndex);

// Image index of the first nation list line whose name equals the given one regardless of letter case, or -1.
int FindNationImage(const std::vector<std::string>& nationList, std::string_view name);

} // namespace kvn
