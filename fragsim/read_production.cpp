#include "fragsim/read_production.h"

#include <omp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "common/distinct_files.h"
#include "common/fixed_width.h"
#include "common/free_format_writer.h"
#include "common/record_file.h"
#include "common/tables.h"
#include "common/thread_team.h"
#include "common/unit_file.h"
#include "fragsim/fragment.h"
#include "fragsim/random_stream.h"

namespace fragsim {

namespace {

constexpr char strand_letter[3] = {' ', 'F', 'R'};        // by strand number: 1 forward, 2 reverse
constexpr char ACGT[6] = {' ', 'A', 'C', 'G', 'T', 'T'};  // replacement bases 1..4

// Complement of a fragment byte: A-T, C-G, N-N; any other byte stays itself.
struct complement_table {
    char of[256];
    constexpr complement_table() : of() {
        for (int i = 0; i < 256; ++i) of[i] = static_cast<char>(i);
        of[static_cast<unsigned char>('A')] = 'T';
        of[static_cast<unsigned char>('T')] = 'A';
        of[static_cast<unsigned char>('C')] = 'G';
        of[static_cast<unsigned char>('G')] = 'C';
    }
};
constexpr complement_table complement;

// Fixed-width integer field: right-aligned, blanks on the left, a minus sign
// when negative, the whole field '*' when the value does not fit.
inline char* put_fixed(char* out, int64_t value, int width) {
    char digits[24];
    char* d = digits + sizeof digits;
    uint64_t mag = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        *--d = static_cast<char>('0' + mag % 10);
        mag /= 10;
    } while (mag != 0);
    if (value < 0) *--d = '-';
    const int n = static_cast<int>(digits + sizeof digits - d);
    if (n > width) {
        std::memset(out, '*', static_cast<size_t>(width));
        return out + width;
    }
    std::memset(out, ' ', static_cast<size_t>(width - n));
    std::memcpy(out + (width - n), d, static_cast<size_t>(n));
    return out + width;
}

// A positive number in as many digits as it needs.
inline char* put_digits(char* out, int64_t value) {
    char digits[24];
    char* d = digits + sizeof digits;
    uint64_t mag = static_cast<uint64_t>(value);
    do {
        *--d = static_cast<char>('0' + mag % 10);
        mag /= 10;
    } while (mag != 0);
    const size_t n = static_cast<size_t>(digits + sizeof digits - d);
    std::memcpy(out, d, n);
    return out + n;
}

inline void put_le32(char* out, int32_t v) { std::memcpy(out, &v, 4); }

// Everything one thread needs, created once when the loop starts.
struct thread_work {
    work_arrays arrays;         // SEQUENCE, COMPLEMENT, POSITION, QUAL
    common::table<char> BASES;  // bases of the current read, in the order written
    explicit thread_work(const options& o) {
        arrays.allocate(o);
        BASES.allocate(1, o.maxlngth);
    }
};

// Constants of the read model, derived once.
struct read_model {
    int32_t m, L, outformat, sources, seed, nreads;
    double E;  // error threshold: errate * 4 / 3 in single precision
    double missrate;
    char quality;
    float totlen;
};

double coverage_of(const read_model& rm, int32_t nseg) {
    return static_cast<double>(static_cast<float>(rm.m) * static_cast<float>(nseg) / rm.totlen);
}

// What the two records of a read and its FASTQ header hold.
struct read_fields {
    int32_t id, nseg, pairno;
    int8_t readno, c;
    int32_t m, pos;
    char strand;
};

// Record A of a read, framed: 19 data bytes between two counts, 27 in all.
constexpr size_t record_a_size = 27;
void put_record_a(char* o, const read_fields& r) {
    put_le32(o, 19);
    put_le32(o + 4, r.id);
    put_le32(o + 8, r.nseg);
    o[12] = static_cast<char>(r.readno);
    put_le32(o + 13, r.m);
    o[17] = static_cast<char>(r.c);
    put_le32(o + 18, r.pos);
    o[22] = r.strand;
    put_le32(o + 23, 19);
}

// Record A and record B (the m read bases) of a read, framed, formatted
// whole in the read file's own buffer.
void write_binary_read(common::unit_file& file, const read_fields& r, const char* bases) {
    const int32_t m = r.m;
    if (m > common::record_piece_limit) {  // record B is a chain of subrecords
        char a[record_a_size];
        put_record_a(a, r);
        file.write_bytes(a, record_a_size);
        common::write_record(file, {common::bytes_of(bases, m)});
        return;
    }
    const size_t size = record_a_size + 8 + static_cast<size_t>(m);
    char* o = file.begin_record(size);
    put_record_a(o, r);
    o += record_a_size;
    put_le32(o, m);
    std::memcpy(o + 4, bases, static_cast<size_t>(m));
    put_le32(o + 4 + m, m);
    file.commit_record(size);
}

// Longest FASTQ header: the pair number in up to 20 digits and the fixed
// fields, with its line feed.
constexpr size_t fastq_header_room = 1 + 20 + 1 + 1 + 3 + 10 + 10 + 12 + 6 + 1 + 1 + 1;

// The four lines of a read's FASTQ record, formatted whole in the file's own
// buffer.
void write_fastq_read(common::unit_file& file, const read_fields& r, const char* bases, const char* qual) {
    const size_t m = static_cast<size_t>(r.m);
    char* const start = file.begin_record(fastq_header_room + 2 * m + 4);
    char* o = start;
    *o++ = '@';
    o = put_digits(o, r.pairno);
    *o++ = '/';
    o = put_fixed(o, r.readno, 1);
    o = put_fixed(o, r.c, 3);
    o = put_fixed(o, r.pos, 10);
    o = put_fixed(o, r.id, 10);
    o = put_fixed(o, r.pairno, 12);
    o = put_fixed(o, r.m, 6);
    *o++ = ' ';
    *o++ = r.strand;
    *o++ = '\n';
    std::memcpy(o, bases, m);
    o += m;
    *o++ = '\n';
    *o++ = '+';
    *o++ = '\n';
    std::memcpy(o, qual, m);
    o += m;
    *o++ = '\n';
    file.commit_record(static_cast<size_t>(o - start));
}

// Errors, missing bases and qualities of one read, base by base in the order
// written: error test (and a replacement unless the base is 'N'), missing test.
inline void apply_read_model(const read_model& rm, unif2_state& stream, char* bases, char* qual) {
    // A local copy of the stream: the byte stores below cannot alias it, so
    // its integers stay in registers.
    unif2_state R = stream;
    const double E = rm.E, missrate = rm.missrate;
    const char quality = rm.quality;
    for (int32_t i = 0, m = rm.m; i < m; ++i) {
        char b = bases[i];
        if (unif2(R) < E && b != 'N') b = ACGT[static_cast<int32_t>(unif2(R) * 4.0 + 1.0)];
        if (unif2(R) < missrate) b = 'N';
        bases[i] = b;
        qual[i] = b == 'N' ? '#' : quality;
    }
    stream = R;
}

void print_end_lines(const read_model& rm, int32_t id, const std::string& base, int32_t nseg, int64_t total_bases) {
    std::string text;
    common::append_fixed_int(text, total_bases, 14);
    text += " total bases of sequence generated for sourceID";
    common::append_fixed_int(text, id, 10);
    text += '\n';
    common::append_fixed_int(text, nseg, 14);
    text += " sequence segments written to fastQ file ";
    text += base;
    text += '\n';
    common::append_fixed_int(text, nseg, 14);
    text += " records written, X coverage =";
    common::append_fixed_real(text, coverage_of(rm, nseg), 10, 4);
    text += '\n';
    common::free_format_line empty;
    text += empty.text();
    common::console_file().write_text(text);  // the source's end lines stay together
}

void print_progress(const read_model& rm, const std::string& base, int32_t nseg) {
    common::fixed_line()
        .integer(nseg, 14)
        .text(" records written, X coverage =")
        .real(coverage_of(rm, nseg), 10, 4)
        .text("   ")
        .text(base)
        .write_console();
}

void print_conflict(int32_t nseg, int8_t c, int32_t pos1, int32_t pos2) {
    common::free_format_line first, second;
    first.add("Conflicting locations for pair ").add(static_cast<int32_t>(nseg - 1)).add(c).add(pos1);
    second.add("                          pair ").add(nseg).add(c).add(pos2);
    std::string text(first.text());
    text += second.text();
    common::console_file().write_text(text);
}

// Which read files outformat calls for: sourceK.unf for binary output,
// sourceK.1.fq and sourceK.2.fq for FASTQ.
bool writes_binary(int32_t outformat) { return outformat == 0 || outformat == 2; }
bool writes_fastq(int32_t outformat) { return outformat == 1 || outformat == 2; }

// The names of the three read files of a source, from its base name.
struct read_file_names {
    std::string unf, fq1, fq2;
    explicit read_file_names(const std::string& base) : unf(base + ".unf"), fq1(base + ".1.fq"), fq2(base + ".2.fq") {}
};

// The read files of one source, opened when the source starts as outformat
// asks. Units 3K+12, 3K+13 and 3K+14.
class source_files {
public:
    source_files(int32_t outformat, int32_t K, const read_file_names& names)
        : binary_(writes_binary(outformat)),
          fastq_(writes_fastq(outformat)),
          unf_(unit_of(K), names.unf),
          fq1_(unit_of(K) + 1, names.fq1),
          fq2_(unit_of(K) + 2, names.fq2) {
        if (binary_) unf_.open();
        if (fastq_) {
            fq1_.open();
            fq2_.open();
        }
    }

