#pragma once
// How a genocall run is set up and how it stops after an error.
#include <cstddef>

namespace genocall {

/// Sets flush-to-zero and denormals-are-zero for the whole run.
void set_flush_to_zero();

/// Ends the run with exit status 1; called right after an error message.
/// When standard output cannot be written, so that the message is lost, the
/// line of check_console goes to standard error first.
[[noreturn]] void stop_run();

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

/// For fuzzing: when set, stop_run calls hook() first; a hook that throws
/// keeps the process alive. Unset, a stop ends the process as always.
using stop_hook = void (*)();
void set_stop_hook(stop_hook hook);

}  // namespace genocall
