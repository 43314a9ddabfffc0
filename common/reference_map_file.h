#pragma once
// reference.unf, the binary reference map: record 1 the chromosome count n
// (32-bit); records 2..n+1 the chromosome lengths (32-bit each); records
// n+2..2n+1 the characters of each chromosome, position 1 first.
#include <cstdint>

#include "common/record_file.h"
#include "common/tables.h"

namespace common {

class unit_file;

/// Writes the 2n+1 records (only record 1 when n is 0 or less). Each
/// chromosome goes through the staging table READMAP, which must hold the
/// longest one; a chromosome longer than piece_limit is a chain of
/// subrecords (the limit is a parameter so that a test can split small maps).
void write_reference_map(unit_file& file, int32_t nchrom, const table<int32_t>& CHROLEN, const matrix<char>& REFERENCE,
                         table<char>& READMAP, int64_t piece_limit = record_piece_limit);

/// One record of one 32-bit integer: record 1 (the chromosome count) or a
/// length record.
int32_t read_map_number(unit_file& file);
/// One chromosome record: its first length bytes (none when length is 0 or
/// less) into dest; the rest of a longer record is passed over.
void read_map_chromosome(unit_file& file, char* dest, int32_t length);

}  // namespace common
