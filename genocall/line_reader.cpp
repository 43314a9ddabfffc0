// Lines of a text input: the bytes of its source cut at line feeds into one
// line buffer, which grows only for a line longer than every earlier one.
#include "genocall/line_reader.h"

#include <cstdlib>
#include <cstring>

#include "genocall/run_stop.h"

namespace genocall {

namespace {

void make_room(line_buffer& line, size_t needed) {
    if (line.capacity >= needed) return;
    // Only a line longer than every earlier one gets here.
    size_t grown = line.capacity * 2;
    if (grown < needed) grown = needed;
    char* data = static_cast<char*>(std::realloc(line.data, grown));
    if (data == nullptr) stop_insufficient_memory();
    line.data = data;
    line.capacity = grown;
}

}  // namespace

line_buffer make_line_buffer(size_t size) {
    line_buffer line;
    line.data = static_cast<char*>(allocate_or_stop(size, 1));
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
    bool ended = false;  // a line feed was met
    for (;;) {
        if (source.begin == source.end && !refill_text_source(source)) break;
        const char* from = source.data + source.begin;
        const size_t ready = source.end - source.begin;
        const char* feed = static_cast<const char*>(std::memchr(from, '\n', ready));
        const size_t take = feed != nullptr ? static_cast<size_t>(feed - from) + 1 : ready;
        make_room(line, length + take + 1);
        std::memcpy(line.data + length, from, take);
        length += take;
        source.begin += take;
        if (feed != nullptr) {
            ended = true;
            break;
        }
    }
    if (length == 0) return false;
    line.complete = ended;
    if (ended) --length;
    if (length > 0 && line.data[length - 1] == '\r') --length;
    line.data[length] = '\0';
    line.length = length;
    return true;
}

}  // namespace genocall
