// The wall-time line: its layout from one reading of the clock.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "common/wall_time.h"

namespace {

TEST(wall_time, line_layout) {
    setenv("TZ", "UTC", 1);
    tzset();
    // 2026-12-09 14:19:18.123 UTC
    EXPECT_EQ(common::wall_time_text(1796825958, 123456), " Wall time: 12-09-2026  14h 19m 18s 123");
    EXPECT_EQ(common::wall_time_text(1796825958, 123456).size(), 39u);
    // 0.9995 s past midnight on 1 January 2027: milliseconds are cut.
    EXPECT_EQ(common::wall_time_text(1798761600, 999500), " Wall time: 01-01-2027  00h 00m 00s 999");
}

}  // namespace
