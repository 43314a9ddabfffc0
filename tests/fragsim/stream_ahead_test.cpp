// The block generators of every path against plain unif2 calls: the values
// and the state after each block, from the seeding edge cases, from made-up
// tables with extreme entries, for odd block sizes, and through a stream
// produced ahead that is set up again part-way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "fragsim/stream_ahead.h"
#include "fragsim/stream_blocks.h"

namespace fragsim {
// Test names and messages show a path by its name.
void PrintTo(stream_path path, std::ostream* os) { *os << stream_path_name(path); }
}  // namespace fragsim

namespace {

using namespace fragsim;

// Values per path in the run from the seeding edge cases (fewer in the
// sanitizer builds, which run the same blocks many times slower).
#ifdef STREAM_TEST_VALUES
constexpr int64_t values_per_path = STREAM_TEST_VALUES;
#else
constexpr int64_t values_per_path = 100000000;
#endif

constexpr int32_t int_min = std::numeric_limits<int32_t>::min();
constexpr int32_t int_max = std::numeric_limits<int32_t>::max();

unif2_state stream_from(int32_t lcg1) {
    unif2_state s;
    set_up_stream(s, lcg1);
    return s;
}

// Every field of the two states is the same.
::testing::AssertionResult same_state(const unif2_state& a, const unif2_state& b) {
    if (a.lcg1 != b.lcg1) return ::testing::AssertionFailure() << "lcg1 " << a.lcg1 << " vs " << b.lcg1;
    if (a.lcg2 != b.lcg2) return ::testing::AssertionFailure() << "lcg2 " << a.lcg2 << " vs " << b.lcg2;
    if (a.lastout != b.lastout) return ::testing::AssertionFailure() << "lastout " << a.lastout << " vs " << b.lastout;
    for (int i = 0; i < 32; ++i)
        if (a.shuffle[i] != b.shuffle[i]) return ::testing::AssertionFailure() << "table entry " << i + 1;
    return ::testing::AssertionSuccess();
}

// The first place where the blocks differ, or -1.
int64_t first_difference(const std::vector<int32_t>& a, const std::vector<int32_t>& b, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        if (a[static_cast<size_t>(i)] != b[static_cast<size_t>(i)]) return i;
    return -1;
}

// Blocks of the given sizes, in turn, on the path and by plain calls from the
// same state, until values in all; false after the first difference.
bool matches_plain(stream_path path, unif2_state s, const std::vector<int32_t>& sizes, int64_t values,
                   const std::string& what) {
    unif2_state plain = s;
    int32_t largest = 0;
    for (int32_t n : sizes) largest = std::max(largest, n);
    std::vector<int32_t> expected(static_cast<size_t>(largest)), got(static_cast<size_t>(largest));
    int64_t done = 0;
    for (size_t b = 0; done < values; ++b) {
        const int32_t n = sizes[b % sizes.size()];
        produce_block_plain(plain, expected.data(), n);
        produce_block_on(path, s, got.data(), n);
        const int64_t at = first_difference(expected, got, n);
        if (at >= 0) {
            ADD_FAILURE() << what << ": block " << b << " of " << n << " values differs at " << at << " (value "
                          << done + at << "): " << got[static_cast<size_t>(at)] << " instead of "
                          << expected[static_cast<size_t>(at)];
            return false;
        }
        const ::testing::AssertionResult state = same_state(s, plain);
        if (!state) {
            ADD_FAILURE() << what << ": state after block " << b << " of " << n << " values: " << state.message();
            return false;
        }
        done += n;
    }
    return true;
}

class every_path : public ::testing::TestWithParam<stream_path> {
protected:
    void SetUp() override {
        if (!stream_path_supported(GetParam()))
            GTEST_SKIP() << "this build or CPU has no " << stream_path_name(GetParam()) << " path";
    }
};

INSTANTIATE_TEST_SUITE_P(paths, every_path, ::testing::ValuesIn(all_stream_paths),
                         [](const ::testing::TestParamInfo<stream_path>& p) { return stream_path_name(p.param); });

// Stream set-ups that reach every way in and out of seeding. The two seeds
// at the end were found by search: their warm-up leaves 2147483640 (which
// picks entry 33, and is also an lcg1 above m1) and -85 in entry 1.
struct start {
    const char* what;
    int32_t lcg1;
};
const start starts[] = {
    {"seed sum 0", 0},
    {"lcg1 -2^31", int_min},
    {"ordinary negative lcg1", -12345},
    {"positive lcg1 skips seeding, table all 0", 7},
    {"lcg1 2147483563 steps to 0 and seeds on the next call", 2147483563},
    {"lcg1 2147483647 steps into range without seeding", int_max},
    {"first entry 2147483640 picks entry 33", -49309100},
    {"first entry -85", -592169879},
};

TEST_P(every_path, matches_unif2_from_the_seeding_edge_cases) {
    // Mostly blocks of a stream's refill size, with odd ones between them.
    const std::vector<int32_t> sizes = {1, 2, 17, 65536, 4096, 100003, 65536, 65536, 8191, 262147};
    const int64_t per_start = values_per_path / static_cast<int64_t>(std::size(starts)) + 1;
    for (const start& st : starts)
        if (!matches_plain(GetParam(), stream_from(st.lcg1), sizes, per_start, st.what)) return;
}

TEST_P(every_path, odd_block_sizes_from_mid_stream) {
    for (int32_t lcg1 : {-1, -987654321, 7}) {
        for (int32_t n : {1, 2, 17, 4096, 100003}) {
            unif2_state s = stream_from(lcg1);
            for (int i = 0; i < 5; ++i) unif2(s);
            if (!matches_plain(GetParam(), s, {n}, n, "lcg1 " + std::to_string(lcg1) + ", block " + std::to_string(n)))
                return;
        }
    }
}

// Tables no seeding makes, on a steady stream: entries at the ends of the
// 32-bit range and around the entry limits, so that subtractions wrap,
// lastout goes to 0 and below and entry 33 comes up; lcg2 stuck at 0 or
// outside its range; a table whose runs fall into two classes that never
// meet, so that a whole chunk is redone; and a constant table.
TEST_P(every_path, matches_unif2_on_made_up_tables) {
    const int32_t extremes[] = {int_min, int_min + 1, int_min + 86, -86,        -85,        -1,         0,
                                1,       67108861,    67108862,     2147483562, 2147483583, 2147483584, int_max};
    std::mt19937 rng(20240611);
    const std::vector<int32_t> sizes = {65536, 3, 40000};
    for (int t = 0; t < 48; ++t) {
        unif2_state s = stream_from(1 + static_cast<int32_t>(rng() % 2147483562u));
        const int kind = t % 6;
        for (int i = 0; i < 32; ++i) {
            const uint32_t r = static_cast<uint32_t>(rng());
            switch (kind) {
                case 0: s.shuffle[i] = extremes[r % std::size(extremes)]; break;
                case 1:  // near the bottom of the range, so that lcg2 0 leaves lastout below 0
                    s.shuffle[i] = int_min + static_cast<int32_t>(r % 100);
                    break;
                case 2:  // two classes half a range apart
                    s.shuffle[i] = (i < 16 ? 100000000 : 100000000 + (1 << 30)) + static_cast<int32_t>(r % 1000);
                    break;
                case 3: s.shuffle[i] = 123456; break;
                default: s.shuffle[i] = (r & 1) ? extremes[r % std::size(extremes)] : static_cast<int32_t>(r);
            }
        }
        const int32_t lcg2s[] = {0, 1, 2147483398, int_max, -5, static_cast<int32_t>(rng() % 2147483399u)};
        s.lcg2 = lcg2s[(t / 6) % std::size(lcg2s)];
        s.lastout = extremes[static_cast<uint32_t>(rng()) % std::size(extremes)];
        if (!matches_plain(GetParam(), s, sizes, 400000, "made-up table " + std::to_string(t))) return;
    }
}

TEST(stream_paths, the_chosen_path_is_supported) {
    EXPECT_TRUE(stream_path_supported(stream_path::portable));
    EXPECT_TRUE(stream_path_supported(chosen_stream_path()));
}

// A stream produced ahead gives unif2's values whether they are taken one by
// one or seen ahead and taken as runs, and starts again on a new set-up.
TEST(stream_ahead, takes_unif2_values_across_a_new_set_up) {
    auto ahead = std::make_unique<stream_ahead>();
    std::mt19937 rng(7);
    for (int32_t lcg1 : {-1, -2000000001, 7, 2147483563, -49309100}) {
        ahead->set_up(lcg1);
        unif2_state plain = stream_from(lcg1);
        // Up to two refills' worth, then the next set-up comes part-way.
        for (int64_t taken = 0; taken < 3 * stream_ahead::capacity / 2;) {
            switch (rng() % 4) {
                case 0: {
                    const double expected = unif2(plain);
                    ASSERT_EQ(ahead->next(), expected) << "lcg1 " << lcg1 << ", draw " << taken;
                    ++taken;
                    break;
                }
                case 1:
                    unif2(plain);
                    ASSERT_EQ(ahead->next_out(), plain.lastout) << "lcg1 " << lcg1 << ", draw " << taken;
                    ++taken;
                    break;
                default: {
                    const int32_t n = 1 + static_cast<int32_t>(rng() % stream_ahead::max_ahead);
                    const int32_t* shown = ahead->ahead(n);
                    unif2_state look = plain;
                    for (int32_t i = 0; i < n; ++i) {
                        unif2(look);
                        ASSERT_EQ(shown[i], look.lastout) << "lcg1 " << lcg1 << ", draw " << taken << " + " << i;
                    }
                    const int32_t k = static_cast<int32_t>(rng() % static_cast<uint32_t>(n + 1));
                    ahead->take(k);
                    for (int32_t i = 0; i < k; ++i) unif2(plain);
                    taken += k;
                }
            }
        }
    }
}

}  // namespace
