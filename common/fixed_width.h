#pragma once
// Fixed-width lines: fields back to back with no separator, no leading blank.
// An integer is right-aligned with a minus sign when negative; a real has the
// given number of decimals, rounded, with a "0" before the point when its
// magnitude is below 1; a value too wide for its field fills it with '*'.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace common {

class unit_file;

/// An integer in as many characters as it needs, a minus sign when negative,
/// into a char buffer (at most 20 characters); returns the end.
inline char* put_int(char* out, int64_t value) {
    char digits[20];
    char* d = digits + sizeof digits;
    uint64_t mag = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        *--d = static_cast<char>('0' + mag % 10);
        mag /= 10;
    } while (mag != 0);
    if (value < 0) *--d = '-';
    const size_t n = static_cast<size_t>(digits + sizeof digits - d);
    std::memcpy(out, d, n);
    return out + n;
}

/// The fixed-width field of an integer into a char buffer: exactly width
/// characters (none when width is below 1), right-aligned and blank-filled,
/// all '*' when the value does not fit; returns the end.
inline char* put_fixed_int(char* out, int64_t value, int width) {
    if (width < 1) return out;
    char digits[20];
    const size_t n = static_cast<size_t>(put_int(digits, value) - digits);
    const size_t w = static_cast<size_t>(width);
    if (n > w) {
        std::memset(out, '*', w);
    } else {
        std::memset(out, ' ', w - n);
        std::memcpy(out + (w - n), digits, n);
    }
    return out + w;
}

/// The fixed-width field of an integer appended to a string.
void append_fixed_int(std::string& out, int64_t value, int width);
void append_fixed_real(std::string& out, double value, int width, int decimals);

class fixed_line {
public:
    fixed_line& integer(int64_t value, int width) {
        append_fixed_int(text_, value, width);
        return *this;
    }
    fixed_line& real(double value, int width, int decimals) {
        append_fixed_real(text_, value, width, decimals);
        return *this;
    }
    fixed_line& text(std::string_view t) {
        text_.append(t);
        return *this;
    }
    /// Writes the line and its line feed to the console.
    void write_console() const;
    /// Writes the line and its line feed to a file.
    void write_to(unit_file& file) const;

private:
    std::string text_;
};

}  // namespace common
