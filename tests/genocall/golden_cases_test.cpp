// End-to-end cases of genocall: each case folder holds its inputs, an `args`
// file and the expected console output and VCF file.
#include <gtest/gtest.h>

#include "genocall_texts.h"
#include "golden_cases.h"

namespace {

class genocall_cases : public testing::TestWithParam<std::string> {};

TEST_P(genocall_cases, match_expected_files) {
    test_support::check_golden_case("genocall", "genocall/cases", GetParam(), genocall_test::mask_compile_stamp);
}

INSTANTIATE_TEST_SUITE_P(golden, genocall_cases, testing::ValuesIn(test_support::golden_case_names("genocall/cases")),
                         [](const auto& info) { return info.param; });

}  // namespace
