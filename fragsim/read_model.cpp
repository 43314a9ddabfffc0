// The read model on buffered draws: the integer thresholds of the error,
// replacement and missing tests, found once a run, and the bases between two
// hits copied as one run.
#include "fragsim/read_model.h"

#include <algorithm>
#include <cstring>

#include "fragsim/draw_thresholds.h"

namespace fragsim {

namespace {

// Complement of a fragment byte: A-T, C-G, N-N; any other byte stays itself.
struct complement_table {
    char of[256];
    constexpr complement_table() : of() {
        for (int i = 0; i < 256; ++i) of[i] = static_cast<char>(i);
        of[static_cast<unsigned char>('A')] = 'T';
        of[static_cast<unsigned char>('T')] = 'A';
        of[static_cast<unsigned char>('C')] = 'G';
        of[static_cast<unsigned char>('G')] = 'C';
    }
};
constexpr complement_table complement;

// Bases from i on whose two draws (error test at even places of v, missing
// test at odd ones) both miss: up to the first base with a hit, at most n.
inline int32_t bases_without_hit(const int32_t* v, int32_t n, int32_t error_below, int32_t missing_below) {
    constexpr int32_t block = 8;  // bases tested together, without a branch each
    int32_t j = 0;
    for (; j + block <= n; j += block) {
        const int32_t* b = v + 2 * j;
        int hit = 0;
        for (int32_t k = 0; k < block; ++k) hit |= (b[2 * k] < error_below) | (b[2 * k + 1] < missing_below);
        if (hit) break;
    }
    while (j < n && v[2 * j] >= error_below && v[2 * j + 1] >= missing_below) ++j;
    return j;
}

}  // namespace

read_model read_model_of(float errate, float missrate, char quality) {
    const double E = static_cast<double>(errate * 4.0f / 3.0f);
    const double miss = static_cast<double>(missrate);
    read_model rm{};
    // A draw hits when u < threshold: the lastouts from the first that does
    // not hit on miss.
    rm.error_below = first_out_passing([E](double u) { return !(u < E); });
    rm.missing_below = first_out_passing([miss](double u) { return !(u < miss); });
    for (int k = 0; k < 3; ++k)
        rm.base_from[k] = first_out_passing([k](double u) { return static_cast<int32_t>(u * 4.0 + 1.0) >= k + 2; });
    rm.quality = quality;
    return rm;
}

int32_t take_read_bases(const work_arrays& work, int dir, int32_t m, int32_t L, char* bases) {
    const char* SEQ = work.SEQUENCE.data();
    const int32_t* POS = work.POSITION.data();
    if (dir == 1) {
        std::memcpy(bases, SEQ, static_cast<size_t>(m));
        return POS[0];
    }
    for (int32_t i = 0; i < m; ++i) bases[i] = complement.of[static_cast<unsigned char>(SEQ[L - 1 - i])];
    return POS[L - m];
}

void apply_read_model(const read_model& rm, stream_ahead& READSTREAM, int32_t m, char* bases, char* qual) {
    const int32_t error_below = rm.error_below, missing_below = rm.missing_below;
    const char quality = rm.quality;
    for (int32_t i = 0; i < m;) {
        // The bases up to the next hit keep their base and take the quality
        // character, or '#' for an 'N'.
        const int32_t n = std::min(m - i, stream_ahead::max_ahead / 2);
        const int32_t run = bases_without_hit(READSTREAM.ahead(2 * n), n, error_below, missing_below);
        for (int32_t j = i; j < i + run; ++j) qual[j] = bases[j] == 'N' ? '#' : quality;
        READSTREAM.take(2 * run);
        i += run;
        if (run == n) continue;
        // The base with a hit, by the rule, draw by draw.
        char b = bases[i];
        if (READSTREAM.next_out() < error_below && b != 'N') b = replacement_base(rm, READSTREAM.next_out());
        if (READSTREAM.next_out() < missing_below) b = 'N';
        bases[i] = b;
        qual[i] = b == 'N' ? '#' : quality;
        ++i;
    }
}

}  // namespace fragsim
