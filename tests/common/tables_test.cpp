// The fixed tables: extents, zero fill, the column layout of a matrix, and
// the fatal end of a table that cannot be had.
#include <gtest/gtest.h>

#include <cstdint>

#include "common/tables.h"

namespace {

using common::matrix;
using common::table;

TEST(tables, extents_and_allocation_failure) {
    table<int32_t> t;
    t.allocate(-2, 3);
    EXPECT_EQ(t.size(), 6);
    t[-2] = 5;
    EXPECT_EQ(*t.data(), 5);
    EXPECT_EQ(t[3], 0);
    table<int32_t> empty;
    empty.allocate(1, 0);
    EXPECT_EQ(empty.size(), 0);
    matrix<char> m;
    m.allocate(4, 3);
    m(2, 3) = 'x';
    EXPECT_EQ(m.column(3)[1], 'x');
    EXPECT_EXIT(
        {
            table<int64_t> huge;
            huge.allocate(1, INT64_MAX / 4);
        },
        testing::ExitedWithCode(41), "insufficient virtual memory");
    // An element count past 64 bits is the same end.
    EXPECT_EXIT(
        {
            matrix<char> past;
            past.allocate(INT64_MAX / 2, 3);
        },
        testing::ExitedWithCode(41), "insufficient virtual memory");
}

}  // namespace
