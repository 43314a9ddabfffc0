// Every check that stops a kmerbank run, and the limits just inside them: the
// built program on small generated inputs, its last console line, its exit
// status, the whole of its standard error (empty but for the ends with a
// code) and what it left in the two binary outputs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::write_file;

// mingap 1, maxgap 0 (no k-mer is taken), chromes 3, maplngth 20, maxhash 101,
// maxdup 20; hashlen 3, maxvar 5, flanklen 2.
std::string options_of(const std::string& record1, const std::string& record2 = "3 5 2") {
    return record1 + "\nmingap maxgap chromes maplngth maxhash maxdup\n(not read)\n" + record2 + "\n";
}
const std::string plain_options = options_of("1 0 3 20 101 20");
const std::string two_chromosomes = ">a\nACGTAC\n>b\nGGTTAA\n";
constexpr int64_t two_chromosomes_map_size = 12 + 20 * 2 + 12;

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct stop_case {
    std::string name;
    std::string options;
    std::string reference;
    const char* prior;      // nullptr: no variants.prior
    const char* flank_loc;  // nullptr: no flank.loc
    std::string last_line;  // last line of standard output
    int status;
    int64_t reference_unf_size;    // -1: not checked
    const char* stderr_text = "";  // the whole of standard error
};
void PrintTo(const stop_case& c, std::ostream* os) { *os << c.name; }

