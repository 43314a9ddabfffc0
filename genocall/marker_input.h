#pragma once
// The marker list and the prior frequencies: line counts, the count check,
// the marker table.
#include <cstdint>

#include "genocall/line_reader.h"
#include "genocall/options.h"

namespace genocall {

/// Parallel arrays of line_count entries; entries 0 to markers - 1 are used.
struct marker_table {
    int32_t line_count = 0;  // L, the variant file's lines, header included
    int32_t markers = 0;     // M = L - 1
    int32_t* chromosome = nullptr;
    int32_t* position = nullptr;
    char** ref = nullptr;
    char** alt = nullptr;
    double* frequency = nullptr;  // prior frequency of the REF allele
    text_source source;           // the file being read, while the table is filled
    line_buffer line;             // its line buffer, while the table is filled
};

/// Counts both text inputs, checks the frequency file's count against M,
/// writes "\nNum markers %d \n" and reads the markers and frequencies (0.5
/// each without a frequency file) into markers, an empty table. A chromosome
/// or position must fit in 32 bits, a frequency lie from 0 to 1. Every failure
/// writes one message and ends the run with status 1; what the table holds
/// by then is in markers.
void read_markers(const runtime_options& opt, marker_table& markers);

/// Releases the texts and arrays of the table, and closes a file it still reads.
void release_markers(marker_table& markers);

}  // namespace genocall
