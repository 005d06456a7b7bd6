#include "kvnJpeg.h"

#include "kvnMessages.h"
#include "testSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace kvn;

namespace {

std::string ShippedLogo()
{
    return kvntest::ReadFile(VELTRO_SOURCE_DIR "/resources/logo/logo.jpg");
}

// The logo with the size of its frame header (the SOF0 marker) replaced.
std::string WithStatedSize(std::string jpeg, unsigned width, unsigned height)
{
    std::size_t marker = jpeg.find("\xFF\xC0");
    if (marker == std::string::npos) return {};
    jpeg[marker + 5] = static_cast<char>(height >> 8);
    jpeg[marker + 6] = static_cast<char>(height & 0xFF);
    jpeg[marker + 7] = static_cast<char>(width >> 8);
    jpeg[marker + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

} // namespace

TEST(Jpeg, ShippedLogoDecodesToItsDesignedSizeAndColours)
{
    std::string logo = ShippedLogo();
    ASSERT_FALSE(logo.empty());
    TKvnPicture picture = DecodeJpeg(logo);
    ASSERT_EQ(picture.Width, 430);
    ASSERT_EQ(picture.Height, 160);
    ASSERT_EQ(picture.Pixels.size(), 430u * 160u);
    // White background in the top right corner, the blue tile of the emblem at the left; JPEG is lossy, so only
    // roughly.
    std::uint32_t corner = picture.At(425, 4);
    EXPECT_GT((corner >> 16) & 0xFF, 240u);
    EXPECT_GT(corner & 0xFF, 240u);
    std::uint32_t tile = picture.At(30, 60);
    EXPECT_EQ(tile >> 24, 0xFFu);
    EXPECT_GT(tile & 0xFF, ((tile >> 16) & 0xFF) + 60);
}

TEST(Jpeg, DamagedDataIsRefusedInsteadOfShownHalfGrey)
{
    std::string logo = ShippedLogo();
    ASSERT_FALSE(logo.empty());
    EXPECT_THROW(DecodeJpeg(""), EKvnError);
    EXPECT_THROW(DecodeJpeg("GIF89a this is no JPEG"), EKvnError);
    EXPECT_THROW(DecodeJpeg(logo.substr(0, logo.size() / 2)), EKvnError);
    std::string corrupt = logo;
    for (std::size_t i = logo.size() / 2; i < logo.size() / 2 + 64; ++i)
        corrupt[i] = '\xFF';
    EXPECT_THROW(DecodeJpeg(corrupt), EKvnError);
}

TEST(Jpeg, ForgedHugeSizeIsRefusedBeforeAllocating)
{
    std::string forged = WithStatedSize(ShippedLogo(), 60000, 60000);
    ASSERT_FALSE(forged.empty());
    try {
        DecodeJpeg(forged);
        FAIL() << "a 60000 x 60000 picture was accepted";
    } catch (const EKvnError& error) {
        EXPECT_NE(std::string(error.what()).find("too large"), std::string::npos) << error.what();
    }
}
