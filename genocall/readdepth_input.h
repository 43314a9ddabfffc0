#pragma once
// The read-depth file: one sample per line, two count characters per marker,
// plain text or gzip-compressed, held whole in memory at one byte per count.
#include <cstdint>

#include "genocall/line_reader.h"
#include "genocall/options.h"

namespace genocall {

inline constexpr int32_t max_samples = 200000;

/// Entry j is the sample of line j + 1; counts[j][2k] and counts[j][2k + 1]
/// are marker k's REF and ALT read counts.
struct sample_table {
    int32_t samples = 0;  // n
    char** name = nullptr;
    uint8_t** counts = nullptr;
    int32_t* name_slots = nullptr;  // open-addressing index of the names: entry j + 1, or 0 when free
    text_source source;             // left open for the closing
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    line_buffer line;  // the line buffer, kept here so that a fuzz input that stops the run can free it
#endif
};

/// The count of one depth code character: '0'..'9' give 0..9, 'A'..'Z' 10..35;
/// c - 48 at most '9', else c - 55, taken as a signed byte, low 8 bits kept.
inline uint8_t decode_depth_char(char c) {
    const int8_t s = static_cast<int8_t>(c);
    return static_cast<uint8_t>(s <= '9' ? s - 48 : s - 55);
}

/// Allocates the sample arrays and the name index of samples, an empty table, writes the
/// compressed or uncompressed line and opens the read-depth file (compressed
/// when its name ends in ".gz"). An open failure writes
/// "\nERROR: readdepth %s failed to open\n" and ends the run with status 1.
void open_depth_file(const runtime_options& opt, sample_table& samples);

/// Reads every line of the open read-depth file into samples, writing the
/// "Reading line" echoes and a closing "\n"; line_count is L, the variant
/// file's lines. A sample name met twice, or a file of no sample, stops the
/// run: the VCF file could name no sample or one twice. Every failure writes
/// one message and ends the run with status 1; what the table holds by then
/// is in samples.
void read_depth_lines(const runtime_options& opt, int32_t line_count, sample_table& samples);

/// Closes the read-depth file: a compressed one that does not close cleanly
/// writes "\nreaddepth file failed to close\n" and the run goes on. A file
/// never opened is passed over.
void close_depth_file(sample_table& samples);

/// Releases the names, the count arrays, the sample arrays and the name index
/// (in a fuzz build also the line buffer of a run that stopped while reading).
void release_samples(sample_table& samples);

}  // namespace genocall
