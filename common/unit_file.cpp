#include "common/unit_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/run_end.h"

namespace common {

namespace {
constexpr size_t read_buffer_size = 1 << 20;

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
    if (fd_ >= 0 && !is_console_) {
        // Out of the registry first, so that an end of the run on another
        // thread never flushes the file while it is being taken apart.
        unregister_open_file(this);
        flush_locked();
        ::close(fd_);
    }
}

void unit_file::open(file_use use) {
    struct stat st {};
    int fd;
    if (stat(path_.c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) {
        // Held open for both directions, a pipe would count this run as one
        // of its own writers and never show its end: an input reads from it
        // alone, an output writes to it alone.
        fd = ::open(path_.c_str(), (use == file_use::input ? O_RDONLY : O_WRONLY) | O_CLOEXEC);
    } else {
        fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EISDIR))
            fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) fatal_io_error(error_permission, "permission to access file denied", unit_, path_);
    fd_ = fd;
    cut_pending_ = true;
    // Small inputs get a small read buffer; writing buffers are reserved on
    // the first write.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < static_cast<off_t>(read_buffer_size))
        read_capacity_ = std::max<size_t>(4096, static_cast<size_t>(st.st_size) + 1);
    register_open_file(this);
}

void unit_file::close() {
    if (fd_ < 0) return;
    flush();
    unregister_open_file(this);
    ::close(fd_);
    fd_ = -1;
}

void unit_file::write_failed() { fatal_io_error(error_write, "error during write", unit_, path_); }

bool unit_file::flush_locked() {
    if (failed_) return false;
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
    if (!out_.empty() && !write_all(fd_, out_.data(), out_.size())) {
        failed_ = true;
        out_.clear();
        return false;
    }
    out_.clear();
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

void unit_file::write_bytes(const void* data, size_t size) {
    bool ok = true;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (!written_) out_.reserve(buffer_size);
        written_ = true;
        const char* p = static_cast<const char*>(data);
        if (out_.size() + size > buffer_size) {
            ok = flush_locked();
            if (ok && size >= buffer_size) ok = write_all(fd_, p, size);
            else if (ok) out_.insert(out_.end(), p, p + size);
            if (!ok) failed_ = true;
        } else {
            out_.insert(out_.end(), p, p + size);
        }
        if (ok && is_console_) ok = flush_locked();
    }
    if (!ok) write_failed();
}

void unit_file::write_line(std::string_view text) {
    bool ok = true;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (!written_) out_.reserve(buffer_size);
        written_ = true;
        if (out_.size() + text.size() + 1 > buffer_size) ok = flush_locked();
        if (ok && text.size() + 1 > buffer_size) {
            ok = write_all(fd_, text.data(), text.size()) && write_all(fd_, "\n", 1);
            if (!ok) failed_ = true;
        } else if (ok) {
            out_.insert(out_.end(), text.begin(), text.end());
            out_.push_back('\n');
        }
        if (ok && is_console_) ok = flush_locked();
    }
    if (!ok) write_failed();
}

void unit_file::write_text(std::string_view text) { write_bytes(text.data(), text.size()); }

bool unit_file::flush_at_end() {
    if (fd_ < 0) return true;
    if (failed_) return true;  // its write error has been reported already
    // The end may come while another thread holds the lock for one write;
    // that write finishes quickly, so waiting for the lock is safe.
    std::lock_guard<std::mutex> g(lock_);
    return flush_locked();
}

std::string unit_file::failure_text() const {
    return "Fatal error " + std::to_string(error_write) + ": error during write, unit " + std::to_string(unit_) +
           ", file " + path_ + "\n";
}

bool unit_file::fill_read_buffer() {
    if (in_eof_) return false;
    if (in_.empty()) in_.resize(read_capacity_);
    for (;;) {
        ssize_t n = ::read(fd_, in_.data(), in_.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fatal_io_error(error_read, "error during read", unit_, path_);
        in_pos_ = 0;
        in_end_ = static_cast<size_t>(n);
        if (n == 0) in_eof_ = true;
        return n > 0;
    }
}

bool unit_file::read_line(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        if (in_pos_ == in_end_ && !fill_read_buffer()) return any;
        any = true;
        const char* start = in_.data() + in_pos_;
        const char* nl = static_cast<const char*>(std::memchr(start, '\n', in_end_ - in_pos_));
        if (nl) {
            line.append(start, static_cast<size_t>(nl - start));
            in_pos_ += static_cast<size_t>(nl - start) + 1;
            return true;
        }
        line.append(start, in_end_ - in_pos_);
        in_pos_ = in_end_;
    }
}

size_t unit_file::read_bytes(void* data, size_t size) {
    char* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
        if (in_pos_ == in_end_) {
            // Large reads go straight into the caller's memory.
            if (size - done >= read_buffer_size && !in_eof_) {
                ssize_t n = ::read(fd_, p + done, size - done);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) fatal_io_error(error_read, "error during read", unit_, path_);
                if (n == 0) {
                    in_eof_ = true;
                    break;
                }
                done += static_cast<size_t>(n);
                continue;
            }
            if (!fill_read_buffer()) break;
        }
        size_t take = std::min(size - done, in_end_ - in_pos_);
        std::memcpy(p + done, in_.data() + in_pos_, take);
        in_pos_ += take;
        done += take;
    }
    return done;
}

size_t unit_file::skip_bytes(size_t size) {
    size_t done = 0;
    while (done < size) {
        if (in_pos_ == in_end_ && !fill_read_buffer()) break;
        size_t take = std::min(size - done, in_end_ - in_pos_);
        in_pos_ += take;
        done += take;
    }
    return done;
}

}  // namespace common
