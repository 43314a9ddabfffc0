// Fixed-width fields (integers, reals, '*' when too wide) and the writing of
// a fixed-width line to the console or a file.
#include "common/fixed_width.h"

#include <cmath>
#include <cstdio>

#include "common/unit_file.h"

namespace common {

namespace {
void append_in_field(std::string& out, const char* digits, size_t n, int width) {
    size_t w = width > 0 ? static_cast<size_t>(width) : 0;
    if (n > w)
        out.append(w, '*');
    else {
        out.append(w - n, ' ');
        out.append(digits, n);
    }
}
}  // namespace

void append_fixed_int(std::string& out, int64_t value, int width) {
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(width > 0 ? width : 0));
    put_fixed_int(out.data() + at, value, width);
}

void append_fixed_real(std::string& out, double value, int width, int decimals) {
    char digits[400];
    int n;
    if (std::isnan(value))
        n = std::snprintf(digits, sizeof digits, "NaN");
    else if (std::isinf(value))
        n = std::snprintf(digits, sizeof digits, value < 0 ? "-Infinity" : "Infinity");
    else
        n = std::snprintf(digits, sizeof digits, "%.*f", decimals, value);  // correctly rounded, "0." kept
    append_in_field(out, digits, static_cast<size_t>(n), width);
}

void fixed_line::write_console() const { console_file().write_line(text_); }

void fixed_line::write_to(unit_file& file) const { file.write_line(text_); }

}  // namespace common
