// The read model on buffered draws: its integer thresholds against the tests
// on the values, lastout by lastout around each threshold, and whole reads
// against the model applied draw by draw with unif2.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fragsim/draw_thresholds.h"
#include "fragsim/read_model.h"
#include "fragsim/stream_ahead.h"

namespace {

using namespace fragsim;

// Every lastout within reach of at, inside 1..largest_out.
template <typename Check>
void around(int64_t at, int64_t reach, const Check& check) {
    for (int64_t v = std::max<int64_t>(1, at - reach); v <= std::min<int64_t>(largest_out, at + reach); ++v)
        check(static_cast<int32_t>(v));
}

TEST(read_model, thresholds_give_the_outcome_of_the_tests_on_the_values) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float rates[] = {0.0f,  1e-30f,     1e-9f, 1e-7f, 0.001f, 0.01f, 0.1f, 0.3f, 0.5f,
                           0.75f, 0.7499999f, 1.0f,  2.0f,  -0.5f,  inf,   -inf, nan,  1e-45f};
    for (const float rate : rates) {
        const read_model rm = read_model_of(rate, rate, 'K');
        const double E = static_cast<double>(rate * 4.0f / 3.0f), miss = static_cast<double>(rate);
        int64_t differ = 0;
        const auto check = [&](int32_t v) {
            const double u = value_of(v);
            differ += (v < rm.error_below) != (u < E);
            differ += (v < rm.missing_below) != (u < miss);
        };
        around(rm.error_below, 1 << 17, check);
        around(rm.missing_below, 1 << 17, check);
        around(1, 1000, check);
        around(largest_out, 1000, check);
        EXPECT_EQ(differ, 0) << "rate " << rate;
    }
}

TEST(read_model, replacement_base_is_the_base_of_the_value) {
    const read_model rm = read_model_of(0.01f, 0.01f, 'K');
    int64_t differ = 0;
    const auto check = [&](int32_t v) {
        differ += replacement_base(rm, v) != "ACGTT"[static_cast<int32_t>(value_of(v) * 4.0 + 1.0) - 1];
    };
    for (const int32_t from : rm.base_from) around(from, 1 << 17, check);
    around(1, 1000, check);
    around(largest_out, 1000, check);
    std::mt19937 random(3);
    for (int i = 0; i < 1000000; ++i) check(static_cast<int32_t>(1 + random() % largest_out));
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(replacement_base(rm, 1), 'A');
    EXPECT_EQ(replacement_base(rm, largest_out), 'T');
}

// Reads of many lengths (longer than a buffer shows at once among them), with
// 'N', lower-case and other bytes, at rates from none to every base hit; the
// stream after each read is where the plain model leaves it.
TEST(read_model, whole_reads_follow_the_model_draw_by_draw) {
    struct row {
        float errate, missrate;
        int32_t m;
    };
    const row rows[] = {{0.001f, 0.001f, 100}, {0.0f, 0.0f, 37},    {0.3f, 0.1f, 150},   {0.75f, 0.5f, 64},
                        {1.0f, 1.0f, 9},       {0.01f, 0.0f, 5000}, {0.0f, 0.02f, 4097}, {0.05f, 0.05f, 1}};
    std::mt19937 random(11);
    for (const row& r : rows) {
        const read_model rm = read_model_of(r.errate, r.missrate, 'K');
        const double E = static_cast<double>(r.errate * 4.0f / 3.0f), miss = static_cast<double>(r.missrate);
        auto ahead = std::make_unique<stream_ahead>();
        ahead->set_up(-(1000 + r.m));
        unif2_state plain;
        set_up_stream(plain, -(1000 + r.m));
        for (int read = 0; read < 200; ++read) {
            std::string bases(static_cast<size_t>(r.m), ' ');
            for (char& b : bases) b = "ACGTNacgn*"[random() % 10];
            std::string want = bases, want_qual(bases.size(), ' ');
            for (size_t i = 0; i < want.size(); ++i) {
                char b = want[i];
                if (unif2(plain) < E && b != 'N') b = "ACGTT"[static_cast<int32_t>(unif2(plain) * 4.0 + 1.0) - 1];
                if (unif2(plain) < miss) b = 'N';
                want[i] = b;
                want_qual[i] = b == 'N' ? '#' : 'K';
            }
            std::string qual(bases.size(), ' ');
            apply_read_model(rm, *ahead, r.m, bases.data(), qual.data());
            ASSERT_EQ(bases, want) << "errate " << r.errate << " m " << r.m << " read " << read;
            ASSERT_EQ(qual, want_qual) << "errate " << r.errate << " m " << r.m << " read " << read;
            unif2_state next = plain;
            unif2(next);
            ASSERT_EQ(ahead->ahead(1)[0], next.lastout) << "stream after read " << read;
        }
    }
}

}  // namespace
