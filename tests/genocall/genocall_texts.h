#pragma once
// Texts of genocall as the tests compare them: standard output with the one
// line that changes from build to build, the compile stamp, masked; the lines
// every run starts with; a real number as the VCF writer writes it.
#include <string>
#include <string_view>

#include "genocall/number_format.h"

namespace genocall_test {

inline constexpr std::string_view stamp_prefix = "\nCompile Timestamp: ";

/// Replaces the build date and time after "Compile Timestamp: " by <masked>,
/// keeping the blank and line end that follow them.
inline std::string mask_compile_stamp(std::string_view out) {
    std::string text(out);
    const size_t at = text.find(stamp_prefix);
    if (at == std::string::npos) return text;
    const size_t from = at + stamp_prefix.size();
    const size_t to = text.find(" \n", from);
    if (to == std::string::npos) return text;
    text.replace(from, to - from, "<masked>");
    return text;
}

/// What every run writes first: the masked stamp line and the option header.
inline const std::string start_lines = "\nCompile Timestamp: <masked> \n\nCommand line options: ";

/// v as the VCF writer writes "%4.3f".
inline std::string fixed3(double v) {
    char text[genocall::max_fixed3_length];
    return std::string(text, genocall::put_fixed3(text, v));
}

}  // namespace genocall_test
