// The lane kernel on AVX-512F: two groups of 16 lanes, so that one group's
// steps fill the other's latencies; the 32-entry table sits in two registers
// and is read with one two-table permute.
// g++ 12 warns of the undefined register that its own AVX-512 intrinsics
// start from (an unmasked operation keeps none of it).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#else
#include <immintrin.h>
#endif

#include "fragsim/stream_blocks.h"

#define AVX512_FN __attribute__((target("avx512f")))

namespace fragsim::stream_blocks {

namespace {

constexpr int groups = lanes / 16;

// lcg2_step in each lane: even and odd lanes as 64-bit products, reduced by
// 2^31 = 249, put back together and brought below m2.
AVX512_FN inline __m512i lcg2_steps(__m512i x) {
    const __m512i a = _mm512_set1_epi64(40692), low31 = _mm512_set1_epi64(0x7fffffff), c249 = _mm512_set1_epi64(249);
    __m512i even = _mm512_mul_epu32(x, a);
    __m512i odd = _mm512_mul_epu32(_mm512_srli_epi64(x, 32), a);
    even = _mm512_add_epi64(_mm512_and_si512(even, low31), _mm512_mul_epu32(_mm512_srli_epi64(even, 31), c249));
    odd = _mm512_add_epi64(_mm512_and_si512(odd, low31), _mm512_mul_epu32(_mm512_srli_epi64(odd, 31), c249));
    const __m512i t = _mm512_mask_mov_epi32(even, 0xAAAA, _mm512_slli_epi64(odd, 32));
    return _mm512_min_epu32(t, _mm512_sub_epi32(t, _mm512_set1_epi32(static_cast<int32_t>(m2))));
}

// next_lastout in each lane, table entries 0..15 in lo and 16..31 in hi.
AVX512_FN inline __m512i next_lastouts(__m512i lo, __m512i hi, __m512i prev, __m512i lcg2) {
    const __m512i x = _mm512_max_epi32(prev, _mm512_setzero_si512());
    const __m512i q0 = _mm512_srli_epi32(x, 26);
    const __m512i q =
        _mm512_srli_epi32(_mm512_add_epi32(_mm512_add_epi32(x, q0), _mm512_add_epi32(q0, _mm512_set1_epi32(2))), 26);
    const __m512i entry = _mm512_permutex2var_epi32(lo, _mm512_min_epu32(q, _mm512_set1_epi32(31)), hi);
    const __m512i out = _mm512_sub_epi32(entry, lcg2);
    const __mmask16 low = _mm512_cmple_epi32_mask(out, _mm512_setzero_si512());
    return _mm512_mask_add_epi32(out, low, out, _mm512_set1_epi32(unif2_constants::added));
}

// Rows r[0..15] (step j in lane v) become columns: r[v] holds lane v's 16 steps.
AVX512_FN inline void transpose16(__m512i r[16]) {
    __m512i a[16], b[16];
    for (int i = 0; i < 16; i += 2) {
        a[i] = _mm512_unpacklo_epi32(r[i], r[i + 1]);
        a[i + 1] = _mm512_unpackhi_epi32(r[i], r[i + 1]);
    }
    // b[4i + m], 128-bit lane k: column 4k + m of rows 4i..4i + 3.
    for (int i = 0; i < 16; i += 4) {
        b[i] = _mm512_unpacklo_epi64(a[i], a[i + 2]);
        b[i + 1] = _mm512_unpackhi_epi64(a[i], a[i + 2]);
        b[i + 2] = _mm512_unpacklo_epi64(a[i + 1], a[i + 3]);
        b[i + 3] = _mm512_unpackhi_epi64(a[i + 1], a[i + 3]);
    }
    for (int m = 0; m < 4; ++m) {
        const __m512i lo01 = _mm512_shuffle_i32x4(b[m], b[4 + m], _MM_SHUFFLE(1, 0, 1, 0));
        const __m512i hi01 = _mm512_shuffle_i32x4(b[m], b[4 + m], _MM_SHUFFLE(3, 2, 3, 2));
        const __m512i lo23 = _mm512_shuffle_i32x4(b[8 + m], b[12 + m], _MM_SHUFFLE(1, 0, 1, 0));
        const __m512i hi23 = _mm512_shuffle_i32x4(b[8 + m], b[12 + m], _MM_SHUFFLE(3, 2, 3, 2));
        r[m] = _mm512_shuffle_i32x4(lo01, lo23, _MM_SHUFFLE(2, 0, 2, 0));
        r[4 + m] = _mm512_shuffle_i32x4(lo01, lo23, _MM_SHUFFLE(3, 1, 3, 1));
        r[8 + m] = _mm512_shuffle_i32x4(hi01, hi23, _MM_SHUFFLE(2, 0, 2, 0));
        r[12 + m] = _mm512_shuffle_i32x4(hi01, hi23, _MM_SHUFFLE(3, 1, 3, 1));
    }
}

}  // namespace

AVX512_FN void run_lanes_avx512(const lane_job& job) {
    const __m512i lo = _mm512_loadu_si512(job.table), hi = _mm512_loadu_si512(job.table + 16);
    __m512i lcg2[groups], prev[groups];
    for (int g = 0; g < groups; ++g) {
        lcg2[g] = _mm512_loadu_si512(job.lcg2 + 16 * g);
        prev[g] = _mm512_set1_epi32(job.guess);
    }
    for (int32_t j = 0; j < warm_up; ++j)
        for (int g = 0; g < groups; ++g) {
            lcg2[g] = lcg2_steps(lcg2[g]);
            prev[g] = next_lastouts(lo, hi, prev[g], lcg2[g]);
        }
    for (int g = 0; g < groups; ++g) _mm512_storeu_si512(job.warm_end + 16 * g, prev[g]);
    prev[0] = _mm512_mask_mov_epi32(prev[0], 1, _mm512_set1_epi32(job.lastout));

    const int32_t chunk = job.chunk;
    __m512i rows[groups][16] = {};
    for (int32_t j0 = 0; j0 < chunk; j0 += 16) {
        const int steps = chunk - j0 < 16 ? chunk - j0 : 16;
        for (int j = 0; j < steps; ++j)
            for (int g = 0; g < groups; ++g) {
                lcg2[g] = lcg2_steps(lcg2[g]);
                rows[g][j] = prev[g] = next_lastouts(lo, hi, prev[g], lcg2[g]);
            }
        const __mmask16 kept = static_cast<__mmask16>((1u << steps) - 1);
        for (int g = 0; g < groups; ++g) {
            transpose16(rows[g]);
            int32_t* out = job.out + (16 * g) * chunk + j0;
            for (int v = 0; v < 16; ++v) _mm512_mask_storeu_epi32(out + v * chunk, kept, rows[g][v]);
        }
    }
}

}  // namespace fragsim::stream_blocks
