#pragma once
// The per-source random streams: unif2, a combined congruential generator
// with a 32-entry shuffle table, working on a state its caller holds.
#include <bit>
#include <cstdint>

namespace fragsim {

/// State of one stream. lcg1 <= 0 asks for (re)seeding on the next call.
struct unif2_state {
    int32_t lcg1 = 0;
    int32_t lcg2 = 123456789;
    int32_t shuffle[32] = {};  // entries 1..32 of the table at [0..31]
    int32_t lastout = 0;
};

namespace unif2_constants {
inline constexpr int32_t m1 = 2147483563, a1 = 40014, q1 = 53668, r1 = 12211;
inline constexpr int32_t m2 = 2147483399, a2 = 40692, q2 = 52774, r2 = 3791;
inline constexpr int32_t added = 2147483562;  // m1 - 1
inline constexpr int32_t divisor = 67108862;  // 1 + (m1 - 1) / 32
inline constexpr int32_t initial_lcg2 = 123456789;
inline const double scale = std::bit_cast<double>(uint64_t{0x3E0000000AA00007});  // nearest to 1/m1
inline const double cap = std::bit_cast<double>(uint64_t{0x3FEFFFFFBF935380});    // 1 - float(1.2e-7)
}  // namespace unif2_constants

/// Fills the table from -lcg1 by the warm-up of 40 steps (wrapped arithmetic).
void unif2_seed(unif2_state& s);

/// Advances the stream and returns u with scale <= u <= cap (never 0 or 1).
inline double unif2(unif2_state& s) {
    using namespace unif2_constants;
    if (s.lcg1 <= 0) unif2_seed(s);
    int32_t k = s.lcg1 / q1;
    s.lcg1 = a1 * (s.lcg1 - q1 * k) - r1 * k;  // no overflow for 0 < lcg1 < 2^31
    if (s.lcg1 < 0) s.lcg1 += m1;
    k = s.lcg2 / q2;
    s.lcg2 = a2 * (s.lcg2 - q2 * k) - r2 * k;
    if (s.lcg2 < 0) s.lcg2 += m2;
    // Entry lastout / divisor + 1; a lastout of 0 or less (only right after
    // seeding) truncates to entry 1. 33 can come only from a wrapped table
    // entry and does not exist: entry 32 is taken.
    uint32_t i = static_cast<uint32_t>(s.lastout > 0 ? s.lastout : 0) / static_cast<uint32_t>(divisor);
    if (i > 31) i = 31;
    int32_t out = static_cast<int32_t>(static_cast<uint32_t>(s.shuffle[i]) - static_cast<uint32_t>(s.lcg2));
    if (out <= 0) out += added;
    s.lastout = out;
    const double u = static_cast<double>(out) * scale;
    return u < cap ? u : cap;
}

/// Stream set-up: lcg1 := the given value, lcg2 123456789, table and lastout 0.
void set_up_stream(unif2_state& s, int32_t lcg1);

/// The two streams of one source.
struct source_streams {
    unif2_state READSTREAM;
    unif2_state SITESTREAM;
};

/// Set-up at the start of source K: READSTREAM from -(seed + K), SITESTREAM
/// from -(seed + K + sources), all sums wrapped in 32 bits.
void set_up_source_streams(source_streams& streams, int32_t seed, int32_t source, int32_t sources);

/// Called after each read is built with n, the reads of the source so far:
/// at every multiple of 1,000,000 READSTREAM starts again from
/// -(seed + K + sources * (n / 1,000,000)), wrapped in 32 bits.
inline void reseed_after_read(unif2_state& READSTREAM, int32_t seed, int32_t source, int32_t sources, int32_t n) {
    if (n % 1000000 != 0) return;
    const uint32_t sum = static_cast<uint32_t>(seed) + static_cast<uint32_t>(source) +
                         static_cast<uint32_t>(sources) * static_cast<uint32_t>(n / 1000000);
    set_up_stream(READSTREAM, static_cast<int32_t>(0u - sum));
}

}  // namespace fragsim
