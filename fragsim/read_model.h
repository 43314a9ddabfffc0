#pragma once
// The read model: the bases of a read taken from the fragment (a reverse read
// complemented), then per base the sequencing error, the missing call and the
// quality character.
#include <cstdint>

#include "fragsim/fragsim.h"
#include "fragsim/random_stream.h"

namespace fragsim {

/// Constants of the read model, derived once per run.
struct read_model {
    double E;         // error threshold: errate * 4 / 3 in single precision
    double missrate;  // widened to double
    char quality;     // quality character of a base that is not 'N'
};

/// The model of a run's errate, missrate and quality character.
read_model read_model_of(float errate, float missrate, char quality);

/// The bases of one read, in the order written, into bases: a forward read
/// (dir 1) takes fragment offsets 1..m of SEQUENCE, a reverse one (dir 2)
/// offsets L..L-m+1, each complemented (A-T, C-G, N-N) into COMPLEMENT by
/// offset on the way. Returns the read position, POSITION at the leftmost
/// offset the read covers.
int32_t take_read_bases(work_arrays& work, int dir, int32_t m, int32_t L, char* bases);

/// Errors, missing bases and qualities of the m bases of one read, in place,
/// base by base in the order written, with draws from READSTREAM: an error
/// test (and, on a hit of a base that is not 'N', a replacement), then a
/// missing test; the quality is '#' for an 'N', else the quality character.
void apply_read_model(const read_model& rm, unif2_state& READSTREAM, int32_t m, char* bases, char* qual);

}  // namespace fragsim
