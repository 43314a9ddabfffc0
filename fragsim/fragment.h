#pragma once
// The fragment builder: draws a fragment of one source and walks it along the
// reference map with the source's alleles of the true variants put in.
#include <cstdint>

#include "fragsim/fragsim.h"
#include "fragsim/random_stream.h"
#include "fragsim/stream_ahead.h"

namespace fragsim {

/// The read-only tables the builder works on, shared by every thread.
struct fragment_inputs {
    const options& opt;
    const reference_map& map;
    const variant_tables& var;
    const source_tables& src;
};

/// The two streams of one source, each produced ahead into its buffer.
struct streams_ahead {
    stream_ahead READSTREAM;
    stream_ahead SITESTREAM;
};

/// Set-up at the start of source K, by the rule of set_up_source_streams.
void set_up_source_streams(streams_ahead& streams, int32_t seed, int32_t source, int32_t sources);

/// After each read is built, with n the reads of the source so far: READSTREAM
/// starts again by the rule of reseed_after_read at every multiple of
/// 1,000,000.
inline void reseed_after_read(stream_ahead& READSTREAM, int32_t seed, int32_t source, int32_t sources, int32_t n) {
    if (n % 1000000 != 0) return;
    unif2_state fresh;
    reseed_after_read(fresh, seed, source, sources, n);
    READSTREAM.set_up(fresh.lcg1);
}

/// Builder state of one source, kept from fragment to fragment.
struct fragment_source {
    int32_t source = 0;         // s, the source number
    streams_ahead streams;      // READSTREAM and SITESTREAM
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

/// Asks for the memory the next attempt will walk (REFERENCE and VARNUM at
/// both ends of its fragment), found from the draws the streams will give,
/// without taking them: its chromosome from the READSTREAM draw that follows
/// the next draws_before ones, its start from the next SITESTREAM draw. A
/// hint only: a guess of draws_before that proves wrong costs nothing but the
/// fetch. Nothing happens when draws_before is beyond what a buffer shows.
void prefetch_next_fragment(const fragment_inputs& in, fragment_source& fs, int32_t draws_before);

}  // namespace fragsim
