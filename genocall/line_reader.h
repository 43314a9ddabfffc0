#pragma once
// Whole lines of a text input, of any length and NUL bytes included, in one
// reused buffer.
#include <cstddef>

#include "genocall/text_source.h"

namespace genocall {

/// One line buffer reused for every line of an input. It starts at the size
/// the caller gives and grows only when a line longer than it arrives.
struct line_buffer {
    char* data = nullptr;
    size_t capacity = 0;
    size_t length = 0;      // of the last line read, its line end removed
    bool complete = false;  // the last line read ended with a line feed
};

/// A line buffer of the given size; failure writes "\nInsufficient memory \n" and ends the run.
line_buffer make_line_buffer(size_t size);
void free_line_buffer(line_buffer& line);

/// Reads the next whole line, however long and whatever bytes it holds, into
/// line; its line feed and a carriage return before it are removed, and a
/// zero byte follows it. false at the end of input, or at a fault with
/// nothing read; a line cut short by a fault comes back incomplete.
bool read_line(text_source& source, line_buffer& line);

}  // namespace genocall
