// A read-depth file of more samples than the sample table holds is refused
// with a message naming the line, not written past the table's end.
#include <gtest/gtest.h>

#include <string>

#include "genocall/readdepth_input.h"
#include "program_run.h"

namespace {

TEST(sample_limit, more_than_the_table_holds_is_refused) {
    const auto dir = test_support::make_scratch_dir("genocall.sample_limit");
    test_support::write_file(dir / "variants.txt", "chrom pos id x y ref alt\n1 100 m 0 x A G\n");
    std::string lines;
    for (int i = 1; i <= genocall::max_samples + 1; ++i) {
        lines += 's';
        lines += std::to_string(i);
        lines += " p q 33\n";
    }
    test_support::write_file(dir / "depth.txt", lines);
    const auto result =
        test_support::run_program(test_support::program_path("genocall"), dir,
                                  {"--variant_input_filename", "variants.txt", "--readdepth_input_filename",
                                   "depth.txt", "--vcf_output_filename", "calls.vcf"});
    EXPECT_EQ(1, result.status);
    const std::string tail =
        "\nReading line 200000  s200000  p q \nERROR: readdepth depth.txt line 200001: more than 200000 samples\n";
    ASSERT_GE(result.out.size(), tail.size());
    EXPECT_EQ(tail, result.out.substr(result.out.size() - tail.size()));
}

TEST(sample_limit, the_table_full_is_accepted) {
    const auto dir = test_support::make_scratch_dir("genocall.sample_limit_full");
    test_support::write_file(dir / "variants.txt", "chrom pos id x y ref alt\n");
    // Names all different: a name met twice is refused.
    std::string lines;
    for (int i = 1; i <= genocall::max_samples; ++i) {
        lines += 's';
        lines += std::to_string(i);
        lines += " p q\t-\n";
    }
    test_support::write_file(dir / "depth.txt", lines);
    const auto result =
        test_support::run_program(test_support::program_path("genocall"), dir,
                                  {"--variant_input_filename", "variants.txt", "--readdepth_input_filename",
                                   "depth.txt", "--vcf_output_filename", "calls.vcf"});
    EXPECT_EQ(0, result.status);
    std::string expected =
        "##fileformat=VCFv4.1\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n"
        "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT";
    for (int i = 1; i <= genocall::max_samples; ++i) {
        expected += "\ts";
        expected += std::to_string(i);
    }
    expected += "\n";
    EXPECT_TRUE(expected == test_support::read_file(dir / "calls.vcf"));
}

}  // namespace
