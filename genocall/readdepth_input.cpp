// The read-depth file: opened plain or gzip by its name, then read line by
// line into the sample table, with the index that refuses a name met twice.
#include "genocall/readdepth_input.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "genocall/run_stop.h"
#include "genocall/text_fields.h"

namespace genocall {

namespace {

bool has_gz_ending(const char* name) {
    const size_t length = std::strlen(name);
    return length >= 3 && std::strcmp(name + length - 3, ".gz") == 0;
}

[[noreturn]] void read_error(const char* path, int32_t lines_read, const text_source& source) {
    if (source.fault == read_fault::trailing_bytes)
        stop_run("\nERROR: readdepth %s read error after line %d: trailing bytes are not gzip data\n", path,
                 lines_read);
    stop_run("\nERROR: readdepth %s read error after line %d\n", path, lines_read);
}

// A new row of the counts of a depth code's first length characters; every
// byte is written, so the row needs no clearing.
uint8_t* decode_depth_code(const char* code, size_t length) {
    uint8_t* counts = static_cast<uint8_t*>(allocate_unfilled_or_stop(length));
    for (size_t c = 0; c < length; ++c) counts[c] = decode_depth_char(code[c]);
    return counts;
}

// Splits line i into its four tokens; a line of fewer, or a depth code
// shorter than 2M characters, stops the run.
void split_depth_line(const char* path, int32_t i, line_buffer& line, size_t code_length, char** tokens) {
    if (split_tokens(line.data, tokens, 4) < 4)
        stop_run("\nERROR: readdepth %s line %d has fewer than 4 columns\n", path, i);
    const size_t given = std::strlen(tokens[3]);
    if (given < code_length)
        stop_run("\nERROR: readdepth %s line %d: depth code of %zu characters, %zu expected\n", path, i, given,
                 code_length);
}

// Slots of the name index: a power of two above twice max_samples, so that
// a probe meets a free slot within a few steps.
constexpr size_t name_slot_count = size_t{1} << 19;
static_assert(name_slot_count >= 2 * static_cast<size_t>(max_samples));

// FNV-1a of the name's bytes.
size_t name_hash(const char* name) {
    uint64_t h = 14695981039346656037ull;
    for (const char* c = name; *c != '\0'; ++c) h = (h ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    return static_cast<size_t>(h);
}

// Enters the name of line i (not yet stored) into the index; a name that an
// earlier line already has stops the run, naming both lines.
void index_sample_name(const char* path, int32_t i, const char* name, sample_table& samples) {
    size_t slot = name_hash(name) & (name_slot_count - 1);
    for (; samples.name_slots[slot] != 0; slot = (slot + 1) & (name_slot_count - 1)) {
        const int32_t earlier = samples.name_slots[slot];
        if (std::strcmp(samples.name[earlier - 1], name) == 0)
            stop_run("\nERROR: readdepth %s line %d: sample %s is already on line %d\n", path, i, name, earlier);
    }
    samples.name_slots[slot] = i;
}

// Stores line i as sample i - 1 (its name and counts) and echoes its first
// three tokens.
void store_sample(sample_table& samples, int32_t i, char** tokens, size_t code_length) {
    samples.samples = i;  // entry i - 1 is the table's from here on, filled or not
    samples.name[i - 1] = copy_text(tokens[0]);
    std::printf(" %s ", samples.name[i - 1]);
    std::printf(" %s", tokens[1]);
    std::printf(" %s ", tokens[2]);
    if (code_length > 0) samples.counts[i - 1] = decode_depth_code(tokens[3], code_length);
}

}  // namespace

void open_depth_file(const runtime_options& opt, sample_table& samples) {
    const char* path = opt.readdepth_input_filename;
    samples.name = static_cast<char**>(allocate_or_stop(max_samples, sizeof(char*)));
    samples.counts = static_cast<uint8_t**>(allocate_or_stop(max_samples, sizeof(uint8_t*)));
    samples.name_slots = static_cast<int32_t*>(allocate_or_stop(name_slot_count, sizeof(int32_t)));
    const int is_compressed = has_gz_ending(path) ? 1 : 0;
    if (is_compressed == 1)
        std::printf("\nReaddepth file is compressed: %s \n", path);
    else
        std::printf("\nReaddepth file is uncompressed: %s \n", path);
    if (!open_text_source(samples.source, path, is_compressed))
        stop_run("\nERROR: readdepth %s failed to open\n", path);
}

void read_depth_lines(const runtime_options& opt, int32_t line_count, sample_table& samples) {
    const char* path = opt.readdepth_input_filename;
    const int64_t markers = static_cast<int64_t>(line_count) - 1;
    const size_t code_length = markers > 0 ? static_cast<size_t>(2 * markers) : 0;  // 2M characters
    text_source& source = samples.source;
    // 2L + 999 bytes, reused for every line.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    line_buffer& line = samples.line;
#else
    line_buffer line;
#endif
    line = make_line_buffer(2 * static_cast<size_t>(line_count > 0 ? line_count : 0) + 999);
    char* tokens[4];
    int32_t i = 0;
    while (read_line(source, line)) {
        // A line cut short by a damaged stream is not taken for a sample.
        if (!line.complete && read_failed(source)) read_error(path, i, source);
        if (i == max_samples)
            stop_run("\nERROR: readdepth %s line %d: more than %d samples\n", path, i + 1, max_samples);
        ++i;
        std::printf("\nReading line %d ", i);
        split_depth_line(path, i, line, code_length, tokens);
        index_sample_name(path, i, tokens[0], samples);
        store_sample(samples, i, tokens, code_length);
    }
    if (read_failed(source)) read_error(path, i, source);
    if (i == 0) stop_run("\nERROR: readdepth %s holds no sample\n", path);
    free_line_buffer(line);
    std::printf("\n");
}

void close_depth_file(sample_table& samples) {
    text_source& source = samples.source;
    if (source.file == nullptr) return;
    const int is_compressed = source.is_compressed;
    // A plain file's close is not looked at.
    if (!close_text_source(source) && is_compressed == 1) std::printf("\nreaddepth file failed to close\n");
}

void release_samples(sample_table& samples) {
    for (int32_t j = 0; j < samples.samples; ++j) {
        std::free(samples.name[j]);
        std::free(samples.counts[j]);
    }
    std::free(samples.name);
    std::free(samples.counts);
    std::free(samples.name_slots);
    samples.name = nullptr;
    samples.counts = nullptr;
    samples.name_slots = nullptr;
    samples.samples = 0;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    free_line_buffer(samples.line);
#endif
}

}  // namespace genocall