std::vector<stop_case> stop_cases() {
    const std::string done = " Program kmerbank completed normally";
    const std::string none = " reference.fa has no sequence line after a header: no chromosome to map";
    const std::string no_chromes = " chromes in kmerbank.options is below 1: no chromosome to map";
    const std::string too_long = "  seglen exceeds maxlngth =       99999";
    const std::string bad_hashlen = " hashlen in kmerbank.options must be from 1 to 32";
    // hashlen 3, mingap 1, maxgap 10: ACGTA takes GTA (key 45) at 5, ACGTAG
    // also TAG (51) at 6, ACGTACGTA takes GTA twice.
    const auto sampling = [](const std::string& record1) { return options_of(record1, "3 5 2"); };
    return {
        // reference.fa
        {"line_before_first_header", plain_options, "ACGT\n>a\nAC\n", nullptr, nullptr,
         " reference.fa line 1: sequence line before the first header", 1, 0},
        {"empty_line_before_first_header", plain_options, "\n>a\nAC\n", nullptr, nullptr,
         " reference.fa line 1: sequence line before the first header", 1, 0},
        {"empty_reference", plain_options, "", nullptr, nullptr, none, 1, 0},
        {"header_only", plain_options, ">a\n", nullptr, nullptr, none, 1, 0},
        {"headers_only", plain_options, ">a\n>b\n", nullptr, nullptr, none, 1, 0},
        {"chromes_zero", options_of("1 0 0 20 101 20"), two_chromosomes, nullptr, nullptr, no_chromes, 1, 0},
        {"chromes_negative", options_of("1 0 -1 20 101 20"), two_chromosomes, nullptr, nullptr, no_chromes, 1, 0},
        {"chromosomes_127", options_of("1 0 200 5 101 20"), repeat(">c\nA\n", 127), nullptr, nullptr, done, 0,
         12 + 20 * 127 + 127},
        {"chromosome_128", options_of("1 0 200 5 101 20"), repeat(">c\nA\n", 128), nullptr, nullptr,
         " reference.fa line 256: chromosome 128 is one more than a map can hold (127)", 1, 0},
        // A line number of eight digits takes the message past the 80
        // characters of a free-format line: it stays one line.
        {"chromosome_128_on_line_10000255", options_of("1 0 200 5 101 20"),
         ">c\n" + std::string(10000000, '\n') + repeat(">c\nA\n", 127), nullptr, nullptr,
         " reference.fa line 10000255: chromosome 128 is one more than a map can hold (127)", 1, 0},
        {"chromosome_128_past_chromes", options_of("1 0 127 5 101 20"), repeat(">c\nA\n", 128), nullptr, nullptr, done,
         0, 12 + 20 * 127 + 127},
        {"line_of_99999", options_of("1 0 1 100000 101 20"), ">a\n" + std::string(99999, 'A') + "\n", nullptr, nullptr,
         done, 0, 12 + 20 + 99999},
        {"line_of_100000", options_of("1 0 1 200000 101 20"), ">a\n" + std::string(100000, 'A') + "\n", nullptr,
         nullptr, "      100000" + too_long, 1, 0},
        {"blank_after_100001", options_of("1 0 1 200000 101 20"), ">a\n" + std::string(100001, 'A') + " C\n", nullptr,
         nullptr, "      100001" + too_long, 1, 0},
        {"maplngth_by_trailing_n", options_of("1 0 1 6 101 20"), ">a\nACGTNNN\n", nullptr, nullptr,
         " Chromosome length exceeds maplngth, option was set to           6", 1, 0},
        // Empty maps: a chromosome of length 0 is all they can hold.
        {"maplngth_0", options_of("1 0 1 0 101 20"), ">a\n\n", "h\n", "", done, 0, 12 + 20},
        // kmerbank.options
        {"maxhash_2147483647", options_of("1 0 3 20 2147483647 20"), two_chromosomes, nullptr, nullptr,
         " maxhash in kmerbank.options must be below 2147483647", 1, 0},
        {"maxdup_negative", options_of("1 0 3 20 101 -1"), two_chromosomes, nullptr, nullptr,
         " maxdup in kmerbank.options must not be below 0", 1, 0},
        // A key holds 32 base codes: other lengths would give one key to
        // every k-mer (0 or less) or wrap keys around (33), or take none.
        {"hashlen_0", options_of("1 10 1 20 101 20", "0 5 2"), ">a\nACGTACGTA\n", nullptr, nullptr, bad_hashlen, 1, 0},
        {"hashlen_negative", options_of("1 10 1 20 101 20", "-5 5 2"), ">a\nACGTACGTA\n", nullptr, nullptr, bad_hashlen,
         1, 0},
        {"hashlen_33", options_of("1 40 1 40 101 20", "33 5 2"), ">a\n" + std::string(34, 'A') + "C\n", nullptr,
         nullptr, bad_hashlen, 1, 0},
        {"hashlen_2147483647", options_of("1 10 1 20 101 20", "2147483647 5 2"), ">a\nACGTACGTA\n", nullptr, nullptr,
         bad_hashlen, 1, 0},
        {"hashlen_1", options_of("1 10 1 20 101 20", "1 5 2"), ">a\nACGTACGTA\n", nullptr, nullptr, done, 0,
         12 + 20 + 9},
        // A negative flanklen would write an empty flank text for every SNP.
        {"flanklen_negative", options_of("1 0 3 20 101 20", "3 5 -1"), two_chromosomes, "h\n1 2 SNP 0 1 T\n", "1 2\n",
         " flanklen in kmerbank.options must not be below 0", 1, 0},
        {"flanklen_0", options_of("1 0 3 20 101 20", "3 5 0"), two_chromosomes, "h\n1 2 SNP 0 1 T\n", "1 2\n", done, 0,
         two_chromosomes_map_size},
        // variants.prior
        {"variant_chromosome_3_of_2", plain_options, two_chromosomes, "h\n3 1 SNP 0 1 A\n", nullptr,
         " Variant is not on a valid chromosome:     3", 1, two_chromosomes_map_size},
        {"variant_chromosome_0", plain_options, two_chromosomes, "h\n1 1 INS 0 1 A\n0 1 INS 0 1 A\n", nullptr,
         " variants.prior record 2: chromosome 0 is below 1", 1, two_chromosomes_map_size},
        {"variant_chromosome_negative", plain_options, two_chromosomes, "h\n-5 1 DEL 0 1 A\n", nullptr,
         " variants.prior record 1: chromosome -5 is below 1", 1, two_chromosomes_map_size},
        {"variant_location_0", plain_options, two_chromosomes, "h\n1 0 DEL 0 1 A\n", nullptr,
         " variants.prior record 1: location 0 is below 1", 1, two_chromosomes_map_size},
        {"variant_past_end", plain_options, two_chromosomes, "h\n2 6 SNP 0 1 C\n2 7 SNP 0 1 C\n", nullptr,
         " Variant is past the end of the chromosome:     2           7", 1, two_chromosomes_map_size},
        {"snp_length_0", plain_options, two_chromosomes, "h\n1 2 INS 0 1 T\n1 3 SNP 0 0\n", nullptr,
         " variants.prior record 2: SNP allele length 0 is below 1", 1, two_chromosomes_map_size},
        {"snp_length_negative", plain_options, two_chromosomes, "h\n1 3 SNP 0 -1 T\n", nullptr,
         " variants.prior record 1: SNP allele length -1 is below 1", 1, two_chromosomes_map_size},
        {"allele_length_99999", plain_options, two_chromosomes, "h\n1 3 INS 0 99999 AAA\n", nullptr, done, 0,
         two_chromosomes_map_size},
        {"allele_length_100000", plain_options, two_chromosomes, "h\n1 3 INS 0 100000 AAA\n", nullptr,
         " variants.prior record 1: allele length 100000 is above 99999", 1, two_chromosomes_map_size},
        {"maxvar_0", options_of("1 0 3 20 101 20", "3 0 2"), two_chromosomes, "h\n1 3 INS 0 1 A\n", nullptr,
         " More alternate alleles than reserved by maxvar =           0", 1, two_chromosomes_map_size},
        {"maxvar_negative", options_of("1 0 3 20 101 20", "3 -4 2"), two_chromosomes, "h\n1 3 INS 0 1 A\n", nullptr,
         " More alternate alleles than reserved by maxvar =          -4", 1, two_chromosomes_map_size},
        // flank.loc (FLANK holds chromosomes 1..3 of the capacity, locations 1..20)
        {"flank_chromosome_0", plain_options, two_chromosomes, "h\n", "0 3\n",
         " flank.loc record 1: chromosome 0 location 3 is outside the map (chromosomes 1..3, locations 1..20)", 1,
         two_chromosomes_map_size},
        {"flank_chromosome_4", plain_options, two_chromosomes, "h\n", "1 1\n4 1\n",
         " flank.loc record 2: chromosome 4 location 1 is outside the map (chromosomes 1..3, locations 1..20)", 1,
         two_chromosomes_map_size},
        {"flank_location_0", plain_options, two_chromosomes, "h\n", "1 0\n",
         " flank.loc record 1: chromosome 1 location 0 is outside the map (chromosomes 1..3, locations 1..20)", 1,
         two_chromosomes_map_size},
        {"flank_location_21", plain_options, two_chromosomes, "h\n", "1 21\n",
         " flank.loc record 1: chromosome 1 location 21 is outside the map (chromosomes 1..3, locations 1..20)", 1,
         two_chromosomes_map_size},
        {"flank_chromosome_3_location_20", plain_options, two_chromosomes, "h\n", "3 20\n", done, 0,
         two_chromosomes_map_size},
        // k-mer key and hash table
        {"key_of_32_with_g", options_of("1 40 1 40 101 20", "32 5 2"), ">a\nAG" + std::string(31, 'A') + "\n", nullptr,
         nullptr, " Hash number exceeded integer*8, decrease k-mer length", 1, -1},
        {"maxhash_0", sampling("1 10 1 20 0 20"), ">a\nACGTA\n", nullptr, nullptr,
         " Function N8HASH dropped out of the loop", 41, -1, "41\n"},
        {"maxhash_1", sampling("1 10 1 20 1 20"), ">a\nACGTA\n", nullptr, nullptr,
         " hash table size           1   is too small, increase it", 5, -1, "261\n"},
        {"maxhash_2_other_parity", sampling("1 10 1 20 2 20"), ">a\nACGTAC\n", nullptr, nullptr,
         " hash table size           2   is too small, increase it", 5, -1, "261\n"},
        {"maxhash_2_same_parity", sampling("1 10 1 20 2 20"), ">a\nACGTAG\n", nullptr, nullptr,
         " Function N8HASH dropped out of the loop", 41, -1, "41\n"},
        {"maxhash_3", sampling("1 10 1 20 3 20"), ">a\nACGTAG\n", nullptr, nullptr,
         " Hash table too full, increase maxhash           3", 1, -1},
        {"maxdup_0", sampling("1 10 1 20 101 0"), ">a\nACGTACGTA\n", nullptr, nullptr,
         " Too many duplicates, increase maxdup           0", 1, -1},
    };
}

