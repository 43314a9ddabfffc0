// The free-format reader: the plain one-pass read of a line's values, the
// general reader behind it (commas, slashes, repeat counts, quoted texts),
// and the conversion of integer and real values.
#include "common/free_format_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/run_end.h"
#include "common/unit_file.h"

namespace common {

namespace {
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool ends_token(char c) { return is_blank(c) || c == ',' || c == '/'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The bytes that end a plain value, and those that make a read other than
// plain: the quotes where a value begins and the star of a repeat count.
enum plain_class : uint8_t { value_byte, ends_value, not_plain };
constexpr std::array<uint8_t, 256> plain_classes = [] {
    std::array<uint8_t, 256> t{};
    for (const unsigned char c : {' ', '\t', '\r', ',', '/', '\n'}) t[c] = ends_value;
    for (const unsigned char c : {'*', '\'', '"'}) t[c] = not_plain;
    return t;
}();
uint8_t plain_class_of(char c) { return plain_classes[static_cast<unsigned char>(c)]; }

// A plain integer of at most nine digits after an optional sign, which no
// step of the conversion can take out of 64 bits: its value when it lies in
// lo..hi. Anything else is left to the full conversion, which gives the same
// value or the conversion error.
bool short_int(const char* s, const char* e, int64_t lo, int64_t hi, int64_t& value) {
    const bool negative = *s == '-';
    if (*s == '-' || *s == '+') ++s;
    if (s == e || e - s > 9) return false;
    int64_t v = 0;
    for (; s < e; ++s) {
        const unsigned d = static_cast<unsigned char>(*s) - '0';
        if (d > 9) return false;
        v = v * 10 + d;
    }
    if (negative) v = -v;
    if (v < lo || v > hi) return false;
    value = v;
    return true;
}

// The item as the read meets it: a text whose length an earlier item set
// takes that length, within its capacity.
read_item at_hand(read_item it) {
    if (it.length_from) it.length = std::clamp(*it.length_from, 0, it.length);
    return it;
}
}  // namespace

bool parse_int(std::string_view t, int64_t lo, int64_t hi, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i == t.size()) return false;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (!is_digit(t[i])) return false;
        v = v * 10 + (t[i] - '0');
        if (v > hi + 1) return false;  // far outside every item's range already
    }
    if (negative) v = -v;
    if (v < lo || v > hi) return false;
    value = v;
    return true;
}

bool parse_real(std::string_view t, float& value) {
    // A decimal number: optional sign, digits with an optional point (at
    // least one digit), an optional exponent introduced by E or e.
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && is_digit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && is_digit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exp_digits = 0;
        while (i < t.size() && is_digit(t[i])) ++i, ++exp_digits;
        if (exp_digits == 0) return false;
    }
    if (i != t.size()) return false;
    std::string copy(t);
    value = std::strtof(copy.c_str(), nullptr);  // rounds to the nearest single value
    // A number beyond the largest single value has none to round to.
    return !std::isinf(value);
}

int free_format_reader::peek() {
    const std::string_view w = file_.window();
    return w.empty() ? -1 : static_cast<unsigned char>(w[0]);
}

// Moves to the start of the next line, passing over what is left of the
// current one; false at the end of the file.
bool free_format_reader::next_line() {
    if (in_line_) {
        // Most reads end right before their line feed.
        const std::string_view w = file_.window();
        if (!w.empty() && w[0] == '\n')
            file_.take(1);
        else
            file_.skip_rest_of_line();
    }
    in_line_ = peek() >= 0;
    return in_line_;
}

void free_format_reader::skip_blanks() {
    for (;;) {
        const std::string_view w = file_.window();
        size_t n = 0;
        while (n < w.size() && is_blank(w[n])) ++n;
        file_.take(n);
        if (n < w.size() || w.empty()) return;
    }
}

