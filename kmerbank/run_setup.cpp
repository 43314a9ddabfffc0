// Start-up of kmerbank: banner, existence checks, opening order, options and
// the one allocation of every table.
#include <unistd.h>

#include <cstdint>

#include "common/fixed_width.h"
#include "common/float_mode.h"
#include "common/free_format_reader.h"
#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "common/unit_file.h"
#include "kmerbank/kmerbank.h"

namespace kmerbank {

namespace {
bool exists(const char* name) { return access(name, F_OK) == 0; }
}  // namespace

void start_run(files& f) {
    common::set_flush_to_zero();
    common::end_run_when_memory_runs_out();
    common::write_free("Output from kmerbank");
    common::write_free("Hash table will be written to file kmerbank.unf");
    common::write_empty_line();
    if (!exists("kmerbank.options")) {
        common::write_free("file kmerbank.options is missing");
        common::exit_with_status(common::status_options_missing);
    }
    if (!exists("variants.prior")) common::write_free("file variants.prior is missing");
    f.have_flank_loc = exists("flank.loc");

    f.options.open(common::file_use::input);
    f.reference_fa.open(common::file_use::input);
    f.variants_prior.open(common::file_use::input);
    if (f.have_flank_loc) f.flank_loc.open(common::file_use::input);
    f.reference_unf.open();
    f.kmerbank_unf.open();
    // The table is written only at the very end: emptied now, the file never
    // holds an earlier run's table beside this run's other outputs, whatever
    // the end of this run.
    f.kmerbank_unf.empty();
    if (f.have_flank_loc) f.flank_ref.open();
    common::write_empty_line();
}

options read_options(files& f) {
    options o;
    common::free_format_reader in(f.options);
    in.read({common::item(o.mingap), common::item(o.maxgap), common::item(o.chromes), common::item(o.maplngth),
             common::item(o.maxhash), common::item(o.maxdup)});
    common::fixed_line()
        .integer(o.mingap, 9)
        .integer(o.maxgap, 9)
        .integer(o.chromes, 9)
        .integer(o.maplngth, 12)
        .integer(o.maxhash, 12)
        .integer(o.maxdup, 12)
        .write_console();
    common::write_free("   mingap  maxgap  chromes    maplngth    maxhash      maxdup");
    in.skip_line();
    in.skip_line();
    common::write_empty_line();
    in.read({common::item(o.hashlen), common::item(o.maxvar), common::item(o.flanklen)});
    common::fixed_line().integer(o.hashlen, 6).integer(o.maxvar, 12).integer(o.flanklen, 5).write_console();
    common::write_free(" hashlen    maxvar    flanklen");
    common::write_empty_line();
    if (o.hashlen < o.mingap) o.mingap = o.hashlen;
    // A slot number plus the probe increment must stay within 32 bits, and
    // the duplicate area runs from -maxdup to 0.
    if (o.maxhash >= INT32_MAX) common::stop_with("maxhash in kmerbank.options must be below 2147483647");
    if (o.maxdup < 0) common::stop_with("maxdup in kmerbank.options must not be below 0");
    // A key holds hashlen base codes of two bits in 64 bits; below 1 no base
    // is read and every k-mer gets one key.
    if (o.hashlen < 1 || o.hashlen > 32) common::stop_with("hashlen in kmerbank.options must be from 1 to 32");
    // A negative half-width would write an empty flank text for every SNP.
    if (o.flanklen < 0) common::stop_with("flanklen in kmerbank.options must not be below 0");
    return o;
}

void allocate_tables(const options& o, reference_map& map, variant_tables& var, hash_tables& hash) {
    // In the order of the table list of the run, the sizes from the options
    // as read. Every table comes zero-filled from the system, page by page as
    // it is first touched, so a table of which a run uses little (FLANK, the
    // map columns past each chromosome's length) costs little memory.
    const int64_t rows = o.maplngth, cols = o.chromes;
    const int64_t dup = -static_cast<int64_t>(o.maxdup);
    map.REFERENCE.allocate(rows, cols);
    map.ALTERNATE.allocate(rows, cols);
    var.FLANK.allocate(rows, cols);
    map.SEGMENT.allocate(1, line_capacity);
    hash.GAPS.allocate(1, o.maxhash);
    hash.STORELOC.allocate(dup, o.maxhash);
    var.VARLOC.allocate(1, o.maxvar);
    var.VARTYPE.allocate(1, 3 * static_cast<int64_t>(o.maxvar));
    var.VARLEN.allocate(1, o.maxvar);
    var.VARCHROME.allocate(1, o.maxvar);
    hash.STORECHRO.allocate(dup, o.maxhash);
    map.CHROLEN.allocate(1, o.chromes);
    hash.STORENUM.allocate(1, o.maxhash);
    hash.LASTLOC.allocate(dup, 0);
    hash.LASTCHRO.allocate(dup, 0);
    map.READMAP.allocate(1, o.maplngth);
    // The k-mer passes read and write the hash table at random slots.
    hash.GAPS.prefer_huge_pages();
    hash.STORELOC.prefer_huge_pages();
    hash.STORECHRO.prefer_huge_pages();
    hash.STORENUM.prefer_huge_pages();
}

}  // namespace kmerbank
