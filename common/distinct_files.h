#pragma once
// No output of a kmerbank or fragsim run is the same file as one of its
// inputs or another of its outputs: a name that is a symbolic or a hard link
// to another file of the run would otherwise have the run write over that
// file. Files are told apart by device and inode, links followed; only
// regular files are compared, so devices such as /dev/null may stand for any
// number of names.
#include <sys/types.h>

#include <compare>
#include <map>
#include <string>

namespace common {

class unit_file;

/// A regular file, by device and inode.
struct file_identity {
    dev_t device;
    ino_t inode;
    auto operator<=>(const file_identity&) const = default;
};

/// Called by unit_file::open once the file (descriptor fd) is open and
/// before anything is read or written; input tells how the run uses it.
/// When fd is a regular file that a file of the run under another name
/// already is, and either of the two is an output, the run stops: one
/// console line naming both files, exit status 1, neither file touched.
/// Otherwise the file counts as a file of the run until it is destroyed (a
/// closed output still counts: a later output must not write over it).
void enter_run_file(const unit_file& file, bool input, int fd);
/// Called when the unit file is destroyed.
void leave_run_file(const unit_file& file);

/// Outputs that a run empties by name before it opens them (fragsim's read
/// files of every source, emptied before the first source starts).
class output_claims {
public:
    /// Before the output of this name is emptied: stops the run as
    /// enter_run_file does when the name is the same regular file as a file
    /// of the run or as an output claimed here before under another name. A
    /// name that does not exist is passed over: its opening checks it.
    void claim(const std::string& name);

private:
    std::map<file_identity, std::string> claimed_;
};

}  // namespace common