    /// One read in every file that outformat calls for.
    void write_read(const read_fields& r, const char* bases, const char* qual) {
        if (binary_) write_binary_read(unf_, r, bases);
        if (fastq_) write_fastq_read(r.readno == 1 ? fq1_ : fq2_, r, bases, qual);
    }

    /// Completes and closes the files.
    void close() {
        unf_.close();
        fq1_.close();
        fq2_.close();
    }

private:
    static int unit_of(int32_t K) { return static_cast<int>(3 * static_cast<int64_t>(K) + 12); }

    bool binary_, fastq_;
    common::unit_file unf_, fq1_, fq2_;
};

// The bases of one read, in the order written, into BASES: a forward read
// takes fragment offsets 1..m, a reverse one offsets L..L-m+1 complemented.
// Returns the read position, that of the leftmost offset the read covers.
inline int32_t take_read_bases(thread_work& w, int dir, int32_t m, int32_t L) {
    const char* SEQ = w.arrays.SEQUENCE.data();
    const int32_t* POS = w.arrays.POSITION.data();
    char* BASES = w.BASES.data();
    if (dir == 1) {
        std::memcpy(BASES, SEQ, static_cast<size_t>(m));
        return POS[0];
    }
    char* COMP = w.arrays.COMPLEMENT.data();
    for (int32_t off = L - m + 1; off <= L; ++off)
        COMP[off - 1] = complement.of[static_cast<unsigned char>(SEQ[off - 1])];
    for (int32_t i = 0; i < m; ++i) BASES[i] = COMP[L - 1 - i];
    return POS[L - m];
}

// Nothing of the thread's previous source shows through the work arrays.
void clear_work_arrays(thread_work& w, int32_t L) {
    if (L <= 0) return;
    std::memset(w.arrays.SEQUENCE.data(), 'N', static_cast<size_t>(L));
    std::memset(w.arrays.COMPLEMENT.data(), 'N', static_cast<size_t>(L));
    std::memset(w.arrays.POSITION.data(), 0, sizeof(int32_t) * static_cast<size_t>(L));
}

void simulate_source(const read_model& rm, const fragment_inputs& in, int32_t K, thread_work& w) {
    const int32_t m = rm.m, L = rm.L;
    const int32_t id = in.src.SOURCEID[K];
    const std::string base = base_name(K);
    source_files files(rm.outformat, K, read_file_names(base));
    clear_work_arrays(w, L);

    fragment_source fs;
    fs.source = K;
    set_up_source_streams(fs.streams, rm.seed, K, rm.sources);
    unif2_state& R = fs.streams.READSTREAM;
    int32_t nseg = 0;
    int64_t total_bases = 0;

    do {
        const int8_t c = build_fragment(in, fs, w.arrays);
        const int dir1 = unif2(R) > 0.5 ? 2 : 1;
        int32_t pos[3] = {0, 0, 0};
        for (int8_t readno = 1; readno <= 2; ++readno) {
            const int dir = readno == 1 ? dir1 : 3 - dir1;
            pos[readno] = take_read_bases(w, dir, m, L);
            apply_read_model(rm, R, w.BASES.data(), w.arrays.QUAL.data());
            ++nseg;
            reseed_after_read(R, rm.seed, K, rm.sources, nseg);
            const read_fields r{id, nseg, (nseg + 1) / 2, readno, c, m, pos[readno], strand_letter[dir]};
            files.write_read(r, w.BASES.data(), w.arrays.QUAL.data());
            if (nseg % 10000000 == 0) print_progress(rm, base, nseg);
            total_bases += m;
        }
        const int64_t apart = static_cast<int64_t>(pos[1]) - pos[2];
        if ((apart < 0 ? -apart : apart) > L) print_conflict(nseg, c, pos[1], pos[2]);
    } while (nseg < rm.nreads);

    // The end lines tell of files that are complete.
    files.close();
    print_end_lines(rm, id, base, nseg, total_bases);
}

// Every read file of this run that holds an earlier run's bytes is emptied
// before the first source starts: a run that ends early then leaves no file
// that could pass for a complete one, and a run that ends normally writes
// each of them anyway. Only regular files are cut; a name that is something
// else (a directory, a device) meets its error or its use in its source's
// turn.
void cut_earlier_read_files(int32_t outformat, int32_t sources) {
    common::output_claims claims;
    const auto cut = [&claims](const std::string& name) {
        claims.claim(name);  // never an input or another output of the run
        struct stat st {};
        if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return;
        // A file that cannot be cut here cannot be written either: its
        // source's opening or first write reports the error.
        [[maybe_unused]] const int status = truncate(name.c_str(), 0);
    };
    for (int32_t K = 1; K <= sources; ++K) {
        const read_file_names names(base_name(K));
        if (writes_binary(outformat)) cut(names.unf);
        if (writes_fastq(outformat)) {
            cut(names.fq1);
            cut(names.fq2);
        }
    }
}

}  // namespace

