#include "golden_cases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "program_run.h"

namespace test_support {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> read_lines(const fs::path& path) {
    std::vector<std::string> lines;
    if (!fs::exists(path)) return lines;
    std::istringstream in(read_file(path));
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

bool redo() {
    const char* r = std::getenv("REDO");
    return r && std::string(r) == "1";
}

}  // namespace

std::vector<std::string> golden_case_names(const std::string& relative_root) {
    std::vector<std::string> names;
    fs::path root = tests_source_dir() / relative_root;
    if (!fs::exists(root)) return names;
    for (const auto& entry : fs::directory_iterator(root))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void check_golden_case(const std::string& program, const std::string& relative_root, const std::string& case_name,
                       const output_mask& mask) {
    const fs::path case_dir = tests_source_dir() / relative_root / case_name;
    const fs::path expected = case_dir / "expected";
    const fs::path scratch = make_scratch_dir(program + "." + case_name);
    for (const auto& entry : fs::directory_iterator(case_dir)) {
        const std::string name = entry.path().filename().string();
        if (name == "expected" || name == "args" || name == "env") continue;
        fs::copy(entry.path(), scratch / name, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    const run_result result =
        run_program(program_path(program), scratch, read_lines(case_dir / "args"), read_lines(case_dir / "env"));
    const std::string out = mask ? mask(result.out) : mask_wall_time(result.out);

    if (redo()) {
        fs::create_directories(expected);
        write_file(expected / "stdout", out);
        write_file(expected / "status", std::to_string(result.status) + "\n");
        if (fs::exists(expected / "stderr") || !result.err.empty()) write_file(expected / "stderr", result.err);
        for (const auto& entry : fs::directory_iterator(expected)) {
            const std::string name = entry.path().filename().string();
            if (name == "stdout" || name == "status" || name == "stderr" || name == "absent") continue;
            if (file_exists(scratch / name))
                fs::copy_file(scratch / name, entry.path(), fs::copy_options::overwrite_existing);
        }
        return;
    }

    EXPECT_EQ(read_file(expected / "stdout"), out) << "standard output of case " << case_name;
    EXPECT_EQ(std::stoi(read_file(expected / "status")), result.status) << "exit status of case " << case_name;
    const std::string want_err = fs::exists(expected / "stderr") ? read_file(expected / "stderr") : "";
    EXPECT_EQ(want_err, result.err) << "standard error of case " << case_name;
    for (const auto& name : read_lines(expected / "absent"))
        EXPECT_FALSE(file_exists(scratch / name)) << name << " must not exist, case " << case_name;
    for (const auto& entry : fs::directory_iterator(expected)) {
        const std::string name = entry.path().filename().string();
        if (name == "stdout" || name == "status" || name == "stderr" || name == "absent") continue;
        ASSERT_TRUE(file_exists(scratch / name)) << name << " missing, case " << case_name;
        EXPECT_TRUE(read_file(entry.path()) == read_file(scratch / name))
            << name << " differs from expected, case " << case_name;
    }
}

}  // namespace test_support
