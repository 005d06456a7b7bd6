#include "kvnFunctions.h"

#include <gtest/gtest.h>

using namespace kvn;

TEST(SwimTime, ParsesMinutesSecondsAndHundredths)
{
    EXPECT_EQ(StrToSwimTime("1:02.34"), 623040);
    EXPECT_EQ(StrToSwimTime("1:02,34"), 623040);
    EXPECT_EQ(StrToSwimTime(" 1 : 02 . 34 "), 623040);
    // Hours in front are ignored: the fields between the first and the second-last do not count.
    EXPECT_EQ(StrToSwimTime("1:02:03.45"), 600000 + 30000 + 4000 + 50);
}

TEST(SwimTime, MarksMissingHundredths)
{
    EXPECT_EQ(StrToSwimTime("1:02.3"), 623100);
    EXPECT_EQ(StrToSwimTime("1:02,3-"), 623100);
    EXPECT_EQ(StrToSwimTime("58.3"), 583100);
    // A zero time stays "no time" rather than "zero with missing hundredths".
    EXPECT_EQ(StrToSwimTime("0:00.0"), 0);
}

TEST(SwimTime, TextsWithoutTimeGiveZero)
{
    EXPECT_EQ(StrToSwimTime(""), 0);
    EXPECT_EQ(StrToSwimTime("12"), 0);
    EXPECT_EQ(StrToSwimTime("NT"), 0);
    EXPECT_EQ(StrToSwimTime("x:y.z"), 0);
}

TEST(SwimTime, NoTimeMarkerMapsToLargestTime)
{
    EXPECT_EQ(StrToSwimTime("99:99.99"), kMaxSwimTime);
    EXPECT_EQ(StrToSwimTime("99:99,99"), kMaxSwimTime);
    EXPECT_EQ(SwimTimeToStr(kMaxSwimTime, true), "59:59.99");
}

TEST(SwimTime, FormatsToFixedWidth)
{
    EXPECT_EQ(SwimTimeToStr(623040, true), " 1:02.34");
    EXPECT_EQ(SwimTimeToStr(623040, false), " 1:02.3");
    EXPECT_EQ(SwimTimeToStr(583100, true), "   58.3*");
    EXPECT_EQ(SwimTimeToStr(StrToSwimTime("12:05.10"), true), "12:05.10");
    EXPECT_EQ(SwimTimeToStr(StrToSwimTime("45.67"), true), "   45.67");
}

TEST(SwimTime, NoTimeFormatsEmpty)
{
    EXPECT_EQ(SwimTimeToStr(0, true), "");
    EXPECT_EQ(SwimTimeToStr(100, true), "");
    EXPECT_EQ(SwimTimeToStr(10, true), "   00.01");
}

TEST(SwimTime, DifferenceBorrowsATenth)
{
    TSwimTime diff = SwimTimeDiff(623040, 583050);
    EXPECT_EQ(diff, 39090);
    EXPECT_EQ(SwimTimeToStr(diff, true), "   03.99");
}

TEST(SwimTime, DifferenceKeepsMissingHundredthsMissing)
{
    TSwimTime diff = SwimTimeDiff(623040, 583100);
    EXPECT_EQ(diff, 40100);
    EXPECT_EQ(SwimTimeToStr(diff, true), "   04.0*");
}

TEST(SwimTime, RoundTripsEveryHundredthOfAMinute)
{
    for (int hundredths = 1; hundredths < 6000; hundredths += 7) {
        int seconds = hundredths / 100;
        std::string text = "0:" + std::string(seconds < 10 ? "0" : "") + std::to_string(seconds) + "." +
                           std::to_string(hundredths % 100 / 10) + std::to_string(hundredths % 10);
        TSwimTime value = StrToSwimTime(text);
        std::string printed = SwimTimeToStr(value, true);
        EXPECT_EQ(StrToSwimTime(printed), value) << text;
    }
}
