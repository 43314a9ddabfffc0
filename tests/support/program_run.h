#pragma once
// Helpers for end-to-end tests: scratch directories, whole-file reads and
// writes, and running a built program in a directory with captured output.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

struct run_result {
    int status = -1;  // exit status, or 128 + signal number when killed
    std::string out;  // standard output
    std::string err;  // standard error
};

/// The tests' source folder (holding the case folders) and the build tree.
std::filesystem::path tests_source_dir();
std::filesystem::path tests_binary_dir();

/// Path of a built program, e.g. program_path("kmerbank").
std::string program_path(const std::string& name);

/// A fresh, empty directory for one test, below the build tree.
std::filesystem::path make_scratch_dir(const std::string& name);

void write_file(const std::filesystem::path& path, std::string_view contents);
std::string read_file(const std::filesystem::path& path);
bool file_exists(const std::filesystem::path& path);
/// Names of the regular files in a directory, sorted.
std::vector<std::string> list_files(const std::filesystem::path& dir);

/// What a run changes in the child besides its arguments and environment.
struct child_setup {
    size_t memory_limit = 0;            // address space in bytes, as `ulimit -v` sets it; 0: no limit
    size_t file_size_limit = 0;         // largest file in bytes, as `ulimit -f` sets it; 0: no limit
    std::vector<int> closed_streams{};  // standard descriptors closed at the start, e.g. 2 as `2>&-`
    std::string stdout_target{};        // standard output opened on this path (e.g. /dev/full), not captured
};

/// Runs program with args in directory cwd, standard input from /dev/null.
/// extra_env entries ("NAME=value") are added to the environment, each in
/// place of an inherited entry of its name (the last of a name counts).
/// timeout_seconds bounds the run: a program still running is killed (SIGKILL).
/// memory_limit, when not 0, caps the child's address space in bytes
/// (as `ulimit -v` would).
run_result run_program(const std::string& program, const std::filesystem::path& cwd,
                       const std::vector<std::string>& args = {}, const std::vector<std::string>& extra_env = {},
                       int timeout_seconds = 120, size_t memory_limit = 0);
/// The same with the limits and standard streams of setup. A closed or
/// redirected stream leaves its captured text empty.
run_result run_program(const std::string& program, const std::filesystem::path& cwd,
                       const std::vector<std::string>& args, const std::vector<std::string>& extra_env,
                       int timeout_seconds, const child_setup& setup);

/// True when the tests are built with a sanitizer, whose shadow memory
/// cannot live under an address-space limit.
bool built_with_sanitizer();
/// True when the tests are built with ThreadSanitizer, whose own memory
/// does not live under a file-size limit.
bool built_with_thread_sanitizer();

/// The line a fatal error of a read or write gives on standard error.
std::string fatal_line(int number, const char* what, int unit, const char* file);
/// Standard error of a file that cannot be opened: its fatal line, then the
/// file's name and the system's reason.
std::string open_failure(int unit, const std::string& name, const std::string& reason);
/// The fatal line of a write that fails.
std::string write_failure(int unit, const char* name);

/// The bytes of a binary file: lines of every byte value but the line feed,
/// NUL included, each beginning as an executable file does.
std::string binary_bytes();

/// Replaces every wall-time line by " Wall time: <masked>".
std::string mask_wall_time(std::string_view text);

}  // namespace test_support
