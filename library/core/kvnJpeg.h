#pragma once

#include "kvnPictures.h"

#include <string_view>

// JPEG pictures (the start-up screen's logo), decoded through libjpeg into the same plain pixels as the printed
// pictures.

namespace kvn {

// The picture of a baseline or progressive JPEG in grey or colour, every pixel opaque. Throws EKvnError for data
// that is not a whole, readable JPEG (a truncated or corrupt one too, instead of showing it half grey) and for a
// picture beyond kMaxPictureSide or kMaxPicturePixels, which is refused before its pixels are allocated.
TKvnPicture DecodeJpeg(std::string_view bytes);

} // namespace kvn
