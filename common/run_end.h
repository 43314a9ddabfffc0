#pragma once
// The ways a run of kmerbank or fragsim ends. Every end completes every open
// file and the console (registered unit files are flushed) before the process
// exits, also when the end is called from a worker thread. A file that cannot
// be completed at the end is fatal error 38: it gives the status of every end
// but a fatal error, whose own number stands.
#include <string>
#include <string_view>

namespace common {

class unit_file;

/// Normal end: status 0, nothing printed.
[[noreturn]] void plain_end();

/// End with code c: the digits of c on their own line of standard error,
/// status c (the shell keeps the low 8 bits: 261 is seen as 5).
[[noreturn]] void end_with_code(int code);

/// Exit with status n, printing nothing.
[[noreturn]] void exit_with_status(int status);

/// End after a check of the program has printed its own message line:
/// exit status 1, so a failed run never reports success.
[[noreturn]] void stop_run();

/// Where the console line of stop_with_whole_line starts.
enum class line_start {
    blank,     // with the one blank of a free-format line (kmerbank's checks)
    as_given,  // with the message's first character, as a fixed-width line (fragsim's records)
};
/// A check that stops the run: one console line of the message, written
/// whole and never wrapped at 80 characters (for messages whose numbers can
/// make them longer than one free-format line), then the end with exit
/// status 1.
[[noreturn]] void stop_with_whole_line(std::string_view message, line_start start = line_start::blank);

/// Fatal error of a read, a write or an allocation: one line on standard
/// error with the error number and the message, status the error number.
[[noreturn]] void fatal_error(int number, const std::string& message);

/// Fatal error whose message names a unit and its file, e.g.
/// fatal_io_error(24, "end-of-file during read", 9, "kmerbank.options").
[[noreturn]] void fatal_io_error(int number, const char* what, int unit, const std::string& path);

/// Fatal error 24 of a read that meets the end of the file where the caller
/// has no end branch.
[[noreturn]] void fatal_end_of_file(const unit_file& file);

/// Fatal error 64 of a value that cannot be converted to its item (a
/// free-format value, a column of genotypes.true).
[[noreturn]] void fatal_conversion_error(const unit_file& file);

/// Fatal error 9 of a file that cannot be opened: its line, then a second
/// line of the file's path and the system's reason for error_number, e.g.
/// "kmerbank.options: Is a directory".
[[noreturn]] void fatal_open_error(int unit, const std::string& path, int error_number);

/// Fatal error 41 of a table that cannot be allocated.
[[noreturn]] void out_of_memory();

/// Makes every failed allocation of the run, not only those of the tables,
/// the fatal error 41 instead of an exception that would end the process.
void end_run_when_memory_runs_out();

/// A program that takes no arguments, given any (argc above 1), prints one
/// line on standard error that says so and where its options come from, and
/// ends with status 1 before it opens or prints anything else.
void refuse_arguments(int argc, const std::string& program, const std::string& options_file);

// Error numbers of fatal_error.
inline constexpr int error_permission = 9;
inline constexpr int error_end_of_file = 24;
inline constexpr int error_write = 38;
inline constexpr int error_read = 39;
inline constexpr int error_memory = 41;
inline constexpr int error_conversion = 64;
inline constexpr int error_record_too_short = 67;

// Statuses of exit_with_status after a missing-file message: the unit number
// of the missing input.
inline constexpr int status_options_missing = 9;         // kmerbank.options, fragsim.options
inline constexpr int status_reference_map_missing = 10;  // fragsim's reference.unf
inline constexpr int status_seed_missing = 12;           // fragsim's simseed

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
/// Fuzz builds only: when set, every end calls hook(status) first; a hook
/// that throws keeps the process alive for the next input.
using end_hook = void (*)(int status);
void set_end_hook(end_hook hook);
#endif

/// Files registered here are flushed at every end of the run.
void register_open_file(unit_file* file);
void unregister_open_file(unit_file* file);

}  // namespace common
