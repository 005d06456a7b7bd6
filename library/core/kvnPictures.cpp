#include "kvnPictures.h"

#include <gif_lib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <memory>

#include "kvnMessages.h"

namespace kvn {

namespace {

constexpr std::uint32_t kTransparent = 0;
constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t Rgb(unsigned r, unsigned g, unsigned b)
{
    return kOpaque | (r << 16) | (g << 8) | b;
}

// A blank (transparent) picture, after checking the size against the limits.
TKvnPicture NewPicture(std::int64_t width, std::int64_t height, const char* kind)
{
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide ||
        width * height > kMaxPicturePixels)
        throw EKvnError(std::string(kind) + " picture has an unusable size");
    TKvnPicture picture;
    picture.Width = static_cast<int>(width);
    picture.Height = static_cast<int>(height);
    picture.Pixels.assign(static_cast<std::size_t>(width * height), kTransparent);
    return picture;
}

// ---------------------------------------------------------------------------------------------------------------
// GIF

struct TGifSource {
    const unsigned char* Data;
    std::size_t Size;
    std::size_t Position;
};

int ReadGifBytes(GifFileType* gif, GifByteType* buffer, int length)
{
    auto* source = static_cast<TGifSource*>(gif->UserData);
    std::size_t count = std::min(static_cast<std::size_t>(std::max(length, 0)), source->Size - source->Position);
    std::memcpy(buffer, source->Data + source->Position, count);
    source->Position += count;
    return static_cast<int>(count);
}

struct TGifCloser {
    void operator()(GifFileType* gif) const
    {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};

[[noreturn]] void GifFailed(int error)
{
    const char* reason = GifErrorString(error);
    throw EKvnError(std::string("GIF picture cannot be read: ") + (reason != nullptr ? reason : "unknown error"));
}

} // namespace

TKvnPicture DecodeGif(std::string_view bytes)
{
    TGifSource source{reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), 0};
    int error = 0;
    std::unique_ptr<GifFileType, TGifCloser> gif(DGifOpen(&source, ReadGifBytes, &error));
    if (!gif) GifFailed(error);

    // Only the first frame is wanted, so the records are walked by hand instead of slurping every frame.
    int transparentIndex = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) GifFailed(gif->Error);
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) GifFailed(gif->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                GraphicsControlBlock control{};
                if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
                    transparentIndex = control.TransparentColor;
            }
            while (block != nullptr)
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) GifFailed(gif->Error);
            continue;
        }
        if (type == TERMINATE_RECORD_TYPE) throw EKvnError("GIF picture holds no image");
        if (type != IMAGE_DESC_RECORD_TYPE) GifFailed(D_GIF_ERR_WRONG_RECORD);
        break;
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) GifFailed(gif->Error);

    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colors = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (colors == nullptr || colors->Colors == nullptr) throw EKvnError("GIF picture has no colour table");
    if (frame.Left < 0 || frame.Top < 0 || frame.Width < 1 || frame.Height < 1 || frame.Width > kMaxPictureSide ||
        frame.Height > kMaxPictureSide)
        throw EKvnError("GIF picture has an unusable size");
    // Some writers state a logical screen smaller than the frame; the frame must stay whole.
    std::int64_t width = std::max<std::int64_t>(gif->SWidth, std::int64_t{frame.Left} + frame.Width);
    std::int64_t height = std::max<std::int64_t>(gif->SHeight, std::int64_t{frame.Top} + frame.Height);
    TKvnPicture picture = NewPicture(width, height, "GIF");

    std::vector<std::uint32_t> palette(256, kTransparent);
    for (int i = 0; i < std::min(colors->ColorCount, 256); ++i) {
        const GifColorType& c = colors->Colors[i];
        palette[static_cast<std::size_t>(i)] = Rgb(c.Red, c.Green, c.Blue);
    }
    if (transparentIndex >= 0 && transparentIndex < 256) palette[static_cast<std::size_t>(transparentIndex)] = 0;

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    auto readRow = [&](int row) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) GifFailed(gif->Error);
        std::uint32_t* out = &picture.Pixels[static_cast<std::size_t>(frame.Top + row) * picture.Width + frame.Left];
        for (int x = 0; x < frame.Width; ++x)
            out[x] = palette[line[static_cast<std::size_t>(x)]];
    };
    if (frame.Interlace) {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int row = kStart[pass]; row < frame.Height; row += kStep[pass])
                readRow(row);
    } else {
        for (int row = 0; row < frame.Height; ++row)
            readRow(row);
    }
    return picture;
}

// ---------------------------------------------------------------------------------------------------------------
// Windows bitmaps

namespace {

enum : std::uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };

class TByteReader {
public:
    explicit TByteReader(std::string_view bytes) : fBytes(bytes) {}
    bool Has(std::size_t offset, std::size_t count) const
    {
        return offset <= fBytes.size() && count <= fBytes.size() - offset;
    }
    std::uint8_t U8(std::size_t offset) const { return static_cast<std::uint8_t>(fBytes[offset]); }
    std::uint16_t U16(std::size_t offset) const
    {
        return static_cast<std::uint16_t>(U8(offset) | (U8(offset + 1) << 8));
    }
    std::uint32_t U32(std::size_t offset) const
    {
        return static_cast<std::uint32_t>(U16(offset)) | (static_cast<std::uint32_t>(U16(offset + 2)) << 16);
    }
    std::size_t Size() const { return fBytes.size(); }

private:
    std::string_view fBytes;
};

