#pragma once
// How a genocall run is set up and how it stops after an error.
#include <cstddef>

namespace genocall {

/// Sets flush-to-zero and denormals-are-zero for the whole run.
void set_flush_to_zero();

/// Writes the message, formatted as printf formats it, to standard output
/// and ends the run with exit status 1. When standard output cannot be
/// written, so that the message is lost, the line of check_console goes to
/// standard error first. Every error of the run ends here, but for the one
/// message that goes to standard error (stop_run_on_stderr).
[[noreturn]] void stop_run(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// The same with the message on standard error, written at once, before
/// what standard output still holds.
[[noreturn]] void stop_run_on_stderr(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Hands what was written to standard output on, and checks that it could
/// be written: when not (a closed console, a full disk, a file-size limit),
/// writes "\nERROR: standard output cannot be written: " and the system's
/// reason, then "\n", to standard error and ends the run with exit status 1.
void check_console();

/// Writes "\nInsufficient memory \n" and ends the run with exit status 1.
[[noreturn]] void stop_insufficient_memory();

/// A new zero-filled array of count entries of size bytes (one entry when
/// count is 0); failure stops the run as stop_insufficient_memory does.
void* allocate_or_stop(size_t count, size_t size);

/// Room for bytes bytes (at least one) that the caller fills before it
/// reads them, so they are not cleared; failure stops the run as
/// stop_insufficient_memory does.
void* allocate_unfilled_or_stop(size_t bytes);

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
/// Fuzz builds only: when set, a stop calls hook() after its message; a
/// hook that throws keeps the process alive. Unset, a stop ends the process.
using stop_hook = void (*)();
void set_stop_hook(stop_hook hook);
#endif

}  // namespace genocall
