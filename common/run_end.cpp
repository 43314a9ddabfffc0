// The ends of a run: the registry of open files, the one place where every
// end completes them and the console before the process exits, and the ends
// built on it (plain, coded, status, stops, fatal errors, memory).
#include "common/run_end.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "common/unit_file.h"

namespace common {

namespace {

// The set of open files is process-wide by nature: any thread may end the
// run, and the end must complete every file.
struct open_files {
    std::mutex lock;
    std::vector<unit_file*> files;
};

open_files& registry() {
    static open_files r;
    return r;
}

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
end_hook& current_hook() {
    static end_hook hook = nullptr;
    return hook;
}
#endif

std::mutex& end_lock() {
    static std::mutex m;
    return m;
}

void write_stderr(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(2, text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
}

// Flushes every registered file, then the console, then leaves with status.
// Only one thread ever gets past the lock; a second thread ending at the same
// time waits here until the process is gone.
[[noreturn]] void finish(int status, const std::string& error_text, bool fatal = false) {
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    if (current_hook()) current_hook()(status);
#endif
    end_lock().lock();
    unit_file& console = console_file();  // registers itself when first used: before the lock
    // The registry stays locked until the process is gone: the other threads
    // go on running, and a file that one of them closes or destroys meanwhile
    // waits in its unregistering, so no file is flushed after its end.
    registry().lock.lock();
    std::string flush_errors;
    for (unit_file* f : registry().files) {
        if (f == &console || f->flush_at_end()) continue;
        // A write error that is this very end is told once.
        const std::string failure = f->failure_text();
        if (failure != error_text) flush_errors += failure;
    }
    console.flush_at_end();
    if (!error_text.empty()) write_stderr(error_text);
    // A file that could not be completed is the write error it is, whatever
    // the end: a normal one, or a check's stop that came after the records
    // were written. Only a fatal error keeps its own number.
    if (!flush_errors.empty()) {
        write_stderr(flush_errors);
        if (!fatal) status = error_write;
    }
    _exit(status);
}

}  // namespace

void register_open_file(unit_file* file) {
    std::lock_guard<std::mutex> g(registry().lock);
    registry().files.push_back(file);
}

void unregister_open_file(unit_file* file) {
    std::lock_guard<std::mutex> g(registry().lock);
    auto& v = registry().files;
    v.erase(std::remove(v.begin(), v.end(), file), v.end());
}

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
void set_end_hook(end_hook hook) { current_hook() = hook; }
#endif

void plain_end() { finish(0, ""); }

void end_with_code(int code) { finish(code & 0xff, std::to_string(code) + "\n"); }

void exit_with_status(int status) { finish(status, ""); }

void stop_run() { finish(1, ""); }

void stop_with_whole_line(std::string_view message, line_start start) {
    std::string line;
    if (start == line_start::blank) line += ' ';
    line += message;
    console_file().write_line(line);
    stop_run();
}

void fatal_error(int number, const std::string& message) {
    finish(number, "Fatal error " + std::to_string(number) + ": " + message + "\n", true);
}

void fatal_io_error(int number, const char* what, int unit, const std::string& path) {
    fatal_error(number, std::string(what) + ", unit " + std::to_string(unit) + ", file " + path);
}

void fatal_end_of_file(const unit_file& file) {
    fatal_io_error(error_end_of_file, "end-of-file during read", file.unit(), file.path());
}

void fatal_conversion_error(const unit_file& file) {
    fatal_io_error(error_conversion, "input conversion error", file.unit(), file.path());
}

void fatal_open_error(int unit, const std::string& path, int error_number) {
    finish(error_permission,
           "Fatal error " + std::to_string(error_permission) + ": permission to access file denied, unit " +
               std::to_string(unit) + ", file " + path + "\n" + path + ": " + std::strerror(error_number) + "\n",
           true);
}

void out_of_memory() { fatal_error(error_memory, "insufficient virtual memory"); }

namespace {
// The handler of a failed allocation. The end itself allocates a little; a
// second failure on the same thread on its way out ends at once.
void memory_ran_out() {
    thread_local bool ending = false;
    if (ending) {
        static const char text[] = "Fatal error 41: insufficient virtual memory\n";
        [[maybe_unused]] ssize_t n = ::write(2, text, sizeof text - 1);
        _exit(error_memory);
    }
    ending = true;
    out_of_memory();
}
}  // namespace

void end_run_when_memory_runs_out() { std::set_new_handler(memory_ran_out); }

void refuse_arguments(int argc, const std::string& program, const std::string& options_file) {
    if (argc <= 1) return;
    write_stderr(program + " takes no arguments: it reads its options from " + options_file +
                 " in the working directory\n");
    _exit(1);
}

}  // namespace common
