// The lane kernel on AVX2: four groups of 8 lanes, so that the groups' steps
// fill each other's latencies; the 32-entry table is read from four
// registers by four permutes and two rounds of blends.
#include <immintrin.h>

#include "fragsim/stream_blocks.h"

#define AVX2_FN __attribute__((target("avx2")))

namespace fragsim::stream_blocks {

namespace {

constexpr int groups = lanes / 8;

// lcg2_step in each lane: even and odd lanes as 64-bit products, reduced by
// 2^31 = 249, put back together and brought below m2.
AVX2_FN inline __m256i lcg2_steps(__m256i x) {
    const __m256i a = _mm256_set1_epi64x(40692), low31 = _mm256_set1_epi64x(0x7fffffff), c249 = _mm256_set1_epi64x(249);
    __m256i even = _mm256_mul_epu32(x, a);
    __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(x, 32), a);
    even = _mm256_add_epi64(_mm256_and_si256(even, low31), _mm256_mul_epu32(_mm256_srli_epi64(even, 31), c249));
    odd = _mm256_add_epi64(_mm256_and_si256(odd, low31), _mm256_mul_epu32(_mm256_srli_epi64(odd, 31), c249));
    const __m256i t = _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
    return _mm256_min_epu32(t, _mm256_sub_epi32(t, _mm256_set1_epi32(static_cast<int32_t>(m2))));
}

struct table_regs {
    __m256i part[4];  // entries 8i..8i + 7
};

// next_lastout in each lane: bits 0-2 of the entry number pick within a
// register, bit 3 and bit 4 (moved to the sign) pick the register.
AVX2_FN inline __m256i next_lastouts(const table_regs& t, __m256i prev, __m256i lcg2) {
    const __m256i x = _mm256_max_epi32(prev, _mm256_setzero_si256());
    const __m256i q0 = _mm256_srli_epi32(x, 26);
    __m256i q =
        _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(x, q0), _mm256_add_epi32(q0, _mm256_set1_epi32(2))), 26);
    q = _mm256_min_epu32(q, _mm256_set1_epi32(31));
    const __m256 bit3 = _mm256_castsi256_ps(_mm256_slli_epi32(q, 28)),
                 bit4 = _mm256_castsi256_ps(_mm256_slli_epi32(q, 27));
    const __m256 e0 = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(t.part[0], q));
    const __m256 e1 = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(t.part[1], q));
    const __m256 e2 = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(t.part[2], q));
    const __m256 e3 = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(t.part[3], q));
    const __m256 entry = _mm256_blendv_ps(_mm256_blendv_ps(e0, e1, bit3), _mm256_blendv_ps(e2, e3, bit3), bit4);
    const __m256i out = _mm256_sub_epi32(_mm256_castps_si256(entry), lcg2);
    const __m256i low = _mm256_cmpgt_epi32(_mm256_set1_epi32(1), out);
    return _mm256_add_epi32(out, _mm256_and_si256(low, _mm256_set1_epi32(unif2_constants::added)));
}

// Rows r[0..7] (step j in lane v) become columns: r[v] holds lane v's 8 steps.
AVX2_FN inline void transpose8(__m256i r[8]) {
    __m256i a[8], b[8];
    for (int i = 0; i < 8; i += 2) {
        a[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
        a[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
    }
    // b[4i + m], 128-bit lane k: column 4k + m of rows 4i..4i + 3.
    for (int i = 0; i < 8; i += 4) {
        b[i] = _mm256_unpacklo_epi64(a[i], a[i + 2]);
        b[i + 1] = _mm256_unpackhi_epi64(a[i], a[i + 2]);
        b[i + 2] = _mm256_unpacklo_epi64(a[i + 1], a[i + 3]);
        b[i + 3] = _mm256_unpackhi_epi64(a[i + 1], a[i + 3]);
    }
    for (int m = 0; m < 4; ++m) {
        r[m] = _mm256_permute2x128_si256(b[m], b[4 + m], 0x20);
        r[4 + m] = _mm256_permute2x128_si256(b[m], b[4 + m], 0x31);
    }
}

}  // namespace

AVX2_FN void run_lanes_avx2(const lane_job& job) {
    table_regs t;
    for (int i = 0; i < 4; ++i) t.part[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(job.table + 8 * i));
    __m256i lcg2[groups], prev[groups];
    for (int g = 0; g < groups; ++g) {
        lcg2[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(job.lcg2 + 8 * g));
        prev[g] = _mm256_set1_epi32(job.guess);
    }
    for (int32_t j = 0; j < warm_up; ++j)
        for (int g = 0; g < groups; ++g) {
            lcg2[g] = lcg2_steps(lcg2[g]);
            prev[g] = next_lastouts(t, prev[g], lcg2[g]);
        }
    for (int g = 0; g < groups; ++g) _mm256_storeu_si256(reinterpret_cast<__m256i*>(job.warm_end + 8 * g), prev[g]);
    prev[0] = _mm256_blend_epi32(prev[0], _mm256_set1_epi32(job.lastout), 1);

    const int32_t chunk = job.chunk;
    __m256i rows[groups][8] = {};
    for (int32_t j0 = 0; j0 < chunk; j0 += 8) {
        const int steps = chunk - j0 < 8 ? chunk - j0 : 8;
        for (int j = 0; j < steps; ++j)
            for (int g = 0; g < groups; ++g) {
                lcg2[g] = lcg2_steps(lcg2[g]);
                rows[g][j] = prev[g] = next_lastouts(t, prev[g], lcg2[g]);
            }
        for (int g = 0; g < groups; ++g) {
            transpose8(rows[g]);
            int32_t* out = job.out + (8 * g) * chunk + j0;
            if (steps == 8) {
                for (int v = 0; v < 8; ++v)
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + v * chunk), rows[g][v]);
            } else {  // the chunk's end: a masked store would be slow on some CPUs
                alignas(32) int32_t last[8];
                for (int v = 0; v < 8; ++v) {
                    _mm256_store_si256(reinterpret_cast<__m256i*>(last), rows[g][v]);
                    for (int j = 0; j < steps; ++j) out[v * chunk + j] = last[j];
                }
            }
        }
    }
}

}  // namespace fragsim::stream_blocks
