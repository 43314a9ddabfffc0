#pragma once
// Line input of genocall: plain files, or gzip files decoded through zlib's
// inflate, read in large blocks; whole lines of any length, NUL bytes
// included, in one reused buffer; blank-and-tab tokens and their numbers;
// line counting.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <zlib.h>

namespace genocall {

/// Why a text input stopped before its end.
enum class read_fault {
    none,
    read_error,      // the file could not be read, or its gzip data is damaged or cut short
    trailing_bytes,  // bytes after the last gzip member that do not begin another member
};

/// A text input read in blocks. A compressed one whose file does not begin
/// with the gzip magic bytes (plain text, or empty) is read as it stands, as
/// zlib's gz interface reads it; one that does is read member after member,
/// and anything after the last member must be another member.
struct text_source {
    FILE* file = nullptr;
    int is_compressed = 0;
    z_stream* inflater = nullptr;  // while gzip data is decoded
    unsigned char* raw = nullptr;  // compressed bytes read from the file
    char* data = nullptr;          // bytes ready for lines
    size_t begin = 0;              // first byte of data not yet taken
    size_t end = 0;                // end of the bytes in data
    bool looked = false;           // the start of the file was examined
    bool in_member = false;        // inside a gzip member (header to trailer)
    bool raw_at_end = false;       // the file's last byte has been read
    bool at_end = false;           // no more bytes
    read_fault fault = read_fault::none;
};

/// One line buffer reused for every line of an input. It starts at the size
/// the caller gives and grows only when a line longer than it arrives.
struct line_buffer {
    char* data = nullptr;
    size_t capacity = 0;
    size_t length = 0;      // of the last line read, its line end removed
    bool complete = false;  // the last line read ended with a line feed
};

/// Opens path for reading, decoding gzip when is_compressed is 1; false when
/// the file cannot be opened. Allocation failure writes "\nInsufficient memory \n"
/// and ends the run.
bool open_text_source(text_source& source, const char* path, int is_compressed);

/// Closes the file and releases the buffers; gives false when the file did
/// not close cleanly. A source never opened closes as true.
bool close_text_source(text_source& source);

/// A line buffer of the given size; failure writes "\nInsufficient memory \n" and ends the run.
line_buffer make_line_buffer(size_t size);
void free_line_buffer(line_buffer& line);

/// Reads the next whole line, however long and whatever bytes it holds, into
/// line; its line feed and a carriage return before it are removed, and a
/// zero byte follows it. false at the end of input, or at a fault with
/// nothing read; a line cut short by a fault comes back incomplete.
bool read_line(text_source& source, line_buffer& line);

/// true when the source met a read error or damaged gzip data.
inline bool read_failed(const text_source& source) { return source.fault != read_fault::none; }

/// Splits text at blanks and tabs into at most max tokens, ending each token
/// with a zero byte in place; gives the number of tokens found.
int split_tokens(char* text, char** tokens, int max);

/// The number of lines of a file (a last line without a line feed counts);
/// a file that cannot be opened writes "\nERROR: input_file %s failed to open\n" and ends the run.
int32_t count_lines(const char* path);

/// atol of a token: leading white space, an optional sign and the decimal
/// digits that follow, the rest ignored; 0 when there are none. false when
/// the value lies outside the signed 32-bit range, which would change it.
bool read_leading_int32(const char* token, int32_t& value);

/// The decimal integer that text holds whole (leading white space, an
/// optional sign, digits and nothing after them); false when text holds
/// anything else or a value outside the signed 32-bit range.
bool read_whole_int32(const char* text, int32_t& value);

/// The real number that text holds whole, in any notation strtod reads
/// (decimal, exponent, hexadecimal, infinity, not-a-number), after optional
/// leading white space; false when nothing, or anything after the number, is
/// there.
bool read_whole_real(const char* text, double& value);

}  // namespace genocall
