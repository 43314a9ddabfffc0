#pragma once
// Line input of genocall: plain stdio files or zlib streams, whole lines of
// any length in one reused buffer, blank-and-tab tokens, line counting.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <zlib.h>

namespace genocall {

/// A text input: a plain file, or a compressed one read through zlib.
struct text_source {
    FILE* plain = nullptr;
    gzFile compressed = nullptr;
    int is_compressed = 0;
};

/// One line buffer reused for every line of an input. It starts at the size
/// the caller gives and grows only when a line longer than it arrives.
struct line_buffer {
    char* data = nullptr;
    size_t capacity = 0;
    size_t length = 0;      // of the last line read, its line end removed
    bool complete = false;  // the last line read ended with a line feed
};

/// Reads at most size - 1 characters, stopping after a line feed, from the
/// compressed handle (gzgets) when is_compressed is 1, else from the plain
/// one (fgets); gives buffer, or nullptr at the end of input or on an error.
char* my_gets(FILE* plain, gzFile compressed, char* buffer, int size, int is_compressed);

/// A line buffer of the given size; failure writes "\nInsufficient memory \n" and ends the run.
line_buffer make_line_buffer(size_t size);
void free_line_buffer(line_buffer& line);

/// Reads the next whole line, however long, into line; its line feed and a
/// carriage return before it are removed. false at the end of input.
bool read_line(text_source& source, line_buffer& line);

/// true when the source met a read error or a damaged compressed stream.
bool read_failed(text_source& source);

/// Splits text at blanks and tabs into at most max tokens, ending each token
/// with a zero byte in place; gives the number of tokens found.
int split_tokens(char* text, char** tokens, int max);

/// The number of lines of a file (a last line without a line feed counts);
/// a file that cannot be opened writes "\nERROR: input_file %s failed to open\n" and ends the run.
int32_t count_lines(const char* path);

/// atol of a token with its low 32 bits kept as a signed 32-bit integer.
int32_t atol_low32(const char* token);

}  // namespace genocall
