#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/run_end.h"

namespace fuzz_support {

namespace {
[[noreturn]] void throw_end(int status) { throw run_ended{status}; }
}  // namespace

void init() {
    static bool done = false;
    if (done) return;
    done = true;
    char dir[] = "/tmp/fuzz.XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    common::set_end_hook(throw_end);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 1);
}

void write_input(const std::string& name, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

void remove_input(const std::string& name) { unlink(name.c_str()); }

}  // namespace fuzz_support
