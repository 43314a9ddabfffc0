// The unit file: opening, the first-write cut, the buffered writes under the
// file's lock, the read buffer and line reads, and the completion of a file
// at the end of the run; the console as unit 6.
#include "common/unit_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/distinct_files.h"
#include "common/run_end.h"

namespace common {

namespace {

// The text of the fatal line of a failed write, however the line is made.
constexpr char write_error_text[] = "error during write";

class console_unit : public unit_file {
public:
    console_unit() : unit_file(6, "stdout", 1) {}
};

bool write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}
}  // namespace

unit_file& console_file() {
    static console_unit console;
    return console;
}

unit_file::unit_file(int unit, std::string path) : unit_(unit), path_(std::move(path)) {}

unit_file::unit_file(int unit, std::string path, int fd) : unit_(unit), path_(std::move(path)), fd_(fd) {
    cut_pending_ = false;
    written_ = true;
    is_console_ = true;
    register_open_file(this);
}

unit_file::~unit_file() {
    if (!is_console_) leave_run_file(*this);
    if (fd_ >= 0 && !is_console_) {
        // Out of the registry first, so that an end of the run on another
        // thread never flushes the file while it is being taken apart.
        unregister_open_file(this);
        flush_locked();
        ::close(fd_);
    }
    std::free(out_);
    std::free(in_);
}

void unit_file::open(file_use use) {
    struct stat st {};
    int fd;
    int reason = 0;  // errno of the refused opening
    if (stat(path_.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
        // Held open for both directions, a pipe would count this run as one
        // of its own writers and never show its end: an input reads from it
        // alone, an output writes to it alone.
        fd = ::open(path_.c_str(), (use == file_use::input ? O_RDONLY : O_WRONLY) | O_CLOEXEC);
        reason = errno;
    } else {
        fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        reason = errno;
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EISDIR))
            fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        fd = -1;
        reason = EISDIR;
    }
    if (fd < 0) fatal_open_error(unit_, path_, reason);
    // Opening changes no file that exists; the check comes before anything
    // is read, written or cut.
    enter_run_file(*this, use == file_use::input, fd);
    fd_ = fd;
    cut_pending_ = true;
    // Small inputs get a small read buffer; writing buffers are allocated at
    // the first write.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < static_cast<off_t>(read_buffer_size))
        read_capacity_ = std::max<size_t>(4096, static_cast<size_t>(st.st_size) + 1);
    register_open_file(this);
}

void unit_file::close() {
    if (fd_ < 0) return;
    flush();
    unregister_open_file(this);
    // Some file systems report a failed write only here. The descriptor is
    // gone whatever the result; an interrupted close has done its work.
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) write_failed();
}

void unit_file::empty() {
    struct stat st {};
    if (fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return;
    if (ftruncate(fd_, 0) != 0) {
        {
            std::lock_guard<std::mutex> g(lock_);
            failed_ = true;  // the end tells the failure once
        }
        write_failed();
    }
}

void unit_file::write_failed() { fatal_io_error(error_write, write_error_text, unit_, path_); }

bool unit_file::flush_locked() {
    if (failed_) return false;
    if (ended_) {
        // The run end has completed the file: what other threads still write
        // is dropped, so that the end of the process never cuts a record.
        out_used_ = 0;
        return true;
    }
    if (!written_) return true;  // a file the run never writes keeps its contents
    if (cut_pending_) {
        // The first write replaces what an earlier run left. Devices and pipes
        // cannot be cut and need not be.
        struct stat st {};
        if (fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && ftruncate(fd_, 0) != 0) {
            failed_ = true;
            return false;
        }
        cut_pending_ = false;
    }
    const size_t n = out_used_;
    out_used_ = 0;
    if (n > 0 && !write_all(fd_, out_, n)) {
        failed_ = true;
        return false;
    }
    return true;
}

// Room for size more bytes in the buffer: the buffered bytes go to the file
// when they leave too little, and a record larger than the whole buffer gets
// a buffer of its own size (once; the file keeps it).
bool unit_file::make_room_locked(size_t size) {
    written_ = true;
    if (out_ && out_capacity_ - out_used_ >= size) return true;
    if (out_used_ > 0 && !flush_locked()) return false;
    if (!out_ || out_capacity_ < size) {
        const size_t capacity = std::max(buffer_size, size);
        char* p = static_cast<char*>(std::realloc(out_, capacity));
        if (!p) return false;
        out_ = p;
        out_capacity_ = capacity;
    }
    return true;
}

void unit_file::flush() {
    bool ok;
    {
        std::lock_guard<std::mutex> g(lock_);
        ok = flush_locked();
    }
    if (!ok) write_failed();
}

// The bytes of one call, under the lock: into the buffer, or, when they are
// larger than the whole buffer, after the buffered bytes straight to the file
// (a copy would gain nothing). The console hands every call on at once.
void unit_file::append(std::string_view head, std::string_view tail) {
    const size_t size = head.size() + tail.size();
    bool ok = true, no_memory = false;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (size > buffer_size) {
            written_ = true;
            ok = flush_locked() &&
                 (ended_ || (write_all(fd_, head.data(), head.size()) && write_all(fd_, tail.data(), tail.size())));
            if (!ok) failed_ = true;
        } else if (make_room_locked(size)) {
            if (!head.empty()) std::memcpy(out_ + out_used_, head.data(), head.size());
            if (!tail.empty()) std::memcpy(out_ + out_used_ + head.size(), tail.data(), tail.size());
            out_used_ += size;
        } else {
            ok = false;
            no_memory = !failed_;
        }
        if (ok && is_console_) ok = flush_locked();
    }
    if (no_memory) out_of_memory();
    if (!ok) write_failed();
}

