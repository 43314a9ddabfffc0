// "%4.3f" and "%d" without printf: a real rounded to thousandths in exact
// integer arithmetic (to_chars for the integers beyond 2^52), the C library's
// texts of not-a-number and the infinities, the field width of four.
#include "genocall/number_format.h"

#include <charconv>
#include <cstring>

namespace genocall {

namespace {

// Right-aligns a short text in a field of four, as the field width of "%4.3f" does.
char* put_width4(char* out, const char* text) {
    const size_t length = std::strlen(text);
    for (size_t i = length; i < 4; ++i) *out++ = ' ';
    std::memcpy(out, text, length);
    return out + length;
}

}  // namespace

char* put_fixed3(char* out, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int exponent_field = static_cast<int>((bits >> 52) & 0x7ff);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    if (exponent_field == 0x7ff) {
        if (fraction != 0) return put_width4(out, negative ? "-nan" : "nan");
        return put_width4(out, negative ? "-inf" : "inf");
    }
    // v = mantissa * 2^binary_exponent exactly.
    const uint64_t mantissa = exponent_field != 0 ? fraction | (uint64_t{1} << 52) : fraction;
    const int binary_exponent = exponent_field != 0 ? exponent_field - 1075 : -1074;
    if (binary_exponent >= 0) {
        // |v| >= 2^52: an integer; the library's exact conversion writes it.
        return std::to_chars(out, out + max_fixed3_length, v, std::chars_format::fixed, 3).ptr;
    }
    // Round v * 1000 = mantissa * 1000 / 2^shift to an integer, ties to even,
    // all in exact integer arithmetic (mantissa * 1000 < 2^63).
    const int shift = -binary_exponent;
    const uint64_t scaled = mantissa * 1000;
    uint64_t thousandths = 0;
    if (shift < 64) {
        thousandths = scaled >> shift;
        const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
        const uint64_t half = uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && (thousandths & 1) != 0)) ++thousandths;
    }  // else v * 1000 < 1/2: rounds to zero
    if (negative) *out++ = '-';
    out = std::to_chars(out, out + 24, thousandths / 1000).ptr;
    const unsigned decimals = static_cast<unsigned>(thousandths % 1000);
    out[0] = '.';
    out[1] = static_cast<char>('0' + decimals / 100);
    out[2] = static_cast<char>('0' + decimals / 10 % 10);
    out[3] = static_cast<char>('0' + decimals % 10);
    return out + 4;
}

char* put_int(char* out, int32_t v) { return std::to_chars(out, out + 12, v).ptr; }

}  // namespace genocall
