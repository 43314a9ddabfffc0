// The command line of genocall run through the built program: echo lines,
// count messages and their streams, required checks, the error-rate test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "genocall/options.h"
#include "genocall_texts.h"
#include "program_run.h"

namespace {

using genocall_test::mask_compile_stamp;
using genocall_test::start_lines;

const std::string usage =
    "\n                   \nCOMMAND LINE OPTIONS                  \n--chromsome_input_filename <file> "
    "\n\t\t\t\t\t\t\n--frequency_input_filename <file>\t\n\t \t\t\t\t\t\n";
const std::string all_false =
    "\n--write_dosage:  FALSE\n--write_allele_depth:  FALSE\n--write_genotype_probabilities:  FALSE\n";
const std::string no_frequency =
    "\nWARNING: No prior frequency file provided.\nUsing prior frequency 0.5 for each allele.\n";
const std::string files_echo =
    "\n--variant_input_filename:  v \n--readdepth_input_filename:  d \n--vcf_output_filename:  o ";
const std::vector<std::string> files = {"--variant_input_filename", "v", "--readdepth_input_filename", "d",
                                        "--vcf_output_filename",    "o"};
// What follows the error-rate line when the variant file v does not exist.
const std::string thresholds_and_missing_v =
    "\nBest call probability 0.950000 \n\nMin readepth to set to missing genotype call 1 "
    "\nERROR: input_file v failed to open\n";

std::string not_a_depth(const std::string& value) {
    return "\nERROR: --missing_min_read_depth " + value + " is not a whole number from -2147483648 to 2147483647\n";
}

std::string unrecognized(const std::string& a) { return "\n\nUnrecognized option " + a + " " + usage; }

std::vector<std::string> with_files(std::vector<std::string> more) {
    std::vector<std::string> args = files;
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

struct command_case {
    const char* name;
    std::vector<std::string> args;
    std::string out;  // after the start lines
    std::string err;
    int status;
};

std::vector<command_case> command_cases() {
    return {
        {"no_arguments", {}, usage, "", 1},
        {"two_dashes_alone", {"--"}, unrecognized("--"), "", 1},
        {"name_not_whole", {"--error", "0.1"}, unrecognized("--error"), "", 1},
        {"capital_letter", {"--Error_rate", "0.1"}, unrecognized("--Error_rate"), "", 1},
        {"one_dash", {"-error_rate", "0.1"}, unrecognized("-error_rate"), "", 1},
        {"no_dash", {"error_rate", "0.1"}, unrecognized("error_rate"), "", 1},
        {"option_of_the_usage_text",
         {"--chromsome_input_filename", "x"},
         unrecognized("--chromsome_input_filename"),
         "",
         1},
        {"unrecognized_after_good_option",
         {"--write_dosage", "--x"},
         "\n--write_dosage: TRUE " + unrecognized("--x"),
         "",
         1},
        {"file_option_last",
         {"--vcf_output_filename"},
         "",
         "\n--vcf_output_filename Expecting 1 argument : found 0 \n",
         1},
        {"file_option_before_option",
         {"--frequency_input_filename", "--write_dosage"},
         "",
         "\n--frequency_input_filename Expecting 1 argument : found 0 \n",
         1},
        {"file_option_two_values",
         {"--readdepth_input_filename", "a", "b"},
         "",
         "\n--readdepth_input_filename Expecting 1 argument : found 2 \n",
         1},
        {"variant_option_two_values",
         {"--variant_input_filename", "a", "b", "--write_dosage"},
         "",
         "\n--variant_input_filename Expecting 1 argument : found 2 \n",
         1},
        {"error_rate_last", {"--error_rate"}, "\nError: --error expecting 1 argument: found 0\n", "", 1},
        {"error_rate_before_option",
         {"--error_rate", "--write_dosage"},
         "\nError: --error expecting 1 argument: found 0\n",
         "",
         1},
        {"depth_two_values",
         {"--missing_min_read_depth", "1", "2"},
         "\nError: --missing_min_read_depth expecting 1 argument: found 2\n",
         "",
         1},
        {"depth_before_two_dashes",
         {"--missing_min_read_depth", "--x"},
         "\nError: --missing_min_read_depth expecting 1 argument: found 0\n",
         "",
         1},
        {"flag_with_value", {"--write_dosage", "x"}, "\nError: --write_dosage expecting 0 arguments: found 1\n", "", 1},
        {"other_flags_with_values",
         {"--write_allele_depth", "--write_genotype_probabilities", "x", "y"},
         "\n--write_allele_depth: TRUE \nError: --write_genotype_probabilities expecting 0 arguments: found 2\n",
         "",
         1},
        {"flag_last",
         {"--write_allele_depth"},
         "\n--write_allele_depth: TRUE \n--write_dosage:  FALSE\n--write_genotype_probabilities:  FALSE\n"
         "\nERROR: --variant_input_filename option expected\n",
         "",
         1},
        {"flag_before_option",
         {"--write_genotype_probabilities", "--write_dosage"},
         "\n--write_genotype_probabilities: TRUE \n--write_dosage: TRUE \n--write_allele_depth:  FALSE\n"
         "\nERROR: --variant_input_filename option expected\n",
         "",
         1},
        {"depth_minus_one",
         {"--missing_min_read_depth", "-1"},
         "\n--missing_min_read_depth: TRUE -1 " + all_false + "\nERROR: --variant_input_filename option expected\n",
         "",
         1},
        // The minimum depth is a whole number in 32 bits: cut to its low 32
        // bits, 2147483648 would turn the minimum around.
        {"depth_with_letters", {"--missing_min_read_depth", "3x"}, not_a_depth("3x"), "", 1},
        {"depth_low_32_bits", {"--missing_min_read_depth", "4294967297"}, not_a_depth("4294967297"), "", 1},
        {"depth_2147483648",
         {"--write_dosage", "--missing_min_read_depth", "2147483648"},
         "\n--write_dosage: TRUE " + not_a_depth("2147483648"),
         "",
         1},
        {"depth_below_32_bits", {"--missing_min_read_depth", "-2147483649"}, not_a_depth("-2147483649"), "", 1},
        {"depth_empty", {"--missing_min_read_depth", ""}, not_a_depth(""), "", 1},
        {"depth_real", {"--missing_min_read_depth", "1.5"}, not_a_depth("1.5"), "", 1},
        {"depth_largest",
         {"--missing_min_read_depth", "2147483647"},
         "\n--missing_min_read_depth: TRUE 2147483647 " + all_false +
             "\nERROR: --variant_input_filename option expected\n",
         "",
         1},
        {"depth_smallest",
         {"--missing_min_read_depth", "-2147483648"},
         "\n--missing_min_read_depth: TRUE -2147483648 " + all_false +
             "\nERROR: --variant_input_filename option expected\n",
         "",
         1},
        {"depth_with_sign_and_blanks",
         {"--missing_min_read_depth", " +7"},
         "\n--missing_min_read_depth: TRUE 7 " + all_false + "\nERROR: --variant_input_filename option expected\n",
         "",
         1},
        {"empty_file_name",
         {"--variant_input_filename", ""},
         "\n--variant_input_filename:   " + all_false + "\nERROR: --readdepth_input_filename option expected\n",
         "",
         1},
        {"value_with_blanks",
         {"--variant_input_filename", " a b "},
         "\n--variant_input_filename:   a b  " + all_false + "\nERROR: --readdepth_input_filename option expected\n",
         "",
         1},
        {"no_variant_file_reported_first",
         {"--write_dosage", "--write_allele_depth", "--write_genotype_probabilities"},
         "\n--write_dosage: TRUE \n--write_allele_depth: TRUE \n--write_genotype_probabilities: TRUE \n"
         "\nERROR: --variant_input_filename option expected\n",
         "",
         1},
        {"no_frequency_and_no_vcf",
         {"--variant_input_filename", "v", "--readdepth_input_filename", "d"},
         "\n--variant_input_filename:  v \n--readdepth_input_filename:  d " + all_false + no_frequency +
             "\nERROR: --vcf_output_filename option expected\n",
         "",
         1},
        // An error rate is a number written whole: a word would read as 0
        // and make every posterior not a number.
        {"error_rate_not_a_number_text", with_files({"--error_rate", "abc"}),
         files_echo + "\nERROR: --error_rate abc is not a number\n", "", 1},
        {"error_rate_with_letters", with_files({"--error_rate", "0.01x"}),
         files_echo + "\nERROR: --error_rate 0.01x is not a number\n", "", 1},
        {"error_rate_decimal_comma", with_files({"--error_rate", "0,01"}),
         files_echo + "\nERROR: --error_rate 0,01 is not a number\n", "", 1},
        {"error_rate_empty", {"--error_rate", "", "--write_dosage"}, "\nERROR: --error_rate  is not a number\n", "", 1},
        {"error_rate_infinite", with_files({"--error_rate", "inf"}),
         files_echo + "\n--error_rate: TRUE inf " + all_false + no_frequency +
             "\nError rate inf is out of bounds (0,1): \nSetting error rate to 0.001 " + thresholds_and_missing_v,
         "", 1},
        {"error_rate_upper_bound", with_files({"--error_rate", "0.99"}),
         files_echo + "\n--error_rate: TRUE 0.990000 " + all_false + no_frequency + "\nError rate 0.990000 " +
             thresholds_and_missing_v,
         "", 1},
        {"error_rate_above_bound", with_files({"--error_rate", "0.995"}),
         files_echo + "\n--error_rate: TRUE 0.995000 " + all_false + no_frequency +
             "\nError rate 0.995000 is out of bounds (0,1): \nSetting error rate to 0.001 " + thresholds_and_missing_v,
         "", 1},
        {"error_rate_one", with_files({"--error_rate", "1"}),
         files_echo + "\n--error_rate: TRUE 1.000000 " + all_false + no_frequency +
             "\nError rate 1.000000 is out of bounds (0,1): \nSetting error rate to 0.001 " + thresholds_and_missing_v,
         "", 1},
        {"error_rate_negative", with_files({"--error_rate", "-0.1"}),
         files_echo + "\n--error_rate: TRUE -0.100000 " + all_false + no_frequency +
             "\nError rate -0.100000 is out of bounds (0,1): \nSetting error rate to 0.001 " + thresholds_and_missing_v,
         "", 1},
        {"error_rate_nan", with_files({"--error_rate", "nan"}),
         files_echo + "\n--error_rate: TRUE nan " + all_false + no_frequency +
             "\nError rate nan is out of bounds (0,1): \nSetting error rate to 0.001 " + thresholds_and_missing_v,
         "", 1},
        {"error_rate_exponent", with_files({"--error_rate", "1e-3"}),
         files_echo + "\n--error_rate: TRUE 0.001000 " + all_false + no_frequency + "\nError rate 0.001000 " +
             thresholds_and_missing_v,
         "", 1},
        {"same_option_twice", with_files({"--variant_input_filename", "w", "--write_dosage", "--write_dosage"}),
         files_echo + "\n--variant_input_filename:  w \n--write_dosage: TRUE \n--write_dosage: TRUE " +
             "\n--write_allele_depth:  FALSE\n--write_genotype_probabilities:  FALSE\n" + no_frequency +
             "\nError rate 0.001000 \nBest call probability 0.950000 \n\nMin readepth to set to missing genotype call "
             "1 "
             "\nERROR: input_file w failed to open\n",
         "", 1},
        {"all_flags_and_frequency_file",
         with_files({"--frequency_input_filename", "f", "--write_allele_depth", "--write_genotype_probabilities",
                     "--write_dosage"}),
         files_echo +
             "\n--frequency_input_filename:  f \n--write_allele_depth: TRUE \n--write_genotype_probabilities: TRUE "
             "\n--write_dosage: TRUE \n\nError rate 0.001000 " +
             thresholds_and_missing_v,
         "", 1},
    };
}

class command_lines : public testing::TestWithParam<command_case> {};

TEST_P(command_lines, write_expected_lines_and_status) {
    const command_case& c = GetParam();
    const auto dir = test_support::make_scratch_dir(std::string("genocall.command.") + c.name);
    const test_support::run_result result =
        test_support::run_program(test_support::program_path("genocall"), dir, c.args);
    EXPECT_EQ(start_lines + c.out, mask_compile_stamp(result.out));
    EXPECT_EQ(c.err, result.err);
    EXPECT_EQ(c.status, result.status);
}

INSTANTIATE_TEST_SUITE_P(table, command_lines, testing::ValuesIn(command_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// "Mmm dd yyyy:hh:mm:ss": a day below 10 has a blank before its digit.
bool is_build_stamp(const std::string& t) {
    static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    auto digit = [&](size_t i) { return t[i] >= '0' && t[i] <= '9'; };
    if (t.size() != 20) return false;
    const size_t month = months.find(t.substr(0, 3));
    if (month == std::string::npos || month % 3 != 0) return false;
    return t[3] == ' ' && (t[4] == ' ' || (t[4] >= '1' && t[4] <= '3')) && digit(5) && t[6] == ' ' && digit(7) &&
           digit(8) && digit(9) && digit(10) && t[11] == ':' && digit(12) && digit(13) && t[14] == ':' && digit(15) &&
           digit(16) && t[17] == ':' && digit(18) && digit(19);
}

TEST(compile_stamp, has_the_build_date_and_time_forms) {
    const auto dir = test_support::make_scratch_dir("genocall.stamp");
    const auto result = test_support::run_program(test_support::program_path("genocall"), dir, {});
    const std::string prefix = "\nCompile Timestamp: ";
    ASSERT_EQ(prefix, result.out.substr(0, prefix.size()));
    EXPECT_TRUE(is_build_stamp(result.out.substr(prefix.size(), 20))) << result.out.substr(0, 60);
    EXPECT_EQ(" \n\nCommand line options: ", result.out.substr(prefix.size() + 20, 25));
}

struct count_case {
    std::vector<std::string> list;
    int expected;
};

TEST(count_number_option_arguments, counts_values_up_to_the_next_option) {
    const std::vector<count_case> cases = {
        {{"--a"}, 0},
        {{"--a", "x"}, 1},
        {{"--a", "x", "y"}, 2},
        {{"--a", "--b", "x"}, 0},
        {{"--a", "-1", "--b"}, 1},
        {{"--a", "", "x", "--b", "y"}, 2},
    };
    for (const count_case& c : cases) {
        std::vector<char*> list;
        for (const std::string& s : c.list) list.push_back(const_cast<char*>(s.c_str()));
        EXPECT_EQ(c.expected, genocall::count_number_option_arguments(static_cast<int>(list.size()), list.data()))
            << c.list.size() << " arguments";
    }
}

TEST(write_input_argv, copies_each_argument_and_leaves_the_last_entry_empty) {
    std::string a = "genocall", b = "", c = "--x y";
    char* args[] = {a.data(), b.data(), c.data()};
    char* dest[4] = {nullptr, nullptr, nullptr, args[0]};
    genocall::write_input_argv(3, args, dest);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(args[i], dest[i]);
        EXPECT_STREQ(args[i], dest[i]);
    }
    EXPECT_EQ(nullptr, dest[3]);
    for (int i = 0; i < 3; ++i) std::free(dest[i]);
}

}  // namespace
