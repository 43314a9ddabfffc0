// Reference phase of kmerbank: reads reference.fa into the reference map,
// trims the trailing 'N' runs, copies the map as read into the alternate map
// while folding the reference map to upper case, and writes reference.unf.
#include <omp.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/free_format_writer.h"
#include "common/reference_map_file.h"
#include "common/run_end.h"
#include "common/thread_team.h"
#include "kmerbank/kmerbank.h"

namespace kmerbank {

namespace {

void write_length_line(const reference_map& map, int32_t c) { common::write_free(c, map.CHROLEN[c]); }

// The first ten sequence lines are echoed with the position the next stored
// character takes, each character a text value of its own.
void echo_line(int32_t nextpos, const char* segment, int32_t seglen) {
    common::free_format_line line;
    line.add(nextpos);
    line.add_chars(std::string_view(segment, static_cast<size_t>(seglen)));
    common::write_free_line(line);
}

// Characters of the current line from here up to its first blank or its end,
// passed over and counted, at most limit of them; a carriage return just
// before the line end belongs to the line end.
int64_t count_rest_of_segment(common::unit_file& file, int64_t limit) {
    int64_t n = 0;
    bool carriage_return = false;  // counts unless the line ends right after it
    for (;;) {
        const std::string_view w = file.window();
        if (w.empty()) return n;
        for (const char c : w) {
            if (c == ' ') return n + carriage_return;
            if (c == '\n') return n;
            n += carriage_return;
            carriage_return = c == '\r';
            n += !carriage_return;
            if (n >= limit) return limit;
        }
        file.take(w.size());
    }
}

// Length of the segment of a line: its characters up to its first blank. The
// line buffer holds 99,999 characters; a segment that goes on past them is
// counted to its end for the guard's message, without being held.
int64_t segment_length(common::unit_file& reference_fa, const std::string& line) {
    const size_t blank = line.find(' ');
    int64_t length = static_cast<int64_t>(blank == std::string::npos ? line.size() : blank);
    if (blank == std::string::npos && reference_fa.line_was_cut())
        length += count_rest_of_segment(reference_fa, INT32_MAX - length);
    return length;
}

// The first sequence line of chromosome ichrome: the heading before the
// length lines (at chromosome 2), and the length line of the chromosome
// before it.
void start_chromosome(const reference_map& map, int32_t ichrome, int32_t curchrome, int64_t line_number) {
    // The longest form of the message exceeds the 80 characters of a
    // free-format line (a line number of eight digits is enough).
    if (ichrome > most_chromosomes)
        common::stop_with_whole_line("reference.fa line " + std::to_string(line_number) + ": chromosome " +
                                     std::to_string(ichrome) + " is one more than a map can hold (" +
                                     std::to_string(most_chromosomes) + ")");
    if (ichrome == 2) {
        common::write_empty_line();
        common::write_free("  chromosome      length in reference map");
    }
    if (curchrome > 0) write_length_line(map, curchrome);
}

// Where the reading of reference.fa stands.
struct reading {
    int32_t ichrome = 0;      // headers read so far
    int32_t curchrome = 0;    // chromosome of the latest sequence line
    int64_t nextpos = 1;      // position of the next stored character (one past the longest map)
    int64_t nlines = 0;       // sequence lines read
    int64_t line_number = 0;  // lines read
};

// One sequence line of chromosome r.ichrome: its segment into SEGMENT, the
// echo of the first ten, the start of the chromosome at its first line, and
// the segment stored at the chromosome's next positions.
void store_sequence_line(reading& r, const std::string& line, common::unit_file& reference_fa, const options& opt,
                         reference_map& map) {
    ++r.nlines;
    const int64_t length = segment_length(reference_fa, line);
    if (length > line_capacity)
        common::stop_with(static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX)),
                          " seglen exceeds maxlngth =", line_capacity);
    const int32_t seglen = static_cast<int32_t>(length);
    char* SEGMENT = map.SEGMENT.at(1);
    if (length > 0) std::memcpy(SEGMENT, line.data(), static_cast<size_t>(length));

    if (r.nlines <= 10) echo_line(static_cast<int32_t>(r.nextpos), SEGMENT, seglen);

    if (r.ichrome != r.curchrome) {
        start_chromosome(map, r.ichrome, r.curchrome, r.line_number);
        r.nextpos = 1;
        r.curchrome = r.ichrome;
    }

