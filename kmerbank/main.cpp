// kmerbank: builds the reference map file, the flank file and the k-mer hash
// table file from reference.fa, variants.prior and kmerbank.options.
#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "common/run_start.h"
#include "common/wall_time.h"
#include "kmerbank/kmerbank.h"

int main(int argc, char**) {
    common::prepare_process();
    common::refuse_arguments(argc, "kmerbank", "kmerbank.options");
    // Ordinary locals: each table is a handle of a few words whose elements
    // live on the heap, and every end of the run leaves through the run end,
    // never by a return from here.
    kmerbank::files files;
    kmerbank::reference_map map;
    kmerbank::variant_tables var;
    kmerbank::hash_tables hash;

    kmerbank::start_run(files);
    kmerbank::options opt = kmerbank::read_options(files);
    kmerbank::allocate_tables(opt, map, var, hash);

    common::write_free("Read reference map, alternate alleles, insertions, and deletions");
    common::mywalltime();
    common::write_empty_line();

    // Reference phase.
    kmerbank::read_reference(files.reference_fa, opt, map);
    const kmerbank::fold_counts folded =
        kmerbank::fold_reference_case(opt.chromes, map.CHROLEN, map.REFERENCE, map.ALTERNATE);
    kmerbank::write_fold_counts(folded);
    kmerbank::write_reference_file(files.reference_unf, opt, map);

    // Variant phase.
    if (files.have_flank_loc) kmerbank::mark_flank_positions(files, var);
    const int32_t accepted = kmerbank::apply_prior_variants(files, opt, map, var);
    common::mywalltime();
    common::write_empty_line();

    // Hash table phase.
    kmerbank::fill_hash_table(opt, map, hash, accepted);
    common::write_free("Write map hash table, etc.");
    kmerbank::write_hash_table(files.kmerbank_unf, opt, hash);
    files.kmerbank_unf.close();  // every output is complete before the closing line
    common::mywalltime();
    common::write_empty_line();
    common::write_free("Program kmerbank completed normally");
    common::plain_end();
}
