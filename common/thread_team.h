#pragma once
// The size of a team of threads that can really be started.
//
// The OpenMP runtime ends the whole process when it cannot start a thread of
// a team (a memory limit leaves no room for the threads' stacks), so a
// parallel loop asks first how many threads it can have.

namespace common {

/// Starts up to wanted threads with the stack size the OpenMP runtime gives
/// its threads, all alive at once, and lets them end again. Returns wanted
/// when all of them started; otherwise a team one thread smaller than what
/// started (the calling thread counts), so that the room of one stack stays
/// free for the rest of the run; at least 1, the calling thread alone.
int usable_team_size(int wanted);

}  // namespace common
