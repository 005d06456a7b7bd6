#include "kvnJpeg.h"

#include "kvnMessages.h"

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace kvn {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return; it jumps back to the decoder, which then
// throws. No object with a destructor lives between setjmp and the jump.
struct TJpegErrors {
    jpeg_error_mgr Manager;
    std::jmp_buf Return;
    char Message[JMSG_LENGTH_MAX];
    bool Damaged;
};

[[noreturn]] void JpegFailed(j_common_ptr info)
{
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->Message);
    std::longjmp(errors->Return, 1);
}

// Warnings (level -1) are how libjpeg reports data that ends early or is corrupt; it then fills the rest grey.
void JpegMessage(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    if (level < 0 && !errors->Damaged) {
        errors->Damaged = true;
        (*info->err->format_message)(info, errors->Message);
    }
}

void OutputNothing(j_common_ptr) {}

// Decodes into picture; false with errors.Message set when libjpeg gives up or warns. Kept free of objects with
// destructors apart from the ones made before setjmp, so that the jump leaves nothing behind.
bool Decode(std::string_view bytes, TKvnPicture& picture, std::vector<unsigned char>& row, TJpegErrors& errors)
{
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&errors.Manager);
    errors.Manager.error_exit = JpegFailed;
    errors.Manager.emit_message = JpegMessage;
    errors.Manager.output_message = OutputNothing;
    errors.Damaged = false;
    errors.Message[0] = '\0';
    if (setjmp(errors.Return) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (info.image_width < 1 || info.image_height < 1 || info.image_width > unsigned(kMaxPictureSide) ||
        info.image_height > unsigned(kMaxPictureSide) ||
        std::int64_t{info.image_width} * info.image_height > kMaxPicturePixels) {
        std::snprintf(errors.Message, sizeof errors.Message, "picture of %u x %u pixels is too large", info.image_width,
                      info.image_height);
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    picture.Width = static_cast<int>(info.output_width);
    picture.Height = static_cast<int>(info.output_height);
    picture.Pixels.resize(static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height));
    row.resize(static_cast<std::size_t>(info.output_width) * static_cast<std::size_t>(info.output_components));
    while (info.output_scanline < info.output_height && !errors.Damaged) {
        std::size_t y = info.output_scanline;
        JSAMPROW rows[] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        std::uint32_t* pixel = &picture.Pixels[y * static_cast<std::size_t>(picture.Width)];
        for (std::size_t x = 0; x < info.output_width; ++x, ++pixel) {
            const unsigned char* rgb = &row[x * 3];
            *pixel = 0xFF000000u | (std::uint32_t{rgb[0]} << 16) | (std::uint32_t{rgb[1]} << 8) | rgb[2];
        }
    }
    if (!errors.Damaged) jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return !errors.Damaged;
}

} // namespace

TKvnPicture DecodeJpeg(std::string_view bytes)
{
    if (bytes.empty()) throw EKvnError("JPEG picture cannot be read: no data");
    TKvnPicture picture;
    std::vector<unsigned char> row;
    TJpegErrors errors;
    if (!Decode(bytes, picture, row, errors))
        throw EKvnError(std::string("JPEG picture cannot be read: ") + errors.Message);
    return picture;
}

} // namespace kvn
