#pragma once
// The options record of genocall, its command-line parser and the start lines
// of the run: compile stamp, option echoes, required checks, error-rate test.
#include <cstdint>

namespace genocall {

/// Everything the command line sets; the member initializers are the defaults.
struct runtime_options {
    int32_t write_genotype_probabilities = 0;
    int32_t write_dosage = 0;
    int32_t write_allele_depth = 0;
    int32_t missing_min_read_depth = 1;
    char* vcf_output_filename = nullptr;
    char* variant_input_filename = nullptr;
    char* frequency_input_filename = nullptr;
    char* readdepth_input_filename = nullptr;
    char** input_argv = nullptr;  // the parser's own copy of the arguments
    int input_argc = 0;
    double error_rate = 0.001;
    double best_call_probability = 0.95;  // no option sets it
};

/// Copies the source text and its terminating zero byte into dest.
void my_strcpy(char* dest, const char* src);

/// A new zero-filled buffer holding a copy of text (made with my_strcpy).
char* copy_text(const char* text);

/// Stores in dest[0..count-1] new copies of args[0..count-1]; dest[count] stays empty.
void write_input_argv(int count, char** args, char** dest);

/// 0 if n is 1; otherwise how many of list[1..n-1] come before the first one
/// beginning with "--" (all n - 1 when none does).
int count_number_option_arguments(int n, char** list);

/// A new array of count + 1 entries filled by write_input_argv.
char** copy_arguments(int count, char** args);

/// Parses args[1..count-1] into opt, writing each option's echo line as it is
/// parsed; on any error writes its message and ends the run with status 1.
/// No argument, or one that is not an option, ends it after the usage text
/// and "\n".
/// The error rate must be a number written whole, the minimum depth a whole
/// number in 32 bits.
void runtime_options_string(int count, char** args, runtime_options& opt);

/// "\nCompile Timestamp: <date>:<time> ", "\n" and "\nCommand line options: ".
void print_compile_stamp(const char* build_date, const char* build_time);

/// The FALSE line of each flag left at 0, then "\n".
void print_unset_flags(const runtime_options& opt);

/// The required-option checks in their order, with the frequency-file warning;
/// a missing required option ends the run with status 1.
void check_required_options(const runtime_options& opt);

/// Replaces an error rate below 0, above 0.99 or not a number by 0.001,
/// writing the error-rate line.
void check_error_rate(runtime_options& opt);

/// The best-call line and the minimum-depth line.
void print_call_thresholds(const runtime_options& opt);

/// Releases the option texts, the parser's argument copy and the copy args.
void release_options(runtime_options& opt, char** args, int count);

}  // namespace genocall
