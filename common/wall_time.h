#pragma once
// The wall-time line between the phases of kmerbank and fragsim.
#include <cstdint>
#include <string>

namespace common {

/// Prints " Wall time: MM-DD-YYYY  HHh MMm SSs mmm" (39 characters) from one
/// reading of the clock, in local time, milliseconds cut.
void mywalltime();

/// The line's text (without line feed) for seconds and microseconds since
/// the epoch.
std::string wall_time_text(int64_t seconds, int64_t microseconds);

}  // namespace common
