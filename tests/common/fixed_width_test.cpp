// Fixed-width fields: integers and reals right-aligned in their field, '*'
// when too wide, NaN and infinity.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "common/fixed_width.h"
#include "common/unit_file.h"
#include "program_run.h"

namespace {

// The line as a file receives it, less the one line feed that ends it.
std::string text_of(const common::fixed_line& line) {
    static const std::filesystem::path path = test_support::make_scratch_dir("fixed_width") / "line.txt";
    {
        common::unit_file file(30, path.string());
        file.open();
        line.write_to(file);
        file.close();
    }
    std::string text = test_support::read_file(path);
    EXPECT_TRUE(text.ends_with('\n')) << text;
    if (!text.empty()) text.pop_back();
    return text;
}

TEST(fixed_width, integers_reals_and_overflow) {
    struct {
        std::string got, want;
    } cases[] = {
        {text_of(common::fixed_line().integer(5, 3)), "  5"},
        {text_of(common::fixed_line().integer(-42, 6)), "   -42"},
        {text_of(common::fixed_line().integer(1234567890, 9)), "*********"},
        {text_of(common::fixed_line().integer(-1000, 4)), "****"},
        {text_of(common::fixed_line().real(0.001f, 10, 6)), "  0.001000"},
        {text_of(common::fixed_line().real(30.0f, 10, 6)), " 30.000000"},
        {text_of(common::fixed_line().real(2.5, 10, 6)), "  2.500000"},
        {text_of(common::fixed_line().real(-0.25, 6, 2)), " -0.25"},
        {text_of(common::fixed_line().real(12345.0, 6, 2)), "******"},
        {text_of(common::fixed_line().integer(10, 6).real(30.0f, 10, 6).real(0.01f, 10, 6).real(0.001f, 10, 6)),
         "    10 30.000000  0.010000  0.001000"},
    };
    for (auto& c : cases) EXPECT_EQ(c.got, c.want);
}

// The char-buffer forms against the C library: "%*lld" when the value fits
// its field, '*' over the whole field when it does not, and "%lld" for the
// field of as many characters as the value needs; the string form appends the
// same field.
TEST(fixed_width, char_buffer_integer_fields_match_snprintf) {
    std::vector<int64_t> values = {0,         1,         -1,        9,         10,           -9,      -10,
                                   99,        100,       127,       -128,      999999,       1000000, -999999999,
                                   INT32_MAX, INT32_MIN, INT64_MAX, INT64_MIN, INT64_MIN + 1};
    for (int64_t p = 1; p < INT64_MAX / 10; p *= 10)
        for (int64_t d : {p - 1, p, p + 1}) values.insert(values.end(), {d, -d});
    std::mt19937_64 random(17);
    for (int i = 0; i < 20000; ++i) values.push_back(static_cast<int64_t>(random()) >> (random() % 64));
    for (const int64_t v : values) {
        char want[64], got[64];
        const int n = std::snprintf(want, sizeof want, "%lld", static_cast<long long>(v));
        EXPECT_EQ(std::string(got, common::put_int(got, v)), std::string(want, static_cast<size_t>(n))) << v;
        for (int width : {0, 1, 3, 6, 10, 12, 14, 20, 22}) {
            std::string field;
            if (n <= width) {
                std::snprintf(want, sizeof want, "%*lld", width, static_cast<long long>(v));
                field = want;
            } else {
                field.assign(static_cast<size_t>(width), '*');
            }
            char* end = common::put_fixed_int(got, v, width);
            EXPECT_EQ(std::string(got, end), field) << v << " in " << width;
            std::string appended = "x";
            common::append_fixed_int(appended, v, width);
            EXPECT_EQ(appended, "x" + field) << v << " in " << width;
        }
    }
}

// The digits of a real are the C library's "%.*f"; what the field adds is
// tested here: the '*' fill of a value too wide (also one that rounding
// widens, or that its minus sign widens), and the texts of NaN and infinity.
TEST(fixed_width, reals_too_wide_nan_and_infinity) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct {
        double value;
        int width, decimals;
        const char* want;
    } cases[] = {
        {9.9999996, 9, 6, "10.000000"},  // rounding adds a digit that still fits
        {9.9999996, 8, 6, "********"},   // ... and one that does not
        {9.9999994, 8, 6, "9.999999"},
        {-1.5, 5, 2, "-1.50"},
        {-1.5, 4, 2, "****"},  // the minus sign makes it too wide
        {-0.004, 6, 2, " -0.00"},
        {123.0, 3, 0, "123"},
        {1234.0, 3, 0, "***"},
        {nan, 10, 6, "       NaN"},
        {nan, 3, 6, "NaN"},
        {nan, 2, 6, "**"},
        {inf, 10, 6, "  Infinity"},
        {-inf, 10, 6, " -Infinity"},
        {-inf, 8, 6, "********"},
        {2.5, 0, 2, ""},  // a field of no width holds nothing
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text_of(common::fixed_line().real(c.value, c.width, c.decimals)), c.want)
            << c.value << " in " << c.width << "." << c.decimals;
    }
}

}  // namespace
