#pragma once

#include <cstdint>

// How a piece of text is placed and styled, on screen and in reports. No flag means the anchor x is the left
// edge of the text.

namespace kvn {

using TTextFlags = std::uint32_t;

enum : TTextFlags {
    tfLeft = 1,    // reports only: explicit left alignment, changes nothing
    tfRight = 2,   // x is the right edge of the text
    tfCenter = 4,  // x is the centre of the text
    tfDecimal = 8, // x is just after the first "." of the text
    tfBold = 16,
    tfItalic = 32,
    tfUnderline = 64, // a line under the text
    tfVertical = 128  // rotated by 90 degrees
};

} // namespace kvn
