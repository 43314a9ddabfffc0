// The wall-time line: its text from one reading of the clock, in local time.
#include "common/wall_time.h"

#include <sys/time.h>

#include <cstdio>
#include <ctime>

#include "common/free_format_writer.h"
#include "common/unit_file.h"

namespace common {

std::string wall_time_text(int64_t seconds, int64_t microseconds) {
    time_t t = static_cast<time_t>(seconds);
    struct tm local {};
    localtime_r(&t, &local);
    char date[48], clock[64];
    std::snprintf(date, sizeof date, "%02d-%02d-%04d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    std::snprintf(clock, sizeof clock, "%02dh %02dm %02ds %03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(microseconds / 1000));
    free_format_line line;
    line.add("Wall time: ").add(date).add("  ").add(clock);
    std::string text(line.text());
    text.pop_back();
    return text;
}

void mywalltime() {
    struct timeval tv {};
    gettimeofday(&tv, nullptr);
    std::string text = wall_time_text(tv.tv_sec, tv.tv_usec);
    console_file().write_line(text);
}

}  // namespace common
