#pragma once
// The read files of a source: the FASTQ record and the two binary records of
// a read, the per-source file set that outformat calls for, and the emptying
// of an earlier run's read files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/unit_file.h"

namespace fragsim {

/// What the two records of a read and its FASTQ header hold.
struct read_fields {
    int32_t id, nseg, pairno;  // SOURCEID(K), the read's number in the source, (nseg + 1) / 2
    int8_t readno, c;          // 1 or 2; the chromosome
    int32_t m, pos;            // read length; position of the leftmost offset the read covers
    char strand;               // 'F' or 'R'
};

/// Which read files outformat calls for: sourceK.unf for binary output,
/// sourceK.1.fq and sourceK.2.fq for FASTQ.
inline bool writes_binary(int32_t outformat) { return outformat == 0 || outformat == 2; }
inline bool writes_fastq(int32_t outformat) { return outformat == 1 || outformat == 2; }

/// The names of the three read files of a source, from its base name.
struct read_file_names {
    std::string unf, fq1, fq2;
    explicit read_file_names(const std::string& base) : unf(base + ".unf"), fq1(base + ".1.fq"), fq2(base + ".2.fq") {}
};

/// Longest FASTQ header: the pair number in up to 20 characters, the fixed
/// fields and the blank that keeps a full chromosome field apart, with its
/// line feed.
inline constexpr size_t fastq_header_room = 1 + 20 + 1 + 1 + 1 + 3 + 10 + 10 + 12 + 6 + 1 + 1 + 1;

/// The header line of a read's FASTQ record, line feed included, into out;
/// returns the end. "@", the pair number, "/", the read number (1 column),
/// the chromosome (3), the position (10), the source ID (10), the pair number
/// again (12), m (6), a blank and the strand letter. A chromosome that fills
/// its 3 columns (100 and above) is preceded by one blank, so that the first
/// word of the header is "@pairno/readno" for every chromosome.
char* put_fastq_header(char* out, const read_fields& r);

/// The read files of one source, opened when the source starts as outformat
/// asks (each emptied by its first write). Units 3K+12, 3K+13 and 3K+14.
class source_files {
public:
    source_files(int32_t outformat, int32_t K, const read_file_names& names);

    /// One read in every file that outformat calls for, each record formatted
    /// whole in its file's buffer: record A and record B in sourceK.unf, the
    /// four FASTQ lines (header, bases, "+", qualities) in the FASTQ file of
    /// the read number.
    void write_read(const read_fields& r, const char* bases, const char* qual);

    /// Completes and closes the files.
    void close();

private:
    static int unit_of(int32_t K) { return static_cast<int>(3 * static_cast<int64_t>(K) + 12); }

    bool binary_, fastq_;
    common::unit_file unf_, fq1_, fq2_;
};

/// Every read file of this run (sources 1..sources, as outformat calls for)
/// that holds an earlier run's bytes is emptied, before the first source
/// starts.
void cut_earlier_read_files(int32_t outformat, int32_t sources);

}  // namespace fragsim