// Moves to the next value of the read, passing over blanks and line ends and
// the one comma that may follow a value.
free_format_reader::next free_format_reader::find_value() {
    for (;;) {
        skip_blanks();
        const int c = peek();
        if (c < 0 || c == '\n') {
            if (!next_line()) return next::end_of_file;
            continue;
        }
        if (c == ',') {
            file_.take(1);
            if (comma_allowed_) {
                comma_allowed_ = false;
                continue;
            }
            return next::null_value;  // this comma ends an empty value
        }
        if (c == '/') return next::slash;
        return next::value;
    }
}

// A value in apostrophes or quotation marks, from the mark at hand: doubled
// marks stand for one; blanks, commas and slashes belong to it; the line end
// closes a value whose closing mark is missing. No number is ever quoted, so
// for a number item the value is not read at all.
void free_format_reader::take_quoted(bool number) {
    if (number) fatal_conversion_error(file_);
    const char mark = static_cast<char>(peek());
    file_.take(1);
    value_.clear();
    for (int c = peek(); c >= 0 && c != '\n'; c = peek()) {
        file_.take(1);
        if (c == mark) {
            if (peek() != mark) break;
            file_.take(1);
        }
        if (value_.size() < value_capacity) value_ += static_cast<char>(c);
    }
}

// An unquoted value: up to the next blank, comma, slash or line end. A count
// and its star (r*) end the value where a quoted one follows, as in r*'text'.
// A number longer than any number can be is a conversion error at once.
void free_format_reader::take_token(bool number) {
    value_.clear();
    bool count_only = true;  // the value so far is digits only
    for (int c = peek(); c >= 0 && c != '\n' && !ends_token(static_cast<char>(c)); c = peek()) {
        if (value_.size() == value_capacity) {
            if (number) fatal_conversion_error(file_);
            file_.take(1);  // the rest of a long text is passed over
            continue;
        }
        file_.take(1);
        value_ += static_cast<char>(c);
        if (c == '*' && count_only && value_.size() > 1) {
            const int after = peek();
            if (after == '\'' || after == '"') return;
        }
        count_only = count_only && is_digit(static_cast<char>(c));
    }
}

void free_format_reader::store(const read_item& it, std::string_view token, bool quoted) {
    switch (it.kind) {
        case item_kind::int8:
        case item_kind::int32: {
            int64_t v = 0;
            bool small = it.kind == item_kind::int8;
            if (quoted || !parse_int(token, small ? -128 : INT32_MIN, small ? 127 : INT32_MAX, v))
                fatal_conversion_error(file_);
            if (small)
                *static_cast<int8_t*>(it.target) = static_cast<int8_t>(v);
            else
                *static_cast<int32_t*>(it.target) = static_cast<int32_t>(v);
            break;
        }
        case item_kind::real32: {
            float v = 0;
            if (quoted || !parse_real(token, v)) fatal_conversion_error(file_);
            *static_cast<float*>(it.target) = v;
            break;
        }
        case item_kind::text: {
            char* out = static_cast<char*>(it.target);
            size_t n = static_cast<size_t>(it.length);
            size_t take = std::min(n, token.size());
            std::memcpy(out, token.data(), take);
            std::memset(out + take, ' ', n - take);
            break;
        }
    }
}

// A token r*v or r* (a positive decimal count, a star, then the value or
// nothing), and r*'text' with the quoted value right after the star: sets
// the repeat for the count of values and returns true; any other token
// returns false.
bool free_format_reader::take_repeat(std::string_view token, bool number, repeat& rep) {
    const size_t star = token.find('*');
    bool counted = star != std::string_view::npos && star > 0;
    for (size_t k = 0; counted && k < star; ++k) counted = is_digit(token[k]);
    if (!counted) return false;
    int64_t r = 0;
    if (!parse_int(token.substr(0, star), 1, INT32_MAX, r)) fatal_conversion_error(file_);
    const std::string_view rest = token.substr(star + 1);
    const int after = peek();
    rep.quoted = rest.empty() && (after == '\'' || after == '"');
    rep.null = rest.empty() && !rep.quoted;
    if (rep.quoted) {
        take_quoted(number);
        rep.value = value_;
    } else {
        rep.value.assign(rest);
    }
    rep.left = r;
    return true;
}

