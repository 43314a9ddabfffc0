#include "genocall/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "genocall/line_reader.h"
#include "genocall/run_stop.h"

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

[[noreturn]] void unrecognized_option(const char* a) {
    std::printf("\n\nUnrecognized option %s ", a);
    print_options();
    stop_run();
}

enum class option_kind { file_name, error_rate, min_depth, flag };

struct option_entry {
    const char* name;
    option_kind kind;
};

// Matching order of the option names.
constexpr option_entry option_table[] = {
    {"vcf_output_filename", option_kind::file_name},
    {"frequency_input_filename", option_kind::file_name},
    {"variant_input_filename", option_kind::file_name},
    {"readdepth_input_filename", option_kind::file_name},
    {"error_rate", option_kind::error_rate},
    {"missing_min_read_depth", option_kind::min_depth},
    {"write_genotype_probabilities", option_kind::flag},
    {"write_dosage", option_kind::flag},
    {"write_allele_depth", option_kind::flag},
};

char** file_name_field(runtime_options& opt, const char* name) {
    if (std::strcmp(name, "vcf_output_filename") == 0) return &opt.vcf_output_filename;
    if (std::strcmp(name, "frequency_input_filename") == 0) return &opt.frequency_input_filename;
    if (std::strcmp(name, "variant_input_filename") == 0) return &opt.variant_input_filename;
    return &opt.readdepth_input_filename;
}

int32_t* flag_field(runtime_options& opt, const char* name) {
    if (std::strcmp(name, "write_genotype_probabilities") == 0) return &opt.write_genotype_probabilities;
    if (std::strcmp(name, "write_dosage") == 0) return &opt.write_dosage;
    return &opt.write_allele_depth;
}

// Parses the one value of a one-value option and writes its echo line.
void take_value(const option_entry& entry, const char* value, runtime_options& opt) {
    switch (entry.kind) {
        case option_kind::file_name: {
            char** field = file_name_field(opt, entry.name);
            std::free(*field);  // a repeated option replaces the earlier name
            *field = copy_text(value);
            std::printf("\n--%s:  %s ", entry.name, *field);
            break;
        }
        case option_kind::error_rate:
            opt.error_rate = std::strtod(value, nullptr);
            std::printf("\n--error_rate: TRUE %f ", opt.error_rate);
            break;
        case option_kind::min_depth:
            opt.missing_min_read_depth = atol_low32(value);
            std::printf("\n--missing_min_read_depth: TRUE %d ", opt.missing_min_read_depth);
            break;
        case option_kind::flag:
            break;
    }
}

[[noreturn]] void wrong_value_count(const option_entry& entry, int found) {
    switch (entry.kind) {
        case option_kind::file_name:
            std::fprintf(stderr, "\n--%s Expecting 1 argument : found %d \n", entry.name, found);
            break;
        case option_kind::error_rate:
            std::printf("\nError: --error expecting 1 argument: found %d\n", found);
            break;
        case option_kind::min_depth:
            std::printf("\nError: --missing_min_read_depth expecting 1 argument: found %d\n", found);
            break;
        case option_kind::flag:
            std::printf("\nError: --%s expecting 0 arguments: found %d\n", entry.name, found);
            break;
    }
    stop_run();
}

}  // namespace

void my_strcpy(char* dest, const char* src) {
    while ((*dest++ = *src++) != '\0') {
    }
}

char* copy_text(const char* text) {
    char* copy = static_cast<char*>(std::calloc(std::strlen(text) + 1, 1));
    if (copy == nullptr) {
        std::printf("\nInsufficient memory \n");
        stop_run();
    }
    my_strcpy(copy, text);
    return copy;
}

void write_input_argv(int count, char** args, char** dest) {
    for (int i = 0; i < count; ++i) dest[i] = copy_text(args[i]);
    dest[count] = nullptr;
}

char** copy_arguments(int count, char** args) {
    char** copy = static_cast<char**>(std::calloc(static_cast<size_t>(count) + 1, sizeof(char*)));
    if (copy == nullptr) {
        std::printf("\nInsufficient memory \n");
        stop_run();
    }
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

void print_options() { std::printf("%s\n", usage_text); }

void runtime_options_string(int count, char** args, runtime_options& opt) {
    if (count < 2) {
        print_options();
        stop_run();
    }
    opt.input_argv = static_cast<char**>(std::calloc(static_cast<size_t>(count) + 1, sizeof(char*)));
    if (opt.input_argv == nullptr) {
        std::printf("\nInsufficient memory \n");
        stop_run();
    }
    for (int i = 0; i < count; ++i) opt.input_argv[i] = copy_text(args[i]);
    opt.input_argc = count;

    char** argv = opt.input_argv;
    int n = count;  // arguments from the current one to the end, plus one
    int i = 1;
    do {
        const char* a = argv[i];
        if (!begins_with_two_dashes(a)) unrecognized_option(a);
        --n;
        const option_entry* entry = nullptr;
        for (const option_entry& e : option_table)
            if (std::strcmp(a + 2, e.name) == 0) {
                entry = &e;
                break;
            }
        if (entry == nullptr) unrecognized_option(a);
        const int c = count_number_option_arguments(n, argv + i);
        if (entry->kind == option_kind::flag) {
            if (c != 0) wrong_value_count(*entry, c);
            *flag_field(opt, entry->name) = 1;
            std::printf("\n--%s: TRUE ", entry->name);
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
    if (opt.variant_input_filename == nullptr) {
        std::printf("\nERROR: --variant_input_filename option expected\n");
        stop_run();
    }
    if (opt.readdepth_input_filename == nullptr) {
        std::printf("\nERROR: --readdepth_input_filename option expected\n");
        stop_run();
    }
    if (opt.frequency_input_filename == nullptr) {
        std::printf("\nWARNING: No prior frequency file provided.");
        std::printf("\nUsing prior frequency 0.5 for each allele.\n");
    }
    if (opt.vcf_output_filename == nullptr) {
        std::printf("\nERROR: --vcf_output_filename option expected\n");
        stop_run();
    }
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
