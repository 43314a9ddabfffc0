#include <gtest/gtest.h>

#include <cstdio>

#include "common/fixed_width.h"

namespace {

TEST(fixed_width, integers_reals_and_overflow) {
    struct {
        std::string got, want;
    } cases[] = {
        {common::fixed_line().integer(5, 3).str(), "  5"},
        {common::fixed_line().integer(-42, 6).str(), "   -42"},
        {common::fixed_line().integer(1234567890, 9).str(), "*********"},
        {common::fixed_line().integer(-1000, 4).str(), "****"},
        {common::fixed_line().real(0.001f, 10, 6).str(), "  0.001000"},
        {common::fixed_line().real(30.0f, 10, 6).str(), " 30.000000"},
        {common::fixed_line().real(2.5, 10, 6).str(), "  2.500000"},
        {common::fixed_line().real(-0.25, 6, 2).str(), " -0.25"},
        {common::fixed_line().real(12345.0, 6, 2).str(), "******"},
        {common::fixed_line().integer(10, 6).real(30.0f, 10, 6).real(0.01f, 10, 6).real(0.001f, 10, 6).str(),
         "    10 30.000000  0.010000  0.001000"},
    };
    for (auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(fixed_width, reals_match_the_c_library_rounding) {
    for (int i = -20000; i <= 20000; i += 7) {
        double v = i / 997.0;
        char want[64];
        std::snprintf(want, sizeof want, "%12.6f", v);
        EXPECT_EQ(common::fixed_line().real(v, 12, 6).str(), want);
    }
}

}  // namespace
