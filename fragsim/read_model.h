#pragma once
// The read model: the bases of a read taken from the fragment (a reverse read
// complemented), then per base the sequencing error, the missing call and the
// quality character, drawn from READSTREAM.
#include <cstdint>

#include "fragsim/fragsim.h"
#include "fragsim/stream_ahead.h"

namespace fragsim {

/// Constants of the read model, derived once per run. Every test of a draw is
/// an integer comparison of its lastout, with the outcome of the test on its
/// value (draw_thresholds.h).
struct read_model {
    int32_t error_below;    // lastout below it: u < E, E = errate * 4 / 3 in single precision
    int32_t missing_below;  // lastout below it: u < missrate widened to double
    int32_t base_from[3];   // lastout from base_from[k]: trunc(u * 4 + 1) >= k + 2
    char quality;           // quality character of a base that is not 'N'
};

/// The model of a run's errate, missrate and quality character.
read_model read_model_of(float errate, float missrate, char quality);

/// The replacement base of a hit, from the lastout of its draw: ACGT(i) with
/// i = trunc(u * 4 + 1).
inline char replacement_base(const read_model& rm, int32_t out) {
    const int i = (out >= rm.base_from[0]) + (out >= rm.base_from[1]) + (out >= rm.base_from[2]);
    return "ACGT"[i];
}

/// The bases of one read, in the order written, into bases: a forward read
/// (dir 1) takes fragment offsets 1..m of SEQUENCE, a reverse one (dir 2)
/// offsets L..L-m+1, each complemented (A-T, C-G, N-N; any other byte stays
/// itself). Returns the read position, POSITION at the leftmost offset the
/// read covers.
int32_t take_read_bases(const work_arrays& work, int dir, int32_t m, int32_t L, char* bases);

/// Errors, missing bases and qualities of the m bases of one read, in place,
/// base by base in the order written, with draws from READSTREAM: an error
/// test (and, on a hit of a base that is not 'N', a replacement), then a
/// missing test; the quality is '#' for an 'N', else the quality character.
/// The bases between two hits take two draws each and go as one run.
void apply_read_model(const read_model& rm, stream_ahead& READSTREAM, int32_t m, char* bases, char* qual);

}  // namespace fragsim
