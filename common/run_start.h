#pragma once
// What every run of kmerbank, fragsim and genocall makes sure of before it
// opens any file.

namespace common {

/// Descriptors 0, 1 and 2 are open: one that the caller closed is opened on
/// /dev/null for reading only, so that no file of the run can take its number
/// (console text would land in it) and a write to it still fails as a write
/// to a closed console does. SIGXFSZ is ignored: a write past the file-size
/// limit (ulimit -f) fails with EFBIG and is reported as any failed write,
/// instead of ending the process without a word in the middle of a record.
/// Called first thing in each main.
void prepare_process();

}  // namespace common
