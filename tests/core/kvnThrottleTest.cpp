#include "kvnThrottle.h"

#include <gtest/gtest.h>

using namespace kvn;
using namespace std::chrono_literals;

TEST(ProgressThrottle, ShowsNewTextsAtMostOncePerInterval)
{
    std::chrono::steady_clock::time_point now{};
    TProgressThrottle throttle(50ms, [&] { return now; });
    EXPECT_TRUE(throttle.ShouldShow("100 lines read..."));  // the first report shows at once
    now += 10ms;
    EXPECT_FALSE(throttle.ShouldShow("200 lines read...")); // too soon
    now += 45ms;
    EXPECT_FALSE(throttle.ShouldShow("100 lines read...")); // unchanged text is never shown again
    EXPECT_TRUE(throttle.ShouldShow("300 lines read..."));
    throttle.Reset();
    EXPECT_TRUE(throttle.ShouldShow("300 lines read...")); // a new job starts afresh
}
