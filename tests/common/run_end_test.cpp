#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "common/tables.h"
#include "common/unit_file.h"
#include "program_run.h"

namespace {

using namespace common;

TEST(run_end, statuses_and_codes) {
    EXPECT_EXIT(plain_end(), testing::ExitedWithCode(0), "^$");
    EXPECT_EXIT(end_with_code(261), testing::ExitedWithCode(5), "^261\n$");
    EXPECT_EXIT(end_with_code(41), testing::ExitedWithCode(41), "^41\n$");
    EXPECT_EXIT(exit_with_status(9), testing::ExitedWithCode(9), "^$");
    EXPECT_EXIT(stop_run(), testing::ExitedWithCode(1), "^$");
    EXPECT_EXIT(out_of_memory(), testing::ExitedWithCode(41), "insufficient virtual memory");
}

TEST(run_end, every_end_completes_open_files_also_from_a_worker_thread) {
    auto dir = test_support::make_scratch_dir("run_end_flush");
    const std::string path = (dir / "out.txt").string();
    EXPECT_EXIT(
        {
            static unit_file f(13, path);
            f.open();
            f.write_line("written before the end");
            std::thread([] { stop_run(); }).join();
        },
        testing::ExitedWithCode(1), "");
    EXPECT_EQ(test_support::read_file(path), "written before the end\n");
}

// Other threads go on opening, writing and destroying their files while one
// thread ends the run: the end never touches a file that is gone (the
// sanitizer build sees any such use).
TEST(run_end, an_end_while_other_threads_open_and_destroy_files) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto dir = test_support::make_scratch_dir("run_end_busy_threads");
    for (int round = 0; round < 10; ++round) {
        EXPECT_EXIT(
            {
                for (int w = 0; w < 6; ++w) {
                    const std::string path = (dir / ("worker" + std::to_string(w) + ".txt")).string();
                    std::thread([w, path] {
                        for (;;) {
                            unit_file f(30 + w, path);
                            f.open();
                            f.write_line("one line");
                        }
                    }).detach();
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                fatal_error(error_write, "ended by the main thread");
            },
            testing::ExitedWithCode(error_write), "^Fatal error 38: ended by the main thread\n$");
    }
}

TEST(run_end, a_write_to_a_full_disk_is_fatal_38) {
    auto dir = test_support::make_scratch_dir("run_end_full");
    std::filesystem::create_symlink("/dev/full", dir / "full.out");
    const std::string path = (dir / "full.out").string();
    EXPECT_EXIT(
        {
            static unit_file f(20, path);
            f.open();
            f.write_line("lost");
            plain_end();
        },
        testing::ExitedWithCode(38), "error during write, unit 20, file .*full.out");
}

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
}

}  // namespace
