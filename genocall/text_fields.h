#pragma once
// The fields of a text line: blank-and-tab tokens and the numbers they
// hold, read as the C library reads them; and the line count of a file.
#include <cstdint>

namespace genocall {

/// Splits text at blanks and tabs into at most max tokens, ending each token
/// with a zero byte in place; gives the number of tokens found.
int split_tokens(char* text, char** tokens, int max);

/// The number of lines of a file (a last line without a line feed counts);
/// a file that cannot be opened writes "\nERROR: input_file %s failed to open\n" and ends the run.
int32_t count_lines(const char* path);

/// atol of a token: leading white space, an optional sign and the decimal
/// digits that follow, the rest ignored; 0 when there are none. false when
/// the value lies outside the signed 32-bit range, which would change it.
bool read_leading_int32(const char* token, int32_t& value);

/// The decimal integer that text holds whole (leading white space, an
/// optional sign, digits and nothing after them); false when text holds
/// anything else or a value outside the signed 32-bit range.
bool read_whole_int32(const char* text, int32_t& value);

/// The real number that text holds whole, in any notation strtod reads
/// (decimal, exponent, hexadecimal, infinity, not-a-number), after optional
/// leading white space; false when nothing, or anything after the number, is
/// there.
bool read_whole_real(const char* text, double& value);

}  // namespace genocall
