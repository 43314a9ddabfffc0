// fragsim: simulates paired reads of many sources from the reference map.
#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "common/run_start.h"
#include "common/wall_time.h"
#include "fragsim/fragsim.h"
#include "fragsim/source_loop.h"

int main(int argc, char**) {
    common::prepare_process();
    common::refuse_arguments(argc, "fragsim", "fragsim.options");
    // The tables live on the heap: these hold their handles and the files,
    // small enough for ordinary locals. The run ends by exiting inside a
    // call, never by returning, so they last as long as the run.
    fragsim::files files;
    fragsim::reference_map map;
    fragsim::variant_tables var;
    fragsim::source_tables src;
    fragsim::work_arrays work;
    fragsim::derived der;

    fragsim::start_run(files);
    const fragsim::options opt = fragsim::read_options(files);
    fragsim::open_files(files);
    fragsim::quality_value(opt, der);
    fragsim::read_seed(files, der);
    fragsim::read_chromosome_count(files, map);
    fragsim::allocate_tables(opt, map, var, src, work);

    common::mywalltime();
    common::write_free("Read reference map, alternate alleles, insertions, and deletions");
    common::write_empty_line();
    fragsim::load_reference_map(files, map);
    fragsim::check_fragment_fits(opt, map);
    common::mywalltime();

    fragsim::read_true_variants(opt, files, map, var);
    fragsim::compute_nreads(opt, map, der);
    common::mywalltime();

    fragsim::read_genotypes(opt, files, var, src);
    fragsim::write_file_list(opt, files, src);
    common::mywalltime();
    common::write_empty_line();

    // The source loop: every source in parallel.
    fragsim::simulate_sources(opt, der, map, var, src);

    fragsim::finish_run(opt, files);
    common::plain_end();
}
