#pragma once
// Free-format (list-directed) reading of the small text inputs: options
// files, simseed, flank.loc and the variant lists.
//
// Each read starts at the start of the next line and drops the rest of its
// last line; a read of no items consumes exactly one line. Values are
// separated by blanks, tabs, carriage returns and line ends, or by one comma;
// an empty comma-separated value ("1,,3") leaves its item unchanged, a slash
// ends the read, r*v repeats v and r* repeats the null value. A value that
// cannot be converted (a real beyond the single-precision range included) is
// fatal error 64; the end of the file is fatal 24 unless the caller handles it.
//
// The reader holds no line: it takes the file's bytes as they come and keeps
// only the value at hand, at most value_capacity characters of it. A longer
// value is cut there for a text item (the rest is passed over) and is a
// conversion error for a number, found without reading further.
//
// Most reads of the larger inputs are plain: every value on the read's first
// line, unquoted, with no comma, slash or repeat count. Such a read is taken
// in one pass over the bytes read ahead; any other read, or one whose line
// runs past those bytes, goes through the general reader from its start, so
// both give the same values, the same stops and the same place in the file.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace common {

class unit_file;

enum class item_kind { int8, int32, real32, text };

struct read_item {
    item_kind kind;
    void* target;
    int32_t length = 0;                    // text items: number of characters; 0 or less takes no value
    const int32_t* length_from = nullptr;  // text items: length taken from this value when the item is reached
};

inline read_item item(int8_t& v) { return {item_kind::int8, &v}; }
inline read_item item(int32_t& v) { return {item_kind::int32, &v}; }
inline read_item item(float& v) { return {item_kind::real32, &v}; }
/// A text of length characters stored in buffer, padded with blanks or cut.
inline read_item text_item(char* buffer, int32_t length) { return {item_kind::text, buffer, length}; }
/// A text whose length is *length as it stands when the item is reached (an
/// earlier item of the same read may set it), at most capacity characters.
inline read_item text_item(char* buffer, const int32_t* length, int32_t capacity) {
    return {item_kind::text, buffer, capacity, length};
}

/// Most characters of one value the reader holds: the longest text item of
/// the inputs, an allele of 100,000 characters.
inline constexpr size_t value_capacity = 100000;

class free_format_reader {
public:
    explicit free_format_reader(unit_file& file) : file_(file) {}

    /// Fills the items in order. Returns false when the end of the file was
    /// met and handle_end_of_file is set (items filled before keep their new
    /// values); without it the end of the file is fatal error 24.
    bool read(std::span<const read_item> items, bool handle_end_of_file = false);
    bool read(std::initializer_list<read_item> items, bool handle_end_of_file = false) {
        return read(std::span<const read_item>(items.begin(), items.size()), handle_end_of_file);
    }
    /// A read of no items: passes over one line.
    bool skip_line(bool handle_end_of_file = false) { return read({}, handle_end_of_file); }
    /// The same read by the general reader alone, the plain path left out:
    /// the reference that path is tested and timed against.
    bool read_general(std::span<const read_item> items, bool handle_end_of_file = false);

private:
    enum class next { value, null_value, slash, end_of_file };
    // A value written r*v (or r*, r*'text'): the copies still to hand out.
    struct repeat {
        int64_t left = 0;
        bool null = false;  // r* alone: null values
        bool quoted = false;
        std::string value;
    };
    bool start_read(bool handle_end_of_file);
    bool read_plain_line(std::span<const read_item> items);
    bool read_values(std::span<const read_item> items, bool handle_end_of_file);
    int peek();
    bool next_line();
    void skip_blanks();
    next find_value();
    void take_token(bool number);
    void take_quoted(bool number);
    void store(const read_item& it, std::string_view token, bool quoted);
    bool take_repeat(std::string_view token, bool number, repeat& rep);

    unit_file& file_;
    bool in_line_ = false;        // inside a line whose line feed is not taken yet
    std::string value_;           // the value at hand, at most value_capacity characters
    bool comma_allowed_ = false;  // a value was just read: one comma may separate it
};

/// Conversion rules of the reader, exposed for the readers of other layouts.
bool parse_int(std::string_view text, int64_t lo, int64_t hi, int64_t& value);
bool parse_real(std::string_view text, float& value);

}  // namespace common