// Every read starts on a fresh line; the rest of the last one is dropped.
bool free_format_reader::start_read(bool handle_end_of_file) {
    comma_allowed_ = false;
    if (next_line()) return true;
    if (handle_end_of_file) return false;
    fatal_end_of_file(file_);
}

bool free_format_reader::read(std::span<const read_item> items, bool handle_end_of_file) {
    if (!start_read(handle_end_of_file)) return false;
    return read_plain_line(items) || read_values(items, handle_end_of_file);
}

bool free_format_reader::read_general(std::span<const read_item> items, bool handle_end_of_file) {
    if (!start_read(handle_end_of_file)) return false;
    return read_values(items, handle_end_of_file);
}

// A plain read, from the start of its line: each value is found and stored
// as the general reader finds and stores it, so a value that cannot be
// converted is the same fatal error. At the first byte that takes another
// path (a comma, slash, quote or star, the line's end before the last value,
// a value that reaches the end of the bytes read ahead or is longer than the
// reader holds) nothing has been taken from the file: the general reader
// reads the line again and stores the same values in the items this read
// has stored so far. Returns true when the read is done.
bool free_format_reader::read_plain_line(std::span<const read_item> items) {
    if (items.empty()) return false;
    const std::string_view w = file_.window();
    const char* const end = w.data() + w.size();
    const char* p = w.data();
    const char* start = p;
    // The next value from p, in start..p; false where the read is not plain.
    auto next_value = [&] {
        while (p < end && is_blank(*p)) ++p;
        start = p;
        uint8_t cls = value_byte;
        while (p < end && (cls = plain_class_of(*p)) == value_byte) ++p;
        return p != start && p != end && cls != not_plain && static_cast<size_t>(p - start) <= value_capacity;
    };
    for (const read_item& it : items) {
        int64_t v = 0;
        switch (it.kind) {
            case item_kind::text: {
                const int32_t n = at_hand(it).length;
                if (n <= 0) continue;  // takes no value
                if (!next_value()) return false;
                char* out = static_cast<char*>(it.target);
                const size_t take = std::min(static_cast<size_t>(n), static_cast<size_t>(p - start));
                std::memcpy(out, start, take);
                std::memset(out + take, ' ', static_cast<size_t>(n) - take);
                continue;
            }
            case item_kind::int32:
                if (!next_value()) return false;
                if (short_int(start, p, INT32_MIN, INT32_MAX, v))
                    *static_cast<int32_t*>(it.target) = static_cast<int32_t>(v);
                else
                    store(it, std::string_view(start, static_cast<size_t>(p - start)), false);
                continue;
            case item_kind::int8:
                if (!next_value()) return false;
                if (short_int(start, p, INT8_MIN, INT8_MAX, v))
                    *static_cast<int8_t*>(it.target) = static_cast<int8_t>(v);
                else
                    store(it, std::string_view(start, static_cast<size_t>(p - start)), false);
                continue;
            case item_kind::real32:
                if (!next_value()) return false;
                store(it, std::string_view(start, static_cast<size_t>(p - start)), false);
                continue;
        }
    }
    file_.take(static_cast<size_t>(p - w.data()));
    comma_allowed_ = true;
    return true;
}

bool free_format_reader::read_values(std::span<const read_item> items, bool handle_end_of_file) {
    repeat rep;
    for (const read_item& given : items) {
        const read_item it = at_hand(given);
        if (it.kind == item_kind::text && it.length <= 0) continue;  // takes no value
        if (rep.left == 0) {
            const next n = find_value();
            if (n == next::end_of_file) {
                if (handle_end_of_file) return false;
                fatal_end_of_file(file_);
            }
            if (n == next::slash) return true;
            if (n == next::null_value) continue;
            const bool number = it.kind != item_kind::text;
            const int c = peek();
            const bool quoted = c == '\'' || c == '"';
            if (quoted)
                take_quoted(number);
            else
                take_token(number);
            comma_allowed_ = true;
            if (quoted || !take_repeat(value_, number, rep)) {
                store(it, value_, quoted);
                continue;
            }
        }
        --rep.left;
        if (!rep.null) store(it, rep.value, rep.quoted);
    }
    return true;
}

}  // namespace common
