#pragma once
// Fixed-width lines: fields back to back with no separator, no leading blank.
// An integer is right-aligned with a minus sign when negative; a real has the
// given number of decimals, rounded, with a "0" before the point when its
// magnitude is below 1; a value too wide for its field fills it with '*'.
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

class unit_file;

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
