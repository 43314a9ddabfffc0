#pragma once
// Free-format (list-directed) console lines.
//
// Integers take fields of 5, 12 and 22 characters (signed 8-, 32- and 64-bit),
// right-aligned, with no separator before them. A text follows one blank when
// it starts the line or follows a number, and joins the text before it
// directly. A line holds at most 80 characters and continues on the next; a
// line with no values is one blank.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/run_end.h"

namespace common {

class unit_file;

class free_format_line {
public:
    free_format_line() { clear(); }
    void clear();

    free_format_line& add(int8_t v) { return add_number(v, 5); }
    free_format_line& add(int32_t v) { return add_number(v, 12); }
    free_format_line& add(int64_t v) { return add_number(v, 22); }
    free_format_line& add(std::string_view text);
    free_format_line& add(const char* text) { return add(std::string_view(text)); }
    free_format_line& add(const std::string& text) { return add(std::string_view(text)); }
    /// One character as a text value.
    free_format_line& add(char c) { return add(std::string_view(&c, 1)); }
    /// Each character of chars as a text value of its own.
    free_format_line& add_chars(std::string_view chars);

    /// The finished lines, each with its line feed.
    std::string_view text();

private:
    free_format_line& add_number(int64_t v, int width);
    void end_line();

    std::string done_;  // finished lines
    std::string line_;  // current line
    bool last_was_text_ = false;
    bool any_value_ = false;
    bool finished_ = false;
};

/// Writes a finished free-format line to the console, whole, under its lock.
void write_free_line(free_format_line& line);

/// The values a free-format line takes: texts, characters and integers of
/// 8, 32 or 64 bits.
template <typename T>
inline constexpr bool free_format_value =
    !std::is_integral_v<T> || std::is_same_v<T, int8_t> || std::is_same_v<T, int32_t> || std::is_same_v<T, int64_t> ||
    std::is_same_v<T, char>;

/// Writes one free-format line of the given values to the console.
template <typename... Values>
void write_free(const Values&... values) {
    static_assert((free_format_value<Values> && ...), "free-format numbers are int8_t, int32_t or int64_t");
    free_format_line line;
    (line.add(values), ...);
    write_free_line(line);
}

/// A check that stops the run: one free-format line of the values on the
/// console, then the end with exit status 1.
template <typename... Values>
[[noreturn]] void stop_with(const Values&... values) {
    write_free(values...);
    stop_run();
}

/// An empty free-format line: one blank.
inline void write_empty_line() { write_free(); }

}  // namespace common
