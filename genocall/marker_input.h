#pragma once
// The marker list and the prior frequencies: line counts, the count check,
// the marker table.
#include <cstdint>

#include "genocall/line_reader.h"
#include "genocall/options.h"

namespace genocall {

/// The file being read and its line buffer, while the marker table is filled.
struct marker_reader {
    text_source source;
    line_buffer line;
};

/// Parallel arrays of line_count entries; entries 0 to markers - 1 are used.
struct marker_table {
    int32_t line_count = 0;  // L, the variant file's lines, header included
    int32_t markers = 0;     // M = L - 1
    int32_t* chromosome = nullptr;
    int32_t* position = nullptr;
    char** ref = nullptr;
    char** alt = nullptr;
    double* frequency = nullptr;  // prior frequency of the REF allele
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    marker_reader reader;  // kept here so that a fuzz input that stops the run can free it
#endif
};

/// Counts both text inputs, checks the frequency file's count against M,
/// writes "\nNum markers %d \n" and reads the markers and frequencies (0.5
/// each without a frequency file) into markers, an empty table. A chromosome
/// or position must fit in 32 bits, a frequency lie from 0 to 1. Every failure
/// writes one message and ends the run with status 1; what the table holds
/// by then is in markers.
void read_markers(const runtime_options& opt, marker_table& markers);

/// Releases the texts and arrays of the table (in a fuzz build also the
/// reader of a run that stopped while the table was filled).
void release_markers(marker_table& markers);

}  // namespace genocall
