// Free-format console lines: fields, spacing and the 80-character wrap.
#include <gtest/gtest.h>

#include "common/free_format_writer.h"

namespace {

using common::free_format_line;

TEST(free_format_writer, fields_and_text_spacing) {
    struct {
        const char* name;
        std::string got, want;
    } cases[] = {
        {"int32", std::string(free_format_line().add(int32_t{5}).text()), std::string(11, ' ') + "5\n"},
        {"int8 then text",
         std::string(free_format_line().add("Variant is not on a valid chromosome: ").add(int8_t{12}).text()),
         " Variant is not on a valid chromosome:    12\n"},
        {"number then text",
         std::string(
             free_format_line().add(int32_t{1234}).add("k-mers stored in hash table from reference map").text()),
         "        1234 k-mers stored in hash table from reference map\n"},
        {"int64 is 22 wide", std::string(free_format_line().add(int64_t{-7}).text()), std::string(20, ' ') + "-7\n"},
        {"texts join", std::string(free_format_line().add("a").add("b").add(int32_t{1}).add("c").text()),
         " ab           1 c\n"},
        {"no values", std::string(free_format_line().text()), " \n"},
    };
    for (auto& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
}

TEST(free_format_writer, wraps_at_80_characters) {
    free_format_line line;
    line.add(int32_t{7}).add_chars(std::string(67, 'a') + std::string(13, 'b'));
    EXPECT_EQ(std::string(line.text()),
              std::string(11, ' ') + "7 " + std::string(67, 'a') + "\n " + std::string(13, 'b') + "\n");

    // A number that does not fit starts the next line directly.
    free_format_line numbers;
    for (int i = 0; i < 7; ++i) numbers.add(int32_t{i});
    EXPECT_EQ(std::string(numbers.text()).find('\n'), 72u);
    EXPECT_EQ(std::string(numbers.text()).substr(73), "           6\n");

    // A text longer than a line fills it and continues in pieces.
    free_format_line long_text;
    long_text.add(std::string(170, 'x'));
    EXPECT_EQ(std::string(long_text.text()),
              " " + std::string(79, 'x') + "\n" + std::string(80, 'x') + "\n" + std::string(11, 'x') + "\n");
}

}  // namespace
