#pragma once
// The marker list and the prior frequencies: line counts, the count check,
// the marker table.
#include <cstdint>

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
};

/// Counts both text inputs, checks the frequency file's count against M,
/// writes "\nNum markers %d \n" and reads the markers and frequencies (0.5
/// each without a frequency file). Every failure writes one message and ends
/// the run with status 1.
marker_table read_markers(const runtime_options& opt);

/// Releases the texts and arrays of the table.
void release_markers(marker_table& markers);

}  // namespace genocall
