// The ends of a run: statuses and codes, files completed from any thread,
// write and open failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "common/free_format_writer.h"
#include "common/run_end.h"
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

// A file that cannot be completed at the end is the write error it is,
// whatever the end: a stop or a coded end that came after its records were
// written must not hide it. Only a fatal error keeps its own number.
TEST(run_end, a_file_that_cannot_be_completed_gives_status_38_to_every_end_but_a_fatal_error) {
    auto dir = test_support::make_scratch_dir("run_end_full_then_stop");
    std::filesystem::create_symlink("/dev/full", dir / "full.out");
    const std::string path = (dir / "full.out").string();
    const std::string failure = "Fatal error 38: error during write, unit 20, file " + path + "\n";
    const auto with_full_file = [&path](void (*end)()) {
        static unit_file f(20, path);
        f.open();
        f.write_line("buffered until the end");
        end();
    };
    EXPECT_EXIT(with_full_file([] { stop_run(); }), testing::ExitedWithCode(38), testing::Eq(failure));
    EXPECT_EXIT(with_full_file([] { end_with_code(41); }), testing::ExitedWithCode(38), testing::Eq("41\n" + failure));
    EXPECT_EXIT(with_full_file([] { fatal_error(error_conversion, "input conversion error, unit 9, file x"); }),
                testing::ExitedWithCode(64),
                testing::Eq("Fatal error 64: input conversion error, unit 9, file x\n" + failure));
}

TEST(run_end, a_file_that_cannot_be_opened_is_fatal_9_with_the_system_reason) {
    auto dir = test_support::make_scratch_dir("run_end_open");
    std::filesystem::create_directory(dir / "a_directory");
    std::filesystem::create_symlink("loop", dir / "loop");
    const std::string directory = (dir / "a_directory").string(), loop = (dir / "loop").string();
    EXPECT_EXIT(unit_file(13, directory).open(), testing::ExitedWithCode(9),
                testing::Eq("Fatal error 9: permission to access file denied, unit 13, file " + directory + "\n" +
                            directory + ": Is a directory\n"));
    EXPECT_EXIT(unit_file(14, loop).open(), testing::ExitedWithCode(9),
                testing::Eq("Fatal error 9: permission to access file denied, unit 14, file " + loop + "\n" + loop +
                            ": Too many levels of symbolic links\n"));
}

// Threads write numbered lines to files of their own, one of them on a full
// disk, while the main thread stops the run: every file holds whole lines in
// order (the end never takes a line half written, and never loses one that
// was), and the full disk gives status 38 however the ends meet. The worker
// on the full disk begins only once every other worker has its first line
// written: its write error can end the run at once, and by then every file
// must hold this round's lines. The thread-sanitizer build sees any
// unguarded access of the end to a file.
TEST(run_end, an_end_while_other_threads_write_keeps_every_line_whole) {
    // The threads start in the child, after the fork of the death test.
    GTEST_FLAG_SET(death_test_style, "fast");
    auto dir = test_support::make_scratch_dir("run_end_writing_threads");
    std::filesystem::create_symlink("/dev/full", dir / "worker0.txt");
    constexpr int workers = 4;
    for (int round = 0; round < 5; ++round) {
        EXPECT_EXIT(
            {
                static std::atomic<int> writing{0};  // workers that have written a line
                for (int w = 0; w < workers; ++w) {
                    const std::string path = (dir / ("worker" + std::to_string(w) + ".txt")).string();
                    std::thread([w, path] {
                        unit_file f(40 + w, path);
                        f.open();
                        if (w == 0)
                            while (writing < workers - 1) std::this_thread::yield();
                        for (int n = 0;; ++n) {
                            f.write_line("line " + std::to_string(n) + " of worker " + std::to_string(w));
                            if (n == 0) ++writing;
                        }
                    }).detach();
                }
                while (writing < workers) std::this_thread::yield();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                stop_run();
            },
            testing::ExitedWithCode(error_write), "error during write, unit 40");
        for (int w = 1; w < workers; ++w) {
            const std::string text = test_support::read_file(dir / ("worker" + std::to_string(w) + ".txt"));
            std::string expected;
            for (int n = 0; expected.size() < text.size(); ++n)
                expected += "line " + std::to_string(n) + " of worker " + std::to_string(w) + "\n";
            const auto differ = std::mismatch(text.begin(), text.end(), expected.begin()).first;
            EXPECT_TRUE(text.size() == expected.size() && differ == text.end())
                << "worker " << w << ", round " << round << ": " << text.size() << " bytes, first difference at "
                << (differ - text.begin());
        }
    }
}

}  // namespace
