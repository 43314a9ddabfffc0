// Tokens of a text line and their numbers, and the line count of a file.
#include "genocall/text_fields.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "genocall/run_stop.h"

namespace genocall {

namespace {

// The digits that atol takes are read by strtoll in base 10: a value beyond
// 64 bits comes back as LLONG_MIN or LLONG_MAX, outside 32 bits as well.
bool fits_int32(long long v) { return v >= INT32_MIN && v <= INT32_MAX; }

}  // namespace

int split_tokens(char* text, char** tokens, int max) {
    int count = 0;
    char* c = text;
    while (count < max) {
        while (*c == ' ' || *c == '\t') ++c;
        if (*c == '\0') break;
        tokens[count++] = c;
        c += std::strcspn(c, " \t");  // to the next blank, tab or the end
        if (*c == '\0') break;
        *c++ = '\0';
    }
    return count;
}

int32_t count_lines(const char* path) {
    FILE* file = std::fopen(path, "r");
    if (file == nullptr) stop_run("\nERROR: input_file %s failed to open\n", path);
    // Lines of any length count once: the line feeds, plus a last line without one.
    static constexpr size_t block_size = 1 << 16;
    char* block = static_cast<char*>(allocate_unfilled_or_stop(block_size));
    int64_t lines = 0;
    char last = '\n';
    size_t got;
    while ((got = std::fread(block, 1, block_size, file)) > 0) {
        for (const char* c = block; (c = static_cast<const char*>(std::memchr(c, '\n', block + got - c))) != nullptr;
             ++c)
            ++lines;
        last = block[got - 1];
    }
    if (last != '\n') ++lines;
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    std::free(block);
    if (failed) stop_run("\nERROR: input_file %s read error\n", path);
    return static_cast<int32_t>(lines);
}

bool read_leading_int32(const char* token, int32_t& value) {
    const long long v = std::strtoll(token, nullptr, 10);
    value = fits_int32(v) ? static_cast<int32_t>(v) : 0;
    return fits_int32(v);
}

bool read_whole_int32(const char* text, int32_t& value) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    const bool whole = end != text && *end == '\0' && fits_int32(v);
    value = whole ? static_cast<int32_t>(v) : 0;
    return whole;
}

bool read_whole_real(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0';
}

}  // namespace genocall
