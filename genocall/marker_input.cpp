// The marker list and the prior frequencies: both files counted, then read
// marker by marker into the marker table.
#include "genocall/marker_input.h"

#include <cstdio>
#include <cstdlib>

#include "genocall/line_reader.h"
#include "genocall/run_stop.h"
#include "genocall/text_fields.h"

namespace genocall {

namespace {

constexpr size_t text_line_size = 10000;

template <typename T>
T* allocate_entries(int32_t count) {
    return static_cast<T*>(allocate_or_stop(count > 0 ? static_cast<size_t>(count) : 0, sizeof(T)));
}

// One of the two files read marker by marker: its line k (after its
// header) is marker k's, with at least `columns` tokens.
struct marker_file {
    const char* open_name;  // how the open failure names the file
    const char* name;       // how the other failures name it
    int header_lines;
    int columns;
};

constexpr marker_file variant_file{"variant_file", "variant_file", 1, 7};
constexpr marker_file frequency_file{"input_file", "frequency file", 0, 3};

// The file has not the lines it had when it was counted.
[[noreturn]] void file_changed(const marker_file& file, const char* path) {
    stop_run("\nERROR: %s %s changed while it was read\n", file.name, path);
}

// Opens the file and passes over its header, which is not looked at.
void open_marker_lines(const marker_file& file, const char* path, marker_reader& reader) {
    if (!open_text_source(reader.source, path, 0)) stop_run("\nERROR: %s %s failed to open\n", file.open_name, path);
    for (int h = 0; h < file.header_lines; ++h) read_line(reader.source, reader.line);
}

// Splits the line of marker k into tokens; false after the last line. A
// line beyond the counted markers, or of too few columns, stops the run.
bool next_marker_line(const marker_file& file, const char* path, int32_t k, const marker_table& markers,
                      marker_reader& reader, char** tokens) {
    if (!read_line(reader.source, reader.line)) return false;
    if (k >= markers.markers) file_changed(file, path);
    if (split_tokens(reader.line.data, tokens, file.columns) < file.columns)
        stop_run("\nERROR: %s %s line %d has fewer than %d columns\n", file.name, path, k + 1 + file.header_lines,
                 file.columns);
    return true;
}

// Closes the file after its lines of markers 0 to lines - 1; a read error
// or fewer lines than markers stops the run.
void close_marker_lines(const marker_file& file, const char* path, int32_t lines, const marker_table& markers,
                        marker_reader& reader) {
    const bool failed = read_failed(reader.source);
    close_text_source(reader.source);
    if (failed || lines < markers.markers) file_changed(file, path);
}

// The chromosome or position of marker k, read as atol reads it; a value
// that a 32-bit field would change (4294967297 into 1) stops the run.
int32_t marker_number(const char* path, int32_t k, const char* what, const char* token) {
    int32_t value = 0;
    if (!read_leading_int32(token, value))
        stop_run("\nERROR: %s %s line %d: %s %s does not fit in 32 bits\n", variant_file.name, path,
                 k + 1 + variant_file.header_lines, what, token);
    return value;
}

// Token 1 chromosome, token 2 position, tokens 6 and 7 REF and ALT.
void read_variant_lines(const char* path, marker_table& markers, marker_reader& reader) {
    open_marker_lines(variant_file, path, reader);
    char* tokens[7];
    int32_t k = 0;
    for (; next_marker_line(variant_file, path, k, markers, reader, tokens); ++k) {
        markers.chromosome[k] = marker_number(path, k, "chromosome", tokens[0]);
        markers.position[k] = marker_number(path, k, "position", tokens[1]);
        markers.ref[k] = copy_text(tokens[5]);
        markers.alt[k] = copy_text(tokens[6]);
    }
    close_marker_lines(variant_file, path, k, markers, reader);
}

// The frequency is token 3, a number written whole (a decimal comma or a
// word would read as 0 and call every genotype from a wrong prior) from 0
// to 1 (outside, the posteriors and dosages leave their own ranges).
void read_frequency_lines(const char* path, marker_table& markers, marker_reader& reader) {
    open_marker_lines(frequency_file, path, reader);
    char* tokens[3];
    int32_t k = 0;
    for (; next_marker_line(frequency_file, path, k, markers, reader, tokens); ++k) {
        double& p = markers.frequency[k];
        if (!read_whole_real(tokens[2], p))
            stop_run("\nERROR: frequency file %s line %d: %s is not a number\n", path, k + 1, tokens[2]);
        if (!(p >= 0 && p <= 1))  // not-a-number too
            stop_run("\nERROR: frequency file %s line %d: %s is not a frequency from 0 to 1\n", path, k + 1, tokens[2]);
    }
    close_marker_lines(frequency_file, path, k, markers, reader);
}

// L and M from the variant file's lines; a frequency file must have M
// lines. Then the marker-count line.
void count_markers(const runtime_options& opt, marker_table& markers) {
    markers.line_count = count_lines(opt.variant_input_filename);
    markers.markers = markers.line_count - 1;
    if (opt.frequency_input_filename != nullptr) {
        const int32_t frequency_lines = count_lines(opt.frequency_input_filename);
        if (frequency_lines != markers.markers)
            stop_run("\nERROR: variant_file %d frequency file %d \n", markers.markers, frequency_lines);
    }
    std::printf("\nNum markers %d \n", markers.markers);
}

}  // namespace

void read_markers(const runtime_options& opt, marker_table& markers) {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    marker_reader& reader = markers.reader;
#else
    marker_reader reader;
#endif
    reader.line = make_line_buffer(text_line_size);
    count_markers(opt, markers);
    markers.chromosome = allocate_entries<int32_t>(markers.line_count);
    markers.position = allocate_entries<int32_t>(markers.line_count);
    markers.ref = allocate_entries<char*>(markers.line_count);
    markers.alt = allocate_entries<char*>(markers.line_count);
    read_variant_lines(opt.variant_input_filename, markers, reader);

    markers.frequency = allocate_entries<double>(markers.line_count);
    if (opt.frequency_input_filename == nullptr) {
        for (int32_t k = 0; k < markers.markers; ++k) markers.frequency[k] = 0.5;
    } else {
        read_frequency_lines(opt.frequency_input_filename, markers, reader);
    }
    free_line_buffer(reader.line);
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
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    close_text_source(markers.reader.source);
    free_line_buffer(markers.reader.line);
#endif
    markers = marker_table{};
}

}  // namespace genocall