void unit_file::write_bytes(const void* data, size_t size) {
    append(std::string_view(static_cast<const char*>(data), size));
}

void unit_file::write_line(std::string_view text) { append(text, "\n"); }

void unit_file::write_text(std::string_view text) { append(text); }

record_room::record_room(unit_file& file, size_t size) : file_(file), used_(size) {
    file.lock_.lock();
    if (file.make_room_locked(size)) {
        begin_ = file.out_ + file.out_used_;
        return;
    }
    // No room: the lock goes before the run ends, since the end completes
    // this file too.
    const bool write_error = file.failed_;
    file.lock_.unlock();
    if (write_error) file.write_failed();
    out_of_memory();
}

record_room::~record_room() {
    file_.out_used_ += used_;
    const bool ok = !file_.is_console_ || file_.flush_locked();
    file_.lock_.unlock();
    if (!ok) file_.write_failed();
}

bool unit_file::flush_at_end() {
    if (fd_ < 0) return true;
    // The end may come while another thread holds the lock for one record;
    // that record is finished quickly, so waiting for the lock is safe.
    std::lock_guard<std::mutex> g(lock_);
    // A file whose write failed earlier is not complete either, also when
    // the thread that met the failure is still on its way to its own end.
    const bool complete = flush_locked();
    ended_ = true;
    return complete;
}

std::string unit_file::failure_text() const {
    return "Fatal error " + std::to_string(error_write) + ": " + write_error_text + ", unit " + std::to_string(unit_) +
           ", file " + path_ + "\n";
}

size_t unit_file::read_some(char* dest, size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd_, dest, size);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) fatal_io_error(error_read, "error during read", unit_, path_);
    }
}

bool unit_file::fill_read_buffer() {
    if (in_eof_) return false;
    if (!in_) {
        in_ = static_cast<char*>(std::malloc(read_capacity_));
        if (!in_) out_of_memory();
    }
    in_pos_ = 0;
    in_end_ = read_some(in_, read_capacity_);
    if (in_end_ == 0) in_eof_ = true;
    return in_end_ > 0;
}

std::string_view unit_file::window() {
    if (in_pos_ == in_end_ && !fill_read_buffer()) return {};
    return std::string_view(in_ + in_pos_, in_end_ - in_pos_);
}

bool unit_file::skip_rest_of_line() {
    line_cut_ = false;
    for (;;) {
        const std::string_view w = window();
        if (w.empty()) return false;
        const void* nl = std::memchr(w.data(), '\n', w.size());
        if (nl) {
            take(static_cast<size_t>(static_cast<const char*>(nl) - w.data()) + 1);
            return true;
        }
        take(w.size());
    }
}

bool unit_file::read_line(std::string& line, size_t capacity) {
    line.clear();
    if (line_cut_) skip_rest_of_line();
    bool any = false;
    for (;;) {
        const std::string_view w = window();
        if (w.empty()) return any;
        any = true;
        const void* found = std::memchr(w.data(), '\n', w.size());
        const size_t length = found ? static_cast<size_t>(static_cast<const char*>(found) - w.data()) : w.size();
        const size_t room = capacity - line.size();
        if (length > room) {
            // Longer than the caller holds: keep its head, leave the rest.
            line.append(w.data(), room);
            take(room);
            line_cut_ = true;
            return true;
        }
        line.append(w.data(), length);
        if (found) {
            take(length + 1);
            return true;
        }
        take(length);
    }
}

size_t unit_file::read_more_of_line(char* dest, size_t size) {
    size_t done = 0;
    while (line_cut_ && done < size) {
        const std::string_view w = window();
        if (w.empty()) {
            line_cut_ = false;
            break;
        }
        const size_t n = std::min(w.size(), size - done);
        const void* nl = std::memchr(w.data(), '\n', n);
        const size_t copy = nl ? static_cast<size_t>(static_cast<const char*>(nl) - w.data()) : n;
        std::memcpy(dest + done, w.data(), copy);
        done += copy;
        take(copy);
        if (nl) {
            take(1);
            line_cut_ = false;
        }
    }
    return done;
}

size_t unit_file::read_bytes(void* data, size_t size) {
    char* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
        if (in_pos_ == in_end_) {
            // Large reads go straight into the caller's memory.
            if (size - done >= read_buffer_size && !in_eof_) {
                const size_t n = read_some(p + done, size - done);
                if (n == 0) {
                    in_eof_ = true;
                    break;
                }
                done += n;
                continue;
            }
            if (!fill_read_buffer()) break;
        }
        size_t take_n = std::min(size - done, in_end_ - in_pos_);
        std::memcpy(p + done, in_ + in_pos_, take_n);
        in_pos_ += take_n;
        done += take_n;
    }
    return done;
}

size_t unit_file::skip_bytes(size_t size) {
    size_t done = 0;
    while (done < size) {
        if (in_pos_ == in_end_ && !fill_read_buffer()) break;
        size_t take_n = std::min(size - done, in_end_ - in_pos_);
        in_pos_ += take_n;
        done += take_n;
    }
    return done;
}

}  // namespace common
