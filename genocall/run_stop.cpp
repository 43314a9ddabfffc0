// The stops of a genocall run: the error message, then the check of the
// console and exit status 1; the allocations that stop the run when they
// fail; the floating-point mode of the run.
#include "genocall/run_stop.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace genocall {

void set_flush_to_zero() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_setcsr(_mm_getcsr() | 0x8040);  // FTZ (bit 15) and DAZ (bit 6)
#endif
}

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
namespace {
stop_hook current_hook = nullptr;
}  // namespace

void set_stop_hook(stop_hook hook) { current_hook = hook; }
#endif

namespace {
// False, with the reason on standard error, when standard output failed.
bool console_written() {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int reason = errno;
    if (flushed && !std::ferror(stdout)) return true;
    // A failure met by an earlier write leaves its reason unknown here.
    if (!flushed && reason != 0)
        std::fprintf(stderr, "\nERROR: standard output cannot be written: %s\n", std::strerror(reason));
    else
        std::fprintf(stderr, "\nERROR: standard output cannot be written\n");
    return false;
}

// After the message of a stop.
[[noreturn]] void end_stopped_run() {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    if (current_hook) current_hook();
#endif
    console_written();
    // exit() flushes standard output and every open stdio file, so the
    // lines already written stay, the VCF file's included.
    std::exit(1);
}
}  // namespace

void check_console() {
    if (!console_written()) std::exit(1);
}

void stop_run(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    end_stopped_run();
}

void stop_run_on_stderr(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    end_stopped_run();
}

void stop_insufficient_memory() { stop_run("\nInsufficient memory \n"); }

void* allocate_or_stop(size_t count, size_t size) {
    void* p = std::calloc(count > 0 ? count : 1, size);
    if (p == nullptr) stop_insufficient_memory();
    return p;
}

void* allocate_unfilled_or_stop(size_t bytes) {
    void* p = std::malloc(bytes > 0 ? bytes : 1);
    if (p == nullptr) stop_insufficient_memory();
    return p;
}

}  // namespace genocall
