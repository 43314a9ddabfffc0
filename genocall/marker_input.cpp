#include "genocall/marker_input.h"

#include <cstdio>
#include <cstdlib>

#include "genocall/line_reader.h"
#include "genocall/run_stop.h"

namespace genocall {

namespace {

constexpr size_t text_line_size = 10000;

template <typename T>
T* allocate_entries(int32_t count) {
    void* p = std::calloc(count > 0 ? static_cast<size_t>(count) : 1, sizeof(T));
    if (p == nullptr) {
        std::printf("\nInsufficient memory \n");
        stop_run();
    }
    return static_cast<T*>(p);
}

// Data lines: token 1 chromosome, token 2 position, tokens 6 and 7 REF and ALT.
void read_variant_lines(const char* path, marker_table& markers) {
    text_source& source = markers.source;
    line_buffer& line = markers.line;
    if (!open_text_source(source, path, 0)) {
        std::printf("\nERROR: variant_file %s failed to open\n", path);
        stop_run();
    }
    read_line(source, line);  // the header, not looked at
    int32_t k = 0;
    char* tokens[7];
    while (read_line(source, line)) {
        if (k >= markers.markers) {
            std::printf("\nERROR: variant_file %s changed while it was read\n", path);
            stop_run();
        }
        if (split_tokens(line.data, tokens, 7) < 7) {
            std::printf("\nERROR: variant_file %s line %d has fewer than 7 columns\n", path, k + 2);
            stop_run();
        }
        markers.chromosome[k] = atol_low32(tokens[0]);
        markers.position[k] = atol_low32(tokens[1]);
        markers.ref[k] = copy_text(tokens[5]);
        markers.alt[k] = copy_text(tokens[6]);
        ++k;
    }
    const bool failed = read_failed(source);
    close_text_source(source);
    if (failed || k < markers.markers) {
        std::printf("\nERROR: variant_file %s changed while it was read\n", path);
        stop_run();
    }
}

// One line per marker, no header: the frequency is token 3, a number written
// whole (a decimal comma or a word would read as 0 and call every genotype
// from a wrong prior).
void read_frequency_lines(const char* path, marker_table& markers) {
    text_source& source = markers.source;
    line_buffer& line = markers.line;
    if (!open_text_source(source, path, 0)) {
        std::printf("\nERROR: input_file %s failed to open\n", path);
        stop_run();
    }
    int32_t k = 0;
    char* tokens[3];
    while (read_line(source, line)) {
        if (k >= markers.markers) {
            std::printf("\nERROR: frequency file %s changed while it was read\n", path);
            stop_run();
        }
        if (split_tokens(line.data, tokens, 3) < 3) {
            std::printf("\nERROR: frequency file %s line %d has fewer than 3 columns\n", path, k + 1);
            stop_run();
        }
        char* end = nullptr;
        markers.frequency[k] = std::strtod(tokens[2], &end);
        if (end == tokens[2] || *end != '\0') {
            std::printf("\nERROR: frequency file %s line %d: %s is not a number\n", path, k + 1, tokens[2]);
            stop_run();
        }
        ++k;
    }
    const bool failed = read_failed(source);
    close_text_source(source);
    if (failed || k < markers.markers) {
        std::printf("\nERROR: frequency file %s changed while it was read\n", path);
        stop_run();
    }
}

}  // namespace

void read_markers(const runtime_options& opt, marker_table& markers) {
    markers.line = make_line_buffer(text_line_size);
    markers.line_count = count_lines(opt.variant_input_filename);
    markers.markers = markers.line_count - 1;
    if (opt.frequency_input_filename != nullptr) {
        const int32_t frequency_lines = count_lines(opt.frequency_input_filename);
        if (frequency_lines != markers.markers) {
            std::printf("\nERROR: variant_file %d frequency file %d \n", markers.markers, frequency_lines);
            stop_run();
        }
    }
    std::printf("\nNum markers %d \n", markers.markers);

    markers.chromosome = allocate_entries<int32_t>(markers.line_count);
    markers.position = allocate_entries<int32_t>(markers.line_count);
    markers.ref = allocate_entries<char*>(markers.line_count);
    markers.alt = allocate_entries<char*>(markers.line_count);
    read_variant_lines(opt.variant_input_filename, markers);

    markers.frequency = allocate_entries<double>(markers.line_count);
    if (opt.frequency_input_filename == nullptr) {
        for (int32_t k = 0; k < markers.markers; ++k) markers.frequency[k] = 0.5;
    } else {
        read_frequency_lines(opt.frequency_input_filename, markers);
    }
    free_line_buffer(markers.line);
}

void release_markers(marker_table& markers) {
    for (int32_t k = 0; k < markers.markers; ++k) {
        if (markers.ref != nullptr) std::free(markers.ref[k]);
        if (markers.alt != nullptr) std::free(markers.alt[k]);
    }
    std::free(markers.chromosome);
    std::free(markers.position);
    std::free(markers.ref);
    std::free(markers.alt);
    std::free(markers.frequency);
    close_text_source(markers.source);
    free_line_buffer(markers.line);
    markers = marker_table{};
}

}  // namespace genocall
