// Tokens, whole-line reads, line counts and depth characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "genocall/line_reader.h"
#include "genocall/readdepth_input.h"
#include "genocall/text_fields.h"
#include "program_run.h"

namespace {

std::vector<std::string> tokens_of(std::string text, int max) {
    std::vector<char*> tokens(static_cast<size_t>(max));
    const int n = genocall::split_tokens(text.data(), tokens.data(), max);
    return std::vector<std::string>(tokens.begin(), tokens.begin() + n);
}

TEST(split_tokens, splits_at_blanks_and_tabs_only) {
    using v = std::vector<std::string>;
    EXPECT_EQ((v{"1", "1000", "m1", "0", "x", "A", "G"}), tokens_of("1 1000 m1 0 x A G rest", 7));
    EXPECT_EQ((v{"1", "1000", "m1", "0", "x", "A", "G"}), tokens_of(" \t 1\t\t1000  m1 \t0 x A G", 7));
    EXPECT_EQ((v{"a,b", "c;d\r", "e"}), tokens_of("a,b c;d\r e", 7));
    EXPECT_EQ((v{}), tokens_of(" \t ", 7));
    EXPECT_EQ((v{"S1", "P1"}), tokens_of("S1 P1", 4));
}

TEST(decode_depth_char, follows_both_arms) {
    const std::string chars = "09AZ:@az";
    const int expected[] = {0, 9, 10, 35, 3, 9, 42, 67};
    for (size_t i = 0; i < chars.size(); ++i) EXPECT_EQ(expected[i], genocall::decode_depth_char(chars[i])) << chars[i];
    EXPECT_EQ(80, genocall::decode_depth_char(static_cast<char>(0x80)));
    EXPECT_EQ(207, genocall::decode_depth_char(static_cast<char>(0xFF)));
}

TEST(read_line, reads_long_lines_whole_and_drops_line_ends) {
    const auto dir = test_support::make_scratch_dir("genocall.read_line");
    // Longer than the buffer and than a read block, with NUL bytes inside:
    // still one line.
    std::string long_line(600000, 'x');
    long_line[3] = '\0';
    long_line[300000] = '\0';
    test_support::write_file(dir / "t", "a b\r\n" + long_line + "\n\nlast\r");
    genocall::text_source source;
    ASSERT_TRUE(genocall::open_text_source(source, (dir / "t").c_str(), 0));
    genocall::line_buffer line = genocall::make_line_buffer(8);
    std::vector<std::string> lines;
    while (genocall::read_line(source, line)) lines.emplace_back(line.data, line.length);
    EXPECT_FALSE(genocall::read_failed(source));
    EXPECT_TRUE(genocall::close_text_source(source));
    genocall::free_line_buffer(line);
    EXPECT_EQ((std::vector<std::string>{"a b", long_line, "", "last"}), lines);
    EXPECT_EQ(4, genocall::count_lines((dir / "t").c_str()));
}

TEST(count_lines, counts_lines_of_any_length) {
    const auto dir = test_support::make_scratch_dir("genocall.count_lines");
    const std::vector<std::pair<std::string, int>> cases = {
        {"", 0}, {"\n", 1}, {"a", 1}, {"a\nb", 2}, {"a\nb\n", 2}, {std::string(30000, 'y') + "\nz\n", 2}};
    for (const auto& [text, lines] : cases) {
        test_support::write_file(dir / "c", text);
        EXPECT_EQ(lines, genocall::count_lines((dir / "c").c_str())) << text.size() << " bytes";
    }
}

}  // namespace
