// The bytes of a text input: a plain file read as it stands, or gzip data
// decoded member by member with zlib's inflate, each member checked against
// its trailer and anything after the last one refused.
#include "genocall/text_source.h"

#include <cstdlib>
#include <cstring>

#include "genocall/run_stop.h"

namespace genocall {

namespace {

constexpr size_t data_size = size_t{1} << 18;  // bytes ready for lines
constexpr size_t raw_size = size_t{1} << 17;   // compressed bytes read at a time

// fread fills the whole request unless the file ends or fails first.
size_t read_file_bytes(text_source& source, void* into, size_t size) {
    const size_t got = std::fread(into, 1, size, source.file);
    if (got < size) {
        source.raw_at_end = true;
        if (std::ferror(source.file)) source.fault = read_fault::read_error;
    }
    return got;
}

// At least two compressed bytes in the input, unless the file ends first:
// enough to tell whether a gzip member begins there.
void want_two_raw_bytes(text_source& source) {
    z_stream& z = *source.inflater;
    if (z.avail_in >= 2 || source.raw_at_end) return;
    if (z.avail_in == 1) source.raw[0] = z.next_in[0];
    z.next_in = source.raw;
    z.avail_in += static_cast<uInt>(read_file_bytes(source, source.raw + z.avail_in, raw_size - z.avail_in));
}

bool begins_gzip_member(const z_stream& z) { return z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b; }

// Decodes gzip data into the data buffer until some bytes are there, the
// data ends or a fault is met.
size_t decode_gzip(text_source& source) {
    z_stream& z = *source.inflater;
    z.next_out = reinterpret_cast<Bytef*>(source.data);
    z.avail_out = static_cast<uInt>(data_size);
    while (z.avail_out == data_size && source.fault == read_fault::none) {
        if (!source.in_member) {
            // After a member the file ends, or another member begins.
            want_two_raw_bytes(source);
            if (source.fault != read_fault::none) break;
            if (z.avail_in == 0) break;
            if (!begins_gzip_member(z)) {
                source.fault = read_fault::trailing_bytes;
                break;
            }
            inflateReset(&z);
            source.in_member = true;
        }
        if (z.avail_in == 0) {
            if (source.raw_at_end) {
                source.fault = read_fault::read_error;  // cut short inside a member
                break;
            }
            z.next_in = source.raw;
            z.avail_in = static_cast<uInt>(read_file_bytes(source, source.raw, raw_size));
            continue;
        }
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_STREAM_END)
            source.in_member = false;
        else if (status == Z_MEM_ERROR)
            stop_insufficient_memory();
        else if (status != Z_OK)
            source.fault = read_fault::read_error;  // damaged data, or a check value that fails
    }
    return data_size - z.avail_out;
}

}  // namespace

bool open_text_source(text_source& source, const char* path, int is_compressed) {
    source = text_source{};
    source.file = std::fopen(path, "r");
    if (source.file == nullptr) return false;
    source.is_compressed = is_compressed;
    source.data = static_cast<char*>(allocate_or_stop(data_size, 1));
    if (is_compressed == 1) {
        source.raw = static_cast<unsigned char*>(allocate_or_stop(raw_size, 1));
        source.inflater = static_cast<z_stream*>(allocate_or_stop(1, sizeof(z_stream)));
        // Gzip members only (window bits 15 + 16), each checked against its trailer.
        if (inflateInit2(source.inflater, 15 + 16) != Z_OK) stop_insufficient_memory();
    }
    return true;
}

bool close_text_source(text_source& source) {
    if (source.inflater != nullptr) {
        inflateEnd(source.inflater);  // also safe when its start failed
        std::free(source.inflater);
    }
    const bool closed = source.file == nullptr || std::fclose(source.file) == 0;
    std::free(source.raw);
    std::free(source.data);
    source = text_source{};
    return closed;
}

bool refill_text_source(text_source& source) {
    source.begin = 0;
    source.end = 0;
    if (source.at_end || source.fault != read_fault::none) return false;
    if (source.is_compressed == 1 && !source.looked) {
        source.looked = true;
        want_two_raw_bytes(source);
        z_stream& z = *source.inflater;
        if (begins_gzip_member(z)) {
            source.in_member = true;
        } else {
            // Not gzip: read as it stands from here on, the bytes already read first.
            std::memcpy(source.data, z.next_in, z.avail_in);
            source.end = z.avail_in;
            z.avail_in = 0;
            inflateEnd(&z);
            std::free(source.inflater);
            source.inflater = nullptr;
        }
    }
    if (source.end == 0) {
        if (source.inflater != nullptr)
            source.end = decode_gzip(source);
        else if (!source.raw_at_end)
            source.end = read_file_bytes(source, source.data, data_size);
    }
    if (source.end == 0) source.at_end = true;
    return source.end > 0;
}

}  // namespace genocall
