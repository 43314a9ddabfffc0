// unif2 and the streams of a source: the constants, the worked values, the
// seeding edge cases, the re-seeding every million reads and the range of the
// values.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "fragsim/random_stream.h"

namespace {

using namespace fragsim;

// One step of each congruential generator, exactly (a * x mod m).
int32_t next_lcg1(int32_t x) { return static_cast<int32_t>(int64_t{40014} * x % 2147483563); }
int32_t next_lcg2(int32_t x) { return static_cast<int32_t>(int64_t{40692} * x % 2147483399); }

unif2_state stream_from(int32_t lcg1) {
    unif2_state s;
    set_up_stream(s, lcg1);
    return s;
}

TEST(unif2, constants_are_the_stated_doubles) {
    EXPECT_EQ(unif2_constants::scale, 1.0 / 2147483563.0);
    EXPECT_EQ(unif2_constants::cap, 1.0 - static_cast<double>(1.2e-7f));
}

TEST(unif2, first_calls_from_lcg1_minus_one) {
    struct step {
        double value;
        int32_t lcg1, lcg2, lastout;
    };
    const step steps[] = {
        {0.3726037580852022, 887926675, 40692, 800160446},
        {0.5685183500517438, 1529907178, 1655838864, 1220883812},
        {0.08292818211433267, 1539373614, 2103410263, 178086908},
    };
    unif2_state s = stream_from(-1);
    for (const step& e : steps) {
        EXPECT_EQ(unif2(s), e.value);
        EXPECT_EQ(s.lcg1, e.lcg1);
        EXPECT_EQ(s.lcg2, e.lcg2);
        EXPECT_EQ(s.lastout, e.lastout);
        const int32_t table_head[4] = {244051974, 2033420485, 1489837691, 800201138};
        for (int i = 0; i < 4; ++i) EXPECT_EQ(s.shuffle[i], table_head[i]) << "entry " << i + 1;
    }
}

TEST(unif2, first_site_value_of_source_one_with_seed_zero) {
    source_streams st;
    set_up_source_streams(st, 0, 1, 1);
    EXPECT_EQ(unif2(st.SITESTREAM), 0.41570311707200713);
    EXPECT_EQ(unif2(st.READSTREAM), 0.3726037580852022);
}

TEST(unif2, seed_sums_of_zero_and_minimum_seed_like_one) {
    // -(seed + K) = 0 (seed -1, source 1) and lcg1 = -2^31 both start the warm-up from 1.
    source_streams zero_sum;
    set_up_source_streams(zero_sum, -1, 1, 5);
    unif2_state from_min = stream_from(std::numeric_limits<int32_t>::min());
    unif2_state from_one = stream_from(-1);
    for (int i = 0; i < 50; ++i) {
        const double expected = unif2(from_one);
        EXPECT_EQ(unif2(zero_sum.READSTREAM), expected);
        EXPECT_EQ(unif2(from_min), expected);
    }
}

TEST(unif2, negative_seed_beyond_the_source_skips_seeding) {
    // seed -10, source 3: lcg1 = 7 > 0, the table stays 0 and every value is
    // (2147483562 - lcg2) * scale with lcg2 stepping from 123456789.
    source_streams st;
    set_up_source_streams(st, -10, 3, 2);
    EXPECT_EQ(st.READSTREAM.lcg1, 7);
    EXPECT_EQ(st.SITESTREAM.lcg1, 5);
    int32_t lcg1 = 7, lcg2 = 123456789;
    for (int i = 0; i < 100; ++i) {
        lcg1 = next_lcg1(lcg1);
        lcg2 = next_lcg2(lcg2);
        EXPECT_EQ(unif2(st.READSTREAM), static_cast<double>(2147483562 - lcg2) * unif2_constants::scale);
        EXPECT_EQ(st.READSTREAM.lcg1, lcg1);
        for (int32_t e : st.READSTREAM.shuffle) ASSERT_EQ(e, 0);
    }
}

TEST(unif2, source_set_up_and_wrapped_sums) {
    struct row {
        int32_t seed, source, sources, read_lcg1, site_lcg1;
    };
    const row rows[] = {
        {0, 1, 1, -1, -2},
        {12345, 7, 16, -12352, -12368},
        // 2147483647 + 1 wraps to -2^31, whose negation is -2^31 again.
        {2147483647, 1, 1, std::numeric_limits<int32_t>::min(), 2147483647},
        {-5, 5, 3, 0, -3},
    };
    for (const row& r : rows) {
        source_streams st;
        set_up_source_streams(st, r.seed, r.source, r.sources);
        EXPECT_EQ(st.READSTREAM.lcg1, r.read_lcg1) << r.seed;
        EXPECT_EQ(st.SITESTREAM.lcg1, r.site_lcg1) << r.seed;
        EXPECT_EQ(st.READSTREAM.lcg2, 123456789);
        EXPECT_EQ(st.READSTREAM.lastout, 0);
    }
}

TEST(unif2, reseeding_every_million_reads) {
    const int32_t seed = 99, source = 4, sources = 10;
    source_streams st;
    set_up_source_streams(st, seed, source, sources);
    for (int i = 0; i < 7; ++i) unif2(st.READSTREAM);
    const unif2_state before = st.READSTREAM;

    reseed_after_read(st.READSTREAM, seed, source, sources, 999999);
    EXPECT_EQ(st.READSTREAM.lcg1, before.lcg1);
    EXPECT_EQ(st.READSTREAM.lastout, before.lastout);

    // At 1,000,000 the stream starts where SITESTREAM started.
    reseed_after_read(st.READSTREAM, seed, source, sources, 1000000);
    EXPECT_EQ(st.READSTREAM.lcg1, -(seed + source + sources));
    EXPECT_EQ(st.READSTREAM.lcg2, 123456789);
    EXPECT_EQ(st.READSTREAM.lastout, 0);
    for (int32_t e : st.READSTREAM.shuffle) EXPECT_EQ(e, 0);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(unif2(st.READSTREAM), unif2(st.SITESTREAM));

    reseed_after_read(st.READSTREAM, seed, source, sources, 1000001);
    EXPECT_NE(st.READSTREAM.lcg1, -(seed + source + sources));
    reseed_after_read(st.READSTREAM, seed, source, sources, 2000000);
    EXPECT_EQ(st.READSTREAM.lcg1, -(seed + source + 2 * sources));

    // The sum wraps in 32 bits: 2147483600 + 1 + 100 * 2 passes 2^31.
    unif2_state w;
    reseed_after_read(w, 2147483600, 1, 100, 2000000);
    EXPECT_EQ(w.lcg1, -static_cast<int32_t>(static_cast<uint32_t>(2147483600) + 201u));
}

TEST(unif2, table_entry_33_is_taken_as_entry_32) {
    // A lastout above 2147483583 would pick entry 33; entry 32 is used.
    for (int32_t lastout : {2147483584, 2147483647}) {
        unif2_state s = stream_from(5);  // positive: no seeding
        for (int i = 0; i < 32; ++i) s.shuffle[i] = 1000000 * (i + 1);
        s.lastout = lastout;
        const int32_t lcg2 = next_lcg2(123456789);
        unif2(s);
        EXPECT_EQ(s.lastout, 32000000 - lcg2 + 2147483562) << lastout;
    }
    // The largest lastout of an ordinary entry still picks entry 32 itself.
    unif2_state s = stream_from(5);
    for (int i = 0; i < 32; ++i) s.shuffle[i] = 2000000000 - i;
    s.lastout = 2147483583;
    unif2(s);
    EXPECT_EQ(s.lastout, 2000000000 - 31 - next_lcg2(123456789));
}

TEST(unif2, values_stay_inside_zero_and_one) {
    // A table entry equal to the next lcg2 gives the largest integer, which is capped.
    unif2_state s = stream_from(5);
    for (int32_t& e : s.shuffle) e = next_lcg2(123456789);
    EXPECT_EQ(unif2(s), unif2_constants::cap);
    EXPECT_EQ(s.lastout, 2147483562);

    // A long run of an ordinary stream stays within [scale, cap].
    unif2_state r = stream_from(-12345);
    for (int i = 0; i < 200000; ++i) {
        const double u = unif2(r);
        ASSERT_GE(u, unif2_constants::scale);
        ASSERT_LE(u, unif2_constants::cap);
    }
}

}  // namespace
