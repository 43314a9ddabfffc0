#pragma once
// The bytes of a text input, plain or gzip-compressed, handed on in large
// blocks. zlib's inflate is driven here directly, not through gzopen and
// gzgets: the gz layer passes over trailing data that is not a gzip member
// and reports a clean end, whereas a read-depth file with such bytes after
// its last member is damaged or not what it claims, and must be refused.
#include <cstddef>
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

/// Opens path for reading, decoding gzip when is_compressed is 1; false when
/// the file cannot be opened. Allocation failure writes "\nInsufficient memory \n"
/// and ends the run.
bool open_text_source(text_source& source, const char* path, int is_compressed);

/// Closes the file and releases the buffers; gives false when the file did
/// not close cleanly. A source never opened closes as true.
bool close_text_source(text_source& source);

/// Makes the next bytes of the input ready in data[begin, end); false when
/// none are left, at the end of input or at a fault.
bool refill_text_source(text_source& source);

/// true when the source met a read error or damaged gzip data.
inline bool read_failed(const text_source& source) { return source.fault != read_fault::none; }

}  // namespace genocall