[[noreturn]] void BmpFailed(const char* reason)
{
    throw EKvnError(std::string("bitmap cannot be read: ") + reason);
}

// Scales the bits of mask in value to 0..255.
unsigned MaskedChannel(std::uint32_t value, std::uint32_t mask)
{
    if (mask == 0) return 0;
    int shift = std::countr_zero(mask);
    std::uint64_t maximum = static_cast<std::uint64_t>(mask) >> shift;
    std::uint64_t channel = (static_cast<std::uint64_t>(value & mask)) >> shift;
    return static_cast<unsigned>(channel * 255 / maximum);
}

struct TBmpHeader {
    std::int64_t Width = 0;
    std::int64_t Height = 0; // always positive; TopDown tells the row order
    bool TopDown = false;
    int BitCount = 0;
    std::uint32_t Compression = kBiRgb;
    std::uint32_t Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    std::vector<std::uint32_t> Palette;
    std::size_t PixelOffset = 0;
};

TBmpHeader ReadBmpHeader(const TByteReader& in)
{
    if (!in.Has(0, 18) || in.U8(0) != 'B' || in.U8(1) != 'M') BmpFailed("no bitmap signature");
    TBmpHeader h;
    std::uint32_t headerSize = in.U32(14);
    std::size_t paletteEntry = 4;
    std::uint32_t colorsUsed = 0;
    if (headerSize == 12) {
        if (!in.Has(14, 12)) BmpFailed("truncated header");
        h.Width = in.U16(18);
        h.Height = in.U16(20);
        h.BitCount = in.U16(24);
        paletteEntry = 3;
    } else if (headerSize >= 40 && headerSize <= 4096) {
        if (!in.Has(14, headerSize)) BmpFailed("truncated header");
        h.Width = static_cast<std::int32_t>(in.U32(18));
        std::int64_t height = static_cast<std::int32_t>(in.U32(22));
        h.TopDown = height < 0;
        h.Height = height < 0 ? -height : height;
        h.BitCount = in.U16(28);
        h.Compression = in.U32(30);
        colorsUsed = in.U32(46);
    } else {
        BmpFailed("unknown header");
    }
    std::size_t afterHeader = 14 + std::size_t{headerSize};

    switch (h.BitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        break;
    case 16:
        h.Masks[0] = 0x7C00;
        h.Masks[1] = 0x03E0;
        h.Masks[2] = 0x001F;
        break;
    case 32:
        h.Masks[0] = 0x00FF0000;
        h.Masks[1] = 0x0000FF00;
        h.Masks[2] = 0x000000FF;
        break;
    default:
        BmpFailed("unsupported bits per pixel");
    }
    bool compressionFits = h.Compression == kBiRgb || (h.Compression == kBiRle8 && h.BitCount == 8) ||
                           (h.Compression == kBiRle4 && h.BitCount == 4) ||
                           (h.Compression == kBiBitfields && (h.BitCount == 16 || h.BitCount == 32));
    // The 64-byte OS/2 header reuses compression 3 for a fax coding, which bitmaps on pages never use.
    if (!compressionFits || (headerSize == 64 && h.Compression == kBiBitfields)) BmpFailed("unsupported compression");
    if (h.TopDown && (h.Compression == kBiRle8 || h.Compression == kBiRle4)) BmpFailed("top-down run-length bitmap");

    if (h.Compression == kBiBitfields) {
        // A plain info header is followed by the three masks; later headers hold them (and alpha) inside.
        constexpr std::size_t at = 14 + 40;
        if (!in.Has(at, 12)) BmpFailed("truncated colour masks");
        if (headerSize == 40) afterHeader += 12;
        for (int i = 0; i < 3; ++i)
            h.Masks[i] = in.U32(at + 4 * static_cast<std::size_t>(i));
        if (headerSize >= 56) h.Masks[3] = in.U32(at + 12);
    }

    if (h.BitCount <= 8) {
        std::size_t count = colorsUsed != 0 ? colorsUsed : std::size_t{1} << h.BitCount;
        count = std::min<std::size_t>(count, std::size_t{1} << h.BitCount);
        if (!in.Has(afterHeader, count * paletteEntry)) BmpFailed("truncated colour table");
        h.Palette.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t at = afterHeader + i * paletteEntry;
            h.Palette.push_back(Rgb(in.U8(at + 2), in.U8(at + 1), in.U8(at)));
        }
        afterHeader += count * paletteEntry;
    }

    // Writers that leave the offset 0 (or point into the headers) put the pixels right after the colour table.
    std::uint32_t offset = in.U32(10);
    h.PixelOffset = offset >= afterHeader ? offset : afterHeader;
    if (h.PixelOffset > in.Size()) BmpFailed("pixel data missing");
    return h;
}

