#include "fragsim/read_model.h"

#include <cstring>

namespace fragsim {

namespace {

constexpr char ACGT[6] = {' ', 'A', 'C', 'G', 'T', 'T'};  // replacement bases 1..4

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

}  // namespace

read_model read_model_of(float errate, float missrate, char quality) {
    return {static_cast<double>(errate * 4.0f / 3.0f), static_cast<double>(missrate), quality};
}

int32_t take_read_bases(work_arrays& work, int dir, int32_t m, int32_t L, char* bases) {
    const char* SEQ = work.SEQUENCE.data();
    const int32_t* POS = work.POSITION.data();
    if (dir == 1) {
        std::memcpy(bases, SEQ, static_cast<size_t>(m));
        return POS[0];
    }
    char* COMP = work.COMPLEMENT.data();
    for (int32_t off = L - m + 1; off <= L; ++off)
        COMP[off - 1] = complement.of[static_cast<unsigned char>(SEQ[off - 1])];
    for (int32_t i = 0; i < m; ++i) bases[i] = COMP[L - 1 - i];
    return POS[L - m];
}

void apply_read_model(const read_model& rm, unif2_state& READSTREAM, int32_t m, char* bases, char* qual) {
    // A local copy of the stream: the byte stores below cannot alias it, so
    // its integers stay in registers.
    unif2_state R = READSTREAM;
    const double E = rm.E, missrate = rm.missrate;
    const char quality = rm.quality;
    for (int32_t i = 0; i < m; ++i) {
        char b = bases[i];
        if (unif2(R) < E && b != 'N') b = ACGT[static_cast<int32_t>(unif2(R) * 4.0 + 1.0)];
        if (unif2(R) < missrate) b = 'N';
        bases[i] = b;
        qual[i] = b == 'N' ? '#' : quality;
    }
    READSTREAM = R;
}

}  // namespace fragsim
