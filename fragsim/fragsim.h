#pragma once
// The state of one fragsim run: options, derived values, files and tables.
// Everything is created once before the source loop and is read-only during
// it (the per-source files and random streams belong to the loop).
#include <cstdint>
#include <string>

#include "common/tables.h"
#include "common/unit_file.h"
#include "common/variant_record.h"
#include "fragsim/stream_ahead.h"
#include "fragsim/variant_storage.h"

namespace fragsim {

struct options {
    int32_t paired = 0;     // 1: fraglen := maxlngth after the echo
    int32_t maxlngth = 0;   // read length
    int32_t fraglen = 0;    // fragment length
    int32_t maxinsert = 0;  // capacity of INSERT
    int32_t maxvar = 0;     // capacity of the variant tables
    int32_t outformat = 0;  // 0 binary, 1 FASTQ, 2 both, other none
    int32_t sources = 0;    // number of sources
    float read_depth = 0;   // target coverage
    float errate = 0;       // per-base error rate
    float missrate = 0;     // per-base missing rate
};

/// Values derived once from the options and inputs.
struct derived {
    int32_t phred = 0;   // quality value
    char quality = ' ';  // quality character of every base that is not 'N'
    int32_t seed = 0;    // simulation seed from simseed
    int32_t nreads = 0;  // reads wanted per source
};

struct files {
    common::unit_file options{9, "fragsim.options"};
    common::unit_file reference_unf{10, "reference.unf"};
    common::unit_file variants_true{11, "variants.true"};
    common::unit_file simseed{12, "simseed"};
    common::unit_file genotypes_true{13, "genotypes.true"};
    common::unit_file fastq_filelist{14, "fastq.filelist"};
    bool have_genotypes = false;  // genotypes.true existed at start-up
};

/// CHROMTABLE seen from the lastout of the chromosome draw: the lastouts
/// from[r] up to from[r + 1] - 1 draw chromosome[r]. A chromosome's slots are
/// one run of the table and the slot grows with the lastout, so a table of
/// nchrom chromosomes has at most nchrom runs. bucket[b] is the run of the
/// smallest lastout whose top bits are b, so a draw steps over at most the
/// runs that start within its bucket. nruns 0: not built (a table of more
/// runs than room), the draw goes through CHROMTABLE.
struct chromosome_runs {
    static constexpr int32_t max_runs = 128;
    static constexpr int bucket_shift = 19;
    static constexpr int32_t buckets = int32_t{1} << (31 - bucket_shift);
    int32_t nruns = 0;
    int32_t from[max_runs] = {};
    int8_t chromosome[max_runs] = {};
    uint8_t bucket[buckets] = {};
};

struct reference_map {
    int32_t nchrom = 0;                 // chromosome count, 1..127 once loaded
    int64_t maxlen = 0;                 // longest chromosome
    int64_t totlen = 0;                 // total length, above 0 once loaded
    int32_t nmiss = 0;                  // upper-case 'N' in the map
    common::table<int32_t> CHROLEN;     // 1..nchrom
    common::matrix<char> REFERENCE;     // (1..maxlen, 1..nchrom)
    variant_positions VARNUM;           // VARNUM(p, c): 0 or the slot of the last variant there
    common::table<int32_t> CHROMTABLE;  // 1..1,000,000: chromosome per slot
    chromosome_runs CHROMRUNS;          // CHROMTABLE by the draw's lastout
};

/// Slots of CHROMTABLE.
inline constexpr int32_t chromtable_size = 1000000;

/// The CHROMTABLE slot that a uniform draw u, 0 < u < 1, picks:
/// trunc(u * 1,000,000 + 1) in double precision, kept within 1..1,000,000.
int32_t chromtable_slot(double u);
/// The chromosome (1..nchrom) of a CHROMTABLE slot.
int8_t chromosome_of_slot(const reference_map& map, int32_t slot);
/// The chromosome (1..nchrom) that a uniform draw u, 0 < u < 1, picks through
/// CHROMTABLE.
inline int8_t draw_chromosome(const reference_map& map, double u) {
    return chromosome_of_slot(map, chromtable_slot(u));
}

/// The chromosome that the draw of lastout out (1..2147483646) picks through
/// CHROMTABLE, the same as draw_chromosome(map, value_of(out)): from the runs
/// of equal slots, a small table that stays in the cache in place of a
/// lookup in the table of 1,000,000 slots.
inline int8_t draw_chromosome_of_out(const reference_map& map, int32_t out) {
    const chromosome_runs& runs = map.CHROMRUNS;
    if (runs.nruns == 0) return chromosome_of_slot(map, chromtable_slot(value_of(out)));
    int32_t r =
        runs.bucket[static_cast<uint32_t>(out) >> chromosome_runs::bucket_shift & (chromosome_runs::buckets - 1)];
    while (r + 1 < runs.nruns && out >= runs.from[r + 1]) ++r;
    return runs.chromosome[r];
}

struct variant_tables {
    int32_t nvar = 0, nsnp = 0, nins = 0, ndel = 0;
    int32_t maxindel = 0;                         // largest VARLEN of the accepted records
    int32_t insfill = 0;                          // characters stored in INSERT
    common::table<int8_t> VARCHROME;              // 1..maxvar
    common::table<int32_t> VARLOC;                // 1..maxvar
    common::table<common::variant_kind> VARTYPE;  // 1..maxvar: the kind of the type text as read
    common::table<int32_t> VARLEN;                // 1..maxvar
    common::table<int32_t> INSPOS;                // 1..maxvar
    common::table<char> INSERT;                   // 1..maxinsert
    // 1..maxvar: the base of the alternate map at the slot's position once the
    // slot is stored: an SNP's allele (lower case on a lower-case reference
    // base), for any other type what the position held before it (an earlier
    // SNP's allele, else the reference base). The walk reads it for SNPs.
    common::table<char> ALTBASE;
    /// The tables at the capacities maxvar and maxinsert (empty when negative).
    void allocate(const options& o) {
        INSERT.allocate(1, o.maxinsert);
        INSPOS.allocate(1, o.maxvar);
        VARLOC.allocate(1, o.maxvar);
        VARLEN.allocate(1, o.maxvar);
        VARTYPE.allocate(1, o.maxvar);
        VARCHROME.allocate(1, o.maxvar);
        ALTBASE.allocate(1, o.maxvar);
    }
};

/// ALTERNATE(p, c): the reference map with the allele of the last accepted
/// SNP at each position put in (lower case where the reference base is);
/// REFERENCE(p, c) where no SNP was accepted.
inline char ALTERNATE(const reference_map& map, const variant_tables& var, int64_t p, int64_t c) {
    const int32_t v = map.VARNUM(p, c);
    return v != 0 ? var.ALTBASE[v] : map.REFERENCE(p, c);
}

// Every accepted variant has: VARCHROME in 1..nchrom, VARLOC in
// 1..CHROLEN(c), VARLEN at most 100,000. "SNP" and "DEL" have VARLEN >= 1,
// "INS" VARLEN >= 0; a "DEL" stretch ends on its chromosome (VARLOC + VARLEN
// - 1 <= CHROLEN); an "INS" of length >= 1 is not at the last position of
// its chromosome; INSPOS + VARLEN - 1 <= insfill <= maxinsert. Other type
// texts keep their length as read (possibly negative).

struct source_tables {
    int32_t ngeno = 0;                // genotype rows accepted
    common::table<int32_t> SOURCEID;  // 1..sources
    // GENOROW cells: rows 1..ngeno hold what genotypes.true gave (blank past
    // a short line). When ngeno >= 1, the sources ngeno+1..sources, which have
    // no row, hold '0' (homozygous reference) in cells 1..nvar: they carry
    // none of the true variants, take no allele draw, and their reads do not
    // depend on the thread.
    genotype_cells GENOROW;  // GENOROW(v, s): v 1..nvar, s 1..sources
};

/// Base name of source K: "source" followed by K in decimal (source7);
/// its files are the base name followed by ".unf", ".1.fq" and ".2.fq".
std::string base_name(int32_t K);

/// One set of the fragment work arrays: fraglen entries each, 0 when fraglen
/// is negative. The start-up creates one set (so an impossible size fails
/// there); each worker of the source loop creates its own. A reverse read is
/// complemented straight into the read's own bases, and each worker holds
/// the bases and qualities of its reads (source_loop.cpp).
struct work_arrays {
    common::table<char> SEQUENCE;
    common::table<int32_t> POSITION;
    void allocate(const options& o) {
        SEQUENCE.allocate(1, o.fraglen);
        POSITION.allocate(1, o.fraglen);
    }
};

// Phases of the run before and after the source loop, in run order.

/// Flush-to-zero mode, banner, existence checks (run_setup.cpp).
void start_run(files& f);
/// Opens and reads fragsim.options with its echo lines; applies the fraglen
/// rule; stops on a read length below 1 or above fraglen.
options read_options(files& f);
/// Opens the remaining files in their order.
void open_files(files& f);
/// The quality alphabet lines, phred and the quality character; stops on an
/// errate above 1 or one so small that phred passes 127.
void quality_value(const options& o, derived& d);
/// Reads seed from simseed and prints the seed line.
void read_seed(files& f, derived& d);
/// Creates the tables sized from the options and nchrom.
void allocate_tables(const options& o, reference_map& map, variant_tables& var, source_tables& src, work_arrays& work);
/// nreads from totlen, read_depth and maxlngth; stops when it does not fit in
/// 32 bits.
void compute_nreads(const options& o, const reference_map& map, derived& d);
/// Closes the files and prints the closing lines.
void finish_run(const options& o, files& f);

/// Record 1 of reference.unf; stops on a count below 1 or above 127
/// (map_loading.cpp).
void read_chromosome_count(files& f, reference_map& map);
/// The lengths, the reference map, room for VARNUM, the chromosome lines,
/// the totals and CHROMTABLE; stops on a total length of 0 or less.
void load_reference_map(files& f, reference_map& map);
/// Fills CHROMTABLE from CHROLEN, nchrom and totlen by the stepping rule, and
/// CHROMRUNS from CHROMTABLE.
void build_chromtable(reference_map& map);

/// Reads variants.true into the variant tables, VARNUM and ALTBASE, with
/// the echo, the checks and the summary (true_variants.cpp).
void read_true_variants(const options& o, files& f, reference_map& map, variant_tables& var);
/// VARNUM from slots 1..nvar (VARNUM freshly allocated: no position marked)
/// and ALTBASE of the slots that are not SNPs; ALTBASE of the SNP slots as
/// stored.
void index_variants(reference_map& map, variant_tables& var);

/// Reads genotypes.true (when it exists) into SOURCEID and GENOROW
/// (genotypes.cpp).
void read_genotypes(const options& o, files& f, const variant_tables& var, source_tables& src);
/// Gives every source its ID, writes fastq.filelist and closes it (fatal 38
/// when it cannot be completed).
void write_file_list(const options& o, files& f, source_tables& src);

}  // namespace fragsim
