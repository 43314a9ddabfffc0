// Free-format console lines: integer fields, texts and their blanks, and the
// wrap at 80 characters.
#include "common/free_format_writer.h"

#include <charconv>

#include "common/unit_file.h"

namespace common {

namespace {
constexpr size_t line_limit = 80;
}

void free_format_line::clear() {
    done_.clear();
    line_.clear();
    last_was_text_ = false;
    any_value_ = false;
    finished_ = false;
}

void free_format_line::end_line() {
    done_ += line_;
    done_ += '\n';
    line_.clear();
    last_was_text_ = false;
}

free_format_line& free_format_line::add_number(int64_t v, int width) {
    char digits[24];
    auto r = std::to_chars(digits, digits + sizeof digits, v);
    size_t n = static_cast<size_t>(r.ptr - digits);
    size_t w = static_cast<size_t>(width);
    if (!line_.empty() && line_.size() + w > line_limit) end_line();
    line_.append(w - n, ' ');
    line_.append(digits, n);
    last_was_text_ = false;
    any_value_ = true;
    return *this;
}

free_format_line& free_format_line::add(std::string_view text) {
    size_t blank = (line_.empty() || !last_was_text_) ? 1 : 0;
    if (line_.size() + blank + text.size() > line_limit) {
        if (blank + text.size() <= line_limit) {
            // Fits on a line of its own: start a new one with the leading blank.
            if (!line_.empty()) end_line();
            blank = 1;
        } else {
            // Longer than any line: fill this one, continue in pieces.
            if (line_.size() + blank >= line_limit) {
                end_line();
                blank = 1;
            }
            line_.append(blank, ' ');
            while (!text.empty()) {
                size_t room = line_limit - line_.size();
                size_t take = std::min(room, text.size());
                line_.append(text.substr(0, take));
                text.remove_prefix(take);
                if (!text.empty()) end_line();
            }
            last_was_text_ = true;
            any_value_ = true;
            return *this;
        }
    }
    line_.append(blank, ' ');
    line_.append(text);
    last_was_text_ = true;
    any_value_ = true;
    return *this;
}

free_format_line& free_format_line::add_chars(std::string_view chars) {
    for (char c : chars) add(std::string_view(&c, 1));
    return *this;
}

std::string_view free_format_line::text() {
    if (!finished_) {
        if (!any_value_) line_.assign(1, ' ');
        if (!line_.empty() || done_.empty()) end_line();
        finished_ = true;
    }
    return done_;
}

void write_free_line(free_format_line& line) { console_file().write_text(line.text()); }

}  // namespace common
