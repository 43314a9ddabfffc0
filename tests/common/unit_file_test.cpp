// Unit files: lines longer than the caller holds, and the cut at the first
// write that leaves unwritten files as they were.
#include <gtest/gtest.h>

#include <string>

#include "common/unit_file.h"
#include "program_run.h"

namespace {

using common::unit_file;

TEST(unit_file, a_line_longer_than_the_caller_holds_is_cut_and_its_rest_left_unread) {
    auto dir = test_support::make_scratch_dir("unit_file_lines");
    test_support::write_file(dir / "lines", "abcdefgh\nij\n" + std::string(3 << 20, 'x') + "yz\nlast");
    unit_file f(12, (dir / "lines").string());
    f.open();
    std::string line;
    ASSERT_TRUE(f.read_line(line, 5));
    EXPECT_EQ(line, "abcde");
    EXPECT_TRUE(f.line_was_cut());
    char more[2];
    EXPECT_EQ(f.read_more_of_line(more, 2), 2u);  // the rest can still be read
    EXPECT_EQ(std::string(more, 2), "fg");
    ASSERT_TRUE(f.read_line(line, 5));  // passes over "h" and the line feed
    EXPECT_EQ(line, "ij");
    EXPECT_FALSE(f.line_was_cut());
    ASSERT_TRUE(f.read_line(line, 5));
    EXPECT_EQ(line, "xxxxx");
    ASSERT_TRUE(f.read_line(line, 5));  // 3 MiB passed over, never held
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(f.read_line(line, 5));
}

TEST(unit_file, first_write_cuts_and_unwritten_files_keep_their_contents) {
    auto dir = test_support::make_scratch_dir("unit_file_cut");
    test_support::write_file(dir / "old", "earlier contents\n");
    test_support::write_file(dir / "kept", "kept contents\n");
    {
        unit_file a(10, (dir / "old").string()), b(11, (dir / "kept").string()), c(12, (dir / "new").string());
        a.open();
        b.open();
        c.open();
        a.write_line("new");
        a.close();
        b.close();
        c.close();
    }
    EXPECT_EQ(test_support::read_file(dir / "old"), "new\n");
    EXPECT_EQ(test_support::read_file(dir / "kept"), "kept contents\n");
    EXPECT_EQ(test_support::read_file(dir / "new"), "");
}

}  // namespace
