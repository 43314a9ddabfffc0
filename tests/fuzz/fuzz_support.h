#pragma once
// Shared set-up of the fuzz targets: the run's ends become an exception the
// target catches, the console goes to /dev/null, and each input is written to
// a file of the working directory (a private temporary directory).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz_support {

struct run_ended {
    int status;
};

/// Once per process: private working directory, end hook, quiet console.
void init();

/// Throws run_ended{1}: the stop hook of genocall's targets.
[[noreturn]] void throw_stop();

/// Writes the bytes to name in the working directory.
void write_input(const std::string& name, const uint8_t* data, size_t size);
void write_input(const std::string& name, std::string_view data);

/// Removes name from the working directory, if present.
void remove_input(const std::string& name);

/// Closes every file descriptor opened since init(): a stopped run leaves
/// its files open, as a process that ends would.
void close_new_descriptors();

}  // namespace fuzz_support
