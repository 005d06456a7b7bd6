#include "kvnFlags.h"
#include "kvnNations.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

using namespace kvn;

namespace {

QString CodeText(std::string_view code)
{
    return QString::fromUtf8(code.data(), static_cast<qsizetype>(code.size()));
}

} // namespace

TEST(Flags, EveryNationCodeHasAPicture)
{
    for (std::string_view code : NationCodes()) {
        QPixmap picture = FlagPicture(CodeText(code));
        ASSERT_FALSE(picture.isNull()) << code;
        EXPECT_EQ(picture.size(), QSize(16, 16)) << code;
    }
}

TEST(Flags, NoTwoNationsShareAPicture)
{
    auto codes = NationCodes();
    std::vector<QImage> images;
    for (std::string_view code : codes)
        images.push_back(FlagPicture(CodeText(code)).toImage());
    for (std::size_t i = 0; i < images.size(); ++i) {
        for (std::size_t j = i + 1; j < images.size(); ++j) {
            EXPECT_NE(images[i], images[j]) << codes[i] << " and " << codes[j];
        }
    }
}

TEST(Flags, CodesAreMatchedRegardlessOfCase)
{
    EXPECT_EQ(FlagPicture("sui_ln").toImage(), FlagPicture("SUI_LN").toImage());
    EXPECT_TRUE(FlagPicture("XYZ").isNull());
    EXPECT_TRUE(FlagPicture("").isNull());
}

TEST(Flags, LoadFlagsIndexesFollowImagesAlreadyInTheList)
{
    QList<QPixmap> images(3);
    std::vector<std::string> nations = {"OLD=0"};
    LoadFlags(images, nations);
    const qsizetype count = static_cast<qsizetype>(NationCodes().size());
    ASSERT_EQ(images.size(), 3 + count);
    ASSERT_EQ(nations.size(), static_cast<std::size_t>(1 + count));
    EXPECT_EQ(nations[1], "SUI=3");
    EXPECT_EQ(nations.back(), "SUI_SKBE=" + std::to_string(2 + count));
    int german = FindNationImage(nations, "ger");
    ASSERT_EQ(german, 4);
    EXPECT_EQ(images[german].toImage(), FlagPicture("GER").toImage());
}
