#pragma once
// The fragment builder: draws a fragment of one source and walks it along the
// reference map with the source's alleles of the true variants put in.
#include <cstdint>

#include "fragsim/fragsim.h"
#include "fragsim/random_stream.h"

namespace fragsim {

/// The read-only tables the builder works on, shared by every thread.
struct fragment_inputs {
    const options& opt;
    const reference_map& map;
    const variant_tables& var;
    const source_tables& src;
};

/// Builder state of one source, kept from fragment to fragment.
struct fragment_source {
    int32_t source = 0;         // s, the source number
    source_streams streams;     // READSTREAM and SITESTREAM
    int32_t allele_choice = 1;  // choice at the last variant met; 1 (reference) at the source's start
};

/// Consecutive rejected attempts after which the run stops.
inline constexpr int32_t max_failed_attempts = 1000000;

/// Builds one accepted fragment into work.SEQUENCE and work.POSITION
/// (offsets 1..m and L-m+1..L always built) and returns its chromosome.
/// Attempts are drawn again when the chromosome is shorter than fraglen, the
/// walk reaches the chromosome's end before offset fraglen, or more than
/// maxlngth 'N' are counted; after max_failed_attempts rejections in a row
/// the run stops with a message (status 1).
int8_t build_fragment(const fragment_inputs& in, fragment_source& fs, work_arrays& work);

}  // namespace fragsim
