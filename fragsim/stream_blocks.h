#pragma once
// The block generator behind produce_block. Once a stream can no longer seed
// (lcg1 in 1..m1 - 1), its table is fixed and lcg2 is a plain congruential
// generator, so each value depends only on the one before it through its
// table entry: out(p) = adjust(table[index(out(p - 1))] - lcg2(p)). A block
// is then split into chunks, one per lane of the vector unit, that run side
// by side from jumped lcg2 values. Each lane first runs a warm-up over the
// end of the chunk before its own from a guessed lastout; two runs that pick
// the same entry at the same place agree from there on, so a lane whose last
// warm-up entry is the one the finished chunk before it ends on is exact, and
// any other chunk is redone from the true value until it meets its lane.
#include <cstdint>

#include "fragsim/random_stream.h"

namespace fragsim {

/// The generators a CPU may have: a portable one and two vector ones.
enum class stream_path { portable, avx2, avx512 };
inline constexpr stream_path all_stream_paths[] = {stream_path::portable, stream_path::avx2, stream_path::avx512};

const char* stream_path_name(stream_path path);
/// Whether this build and CPU can run the path (portable: always).
bool stream_path_supported(stream_path path);
/// The fastest supported path, found once; produce_block uses it.
stream_path chosen_stream_path();
/// produce_block on the given path, which must be supported. Every path
/// gives the same values and the same final state.
void produce_block_on(stream_path path, unif2_state& s, int32_t* out, int32_t n);

namespace stream_blocks {

inline constexpr int32_t lanes = 32;    // chunks of a block, on every path
inline constexpr int32_t warm_up = 96;  // steps each lane runs before its chunk
inline constexpr uint32_t m2 = static_cast<uint32_t>(unif2_constants::m2);

/// One block's chunks for a lane kernel. Lane c starts from lastout guess and
/// lcg2[c], runs warm_up steps and leaves its lastout in warm_end[c]; lane 0
/// then takes lastout instead, and every lane runs chunk steps, writing them
/// to out[c * chunk ...].
struct lane_job {
    const int32_t* table;
    const uint32_t* lcg2;
    int32_t guess, lastout, chunk;
    int32_t* out;
    int32_t* warm_end;
};

void run_lanes_portable(const lane_job& job);
void run_lanes_avx2(const lane_job& job);
void run_lanes_avx512(const lane_job& job);

/// lcg2's step, 40692 x mod m2 for x < m2, as a product reduced by
/// 2^31 = 249 (mod m2) and one conditional subtraction.
inline uint32_t lcg2_step(uint32_t x) {
    const uint64_t p = uint64_t{40692} * x;
    const uint32_t t = static_cast<uint32_t>((p & 0x7fffffff) + (p >> 31) * 249);
    return t >= m2 ? t - m2 : t;
}

/// The table entry (0..31) that lastout picks: lastout / 67108862, 0 for
/// lastout <= 0, the 33rd taken as the 32nd. With 67108862 = 2^26 - 2 the
/// quotient is (x + 2 (x >> 26) + 2) >> 26 exactly for 0 <= x < 2^31.
inline uint32_t table_index(int32_t lastout) {
    const uint32_t x = lastout > 0 ? static_cast<uint32_t>(lastout) : 0;
    const uint32_t q0 = x >> 26;
    const uint32_t q = (x + q0 + (q0 + 2)) >> 26;
    return q < 31 ? q : 31;
}

/// The lastout after prev once lcg2 has stepped to the given value.
inline int32_t next_lastout(const int32_t* table, int32_t prev, uint32_t lcg2) {
    uint32_t out = static_cast<uint32_t>(table[table_index(prev)]) - lcg2;
    if (static_cast<int32_t>(out) <= 0) out += static_cast<uint32_t>(unif2_constants::added);
    return static_cast<int32_t>(out);
}

}  // namespace stream_blocks
}  // namespace fragsim
