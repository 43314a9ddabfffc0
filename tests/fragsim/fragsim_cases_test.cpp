// End-to-end golden cases of fragsim: the built program run in a scratch
// directory on each case folder of tests/fragsim/cases, through the whole run
// (start-up, variants, genotypes, the source loop and its read files).
#include <gtest/gtest.h>

#include "golden_cases.h"
#include "program_run.h"

namespace {

class fragsim_cases : public testing::TestWithParam<std::string> {};

TEST_P(fragsim_cases, match_expected_files) { test_support::check_golden_case("fragsim", "fragsim/cases", GetParam()); }

INSTANTIATE_TEST_SUITE_P(golden, fragsim_cases, testing::ValuesIn(test_support::golden_case_names("fragsim/cases")),
                         [](const auto& info) { return info.param; });

}  // namespace
