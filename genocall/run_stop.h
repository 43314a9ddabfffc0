#pragma once
// How a genocall run is set up and how it stops after an error.

namespace genocall {

/// Sets flush-to-zero and denormals-are-zero for the whole run.
void set_flush_to_zero();

/// Ends the run with exit status 1; called right after an error message.
[[noreturn]] void stop_run();

/// For fuzzing: when set, stop_run calls hook() first; a hook that throws
/// keeps the process alive. Unset, a stop ends the process as always.
using stop_hook = void (*)();
void set_stop_hook(stop_hook hook);

}  // namespace genocall
