// The files of a run told apart by device and inode: the check that no
// output is the same file as an input or another output, at each opening and
// at each claim of an output name.
#include "common/distinct_files.h"

#include <sys/stat.h>

#include <mutex>
#include <vector>

#include "common/run_end.h"
#include "common/unit_file.h"

namespace common {

namespace {

struct run_file {
    const unit_file* file;
    file_identity id;
    std::string name;
    bool input;
};

// Process-wide, as the files are: the outputs of fragsim's sources are
// opened by the threads of the source loop. Never destroyed, so a unit file
// that outlives the static objects still leaves it safely.
struct run_files {
    std::mutex lock;
    std::vector<run_file> files;
};

run_files& registry() {
    static run_files* r = new run_files;
    return *r;
}

// The stop of a run whose file (the one being opened or emptied) is the same
// file as an earlier one: written whole, since names make it longer than a
// free-format line.
[[noreturn]] void same_file_stop(bool input, const std::string& name, bool other_input, const std::string& other) {
    stop_with_whole_line(std::string(input ? "Input file " : "Output file ") + name + " is the same file as " +
                         (other_input ? "input file " : "output file ") + other);
}

// The earlier file of the run that this one would write over, or that would
// write over it; nullptr when none.
const run_file* clashing_file(const std::vector<run_file>& files, const file_identity& id, const std::string& name,
                              bool input) {
    for (const run_file& f : files)
        if (f.id == id && f.name != name && (!input || !f.input)) return &f;
    return nullptr;
}

}  // namespace

void enter_run_file(const unit_file& file, bool input, int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
    const file_identity id{st.st_dev, st.st_ino};
    run_file clash{};
    {
        std::lock_guard<std::mutex> g(registry().lock);
        auto& files = registry().files;
        std::erase_if(files, [&file](const run_file& f) { return f.file == &file; });  // a reopening
        const run_file* other = clashing_file(files, id, file.path(), input);
        if (!other) {
            files.push_back({&file, id, file.path(), input});
            return;
        }
        clash = *other;
    }
    same_file_stop(input, file.path(), clash.input, clash.name);
}

void leave_run_file(const unit_file& file) {
    std::lock_guard<std::mutex> g(registry().lock);
    std::erase_if(registry().files, [&file](const run_file& f) { return f.file == &file; });
}

void output_claims::claim(const std::string& name) {
    struct stat st {};
    if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    const file_identity id{st.st_dev, st.st_ino};
    run_file clash{};
    {
        std::lock_guard<std::mutex> g(registry().lock);
        const run_file* other = clashing_file(registry().files, id, name, false);
        if (other) clash = *other;
    }
    if (clash.file) same_file_stop(false, name, clash.input, clash.name);
    const auto [earlier, added] = claimed_.try_emplace(id, name);
    if (!added && earlier->second != name) same_file_stop(false, name, false, earlier->second);
}

}  // namespace common
