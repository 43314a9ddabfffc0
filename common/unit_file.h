#pragma once
// A file of kmerbank or fragsim with its unit number, for reading or writing.
//
// Opening creates a missing file empty and never empties an existing one. The
// first write cuts the file: from then on it holds only what this run wrote,
// while a file the run never writes keeps its earlier contents. Writes are
// buffered in the file's own buffer; each call appends its bytes whole under
// the file's lock, so an end of the run from any thread completes every call
// made before it and none in part. A line or record that another thread's
// end must never cut is therefore written by one call (write_line,
// write_text, or formatted in a record_room); write_record of record_file.h
// writes a record that fits in the buffer by one call, a larger one by one
// call for each count and each part, which suits files whose writer is also
// the thread that may end the run. Every failure
// of the operating system is the fatal error of the unit (38 on writing, 39
// on reading, 9 when the file cannot be opened), so callers do no checking of
// their own.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace common {

/// What the program does with a file; it matters only for a named pipe.
enum class file_use { input, output };

class unit_file {
public:
    unit_file(int unit, std::string path);
    ~unit_file();
    unit_file(const unit_file&) = delete;
    unit_file& operator=(const unit_file&) = delete;

    /// Opens for reading and writing, or for reading only where writing is
    /// refused; creates the file empty when missing. Fatal 9 on failure, with
    /// the system's reason on a second line. Stops the run when the file is
    /// the same file as another file of the run and one of them is an output
    /// (distinct_files.h).
    void open(file_use use = file_use::output);
    /// Completes the file and closes it. Fatal 38 when the completion or the
    /// closing fails. A closed output still counts as a file of the run for
    /// the check of distinct_files.h until the unit file is destroyed.
    void close();
    /// Empties an open regular file now, as its first write would; devices
    /// and pipes are left as they are. Fatal 38 when it cannot be emptied.
    void empty();

    int unit() const { return unit_; }
    const std::string& path() const { return path_; }

    // Writing. Each call appends its bytes whole under the file's lock.
    void write_bytes(const void* data, size_t size);
    /// Writes text followed by one line feed.
    void write_line(std::string_view text);
    /// Writes text as it stands (it carries its own line ends).
    void write_text(std::string_view text);
    /// Hands the buffered bytes to the operating system. Fatal 38 on failure.
    void flush();

    // Reading.
    /// Next line without its line feed, at most capacity characters of it;
    /// false at the end of the file. The rest of a longer line stays unread
    /// (line_was_cut() tells) until the next read_line passes over it, so a
    /// caller may still look at it through window().
    bool read_line(std::string& line, size_t capacity);
    bool line_was_cut() const { return line_cut_; }
    /// The bytes read ahead and not yet taken, filled from the file when none
    /// are left; empty only at the end of the file.
    std::string_view window();
    /// Takes the first n bytes of window().
    void take(size_t n) { in_pos_ += n; }
    /// Passes over what is left of the current line, its line feed included
    /// (after a read_line that cut its line: the rest of that line); false
    /// when the file ends first.
    bool skip_rest_of_line();
    /// After a read_line that cut its line: up to size further characters of
    /// that line into dest; returns how many (fewer where the line ends).
    size_t read_more_of_line(char* dest, size_t size);
    /// Up to size bytes; fewer only at the end of the file.
    size_t read_bytes(void* data, size_t size);
    /// Passes over size bytes; returns how many there were.
    size_t skip_bytes(size_t size);

    // Used by the run end, which may come from any thread.
    bool flush_at_end();
    std::string failure_text() const;

    /// Size of the write buffer; a larger record formatted in place gets a
    /// buffer of its size, and larger bytes of one call go straight to the
    /// file.
    static constexpr size_t buffer_size = 1 << 20;
    /// Size of the read buffer (a smaller regular file gets one of its size);
    /// a larger read goes straight into the caller's memory.
    static constexpr size_t read_buffer_size = 1 << 20;

protected:
    unit_file(int unit, std::string path, int fd);  // an already open descriptor (the console)

private:
    friend class record_room;
    void append(std::string_view head, std::string_view tail = {});  // one call's bytes, whole
    bool flush_locked();                                             // false when the operating system refused a write
    bool make_room_locked(size_t size);                              // flushes and grows the buffer for size more bytes
    size_t read_some(char* dest, size_t size);  // one read of the system, retried when interrupted; 0 at the end
    bool fill_read_buffer();
    [[noreturn]] void write_failed();

    int unit_;
    std::string path_;
    int fd_ = -1;
    bool cut_pending_ = true;  // first write still has to cut the file
    bool written_ = false;     // the run has written to the file
    bool is_console_ = false;
    bool failed_ = false;  // a write was refused (set and read under lock_)
    bool ended_ = false;   // the run end has completed the file (under lock_)
    std::mutex lock_;
    char* out_ = nullptr;  // write buffer, allocated at the first write
    size_t out_capacity_ = 0, out_used_ = 0;
    char* in_ = nullptr;  // read buffer, allocated at the first read
    size_t read_capacity_ = read_buffer_size;
    size_t in_pos_ = 0, in_end_ = 0;
    bool in_eof_ = false;
    bool line_cut_ = false;  // the last read_line left the rest of its line unread
};

/// Room for one whole line or record of at most size bytes, formatted in
/// place in the file's buffer. The file's lock is held for as long as the room
/// lives, so an end of the run from another thread sees the whole record or
/// none of it: only formatting may happen while it lives. When it goes, the
/// file keeps the bytes up to the end given to finish(), or the whole room
/// when finish() was not called; a console room is handed on at once. Fatal
/// 38 when the file's writing failed, 41 when the room cannot be had.
class record_room {
public:
    record_room(unit_file& file, size_t size);
    ~record_room();
    record_room(const record_room&) = delete;
    record_room& operator=(const record_room&) = delete;

    char* data() const { return begin_; }
    /// The record ends at end, within the room.
    void finish(const char* end) { used_ = static_cast<size_t>(end - begin_); }

private:
    unit_file& file_;
    char* begin_;
    size_t used_;
};

/// Standard output: the console stream of the program, unit 6. Every line
/// written to it is written whole under its lock and handed on at once.
unit_file& console_file();

}  // namespace common
