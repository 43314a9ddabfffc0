// reference.unf: the chromosome count, the lengths and the bases of each
// chromosome as records, written through READMAP and read back.
#include "common/reference_map_file.h"

#include <cstring>

#include "common/record_file.h"

namespace common {

void write_reference_map(unit_file& file, int32_t nchrom, const table<int32_t>& CHROLEN, const matrix<char>& REFERENCE,
                         table<char>& READMAP, int64_t piece_limit) {
    write_record(file, {bytes_of(nchrom)});
    for (int32_t i = 1; i <= nchrom; ++i) write_record(file, {bytes_of(CHROLEN[i])});
    for (int32_t i = 1; i <= nchrom; ++i) {
        const int32_t n = CHROLEN[i];
        if (n > 0) std::memcpy(READMAP.at(1), REFERENCE.column(i), static_cast<size_t>(n));
        const out_bytes chromosome = bytes_of(n > 0 ? READMAP.at(1) : READMAP.data(), n);
        write_record(file, std::span<const out_bytes>(&chromosome, 1), piece_limit);
    }
}

int32_t read_map_number(unit_file& file) {
    int32_t n = 0;
    read_record(file, {into(n)});
    return n;
}

void read_map_chromosome(unit_file& file, char* dest, int32_t length) { read_record(file, {into(dest, length)}); }

}  // namespace common
