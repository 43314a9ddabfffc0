#pragma once
// How a genocall run is set up and how it stops after an error.
#include <cstddef>

namespace genocall {

/// Sets flush-to-zero and denormals-are-zero for the whole run.
void set_flush_to_zero();

/// Ends the run with exit status 1; called right after an error message.
[[noreturn]] void stop_run();

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
