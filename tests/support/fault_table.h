#pragma once
// End-to-end fault tables. Each case starts from a sound set of inputs in a
// fresh scratch directory, spoils it (a directory or a full disk in place of a
// file, an earlier run's outputs, a damaged input, an argument), runs the
// built program, and checks its exit status, the whole of its standard error,
// a text its standard output must hold, and what stayed on disk.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "program_run.h"

namespace test_support {

using spoil_fn = std::function<void(const std::filesystem::path& dir)>;
using disk_check_fn = std::function<void(const std::filesystem::path& dir, const run_result& result)>;

/// How a program is run for its fault table.
struct fault_program {
    std::string name;                 // built program, e.g. "kmerbank"
    spoil_fn write_inputs;            // the sound inputs every case starts from
    std::vector<std::string> args{};  // command line of a sound run
    std::vector<std::string> env{};   // extra environment, e.g. OMP_NUM_THREADS=1
    int timeout_seconds = 60;
};

/// One fault and what it must give, written with designated initializers in
/// this order, a field left out meaning "as a sound run": the case's label,
/// how its run differs from a sound one, then what the run must give.
struct fault_case {
    std::string label;
    // The run.
    spoil_fn spoil{};                   // makes the fault in the sound inputs, when set
    std::vector<std::string> args{};    // replaces the program's command line, when not empty
    std::vector<std::string> env{};     // environment added to the program's for this case
    size_t memory_limit = 0;            // address-space limit of the run in bytes (0: none)
    size_t file_size_limit = 0;         // largest file the run may write in bytes (0: none)
    std::vector<int> closed_streams{};  // standard descriptors closed when the run starts, e.g. {2} as 2>&-
    std::string stdout_target{};        // standard output on this path (e.g. /dev/full), not captured
    // What it gives.
    int status = 0;            // the exit status
    std::string err{};         // the whole of standard error (none when not given)
    std::string out_part{};    // text standard output must hold, when not empty
    std::string out_absent{};  // text standard output must not hold, when not empty
    disk_check_fn check{};     // what must stay on disk, when set
};

/// Runs every case (gtest assertions, each case traced by its label). Cases
/// with a memory limit are passed over in sanitizer builds, those with a
/// file-size limit in thread-sanitizer builds, and cases that
/// need /dev/full (or another stdout_target) where it is missing.
void run_fault_table(const fault_program& program, const std::vector<fault_case>& cases);

// Spoilers for the cases.
/// A directory in place of the file.
spoil_fn directory_named(std::string name);
/// No file of the name: the run finds it missing.
spoil_fn missing(std::string name);
/// A symbolic link to /dev/full in place of the file: it opens, and every
/// write to it fails as on a full disk.
spoil_fn full_disk_under(std::string name);
/// The file holding the given bytes.
spoil_fn file_holding(std::string name, std::string contents);
/// Each spoiler in turn.
spoil_fn all_of(std::vector<spoil_fn> spoilers);
/// A symbolic link to target in place of the file (e.g. /dev/zero, or a
/// target that does not exist).
spoil_fn link_named(std::string name, std::string target);
/// A hard link of target (a file of the directory) in place of the file:
/// one file under two names.
spoil_fn hard_link_named(std::string name, std::string target);
/// The file holding head, then NUL bytes up to size bytes in all; the NUL
/// part is a hole, so a file far larger than memory costs no disk.
spoil_fn nul_filled(std::string name, std::string head, size_t size);

/// The text that stands in for an earlier run's output in the cases.
inline const std::string earlier_run_text = "earlier run: these bytes must not survive\n";

/// Asserts that actual is a byte prefix of whole (the file a sound run writes).
void expect_prefix_of(const std::string& actual, const std::string& whole, const std::string& what);

// Checks of what a case leaves.
/// Each check in turn.
disk_check_fn all_checks(std::vector<disk_check_fn> checks);
/// The file holds exactly these bytes.
disk_check_fn file_is(std::string name, std::string contents);
/// There is no such file.
disk_check_fn no_file(std::string name);
/// Standard output is exactly text once mask has passed over it (the
/// wall-time lines masked when no mask is given).
disk_check_fn console_is(std::string text, std::function<std::string(std::string_view)> mask = nullptr);
/// The last line of standard output that carries text is this one.
disk_check_fn last_line_is(std::string line);
/// The last line of standard output that carries text begins so.
disk_check_fn last_line_starts_with(std::string start);

/// The last line of a text that carries more than line feeds, without its
/// line feed; empty when there is none.
std::string last_text_line(const std::string& text);

}  // namespace test_support
