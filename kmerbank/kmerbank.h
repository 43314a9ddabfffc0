#pragma once
// The state of one kmerbank run: options, files and tables. Everything is
// created once at start-up and lives until the run ends.
#include <cstdint>

#include "common/tables.h"
#include "common/unit_file.h"

namespace kmerbank {

struct options {
    int32_t mingap = 0;    // smallest same-base gap of the sampling rule (lowered to hashlen)
    int32_t maxgap = 0;    // largest same-base gap of the sampling rule
    int32_t chromes = 0;   // chromosome capacity; lowered to the chromosomes read
    int32_t maplngth = 0;  // longest chromosome
    int32_t maxhash = 0;   // slots of the hash table
    int32_t maxdup = 0;    // duplicate entries of the hash table
    int32_t hashlen = 0;   // k-mer length
    int32_t maxvar = 0;    // capacity of the variant table
    int32_t flanklen = 0;  // half-width of the flank text
};

struct files {
    common::unit_file options{9, "kmerbank.options"};
    common::unit_file reference_fa{12, "reference.fa"};
    common::unit_file variants_prior{11, "variants.prior"};
    common::unit_file flank_loc{15, "flank.loc"};
    common::unit_file reference_unf{10, "reference.unf"};
    common::unit_file kmerbank_unf{20, "kmerbank.unf"};
    common::unit_file flank_ref{25, "flank.ref"};
    bool have_flank_loc = false;  // flank.loc existed at start-up
};

/// Length of the line buffer, SEGMENT and the allele text buffer.
inline constexpr int32_t line_capacity = 99999;

/// The reference and alternate maps, their lengths, and the two staging
/// tables of reading reference.fa and writing reference.unf.
struct reference_map {
    common::matrix<char> REFERENCE;  // (1..maplngth, 1..chromes)
    common::matrix<char> ALTERNATE;  // (1..maplngth, 1..chromes)
    common::table<char> SEGMENT;     // 1..99999
    common::table<int32_t> CHROLEN;  // 1..chromes
    common::table<char> READMAP;     // 1..maplngth; released once reference.unf is written
};

/// The prior variants and the positions marked by flank.loc.
struct variant_tables {
    common::matrix<int8_t> FLANK;     // (1..maplngth, 1..chromes): 1 where flank.loc marks
    common::table<int32_t> VARLOC;    // 1..maxvar
    common::table<char> VARTYPE;      // 1..maxvar, 3 characters each (3 * maxvar)
    common::table<int32_t> VARLEN;    // 1..maxvar
    common::table<int8_t> VARCHROME;  // 1..maxvar
};

/// The k-mer hash table: its six arrays and two counters. Every entry starts
/// at 0, as the allocation leaves it.
struct hash_tables {
    common::table<int64_t> GAPS;      // 1..maxhash: key of each slot, 0 when empty
    common::table<int32_t> STORELOC;  // -maxdup..maxhash
    common::table<int8_t> STORECHRO;  // -maxdup..maxhash
    common::table<int8_t> STORENUM;   // 1..maxhash
    common::table<int32_t> LASTLOC;   // -maxdup..0
    common::table<int8_t> LASTCHRO;   // -maxdup..0
    int32_t nhash = 0;                // keys in the table
    int32_t ndup = 0;                 // duplicate entries in use
};

// Start-up phases, in run order (run_setup.cpp).

/// Flush-to-zero mode, banner, existence checks, opening of every file.
void start_run(files& f);
/// Reads and echoes kmerbank.options; lowers mingap to hashlen. Stops the run
/// on a maxhash of 2,147,483,647, a negative maxdup, a hashlen outside 1..32
/// or a negative flanklen.
options read_options(files& f);
/// Allocates every table once at the capacities of the options, zero-filled.
void allocate_tables(const options& opt, reference_map& map, variant_tables& var, hash_tables& hash);

/// Most chromosomes a map may hold: chromosome numbers are stored as signed
/// 8-bit values in the variant lists, the hash table and the simulator.
inline constexpr int32_t most_chromosomes = 127;

// Reference phase (reference_map.cpp).

/// Reads reference.fa into REFERENCE and CHROLEN, trims the trailing 'N' runs
/// and lowers chromes to the chromosomes read. Stops the run on a line past
/// maplngth or 99,999 characters, lines before the first header, more than
/// 127 chromosomes, or nothing to map.
void read_reference(common::unit_file& reference_fa, options& opt, reference_map& map);

/// Drops the run of upper-case 'N' that ends chromosome c.
void trim_chromosome(reference_map& map, int32_t c);

struct fold_counts {
    int64_t ntotal = 0;    // positions visited
    int64_t nlower = 0;    // a, c, g, t folded
    int64_t nunknown = 0;  // 'N' or 'n'
};
/// For chromosomes 1..chromes, one per iteration of a parallel loop on as
/// many threads as can be started (the calling thread alone when none can):
/// copies the chromosome as read (REFERENCE, positions 1..CHROLEN) into
/// ALTERNATE, then folds a, c, g, t of REFERENCE to upper case.
fold_counts fold_reference_case(int32_t chromes, const common::table<int32_t>& CHROLEN, common::matrix<char>& REFERENCE,
                                common::matrix<char>& ALTERNATE);
/// The three count lines of the fold and an empty line.
void write_fold_counts(const fold_counts& n);

/// Writes reference.unf from REFERENCE through READMAP, completes the file
/// and releases READMAP.
void write_reference_file(common::unit_file& reference_unf, const options& opt, reference_map& map);

// Variant phase (prior_variants.cpp).

/// Reads flank.loc, sets FLANK to 1 at each position it lists, and writes the
/// header line of flank.ref. Stops the run on a position outside FLANK.
void mark_flank_positions(files& f, variant_tables& var);

/// Reads variants.prior and checks each record against the maps (REFERENCE
/// and CHROLEN are only read); stores it in the variant table, puts each SNP
/// allele into ALTERNATE and writes the flank line of each marked SNP.
/// Completes flank.ref and prints the summary lines. Returns the records
/// accepted.
int32_t apply_prior_variants(files& f, const options& opt, reference_map& map, variant_tables& var);

// K-mer hash table (hash_table.cpp): the table's own operations and its file.

/// Which map a k-mer pass walks.
enum class map_kind { ref, alt };

/// The codes n8hash ends the run with (common::end_with_code).
inline constexpr int code_probing_gave_up = 41;   // "Function N8HASH dropped out of the loop"
inline constexpr int code_table_too_small = 261;  // "hash table size ... is too small": the shell sees 5

/// Finds or inserts key (mode 1), finds it (other modes; 0 when absent), or
/// clears the table (mode -1, returns -1). A key of 0 returns 0. Ends the
/// run with code_probing_gave_up when probing gives up and with
/// code_table_too_small when more than 0.9 * size keys would be held.
int32_t n8hash(int64_t key, int32_t mode, common::table<int64_t>& GAPS, int32_t size, int32_t& count);

/// Brings the entries of the home slot of key (> 0) that the store step of
/// a pass of this kind touches into the cache ahead of it; changes nothing.
void prefetch_home_slot(const hash_tables& hash, int64_t key, int32_t maxhash, map_kind kind);

/// Stores one taken k-mer: key V (> 0), chromosome i, end position p. Stops
/// the run past half of maxhash keys or maxdup duplicate entries.
void store_kmer(int64_t V, int32_t i, int32_t p, map_kind kind, const options& opt, hash_tables& hash);

/// Writes the two records of kmerbank.unf.
void write_hash_table(common::unit_file& file, const options& opt, const hash_tables& hash);

// Hash table phase (kmer_sampling.cpp): the k-mer passes that fill the table
// through its store step.

/// Base code of one character: A 0, C 1, G 2, T 3, every other byte 0.
int32_t basenum(char letter);

/// One k-mer pass over map: samples the k-mers of every chromosome and hands
/// each key to store_kmer, in the order they are taken. Stops the run on a
/// negative key.
void mapstore(const common::matrix<char>& map, map_kind kind, const options& opt, const common::table<int32_t>& CHROLEN,
              hash_tables& hash);

/// Fills the empty table: the reference pass and its count lines, then, when
/// accepted_variants is at least 1, the alternate pass and its count line.
void fill_hash_table(const options& opt, const reference_map& map, hash_tables& hash, int32_t accepted_variants);

}  // namespace kmerbank
