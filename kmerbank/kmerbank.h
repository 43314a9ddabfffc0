#pragma once
// The state of one kmerbank run: options, files and tables. Everything is
// created once at start-up and lives until the run ends.
#include <cstdint>
#include <memory>

#include "common/free_format_reader.h"
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

struct tables {
    common::matrix<char> REFERENCE;   // (1..maplngth, 1..chromes)
    common::matrix<char> ALTERNATE;   // (1..maplngth, 1..chromes)
    common::matrix<int8_t> FLANK;     // (1..maplngth, 1..chromes)
    common::table<char> SEGMENT;      // 1..99999
    common::table<int64_t> GAPS;      // 1..maxhash
    common::table<int32_t> STORELOC;  // -maxdup..maxhash
    common::table<int32_t> VARLOC;    // 1..maxvar
    common::table<char> VARTYPE;      // 1..maxvar, 3 characters each (3 * maxvar)
    common::table<int32_t> VARLEN;    // 1..maxvar
    common::table<int8_t> VARCHROME;  // 1..maxvar
    common::table<int8_t> STORECHRO;  // -maxdup..maxhash
    common::table<int32_t> CHROLEN;   // 1..chromes
    common::table<int8_t> STORENUM;   // 1..maxhash
    common::table<int32_t> LASTLOC;   // -maxdup..0
    common::table<int8_t> LASTCHRO;   // -maxdup..0
    common::table<char> READMAP;      // 1..maplngth; released once reference.unf is written
};

// Start-up phases, in run order (run_setup.cpp).

/// Flush-to-zero mode, banner, existence checks, opening of every file.
void start_run(files& f);
/// Reads and echoes kmerbank.options; lowers mingap to hashlen.
options read_options(files& f);
/// Allocates every table once at the capacities of the options.
void allocate_tables(const options& opt, tables& t);

}  // namespace kmerbank
