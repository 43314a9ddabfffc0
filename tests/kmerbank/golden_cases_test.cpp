// The golden cases of kmerbank: the built program runs a whole run in a
// scratch directory on each case's small inputs, and every file it writes,
// its console and its exit status are compared with the case's expected ones.
#include <gtest/gtest.h>

#include "golden_cases.h"
#include "program_run.h"

namespace {

class kmerbank_cases : public testing::TestWithParam<std::string> {};

TEST_P(kmerbank_cases, match_expected_files) {
    test_support::check_golden_case("kmerbank", "kmerbank/cases", GetParam());
}

INSTANTIATE_TEST_SUITE_P(golden, kmerbank_cases, testing::ValuesIn(test_support::golden_case_names("kmerbank/cases")),
                         [](const auto& info) { return info.param; });

}  // namespace
