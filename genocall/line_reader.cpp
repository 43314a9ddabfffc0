#include "genocall/line_reader.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "genocall/run_stop.h"

namespace genocall {

char* my_gets(FILE* plain, gzFile compressed, char* buffer, int size, int is_compressed) {
    if (is_compressed == 1) return gzgets(compressed, buffer, size);
    return std::fgets(buffer, size, plain);
}

line_buffer make_line_buffer(size_t size) {
    line_buffer line;
    line.data = static_cast<char*>(std::malloc(size));
    if (line.data == nullptr) {
        std::printf("\nInsufficient memory \n");
        stop_run();
    }
    line.capacity = size;
    line.data[0] = '\0';
    return line;
}

void free_line_buffer(line_buffer& line) {
    std::free(line.data);
    line = line_buffer{};
}

bool read_line(text_source& source, line_buffer& line) {
    size_t length = 0;
    for (;;) {
        if (line.capacity - length < 2) {
            // Only a line longer than every earlier one gets here.
            const size_t grown = line.capacity * 2;
            char* data = static_cast<char*>(std::realloc(line.data, grown));
            if (data == nullptr) {
                std::printf("\nInsufficient memory \n");
                stop_run();
            }
            line.data = data;
            line.capacity = grown;
        }
        const size_t room = line.capacity - length;
        const int size = room > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(room);
        if (my_gets(source.plain, source.compressed, line.data + length, size, source.is_compressed) == nullptr) {
            if (length == 0) return false;
            break;  // last line without a line feed, read in pieces
        }
        const size_t got = std::strlen(line.data + length);
        length += got;
        if (got > 0 && line.data[length - 1] == '\n') break;
        if (got + 1 < static_cast<size_t>(size)) break;  // end of input before the buffer filled
    }
    line.complete = length > 0 && line.data[length - 1] == '\n';
    if (line.complete) --length;
    if (length > 0 && line.data[length - 1] == '\r') --length;
    line.data[length] = '\0';
    line.length = length;
    return true;
}

bool read_failed(text_source& source) {
    if (source.is_compressed == 1) {
        int code = Z_OK;
        gzerror(source.compressed, &code);
        return code != Z_OK && code != Z_STREAM_END;
    }
    return std::ferror(source.plain) != 0;
}

int split_tokens(char* text, char** tokens, int max) {
    int count = 0;
    char* c = text;
    while (count < max) {
        while (*c == ' ' || *c == '\t') ++c;
        if (*c == '\0') break;
        tokens[count++] = c;
        while (*c != '\0' && *c != ' ' && *c != '\t') ++c;
        if (*c == '\0') break;
        *c++ = '\0';
    }
    return count;
}

int32_t count_lines(const char* path) {
    FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        std::printf("\nERROR: input_file %s failed to open\n", path);
        stop_run();
    }
    // Lines of any length count once: the line feeds, plus a last line without one.
    static constexpr size_t block_size = 1 << 16;
    char* block = static_cast<char*>(std::malloc(block_size));
    if (block == nullptr) {
        std::printf("\nInsufficient memory \n");
        stop_run();
    }
    int64_t lines = 0;
    char last = '\n';
    size_t got;
    while ((got = std::fread(block, 1, block_size, file)) > 0) {
        for (const char* c = block; (c = static_cast<const char*>(std::memchr(c, '\n', block + got - c))) != nullptr; ++c)
            ++lines;
        last = block[got - 1];
    }
    if (last != '\n') ++lines;
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    std::free(block);
    if (failed) {
        std::printf("\nERROR: input_file %s read error\n", path);
        stop_run();
    }
    return static_cast<int32_t>(lines);
}

int32_t atol_low32(const char* token) {
    // glibc's atol is strtol in base 10; the low 32 bits are kept.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(std::strtol(token, nullptr, 10))));
}

}  // namespace genocall