std::uint32_t PaletteColor(const TBmpHeader& h, unsigned index)
{
    // Indexes past a short colour table read as black, as Windows draws them.
    return index < h.Palette.size() ? h.Palette[index] : kOpaque;
}

void DecodeBmpRows(const TByteReader& in, const TBmpHeader& h, TKvnPicture& picture)
{
    std::uint64_t stride = (static_cast<std::uint64_t>(h.Width) * static_cast<std::uint64_t>(h.BitCount) + 31) / 32 * 4;
    if (!in.Has(h.PixelOffset, static_cast<std::size_t>(stride * static_cast<std::uint64_t>(h.Height))))
        BmpFailed("truncated pixel data");
    bool useAlpha = h.Masks[3] != 0;
    bool anyAlpha = false;
    for (std::int64_t row = 0; row < h.Height; ++row) {
        std::size_t at = h.PixelOffset + static_cast<std::size_t>(stride) * static_cast<std::size_t>(row);
        std::int64_t y = h.TopDown ? row : h.Height - 1 - row;
        std::uint32_t* out = &picture.Pixels[static_cast<std::size_t>(y * h.Width)];
        for (std::int64_t x = 0; x < h.Width; ++x) {
            std::size_t ux = static_cast<std::size_t>(x);
            switch (h.BitCount) {
            case 1:
                out[x] = PaletteColor(h, (in.U8(at + ux / 8) >> (7 - ux % 8)) & 1u);
                break;
            case 4:
                out[x] = PaletteColor(h, (in.U8(at + ux / 2) >> (ux % 2 == 0 ? 4 : 0)) & 0x0Fu);
                break;
            case 8:
                out[x] = PaletteColor(h, in.U8(at + ux));
                break;
            case 24:
                out[x] = Rgb(in.U8(at + 3 * ux + 2), in.U8(at + 3 * ux + 1), in.U8(at + 3 * ux));
                break;
            default: {
                std::uint32_t value = h.BitCount == 16 ? in.U16(at + 2 * ux) : in.U32(at + 4 * ux);
                std::uint32_t alpha = useAlpha ? MaskedChannel(value, h.Masks[3]) : 255;
                anyAlpha = anyAlpha || alpha != 0;
                out[x] = (alpha << 24) | (MaskedChannel(value, h.Masks[0]) << 16) |
                         (MaskedChannel(value, h.Masks[1]) << 8) | MaskedChannel(value, h.Masks[2]);
            }
            }
        }
    }
    // Many writers declare an alpha mask and leave it 0 everywhere; such a picture is meant to be opaque.
    if (useAlpha && !anyAlpha)
        for (std::uint32_t& pixel : picture.Pixels)
            pixel |= kOpaque;
}

void DecodeBmpRle(const TByteReader& in, const TBmpHeader& h, TKvnPicture& picture)
{
    bool four = h.Compression == kBiRle4;
    std::size_t at = h.PixelOffset;
    std::int64_t x = 0;
    std::int64_t row = 0; // from the bottom
    auto put = [&](unsigned index) {
        if (x < h.Width && row < h.Height)
            picture.Pixels[static_cast<std::size_t>((h.Height - 1 - row) * h.Width + x)] = PaletteColor(h, index);
        ++x;
    };
    while (row < h.Height) {
        if (!in.Has(at, 2)) return; // a missing end marker ends the picture where the data ends
        unsigned count = in.U8(at);
        unsigned value = in.U8(at + 1);
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0Fu) : value);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (!in.Has(at, 2)) return;
            x += in.U8(at);
            row += in.U8(at + 1);
            at += 2;
        } else {
            std::size_t bytes = four ? (value + 1) / 2 : value;
            if (!in.Has(at, bytes)) BmpFailed("truncated run");
            for (unsigned i = 0; i < value; ++i) {
                unsigned byte = in.U8(at + (four ? i / 2 : i));
                put(four ? (i % 2 == 0 ? byte >> 4 : byte & 0x0Fu) : byte);
            }
            at += bytes + (bytes % 2); // absolute runs are padded to whole words
        }
    }
}

} // namespace

TKvnPicture DecodeBmp(std::string_view bytes)
{
    TByteReader in(bytes);
    TBmpHeader header = ReadBmpHeader(in);
    TKvnPicture picture = NewPicture(header.Width, header.Height, "bitmap");
    if (header.Compression == kBiRle8 || header.Compression == kBiRle4)
        DecodeBmpRle(in, header, picture);
    else
        DecodeBmpRows(in, header, picture);
    return picture;
}

TKvnPicture LoadPicture(const std::string& fileName, bool gif)
{
    std::ifstream file(fileName, std::ios::binary | std::ios::ate);
    if (!file) throw EKvnError("picture file cannot be opened: " + fileName);
    std::streamoff size = file.tellg();
    if (size < 0 || size > kMaxPictureFileSize) throw EKvnError("picture file is too large: " + fileName);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.seekg(0);
    if (!file.read(bytes.data(), size)) throw EKvnError("picture file cannot be read: " + fileName);
    return gif ? DecodeGif(bytes) : DecodeBmp(bytes);
}

} // namespace kvn
