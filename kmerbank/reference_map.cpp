// Reference phase of kmerbank: reads reference.fa into the reference and
// alternate maps, trims the trailing 'N' runs, folds the reference map to
// upper case and writes reference.unf.
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

void write_length_line(const tables& t, int32_t c) { common::write_free(c, t.CHROLEN[c]); }

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

}  // namespace

void trim_chromosome(tables& t, int32_t c) {
    const char* col = t.REFERENCE.column(c);
    int32_t& len = t.CHROLEN[c];
    while (len > 0 && col[len - 1] == 'N') --len;
}

void read_reference(files& f, options& opt, tables& t) {
    common::write_free("Read reference.fa");
    if (opt.chromes < 1) stop_with("chromes in kmerbank.options is below 1: no chromosome to map");

    int32_t ichrome = 0;    // headers read so far
    int32_t curchrome = 0;  // chromosome of the latest sequence line
    int64_t nextpos = 1;    // position of the next stored character (one past the longest map)
    int64_t nlines = 0;     // sequence lines read
    int64_t line_number = 0;
    std::string line;       // line buffer, reused for every line
    char* SEGMENT = t.SEGMENT.at(1);

    while (f.reference_fa.read_line(line, line_capacity)) {
        ++line_number;
        const bool cut = f.reference_fa.line_was_cut();
        // DOS line ends: the carriage return is not part of the sequence.
        if (!cut && !line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '>') {
            if (curchrome > 0) trim_chromosome(t, curchrome);
            ++ichrome;
            if (ichrome > opt.chromes) break;
            continue;
        }
        if (ichrome == 0)
            stop_with("reference.fa line " + std::to_string(line_number) + ": sequence line before the first header");
        ++nlines;
        // The segment is the line up to its first blank. The line buffer
        // holds 99,999 characters; a segment that goes on past them is
        // counted to its end for the guard's message, without being held.
        const size_t blank = line.find(' ');
        int64_t length = static_cast<int64_t>(blank == std::string::npos ? line.size() : blank);
        if (blank == std::string::npos && cut)
            length += count_rest_of_segment(f.reference_fa, INT32_MAX - length);
        if (length > line_capacity) {
            const int32_t shown = static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX));
            common::write_free(shown, " seglen exceeds maxlngth =", line_capacity);
            common::stop_run();
        }
        const int32_t seglen = static_cast<int32_t>(length);
        if (length > 0) std::memcpy(SEGMENT, line.data(), static_cast<size_t>(length));

        if (nlines <= 10) echo_line(static_cast<int32_t>(nextpos), SEGMENT, seglen);

        if (ichrome != curchrome) {
            if (ichrome > most_chromosomes)
                stop_with("reference.fa line " + std::to_string(line_number) + ": chromosome " +
                          std::to_string(ichrome) + " is one more than a map can hold (" + std::to_string(most_chromosomes) + ")");
            if (ichrome == 2) {
                common::write_empty_line();
                common::write_free("  chromosome      length in reference map");
            }
            if (curchrome > 0) write_length_line(t, curchrome);
            nextpos = 1;
            curchrome = ichrome;
        }

        if (nextpos + seglen - 1 > opt.maplngth) {
            common::write_free("Chromosome length exceeds maplngth, option was set to", opt.maplngth);
            common::stop_run();
        }
        // The alternate map gets its copy of each chromosome as read in the
        // parallel step below, where the first touch of its pages is shared
        // among the threads.
        if (length > 0) std::memcpy(t.REFERENCE.column(ichrome) + (nextpos - 1), SEGMENT, static_cast<size_t>(length));
        nextpos += seglen;
        t.CHROLEN[ichrome] = static_cast<int32_t>(nextpos - 1);
    }

    if (curchrome == 0) stop_with("reference.fa has no sequence line after a header: no chromosome to map");
    trim_chromosome(t, curchrome);
    write_length_line(t, curchrome);
    common::write_empty_line();
    common::write_free(nlines - 1, " sections of reference read from reference.fa (unit 12)");
    opt.chromes = std::min(opt.chromes, curchrome);

    const fold_counts n = fold_reference_case(opt.chromes, t.CHROLEN, t.REFERENCE, t.ALTERNATE);
    common::write_free(n.ntotal, "total length of reference map");
    common::write_free(n.nlower, "lower case acgt set to ACGT in map (duplicated sections)");
    common::write_free(n.nunknown, "unknown N or n bases in map");
    common::write_empty_line();

    common::write_reference_map(f.reference_unf, opt.chromes, t.CHROLEN, t.REFERENCE, t.READMAP);
    f.reference_unf.close();  // the map file is complete from here on, whatever ends the run later
    t.READMAP.release();
}

fold_counts fold_reference_case(int32_t chromes, const common::table<int32_t>& CHROLEN,
                                common::matrix<char>& REFERENCE, common::matrix<char>& ALTERNATE) {
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
                const unsigned char low =
                    static_cast<unsigned char>((c == 'a') + (c == 'c') + (c == 'g') + (c == 't'));
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