std::string last_line(const std::string& out) {
    std::string s = out;
    if (!s.empty() && s.back() == '\n') s.pop_back();
    const size_t nl = s.rfind('\n');
    return nl == std::string::npos ? s : s.substr(nl + 1);
}

class kmerbank_stops : public testing::TestWithParam<stop_case> {};

TEST_P(kmerbank_stops, last_line_status_and_outputs) {
    const stop_case& c = GetParam();
    const fs::path dir = test_support::make_scratch_dir("kmerbank_stops." + c.name);
    write_file(dir / "kmerbank.options", c.options);
    write_file(dir / "reference.fa", c.reference);
    if (c.prior) write_file(dir / "variants.prior", c.prior);
    if (c.flank_loc) write_file(dir / "flank.loc", c.flank_loc);
    const auto r = test_support::run_program(test_support::program_path("kmerbank"), dir);
    EXPECT_EQ(c.last_line, last_line(r.out));
    EXPECT_EQ(c.status, r.status);
    EXPECT_EQ(c.stderr_text, r.err);
    if (c.reference_unf_size >= 0) {
        EXPECT_EQ(c.reference_unf_size, static_cast<int64_t>(fs::file_size(dir / "reference.unf")));
    }
    // A run that stops writes nothing to the hash table file.
    if (c.status != 0) {
        EXPECT_EQ(0u, fs::file_size(dir / "kmerbank.unf"));
    }
}

INSTANTIATE_TEST_SUITE_P(all, kmerbank_stops, testing::ValuesIn(stop_cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