    if (r.nextpos + seglen - 1 > opt.maplngth)
        common::stop_with("Chromosome length exceeds maplngth, option was set to", opt.maplngth);
    // The alternate map gets its copy of each chromosome as read in the
    // parallel fold, where the first touch of its pages is shared among the
    // threads.
    if (length > 0)
        std::memcpy(map.REFERENCE.column(r.ichrome) + (r.nextpos - 1), SEGMENT, static_cast<size_t>(length));
    r.nextpos += seglen;
    map.CHROLEN[r.ichrome] = static_cast<int32_t>(r.nextpos - 1);
}

}  // namespace

void trim_chromosome(reference_map& map, int32_t c) {
    const char* col = map.REFERENCE.column(c);
    int32_t& len = map.CHROLEN[c];
    while (len > 0 && col[len - 1] == 'N') --len;
}

void read_reference(common::unit_file& reference_fa, options& opt, reference_map& map) {
    common::write_free("Read reference.fa");
    if (opt.chromes < 1) common::stop_with("chromes in kmerbank.options is below 1: no chromosome to map");

    reading r;
    std::string line;  // line buffer, reused for every line
    while (reference_fa.read_line(line, line_capacity)) {
        ++r.line_number;
        // DOS line ends: the carriage return is not part of the sequence.
        if (!reference_fa.line_was_cut() && !line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '>') {
            if (r.curchrome > 0) trim_chromosome(map, r.curchrome);
            ++r.ichrome;
            if (r.ichrome > opt.chromes) break;
            continue;
        }
        // At most 76 characters: one free-format line.
        if (r.ichrome == 0)
            common::stop_with("reference.fa line " + std::to_string(r.line_number) +
                              ": sequence line before the first header");
        store_sequence_line(r, line, reference_fa, opt, map);
    }

    if (r.curchrome == 0) common::stop_with("reference.fa has no sequence line after a header: no chromosome to map");
    trim_chromosome(map, r.curchrome);
    write_length_line(map, r.curchrome);
    common::write_empty_line();
    common::write_free(r.nlines - 1, " sections of reference read from reference.fa (unit 12)");
    opt.chromes = std::min(opt.chromes, r.curchrome);
}

void write_fold_counts(const fold_counts& n) {
    common::write_free(n.ntotal, "total length of reference map");
    common::write_free(n.nlower, "lower case acgt set to ACGT in map (duplicated sections)");
    common::write_free(n.nunknown, "unknown N or n bases in map");
    common::write_empty_line();
}

void write_reference_file(common::unit_file& reference_unf, const options& opt, reference_map& map) {
    common::write_reference_map(reference_unf, opt.chromes, map.CHROLEN, map.REFERENCE, map.READMAP);
    reference_unf.close();  // the map file is complete from here on, whatever ends the run later
    map.READMAP.release();
}

fold_counts fold_reference_case(int32_t chromes, const common::table<int32_t>& CHROLEN, common::matrix<char>& REFERENCE,
                                common::matrix<char>& ALTERNATE) {
    int64_t ntotal = 0, nlower = 0, nunknown = 0;
    // As many threads as can be started: with none, the calling thread folds
    // every chromosome.
    const int team = common::usable_team_size(std::min(omp_get_max_threads(), std::max(chromes, 1)));
#pragma omp parallel for schedule(static) num_threads(team) reduction(+ : ntotal, nlower, nunknown)
    for (int32_t i = 1; i <= chromes; ++i) {
        char* col = REFERENCE.column(i);
        // Positions in 64 bits: a chromosome may come within one block of the
        // largest 32-bit length.
        const int64_t n = std::max(CHROLEN[i], 0);
        if (n > 0) std::memcpy(ALTERNATE.column(i), col, static_cast<size_t>(n));  // the case of the file
        // Byte-wide counters over blocks of 255 and branch-free steps, so that
        // the compiler works on many bytes at once.
        int64_t lower = 0, unknown = 0;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(col);
        for (int64_t block = 0; block < n; block += 255) {
            const int32_t end = static_cast<int32_t>(std::min<int64_t>(n - block, 255));
            unsigned char* b = bytes + block;
            uint8_t low_count = 0, unknown_count = 0;
            for (int32_t p = 0; p < end; ++p) {
                const unsigned char c = b[p];
                const unsigned char low = static_cast<unsigned char>((c == 'a') + (c == 'c') + (c == 'g') + (c == 't'));
                b[p] = static_cast<unsigned char>(c - (low << 5));  // 'a' - 'A' is 32
                low_count += low;
                unknown_count += static_cast<uint8_t>((c == 'N') + (c == 'n'));
            }
            lower += low_count;
            unknown += unknown_count;
        }
        ntotal += n;
        nlower += lower;
        nunknown += unknown;
    }
    return {ntotal, nlower, nunknown};
}

}  // namespace kmerbank
