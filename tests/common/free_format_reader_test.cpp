// Free-format reading: the cases run through a real unit file in a scratch
// directory, so the line handling of the file layer is exercised too.
#include <gtest/gtest.h>

#include <cstring>

#include "common/free_format_reader.h"
#include "common/unit_file.h"
#include "common/variant_record.h"
#include "program_run.h"

namespace {

using namespace common;

struct reader_fixture {
    std::filesystem::path dir;
    std::unique_ptr<unit_file> file;
    std::unique_ptr<free_format_reader> reader;
    explicit reader_fixture(const std::string& name, const std::string& contents) {
        dir = test_support::make_scratch_dir("reader_" + name);
        test_support::write_file(dir / "input.txt", contents);
        file = std::make_unique<unit_file>(9, (dir / "input.txt").string());
        file->open();
        reader = std::make_unique<free_format_reader>(*file);
    }
};

struct int_case {
    const char* name;
    const char* input;
    std::vector<int32_t> expected;  // -99 marks an item left unchanged
    friend void PrintTo(const int_case& c, std::ostream* os) { *os << c.name; }
};

class int_reads : public testing::TestWithParam<int_case> {};

TEST_P(int_reads, fill_items_in_order) {
    const int_case& c = GetParam();
    reader_fixture f(c.name, c.input);
    std::vector<int32_t> values(c.expected.size(), -99);
    std::vector<read_item> items;
    for (auto& v : values) items.push_back(item(v));
    EXPECT_TRUE(f.reader->read(items));
    EXPECT_EQ(values, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    cases, int_reads,
    testing::Values(int_case{"blanks", "1 2 3\n", {1, 2, 3}}, int_case{"commas", "1,2,3\n", {1, 2, 3}},
                    int_case{"tabs_and_cr", "1\t2 \t 3\r\n", {1, 2, 3}},
                    int_case{"comma_with_blanks", "1 , 2 ,3\n", {1, 2, 3}},
                    int_case{"over_lines", "1 2\n\n  3\n", {1, 2, 3}}, int_case{"repeat", "3*0\n", {0, 0, 0}},
                    int_case{"repeat_null", "2* 5\n", {-99, -99, 5}}, int_case{"null_value", "1,,3\n", {1, -99, 3}},
                    int_case{"leading_comma", ",2,3\n", {-99, 2, 3}}, int_case{"slash", "1 2 /\n", {1, 2, -99, -99}},
                    int_case{"signs", "+7 -8 -2147483648\n", {7, -8, INT32_MIN}},
                    int_case{"comment_after", "4 5 this is ignored\n", {4, 5}},
                    int_case{"no_final_line_feed", "4 5", {4, 5}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(free_format_reader, each_read_starts_on_a_fresh_line) {
    reader_fixture f("fresh", "1 2 3\n4 5\nskipped\n6\n");
    int32_t a = 0, b = 0;
    ASSERT_TRUE(f.reader->read({item(a)}));
    EXPECT_EQ(a, 1);
    ASSERT_TRUE(f.reader->read({item(a), item(b)}));
    EXPECT_EQ(a, 4);
    EXPECT_EQ(b, 5);
    ASSERT_TRUE(f.reader->skip_line());
    ASSERT_TRUE(f.reader->read({item(a)}));
    EXPECT_EQ(a, 6);
    EXPECT_FALSE(f.reader->skip_line(true));  // a read of no items at the end meets the end
}

TEST(free_format_reader, end_of_file_reported_to_a_caller_that_handles_it) {
    reader_fixture f("eof", "1\n");
    int32_t a = 0, b = -1;
    EXPECT_FALSE(f.reader->read({item(a), item(b)}, true));
    EXPECT_EQ(a, 1);  // filled before the end keeps its value
    EXPECT_EQ(b, -1);
}

TEST(free_format_reader, texts_are_padded_cut_and_quoted) {
    reader_fixture f("texts", "SNPX DE 'A B' \"x\"\"y\" ok\n");
    char a[3], b[3], c[3], d[3], e[5];
    ASSERT_TRUE(f.reader->read({text_item(a, 3), text_item(b, 3), text_item(c, 3), text_item(d, 3), text_item(e, 5)}));
    EXPECT_EQ(std::string(a, 3), "SNP");
    EXPECT_EQ(std::string(b, 3), "DE ");
    EXPECT_EQ(std::string(c, 3), "A B");
    EXPECT_EQ(std::string(d, 3), "x\"y");
    EXPECT_EQ(std::string(e, 5), "ok   ");
}

TEST(free_format_reader, repeated_quoted_text) {
    reader_fixture f("repeat_quoted", "2*'A B' CD\n");
    char a[3], b[3], c[3];
    ASSERT_TRUE(f.reader->read({text_item(a, 3), text_item(b, 3), text_item(c, 3)}));
    EXPECT_EQ(std::string(a, 3), "A B");
    EXPECT_EQ(std::string(b, 3), "A B");
    EXPECT_EQ(std::string(c, 3), "CD ");
}

TEST(free_format_reader, a_text_of_length_zero_takes_no_value) {
    reader_fixture f("text0", "1 2 SNP 0 0\n3 4 SNP 0 1 A\n");
    int8_t chrom = 0;
    int32_t loc = 0, unused = 0, len = 0;
    char type[3];
    char allele[8] = "zzzzzzz";
    ASSERT_TRUE(
        f.reader->read({item(chrom), item(loc), text_item(type, 3), item(unused), item(len), text_item(allele, 0)}));
    EXPECT_EQ(len, 0);
    ASSERT_TRUE(
        f.reader->read({item(chrom), item(loc), text_item(type, 3), item(unused), item(len), text_item(allele, 1)}));
    EXPECT_EQ(chrom, 3);
    EXPECT_EQ(allele[0], 'A');
}

TEST(free_format_reader, reals_round_to_single_precision) {
    reader_fixture f("reals", "30 0.01 1.5E-3 .5 -2.e1\n");
    float a, b, c, d, e;
    ASSERT_TRUE(f.reader->read({item(a), item(b), item(c), item(d), item(e)}));
    EXPECT_EQ(a, 30.0f);
    EXPECT_EQ(b, 0.01f);
    EXPECT_EQ(c, 1.5E-3f);
    EXPECT_EQ(d, 0.5f);
    EXPECT_EQ(e, -20.0f);
}

TEST(free_format_reader, conversion_rules) {
    struct {
        const char* text;
        int64_t lo, hi;
        bool ok;
    } ints[] = {{"127", -128, 127, true},
                {"128", -128, 127, false},
                {"-129", -128, 127, false},
                {"-128", -128, 127, true},
                {"1.0", -128, 127, false},
                {"12ab", -128, 127, false},
                {"1;2", INT32_MIN, INT32_MAX, false},
                {"2147483648", INT32_MIN, INT32_MAX, false},
                {"+", INT32_MIN, INT32_MAX, false},
                {"99999999999999999999999", INT32_MIN, INT32_MAX, false}};
    for (const auto& c : ints) {
        int64_t v = 0;
        EXPECT_EQ(parse_int(c.text, c.lo, c.hi, v), c.ok) << c.text;
    }
    for (const char* bad : {"inf", "nan", "1.0-2", "E5", ".", "1e", "1.0.0", "0x10", "1e39", "-3.5e38",
                            "100000000000000000000000000000000000000000"}) {
        float v = 0;
        EXPECT_FALSE(parse_real(bad, v)) << bad;
    }
    // The largest single value and those that round to it are numbers; a
    // value below the smallest one rounds to zero.
    for (const char* text : {"3.4028234e38", "3.40282356e38"}) {
        float v = 0;
        EXPECT_TRUE(parse_real(text, v)) << text;
        EXPECT_EQ(v, 3.4028234e38f) << text;
    }
    float tiny = 1;
    EXPECT_TRUE(parse_real("1e-50", tiny));
    EXPECT_EQ(tiny, 0.0f);
}

// The reader holds only the value at hand: a text longer than any item is
// cut, its rest passed over, and the read goes on after it; a number that
// long is a conversion error, found after its first 100,001 characters.
TEST(free_format_reader, values_longer_than_the_reader_holds) {
    const std::string long_text(3 * value_capacity, 'A');
    reader_fixture f("long_values", long_text + "B 7\n" + "  " + std::string(5 * value_capacity, ' ') + "8\n");
    char text[5];
    int32_t a = 0, b = 0;
    ASSERT_TRUE(f.reader->read({text_item(text, 5), item(a)}));
    EXPECT_EQ(std::string(text, 5), "AAAAA");
    EXPECT_EQ(a, 7);
    ASSERT_TRUE(f.reader->read({item(b)}));
    EXPECT_EQ(b, 8);

    reader_fixture g("long_number", "1" + std::string(2 * value_capacity, '0') + "\n");
    EXPECT_EXIT(g.reader->read({item(a)}), testing::ExitedWithCode(64), "input conversion error, unit 9");
}

// The fatal ends are checked by running the reader in a child process.
TEST(free_format_reader, fatal_errors_end_the_run_with_their_number) {
    struct {
        const char* input;
        int status;
        const char* message;
    } cases[] = {{"128\n", 64, "Fatal error 64: input conversion error, unit 9, file "},
                 {"x 1\n", 64, "Fatal error 64: input conversion error, unit 9, file "},
                 {"", 24, "Fatal error 24: end-of-file during read, unit 9, file "}};
    for (const auto& c : cases) {
        reader_fixture f("fatal", c.input);
        int8_t v = 0;
        EXPECT_EXIT(f.reader->read({item(v)}), testing::ExitedWithCode(c.status), c.message) << c.input;
    }
}

}  // namespace

namespace {

TEST(variant_record, layout_header_and_short_records) {
    reader_fixture f("variants",
                     "header line\n1 10 SNP 0 1 g\n2 20 INSX 0 3 ACG\n3 30 DEL 0 0\n4 40 SNP 0 1 T\n5 50 INS 0\n");
    common::variant_record r;
    char allele[8] = "zzzzzzz";
    ASSERT_TRUE(common::skip_variant_header(*f.reader));
    ASSERT_TRUE(common::read_variant_record(*f.reader, r, allele, 7));
    EXPECT_EQ(r.chromosome, 1);
    EXPECT_EQ(common::kind_of(r), common::variant_kind::snp);
    EXPECT_EQ(allele[0], 'g');
    ASSERT_TRUE(common::read_variant_record(*f.reader, r, allele, 7));
    EXPECT_EQ(common::kind_of(r), common::variant_kind::ins);  // INSX cut to its first three characters
    EXPECT_EQ(std::string(allele, 3), "ACG");
    ASSERT_TRUE(common::read_variant_record(*f.reader, r, allele, 7));  // length 0: no sixth value taken
    EXPECT_EQ(r.location, 30);
    EXPECT_EQ(std::string(allele, 3), "ACG");
    ASSERT_TRUE(common::read_variant_record(*f.reader, r, allele, 7));
    EXPECT_EQ(r.chromosome, 4);
    EXPECT_EQ(allele[0], 'T');
    EXPECT_FALSE(common::read_variant_record(*f.reader, r, allele, 7));  // cut short by the end: dropped
}

}  // namespace
