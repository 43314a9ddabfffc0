#pragma once
// Binary record files: each record is its data framed by a 4-byte signed
// little-endian byte count before and after. A record longer than the piece
// limit is a chain of subrecords; a negative leading count means another piece
// follows, a negative trailing count that the piece continues an earlier one.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <type_traits>

namespace common {

static_assert(std::endian::native == std::endian::little,
              "record files hold little-endian values, written from memory as they stand");

class unit_file;

/// Largest data size of one (sub)record.
inline constexpr int64_t record_piece_limit = 2147483639;

struct out_bytes {
    const void* data;
    size_t size;
};
struct in_bytes {
    void* data;
    size_t size;
};

/// The bytes of one value, or of n consecutive values (a whole array).
template <typename T>
out_bytes bytes_of(const T& v) {
    static_assert(std::is_arithmetic_v<T>);
    return {&v, sizeof(T)};
}
template <typename T>
out_bytes bytes_of(const T* p, int64_t n) {
    return {p, n > 0 ? static_cast<size_t>(n) * sizeof(T) : 0};
}
template <typename T>
in_bytes into(T& v) {
    static_assert(std::is_arithmetic_v<T>);
    return {&v, sizeof(T)};
}
template <typename T>
in_bytes into(T* p, int64_t n) {
    return {p, n > 0 ? static_cast<size_t>(n) * sizeof(T) : 0};
}

/// The little-endian bytes of one value into a char buffer; returns the end.
template <typename T>
char* put_le(char* out, T value) {
    static_assert(std::is_arithmetic_v<T>);
    std::memcpy(out, &value, sizeof value);
    return out + sizeof value;
}

/// Bytes on disk of a record of n data bytes, n at most record_piece_limit.
constexpr size_t framed_size(size_t n) { return n + 8; }

/// One record of at most record_piece_limit data bytes, the parts' bytes in
/// order between its two counts, into a char buffer of framed_size bytes;
/// returns the end.
inline char* put_record(char* out, std::span<const out_bytes> parts) {
    size_t total = 0;
    for (const auto& p : parts) total += p.size;
    const int32_t count = static_cast<int32_t>(total);
    out = put_le(out, count);
    for (const auto& p : parts) {
        if (p.size > 0) std::memcpy(out, p.data, p.size);
        out += p.size;
    }
    return put_le(out, count);
}
inline char* put_record(char* out, std::initializer_list<out_bytes> parts) {
    return put_record(out, std::span<const out_bytes>(parts.begin(), parts.size()));
}

/// Writes one record holding the parts' bytes in order: one call of the file
/// (the record whole under its lock) when it fits in the file's buffer, one
/// call per count and part otherwise. Fatal 38 on failure.
void write_record(unit_file& file, std::span<const out_bytes> parts, int64_t piece_limit = record_piece_limit);
inline void write_record(unit_file& file, std::initializer_list<out_bytes> parts) {
    write_record(file, std::span<const out_bytes>(parts.begin(), parts.size()));
}

/// Reads the next record (a whole chain) into the items in order, skipping
/// what the items do not take. Fatal 67 when the record holds fewer bytes
/// than the items, fatal 24 when there is no further record.
void read_record(unit_file& file, std::span<const in_bytes> items);
inline void read_record(unit_file& file, std::initializer_list<in_bytes> items) {
    read_record(file, std::span<const in_bytes>(items.begin(), items.size()));
}

}  // namespace common
