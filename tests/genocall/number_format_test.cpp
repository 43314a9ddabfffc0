// The VCF number fields against the C library's own "%4.3f" and "%d".
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "genocall/number_format.h"
#include "genocall_texts.h"

namespace {

using genocall_test::fixed3;

std::string libc(double v) {
    char text[400];
    const int n = std::snprintf(text, sizeof text, "%4.3f", v);
    return std::string(text, static_cast<size_t>(n));
}

// Checks v, its neighbours and its negation; counts mismatches so one failure
// does not flood the log.
int check(double v) {
    int wrong = 0;
    const double near[] = {v, std::nextafter(v, -INFINITY), std::nextafter(v, INFINITY)};
    for (double x : near)
        for (double y : {x, -x})
            if (fixed3(y) != libc(y)) {
                if (++wrong <= 5)
                    ADD_FAILURE() << "value " << std::hexfloat << y << ": " << fixed3(y) << " vs " << libc(y);
            }
    return wrong;
}

TEST(put_fixed3, matches_snprintf_on_special_values) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double v : {0.0,
                     -0.0,
                     inf,
                     -inf,
                     nan,
                     -nan,
                     std::numeric_limits<double>::denorm_min(),
                     -std::numeric_limits<double>::denorm_min(),
                     std::numeric_limits<double>::min(),
                     std::numeric_limits<double>::max(),
                     -std::numeric_limits<double>::max(),
                     0.0005,
                     0.0015,
                     0.0625,
                     0.1875,
                     2.5e-4,
                     1e300,
                     4503599627370496.0,
                     4503599627370495.5,
                     9007199254740993.0})
        EXPECT_EQ(libc(v), fixed3(v)) << std::hexfloat << v;
    EXPECT_EQ(" nan", fixed3(nan));
    EXPECT_EQ("-nan", fixed3(-nan));
    EXPECT_EQ(" inf", fixed3(inf));
    EXPECT_EQ("-0.000", fixed3(-0.0));
}

TEST(put_fixed3, matches_snprintf_on_a_large_sweep) {
    int wrong = 0;
    // Every thousandth and every halfway point up to 100, with neighbours.
    for (int k = 0; k <= 100000 && wrong == 0; ++k) {
        wrong += check(k / 1000.0);
        wrong += check((k + 0.5) / 1000.0);
    }
    // Exact binary halfway cases: multiples of 2^-4 .. 2^-12.
    for (int shift = 4; shift <= 12; ++shift)
        for (int k = 0; k < 20000; ++k) wrong += check(std::ldexp(k, -shift));
    // Random values in [0, 2), random bit patterns of every magnitude, powers of two.
    std::mt19937_64 random(12345);
    std::uniform_real_distribution<double> unit(0.0, 2.0);
    for (int i = 0; i < 200000; ++i) wrong += check(unit(random));
    for (int i = 0; i < 100000; ++i) {
        uint64_t bits = random();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        wrong += check(v);
    }
    for (int e = -1074; e <= 1023; ++e) wrong += check(std::ldexp(1.0, e));
    EXPECT_EQ(0, wrong);
}

TEST(put_int, matches_snprintf) {
    for (int32_t v : {0, 1, -1, 9, 10, 255, 1000, -2147483647 - 1, 2147483647}) {
        char text[16];
        char expected[16];
        std::snprintf(expected, sizeof expected, "%d", v);
        EXPECT_EQ(std::string(expected), std::string(text, genocall::put_int(text, v)));
    }
}

}  // namespace