void check_fragment_fits(const options& opt, const reference_map& map) {
    if (opt.sources < 1) return;  // a run that simulates nothing draws no fragment
    for (int32_t i = 1; i <= map.nchrom; ++i)
        if (map.CHROLEN[i] >= opt.fraglen) return;
    common::stop_with("No chromosome of the reference map is as long as fraglen =", opt.fraglen);
}

void simulate_sources(const options& opt, const derived& der, const reference_map& map, const variant_tables& var,
                      const source_tables& src) {
    if (opt.sources < 1) return;
    const read_model rm{opt.maxlngth,
                        opt.fraglen,
                        opt.outformat,
                        opt.sources,
                        der.seed,
                        der.nreads,
                        static_cast<double>(opt.errate * 4.0f / 3.0f),
                        static_cast<double>(opt.missrate),
                        der.quality,
                        static_cast<float>(map.totlen)};
    const fragment_inputs in{opt, map, var, src};
    cut_earlier_read_files(opt.outformat, opt.sources);
    const int team = common::usable_team_size(std::min(omp_get_max_threads(), opt.sources));
#pragma omp parallel num_threads(team)
    {
        thread_work w(opt);
#pragma omp for schedule(static)
        for (int32_t K = 1; K <= opt.sources; ++K) simulate_source(rm, in, K, w);
    }
}

}  // namespace fragsim
