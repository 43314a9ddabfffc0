// Start-up and close of fragsim: banner, existence checks, options, the
// opening order, the quality value, the seed, the one creation of the option
// sized tables, the read count and the closing lines.
#include <unistd.h>

#include <cmath>
#include <string>

#include "common/fixed_width.h"
#include "common/float_mode.h"
#include "common/free_format_reader.h"
#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "common/wall_time.h"
#include "fragsim/fragsim.h"

namespace fragsim {

namespace {

bool exists(const char* name) { return access(name, F_OK) == 0; }

// Codes 40 ('(') to 126 ('~'), then one blank.
std::string quality_alphabet() {
    std::string a;
    for (int code = 40; code <= 126; ++code) a.push_back(static_cast<char>(code));
    a.push_back(' ');
    return a;
}

}  // namespace

void start_run(files& f) {
    common::set_flush_to_zero();
    common::end_run_when_memory_runs_out();
    // The console writes every line whole under its own lock, so it is ready
    // for the threads of the source loop as it stands.
    common::write_free("Output from fragsim");
    common::write_empty_line();
    if (!exists("fragsim.options")) {
        common::write_free("Input file fragsim.options is missing.");
        common::exit_with_status(common::status_options_missing);
    }
    if (!exists("reference.unf")) {
        common::write_free("Input file reference.unf is missing.");
        common::exit_with_status(common::status_reference_map_missing);
    }
    if (!exists("variants.true")) common::write_free("Optional input file variants.true is missing.");
    if (!exists("simseed")) {
        common::write_free("Input file simseed is missing.");
        common::exit_with_status(common::status_seed_missing);
    }
    f.have_genotypes = exists("genotypes.true");
    if (!f.have_genotypes) {
        common::write_free("Optional input file genotypes.true is missing:");
        common::write_free("  Alternate alleles will be set to heterozygous for every other and ");
        common::write_free("  homozygous for every fourth prior variant.");
        common::write_empty_line();
    }
}

options read_options(files& f) {
    options o;
    f.options.open(common::file_use::input);
    common::free_format_reader in(f.options);
    in.read({common::item(o.paired), common::item(o.maxlngth), common::item(o.fraglen), common::item(o.maxinsert),
             common::item(o.maxvar), common::item(o.outformat)});
    common::fixed_line()
        .integer(o.paired, 3)
        .integer(o.maxlngth, 10)
        .integer(o.fraglen, 10)
        .integer(o.maxinsert, 10)
        .integer(o.maxvar, 10)
        .integer(o.outformat, 10)
        .write_console();
    common::write_free("paired  maxlngth  fraglen  maxinsert  maxvar  outformat");
    common::write_empty_line();
    in.skip_line();
    in.skip_line();
    in.read({common::item(o.sources), common::item(o.read_depth), common::item(o.errate), common::item(o.missrate)});
    common::fixed_line()
        .integer(o.sources, 6)
        .real(o.read_depth, 10, 6)
        .real(o.errate, 10, 6)
        .real(o.missrate, 10, 6)
        .write_console();
    common::write_free("sources  read_depth   errate  missrate");
    common::write_empty_line();

    if (o.paired == 1) o.fraglen = o.maxlngth;
    // Every read takes maxlngth bases from one end of a fragment of fraglen.
    if (o.maxlngth < 1 || o.maxlngth > o.fraglen)
        common::stop_with("fragsim.options: maxlngth", o.maxlngth, "not in 1 to fraglen", o.fraglen);
    return o;
}

void open_files(files& f) {
    f.reference_unf.open(common::file_use::input);
    f.variants_true.open(common::file_use::input);
    f.simseed.open(common::file_use::input);
    if (f.have_genotypes) f.genotypes_true.open(common::file_use::input);
    f.fastq_filelist.open();
}

void quality_value(const options& o, derived& d) {
    const std::string alphabet = quality_alphabet();
    common::fixed_line().text("New phred quality scores =        ").text(alphabet.substr(0, 36)).write_console();
    d.phred = 75;
    if (o.errate > 0.0f) {
        // The correctly rounded single-precision logarithm: the extended
        // precision result rounded once (the double one misses a few rates
        // that lie next to a rounding boundary, and so does log10f).
        const float lg = static_cast<float>(log10l(static_cast<long double>(o.errate)));
        const float q = 33.0f - 10.0f * lg;
        // An errate above 1 is no rate; one below about 3.2e-10 gives a value
        // past the last quality character (127).
        if (o.errate > 1.0f) common::stop_with("fragsim.options: error rate errate is above 1");
        if (!(q < 128.0f))
            common::stop_with("fragsim.options: error rate errate is so small that its phred score passes 127");
        d.phred = static_cast<int32_t>(q);
    }
    // From 40 up the alphabet holds the character of code phred (the blank
    // for 127); 33 to 39 (errate from about 0.2 to 1) take their own codes.
    d.quality = d.phred >= 40 ? alphabet[static_cast<size_t>(d.phred - 40)] : static_cast<char>(d.phred);
    common::write_free("Error rate");
    common::fixed_line()
        .real(o.errate, 10, 6)
        .text(" phred score = ")
        .integer(d.phred, 3)
        .text("   ")
        .text(std::string_view(&d.quality, 1))
        .write_console();
    common::write_empty_line();
}

void read_seed(files& f, derived& d) {
    common::free_format_reader in(f.simseed);
    in.skip_line();
    in.read({common::item(d.seed)});
    common::write_free("Simulation seed = ", d.seed);
}

void allocate_tables(const options& o, reference_map& map, variant_tables& var, source_tables& src, work_arrays& work) {
    src.SOURCEID.allocate(1, o.sources);
    map.CHROLEN.allocate(1, map.nchrom);
    work.allocate(o);
    var.allocate(o);
}

void compute_nreads(const options& o, const reference_map& map, derived& d) {
    const float q = static_cast<float>(map.totlen) * o.read_depth / static_cast<float>(o.maxlngth);
    if (!(q >= -2147483648.0f && q < 2147483648.0f))
        common::stop_with("fragsim.options: read_depth gives more reads per source than 32 bits hold");
    d.nreads = static_cast<int32_t>(q);
}

void finish_run(const options& o, files& f) {
    f.options.close();
    f.reference_unf.close();
    f.variants_true.close();
    f.simseed.close();
    if (f.have_genotypes) f.genotypes_true.close();
    // fastq.filelist was completed and closed before the sources.
    common::mywalltime();
    common::write_empty_line();
    common::write_free(o.sources, " sources with fastq data simulated");
    common::write_empty_line();
    common::write_free("Program fragsim finished normally");
}

}  // namespace fragsim
