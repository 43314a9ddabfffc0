#pragma once
// Golden end-to-end cases. A case is a folder holding the program's input
// files, optional `args` (one argument per line) and `env` (NAME=value per
// line) files, and `expected/` with:
//   stdout   standard output, wall-time lines masked (always compared)
//   status   the exit status as decimal text (always compared)
//   stderr   standard error (always compared: empty when the file is absent)
//   absent   names of files that must not exist after the run (when present)
//   any other file: an output file compared byte for byte.
// With REDO=1 in the environment the driver rewrites the expected files from
// the run instead of comparing; review the rewritten files in the diff.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

using output_mask = std::function<std::string(std::string_view)>;

/// Case folder names below <tests source dir>/<relative_root>, sorted.
std::vector<std::string> golden_case_names(const std::string& relative_root);

/// Runs one case folder with the built program and checks it (gtest assertions).
void check_golden_case(const std::string& program, const std::string& relative_root, const std::string& case_name,
                       const output_mask& mask = nullptr);

}  // namespace test_support
