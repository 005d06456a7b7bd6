#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Pictures printed on report pages: the first frame of a GIF (through giflib) or a Windows bitmap (read here),
// decoded into plain 32-bit pixels that any canvas can draw.

namespace kvn {

// A decoded picture: Width x Height pixels, rows from the top, each pixel 0xAARRGGBB (alpha 0 is transparent).
struct TKvnPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;

    // The pixel at column x and row y; both must lie inside the picture.
    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

// Largest side, and largest number of pixels, that a picture may have; bigger ones are refused before any
// allocation, so a forged header cannot exhaust memory.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 25;

// Largest picture file read, in bytes.
inline constexpr std::int64_t kMaxPictureFileSize = std::int64_t{64} << 20;

// The first frame of a GIF image on its logical screen; pixels outside the frame and of the transparent colour
// are transparent. Throws EKvnError for data that is not a readable GIF.
TKvnPicture DecodeGif(std::string_view bytes);

// A Windows bitmap: core or info headers up to version 5, 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed,
// run-length encoded (8 and 4 bits) or with bit fields; pixels that a run-length bitmap skips are transparent.
// Throws EKvnError for data that is not a readable bitmap.
TKvnPicture DecodeBmp(std::string_view bytes);

// Reads a picture file, as a GIF when gif is set, else as a Windows bitmap; throws EKvnError when the file cannot
// be read or decoded.
TKvnPicture LoadPicture(const std::string& fileName, bool gif);

} // namespace kvn
