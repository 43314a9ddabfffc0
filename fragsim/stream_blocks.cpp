// The block generator's driver (plain steps until the stream is steady, the
// chunks of a block on the lanes, each chunk checked against the one before
// and redone where it does not meet it), the portable lane kernel and the
// choice of the kernel for this processor.
#include "fragsim/stream_blocks.h"

#include "fragsim/stream_ahead.h"

namespace fragsim {

namespace {

using namespace stream_blocks;

constexpr uint32_t m1 = static_cast<uint32_t>(unif2_constants::m1);
// Blocks whose chunks would be shorter go by single steps: the warm-up would
// cost more than the lanes save.
constexpr int32_t shortest_chunk = 4 * warm_up;

uint32_t mul_mod(uint32_t a, uint32_t b, uint32_t m) { return static_cast<uint32_t>(uint64_t{a} * b % m); }

// a^e x mod m.
uint32_t jump(uint32_t x, uint32_t a, uint64_t e, uint32_t m) {
    for (; e != 0; e >>= 1, a = mul_mod(a, a, m))
        if (e & 1) x = mul_mod(x, a, m);
    return x;
}

// No call can seed again: lcg1 stays in 1..m1 - 1 and is a plain congruential
// generator from here on, as lcg2 is once it is below m2.
bool steady(const unif2_state& s) {
    return s.lcg1 >= 1 && static_cast<uint32_t>(s.lcg1) < m1 && s.lcg2 >= 0 && static_cast<uint32_t>(s.lcg2) < m2;
}

// n steps of lastout and lcg2 of a steady stream, one by one.
void step_lastout(unif2_state& s, int32_t* out, int32_t n) {
    uint32_t lcg2 = static_cast<uint32_t>(s.lcg2);
    int32_t prev = s.lastout;
    for (int32_t i = 0; i < n; ++i) {
        lcg2 = lcg2_step(lcg2);
        prev = next_lastout(s.shuffle, prev, lcg2);
        out[i] = prev;
    }
    s.lcg2 = static_cast<int32_t>(lcg2);
    s.lastout = prev;
}

// Redoes a chunk from its true previous value prev and lcg2 (both at the
// place before it) until it picks the entry the lane's run picked there.
void redo_chunk(const int32_t* table, uint32_t lcg2, int32_t prev, int32_t* chunk, int32_t length) {
    for (int32_t i = 0; i < length; ++i) {
        lcg2 = lcg2_step(lcg2);
        const int32_t v = next_lastout(table, prev, lcg2);
        const bool met = table_index(v) == table_index(chunk[i]);
        chunk[i] = prev = v;
        if (met) return;
    }
}

// lanes * chunk values of the steady stream s into out; s is left unchanged.
void run_chunks(void (*kernel)(const lane_job&), const unif2_state& s, int32_t* out, int32_t chunk) {
    const uint32_t lcg2 = static_cast<uint32_t>(s.lcg2);
    // Lane c starts warm_up places before its chunk: lcg2 is 40692^(c chunk -
    // warm_up) times the block's own, a negative power taken as one of
    // m2 - 1 - warm_up (m2 is prime).
    const uint32_t a2 = static_cast<uint32_t>(unif2_constants::a2);
    const uint32_t chunk_jump = jump(1, a2, static_cast<uint64_t>(chunk), m2);
    uint32_t starts[lanes];
    int32_t warm_end[lanes];
    starts[0] = jump(lcg2, a2, m2 - 1 - warm_up, m2);
    for (int32_t c = 1; c < lanes; ++c) starts[c] = mul_mod(starts[c - 1], chunk_jump, m2);
    kernel(lane_job{s.shuffle, starts, s.lastout, s.lastout, chunk, out, warm_end});
    // Chunk 0 started from the true lastout; each chunk after it is exact
    // when its lane's warm-up ended on the entry the chunk before ends on.
    uint32_t before = lcg2;  // lcg2 at the place before chunk c
    for (int32_t c = 1; c < lanes; ++c) {
        before = mul_mod(before, chunk_jump, m2);
        const int32_t prev = out[c * chunk - 1];
        if (table_index(warm_end[c]) != table_index(prev)) redo_chunk(s.shuffle, before, prev, out + c * chunk, chunk);
    }
}

void produce_with(void (*kernel)(const lane_job&), unif2_state& s, int32_t* out, int32_t n) {
    for (; n > 0 && !steady(s); --n) {
        unif2(s);
        *out++ = s.lastout;
    }
    if (n <= 0) return;
    const uint32_t lcg1 = static_cast<uint32_t>(s.lcg1);
    const int32_t chunk = n / lanes;
    int32_t done = 0;
    if (kernel != nullptr && chunk >= shortest_chunk) {
        run_chunks(kernel, s, out, chunk);
        done = lanes * chunk;
        s.lcg2 = static_cast<int32_t>(jump(static_cast<uint32_t>(s.lcg2), static_cast<uint32_t>(unif2_constants::a2),
                                           static_cast<uint64_t>(done), m2));
        s.lastout = out[done - 1];
    }
    step_lastout(s, out + done, n - done);
    s.lcg1 = static_cast<int32_t>(jump(lcg1, static_cast<uint32_t>(unif2_constants::a1), static_cast<uint64_t>(n), m1));
}

void (*kernel_of(stream_path path))(const lane_job&) {
    switch (path) {
        case stream_path::portable: return run_lanes_portable;
#ifdef FRAGSIM_X86_PATHS
        case stream_path::avx2: return run_lanes_avx2;
        case stream_path::avx512: return run_lanes_avx512;
#endif
        default: return nullptr;
    }
}

}  // namespace

namespace stream_blocks {

void run_lanes_portable(const lane_job& job) {
    uint32_t lcg2[lanes];
    int32_t prev[lanes];
    for (int32_t c = 0; c < lanes; ++c) {
        lcg2[c] = job.lcg2[c];
        prev[c] = job.guess;
    }
    for (int32_t j = 0; j < warm_up; ++j)
        for (int32_t c = 0; c < lanes; ++c) {
            lcg2[c] = lcg2_step(lcg2[c]);
            prev[c] = next_lastout(job.table, prev[c], lcg2[c]);
        }
    for (int32_t c = 0; c < lanes; ++c) job.warm_end[c] = prev[c];
    prev[0] = job.lastout;
    // 16 steps at a time, then each lane's 16 values in one run: stores to 32
    // places a chunk apart, step by step, would keep evicting each other.
    int32_t rows[16][lanes];
    for (int32_t j0 = 0; j0 < job.chunk; j0 += 16) {
        const int32_t steps = job.chunk - j0 < 16 ? job.chunk - j0 : 16;
        for (int32_t j = 0; j < steps; ++j)
            for (int32_t c = 0; c < lanes; ++c) {
                lcg2[c] = lcg2_step(lcg2[c]);
                rows[j][c] = prev[c] = next_lastout(job.table, prev[c], lcg2[c]);
            }
        for (int32_t c = 0; c < lanes; ++c)
            for (int32_t j = 0; j < steps; ++j) job.out[c * job.chunk + j0 + j] = rows[j][c];
    }
}

}  // namespace stream_blocks

const char* stream_path_name(stream_path path) {
    switch (path) {
        case stream_path::avx2: return "avx2";
        case stream_path::avx512: return "avx512";
        default: return "portable";
    }
}

bool stream_path_supported(stream_path path) {
    switch (path) {
        case stream_path::portable: return true;
#ifdef FRAGSIM_X86_PATHS
        case stream_path::avx2: return __builtin_cpu_supports("avx2");
        case stream_path::avx512: return __builtin_cpu_supports("avx512f");
#endif
        default: return false;
    }
}

stream_path chosen_stream_path() {
    static const stream_path chosen = [] {
        if (stream_path_supported(stream_path::avx512)) return stream_path::avx512;
        if (stream_path_supported(stream_path::avx2)) return stream_path::avx2;
        return stream_path::portable;
    }();
    return chosen;
}

void produce_block_on(stream_path path, unif2_state& s, int32_t* out, int32_t n) {
    produce_with(kernel_of(path), s, out, n);
}

void produce_block(unif2_state& s, int32_t* out, int32_t n) { produce_block_on(chosen_stream_path(), s, out, n); }

}  // namespace fragsim
