#include "fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "common/run_end.h"

namespace fuzz_support {

namespace {
[[noreturn]] void throw_end(int status) { throw run_ended{status}; }

std::set<int>& initial_descriptors() {
    static std::set<int> fds;
    return fds;
}

std::string& working_dir() {
    static std::string dir;
    return dir;
}

// The private directory goes with the process that made it (a crash leaves
// it, beside the saved input).
void remove_working_dir() {
    const std::string& dir = working_dir();
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.' || (e->d_name[1] != '\0' && (e->d_name[1] != '.' || e->d_name[2] != '\0')))
                unlink((dir + "/" + e->d_name).c_str());
        closedir(d);
    }
    rmdir(dir.c_str());
}

std::set<int> open_descriptors() {
    std::set<int> fds;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return fds;
    const int own = dirfd(d);
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const int fd = std::atoi(e->d_name);
        if (fd != own) fds.insert(fd);
    }
    closedir(d);
    return fds;
}
}  // namespace

void init() {
    static bool done = false;
    if (done) return;
    done = true;
    char dir[] = "/tmp/fuzz.XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    working_dir() = dir;
    std::atexit(remove_working_dir);
    common::set_end_hook(throw_end);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, 1);
        close(null);
    }
    initial_descriptors() = open_descriptors();
}

void throw_stop() { throw run_ended{1}; }

void write_input(const std::string& name, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

void write_input(const std::string& name, std::string_view data) {
    write_input(name, reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

void remove_input(const std::string& name) { unlink(name.c_str()); }

void close_new_descriptors() {
    for (int fd : open_descriptors())
        if (!initial_descriptors().count(fd)) close(fd);
}

}  // namespace fuzz_support
