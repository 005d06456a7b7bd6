#include "kvnDateTime.h"

#include <gtest/gtest.h>

using namespace kvn;

TEST(DateTime, OriginAndKnownDays)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 9)), 4); // a Wednesday
    EXPECT_EQ(DayOfWeek(0), 7);                       // the origin was a Saturday
}

TEST(DateTime, RejectsImpossibleDates)
{
    TDateTime date = 123;
    EXPECT_FALSE(TryEncodeDate(2005, 2, 29, date));
    EXPECT_FALSE(TryEncodeDate(2005, 13, 1, date));
    EXPECT_FALSE(TryEncodeDate(2005, 4, 31, date));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, date));
    EXPECT_EQ(date, 123);
    EXPECT_TRUE(TryEncodeDate(2004, 2, 29, date));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, date));
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, date));
}

TEST(DateTime, DecodeRoundTripsAcrossCenturies)
{
    for (int year : {1, 1600, 1899, 1900, 1999, 2000, 2004, 2100, 9999}) {
        for (int month = 1; month <= 12; ++month) {
            int day = DaysInMonth(year, month);
            int y = 0, m = 0, d = 0;
            DecodeDate(EncodeDate(year, month, day), y, m, d);
            EXPECT_EQ(y, year);
            EXPECT_EQ(m, month);
            EXPECT_EQ(d, day);
        }
    }
}

TEST(DateTime, TimeOfDay)
{
    TDateTime time = 0;
    ASSERT_TRUE(TryEncodeTime(14, 30, 5, 0, time));
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(EncodeDate(2005, 3, 12) + time, h, n, s, ms);
    EXPECT_EQ(h, 14);
    EXPECT_EQ(n, 30);
    EXPECT_EQ(s, 5);
    EXPECT_EQ(ms, 0);
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, time));
    EXPECT_FALSE(TryEncodeTime(12, 60, 0, 0, time));
}

TEST(DateTime, BeforeTheOriginTheFractionIsStillTheTimeOfDay)
{
    int y = 0, m = 0, d = 0, h = 0, n = 0, s = 0, ms = 0;
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(y, 1899);
    EXPECT_EQ(h, 6);
}
