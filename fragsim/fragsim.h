#pragma once
// The state of one fragsim run: options, derived values, files and tables.
// Everything is created once before the source loop and is read-only during
// it (the per-source files and random streams belong to the loop).
#include <cstdint>

#include "common/tables.h"
#include "common/unit_file.h"

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
    int32_t phred = 0;      // quality value
    char quality = ' ';     // quality character of every base that is not 'N'
    int32_t seed = 0;       // simulation seed from simseed
    int32_t nreads = 0;     // reads wanted per source
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

struct reference_map {
    int32_t nchrom = 0;                // chromosome count
    int64_t maxlen = 0;                // longest chromosome
    int64_t totlen = 0;                // total length
    int32_t nmiss = 0;                 // upper-case 'N' in the map
    common::table<int32_t> CHROLEN;    // 1..nchrom
    common::matrix<char> REFERENCE;    // (1..maxlen, 1..nchrom)
    common::matrix<char> ALTERNATE;    // (1..maxlen, 1..nchrom)
    common::matrix<int32_t> VARNUM;    // (1..maxlen, 1..nchrom): 0 or the slot of the last variant there
    common::table<int32_t> CHROMTABLE; // 1..1,000,000: chromosome per slot
};

struct variant_tables {
    int32_t nvar = 0, nsnp = 0, nins = 0, ndel = 0;
    int32_t maxindel = 0;              // largest VARLEN of the accepted records
    int32_t insfill = 0;               // characters stored in INSERT
    common::table<int8_t> VARCHROME;   // 1..maxvar
    common::table<int32_t> VARLOC;     // 1..maxvar
    common::table<char> VARTYPE;       // 1..3*maxvar: slot j is VARTYPE[3j-2..3j]
    common::table<int32_t> VARLEN;     // 1..maxvar
    common::table<int32_t> INSPOS;     // 1..maxvar
    common::table<char> INSERT;        // 1..maxinsert
};

struct source_tables {
    int32_t ngeno = 0;                 // genotype rows accepted
    common::table<int32_t> SOURCEID;   // 1..sources
    common::matrix<char> GENOROW;      // (1..2*maxvar, 1..sources)
};

/// Extents of the per-thread work arrays (SEQUENCE, COMPLEMENT, POSITION,
/// QUAL): fraglen entries each, 0 when fraglen is negative.
inline int64_t work_extent(const options& o) { return o.fraglen > 0 ? o.fraglen : 0; }

}  // namespace fragsim
