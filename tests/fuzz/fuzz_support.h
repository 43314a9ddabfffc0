#pragma once
// Shared set-up of the fuzz targets: the run's ends become an exception the
// target catches, the console goes to /dev/null, and each input is written to
// a file of the working directory (a private temporary directory).
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz_support {

struct run_ended {
    int status;
};

/// Once per process: private working directory, end hook, quiet console.
void init();

/// Writes the bytes to name in the working directory.
void write_input(const std::string& name, const uint8_t* data, size_t size);

/// Removes name from the working directory, if present.
void remove_input(const std::string& name);

}  // namespace fuzz_support
