#pragma once
// Number fields of the VCF data lines, byte for byte as the C library's
// "%4.3f" and "%d" would write them, without a printf call per field.
#include <cstdint>

namespace genocall {

/// Room a formatted real may need: sign, 309 integer digits, point, 3 decimals.
inline constexpr int max_fixed3_length = 320;

/// Writes v as "%4.3f" does (not-a-number and infinities included, a
/// negative zero as "-0.000"); gives the end of what was written.
char* put_fixed3(char* out, double v);

/// Writes v as "%d" does; gives the end of what was written.
char* put_int(char* out, int32_t v);

}  // namespace genocall
