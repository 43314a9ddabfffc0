// kmerbank: builds the reference map file, the flank file and the k-mer hash
// table file from reference.fa, variants.prior and kmerbank.options.
#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "common/wall_time.h"
#include "kmerbank/kmerbank.h"

int main(int argc, char**) {
    common::refuse_arguments(argc, "kmerbank", "kmerbank.options");
    static kmerbank::files files;
    static kmerbank::tables tables;
    kmerbank::start_run(files);
    kmerbank::options opt = kmerbank::read_options(files);
    kmerbank::allocate_tables(opt, tables);

    common::write_free("Read reference map, alternate alleles, insertions, and deletions");
    common::mywalltime();
    common::write_empty_line();

    kmerbank::read_reference(files, opt, tables);
    const int32_t accepted = kmerbank::apply_prior_variants(files, opt, tables);
    kmerbank::build_hash_table(files, opt, tables, accepted);
    common::plain_end();
}
