#pragma once
// The simulation phase: the parallel loop over the sources, each source's
// fragments and reads in draw order, and the loop's console lines (the read
// model and the read files are read_model.h and read_files.h).
#include <cstdint>

#include "fragsim/fragsim.h"

namespace fragsim {

/// Stops the run (one message line, status 1) when sources is at least 1 and
/// no chromosome of the map is at least fraglen long, so that no fragment
/// could ever be drawn. Called once the map is loaded, before the variants
/// are read; a run of no source goes on.
void check_fragment_fits(const options& opt, const reference_map& map);

/// Simulates every source K = 1..sources in parallel (static schedule, one
/// contiguous block of sources per thread): opens the read files outformat
/// calls for, draws fragments and writes two reads per fragment until nreads
/// is reached, prints the source's progress, warning and end lines (the end
/// lines once its files are complete). A source's files depend only on the
/// inputs, never on the number of threads. The read files of this run that an
/// earlier run left are emptied before the first source starts, and every
/// read is written whole into its file's buffer, so a run that ends early
/// leaves each read file a prefix of what a full run writes. A read file that
/// is the same file as an input or another output of the run stops the run
/// before it is emptied or written; one that cannot be created or written
/// ends the run (fatal 9 or 38, naming the file). Runs on as many threads as can be started. Does nothing when
/// sources is below 1.
void simulate_sources(const options& opt, const derived& der, const reference_map& map, const variant_tables& var,
                      const source_tables& src);

}  // namespace fragsim
