// The command line of genocall: the option table and its parser, the copies
// of the arguments, and the start lines of the run (compile stamp, flag
// lines, required checks, error-rate test, call thresholds).
#include "genocall/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "genocall/run_stop.h"
#include "genocall/text_fields.h"

namespace genocall {

namespace {

// The usage text, 144 characters. It names an option the parser does not
// know (--chromsome_input_filename); that is how the program has always
// described itself.
constexpr char usage_text[] =
    "\n                   \nCOMMAND LINE OPTIONS                  \n--chromsome_input_filename <file> "
    "\n\t\t\t\t\t\t\n--frequency_input_filename <file>\t\n\t \t\t\t\t\t";
static_assert(sizeof(usage_text) - 1 == 144);

bool begins_with_two_dashes(const char* a) { return a[0] == '-' && a[1] == '-'; }

// The usage text and its line feed, and the end of the run: what a command
// line with nothing to parse gets.
[[noreturn]] void print_options() { stop_run("%s\n", usage_text); }

// The line of an argument that is not an option, then the usage text.
[[noreturn]] void unrecognized_option(const char* a) { stop_run("\n\nUnrecognized option %s %s\n", a, usage_text); }

enum class option_kind { file_name, error_rate, min_depth, flag };

// An option and the field it sets: a file name, the error rate, or a
// 32-bit integer (the minimum depth or a flag).
struct option_entry {
    const char* name;
    option_kind kind;
    char* runtime_options::*file_name = nullptr;
    int32_t runtime_options::*integer = nullptr;
    double runtime_options::*real = nullptr;
};

// Matching order of the option names.
constexpr option_entry option_table[] = {
    {"vcf_output_filename", option_kind::file_name, &runtime_options::vcf_output_filename},
    {"frequency_input_filename", option_kind::file_name, &runtime_options::frequency_input_filename},
    {"variant_input_filename", option_kind::file_name, &runtime_options::variant_input_filename},
    {"readdepth_input_filename", option_kind::file_name, &runtime_options::readdepth_input_filename},
    {"error_rate", option_kind::error_rate, nullptr, nullptr, &runtime_options::error_rate},
    {"missing_min_read_depth", option_kind::min_depth, nullptr, &runtime_options::missing_min_read_depth},
    {"write_genotype_probabilities", option_kind::flag, nullptr, &runtime_options::write_genotype_probabilities},
    {"write_dosage", option_kind::flag, nullptr, &runtime_options::write_dosage},
    {"write_allele_depth", option_kind::flag, nullptr, &runtime_options::write_allele_depth},
};

// The entry whose name is the argument after its two dashes, whole; none
// when no name matches.
const option_entry* find_option(const char* a) {
    for (const option_entry& e : option_table)
        if (std::strcmp(a + 2, e.name) == 0) return &e;
    return nullptr;
}

// Parses the one value of a one-value option into its field and writes its
// echo line.
void take_value(const option_entry& entry, const char* value, runtime_options& opt) {
    switch (entry.kind) {
        case option_kind::file_name: {
            char*& field = opt.*entry.file_name;
            std::free(field);  // a repeated option replaces the earlier name
            field = copy_text(value);
            std::printf("\n--%s:  %s ", entry.name, field);
            break;
        }
        case option_kind::error_rate:
            // A word would read as 0 and make every posterior not a number.
            if (!read_whole_real(value, opt.*entry.real))
                stop_run("\nERROR: --%s %s is not a number\n", entry.name, value);
            std::printf("\n--%s: TRUE %f ", entry.name, opt.*entry.real);
            break;
        case option_kind::min_depth:
            // Cut to 32 bits, 2147483648 would turn into a negative minimum.
            if (!read_whole_int32(value, opt.*entry.integer))
                stop_run("\nERROR: --%s %s is not a whole number from %d to %d\n", entry.name, value, INT32_MIN,
                         INT32_MAX);
            std::printf("\n--%s: TRUE %d ", entry.name, opt.*entry.integer);
            break;
        case option_kind::flag: break;
    }
}

// Sets a flag and writes its echo line.
void set_flag(const option_entry& entry, runtime_options& opt) {
    opt.*entry.integer = 1;
    std::printf("\n--%s: TRUE ", entry.name);
}

[[noreturn]] void wrong_value_count(const option_entry& entry, int found) {
    if (entry.kind == option_kind::file_name)
        stop_run_on_stderr("\n--%s Expecting 1 argument : found %d \n", entry.name, found);
    if (entry.kind == option_kind::error_rate) stop_run("\nError: --error expecting 1 argument: found %d\n", found);
    if (entry.kind == option_kind::min_depth)
        stop_run("\nError: --missing_min_read_depth expecting 1 argument: found %d\n", found);
    stop_run("\nError: --%s expecting 0 arguments: found %d\n", entry.name, found);  // a flag
}

}  // namespace

void my_strcpy(char* dest, const char* src) {
    while ((*dest++ = *src++) != '\0') {
    }
}

char* copy_text(const char* text) {
    char* copy = static_cast<char*>(allocate_or_stop(std::strlen(text) + 1, 1));
    my_strcpy(copy, text);
    return copy;
}

void write_input_argv(int count, char** args, char** dest) {
    for (int i = 0; i < count; ++i) dest[i] = copy_text(args[i]);
    dest[count] = nullptr;
}

char** copy_arguments(int count, char** args) {
    char** copy = static_cast<char**>(allocate_or_stop(static_cast<size_t>(count) + 1, sizeof(char*)));
    write_input_argv(count, args, copy);
    return copy;
}

int count_number_option_arguments(int n, char** list) {
    if (n == 1) return 0;
    int count = 0;
    for (int i = 1; i < n; ++i) {
        if (begins_with_two_dashes(list[i])) break;
        ++count;
    }
    return count;
}

void runtime_options_string(int count, char** args, runtime_options& opt) {
    if (count < 2) print_options();  // nothing to parse
    opt.input_argv = static_cast<char**>(allocate_or_stop(static_cast<size_t>(count) + 1, sizeof(char*)));
    for (int i = 0; i < count; ++i) opt.input_argv[i] = copy_text(args[i]);
    opt.input_argc = count;

    char** argv = opt.input_argv;
    int n = count;  // arguments from the current one to the end, plus one
    int i = 1;
    do {
        const char* a = argv[i];
        if (!begins_with_two_dashes(a)) unrecognized_option(a);
        --n;
        const option_entry* entry = find_option(a);
        if (entry == nullptr) unrecognized_option(a);
        const int c = count_number_option_arguments(n, argv + i);
        if (entry->kind == option_kind::flag) {
            if (c != 0) wrong_value_count(*entry, c);
            set_flag(*entry, opt);
            i += 1;
        } else {
            if (c != 1) wrong_value_count(*entry, c);
            take_value(*entry, argv[i + 1], opt);
            --n;
            i += 2;
        }
    } while (n > 1);
}

void print_compile_stamp(const char* build_date, const char* build_time) {
    std::printf("\nCompile Timestamp: %s:%s ", build_date, build_time);
    std::printf("\n");
    std::printf("\nCommand line options: ");
}

void print_unset_flags(const runtime_options& opt) {
    if (opt.write_dosage == 0) std::printf("\n--write_dosage:  FALSE");
    if (opt.write_allele_depth == 0) std::printf("\n--write_allele_depth:  FALSE");
    if (opt.write_genotype_probabilities == 0) std::printf("\n--write_genotype_probabilities:  FALSE");
    std::printf("\n");
}

void check_required_options(const runtime_options& opt) {
    if (opt.variant_input_filename == nullptr) stop_run("\nERROR: --variant_input_filename option expected\n");
    if (opt.readdepth_input_filename == nullptr) stop_run("\nERROR: --readdepth_input_filename option expected\n");
    if (opt.frequency_input_filename == nullptr) {
        std::printf("\nWARNING: No prior frequency file provided.");
        std::printf("\nUsing prior frequency 0.5 for each allele.\n");
    }
    if (opt.vcf_output_filename == nullptr) stop_run("\nERROR: --vcf_output_filename option expected\n");
}

void check_error_rate(runtime_options& opt) {
    const double e = opt.error_rate;
    if (!(e >= 0 && e <= 0.99)) {  // not-a-number too: it would make every posterior not a number
        std::printf("\nError rate %f is out of bounds (0,1): ", e);
        std::printf("\nSetting error rate to 0.001 ");
        opt.error_rate = 0.001;
    } else {
        std::printf("\nError rate %f ", e);
    }
}

void print_call_thresholds(const runtime_options& opt) {
    std::printf("\nBest call probability %f \n", opt.best_call_probability);
    std::printf("\nMin readepth to set to missing genotype call %d ", opt.missing_min_read_depth);
}

void release_options(runtime_options& opt, char** args, int count) {
    std::free(opt.vcf_output_filename);
    std::free(opt.variant_input_filename);
    std::free(opt.frequency_input_filename);
    std::free(opt.readdepth_input_filename);
    for (int i = 0; i < opt.input_argc; ++i) std::free(opt.input_argv[i]);
    std::free(opt.input_argv);
    for (int i = 0; i < count; ++i) std::free(args[i]);
    std::free(args);
    opt = runtime_options{};
}

}  // namespace genocall
