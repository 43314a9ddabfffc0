// genocall: turns per-sample REF and ALT read counts at a list of markers
// into VCF 4.1 genotype calls with posteriors, dosages and read counts.
#include "common/run_start.h"
#include "genocall/marker_input.h"
#include "genocall/options.h"
#include "genocall/readdepth_input.h"
#include "genocall/run_stop.h"
#include "genocall/vcf_writer.h"

int main(int argc, char** argv) {
    common::prepare_process();
    genocall::set_flush_to_zero();
    genocall::runtime_options opt;
    genocall::print_compile_stamp(__DATE__, __TIME__);
    char** args = genocall::copy_arguments(argc, argv);
    genocall::runtime_options_string(argc, args, opt);
    genocall::print_unset_flags(opt);
    genocall::check_required_options(opt);
    genocall::check_error_rate(opt);
    genocall::print_call_thresholds(opt);

    genocall::marker_table markers;
    genocall::read_markers(opt, markers);
    genocall::check_console();  // a console that cannot be written stops the run before the VCF exists
    genocall::vcf_file vcf = genocall::start_vcf(opt);
    genocall::sample_table samples;
    genocall::open_depth_file(opt, samples);
    genocall::read_depth_lines(opt, markers.line_count, samples);
    genocall::write_vcf_body(vcf, opt, markers, samples);
    genocall::close_vcf(vcf);
    genocall::close_depth_file(samples);
    genocall::release_markers(markers);
    genocall::release_samples(samples);

    genocall::release_options(opt, args, argc);
    genocall::check_console();
    return 0;
}
