// The start of every run: the three standard descriptors made sure of, and
// the file-size signal ignored.
#include "common/run_start.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace common {

namespace {

bool is_open(int fd) { return fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

// Opens /dev/null for reading as descriptor fd, the lowest free number once
// the lower ones are open. Without it no file of the run is safe from
// console text, so the run does not start.
void hold_closed_descriptor(int fd) {
    if (open("/dev/null", O_RDONLY) != fd) _exit(1);
}

}  // namespace

void prepare_process() {
    // In ascending order: the opening takes the lowest free number.
    for (int fd = 0; fd <= 2; ++fd)
        if (!is_open(fd)) hold_closed_descriptor(fd);
    signal(SIGXFSZ, SIG_IGN);
}

}  // namespace common
