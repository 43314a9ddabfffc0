// End-to-end cases of the fragsim start-up: the built program run in a
// scratch directory on small inputs, up to and including fastq.filelist.
#include <gtest/gtest.h>

#include "golden_cases.h"
#include "program_run.h"

namespace {

class startup_cases : public testing::TestWithParam<std::string> {};

TEST_P(startup_cases, match_expected_files) { test_support::check_golden_case("fragsim", "fragsim/cases", GetParam()); }

INSTANTIATE_TEST_SUITE_P(golden, startup_cases, testing::ValuesIn(test_support::golden_case_names("fragsim/cases")),
                         [](const auto& info) { return info.param; });

}  // namespace
