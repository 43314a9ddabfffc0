// The start-up phases of fragsim run in-process on small inputs: the
// chromosome table and draw, the quality value, the map read back from the
// writer kmerbank uses, the variant tables, the genotype rows and the file
// list.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "binary_inputs.h"
#include "common/float_mode.h"
#include "common/reference_map_file.h"
#include "common/unit_file.h"
#include "fragsim/draw_thresholds.h"
#include "fragsim/fragsim.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::write_file;

// Runs a test in its own scratch directory, the files of the phases opened
// there by their plain names.
class in_scratch : public testing::Test {
protected:
    void SetUp() override {
        old_ = fs::current_path();
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = test_support::make_scratch_dir(std::string("startup.") + info->name());
        fs::current_path(dir_);
    }
    void TearDown() override { fs::current_path(old_); }
    fs::path dir_, old_;
};

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// A map of the given chromosome lengths (no bases) with its CHROMTABLE.
void map_of_lengths(fragsim::reference_map& map, const std::vector<int32_t>& lengths) {
    map.nchrom = static_cast<int32_t>(lengths.size());
    map.CHROLEN.allocate(1, map.nchrom);
    for (int32_t i = 1; i <= map.nchrom; ++i) {
        map.CHROLEN[i] = lengths[static_cast<size_t>(i - 1)];
        map.totlen += map.CHROLEN[i];
    }
    fragsim::build_chromtable(map);
}

// Slot counts of each chromosome in CHROMTABLE for the given lengths.
std::vector<int32_t> slot_counts(const std::vector<int32_t>& lengths) {
    fragsim::reference_map map;
    map_of_lengths(map, lengths);
    std::vector<int32_t> counts(lengths.size(), 0);
    for (int32_t k = 1; k <= fragsim::chromtable_size; ++k) {
        const int32_t c = map.CHROMTABLE[k];
        EXPECT_TRUE(c >= 1 && c <= map.nchrom) << "slot " << k;
        if (c >= 1 && c <= map.nchrom) ++counts[static_cast<size_t>(c - 1)];
        if (k > 1) {
            EXPECT_GE(c, map.CHROMTABLE[k - 1]) << "slot " << k;
        }
    }
    return counts;
}

TEST(chromtable, slot_counts_follow_the_single_precision_steps) {
    struct row {
        std::vector<int32_t> lengths, counts;
    };
    std::vector<int32_t> ten_and_one(10, 1000), ten_and_one_counts(10, 99991);
    ten_and_one.push_back(1);
    ten_and_one_counts[0] = 99990;
    ten_and_one_counts.push_back(91);
    const std::vector<row> rows = {
        {{1000}, {1000000}},
        {{100, 100}, {500000, 500000}},
        {{300, 200, 500}, {300000, 200001, 499999}},
        {{100, 0, 100}, {500000, 1, 499999}},
        {{0, 100, 100}, {0, 500001, 499999}},
        {{1, 1, 1}, {333333, 333334, 333333}},
        {ten_and_one, ten_and_one_counts},
    };
    for (const auto& r : rows) EXPECT_EQ(slot_counts(r.lengths), r.counts) << "lengths of " << r.lengths.size();
}

// The draw by lastout through the runs of the table against the draw by
// value through the table: every lastout near each run's start and each
// bucket's start, the smallest and largest lastouts, and a random sweep.
TEST(chromtable, draw_by_lastout_is_the_draw_by_value) {
    std::vector<int32_t> many(127);
    std::mt19937 random(23);
    for (auto& len : many) len = static_cast<int32_t>(random() % 5000000);
    many[40] = 0;  // a chromosome of no slot
    const std::vector<std::vector<int32_t>> tables = {
        {1000}, {100, 100}, {300, 200, 500}, {100, 0, 100}, {0, 100, 100}, {1, 1, 1}, many};
    for (const auto& lengths : tables) {
        fragsim::reference_map map;
        map_of_lengths(map, lengths);
        const fragsim::chromosome_runs& runs = map.CHROMRUNS;
        ASSERT_GE(runs.nruns, 1);
        std::vector<int32_t> outs;
        const auto near = [&outs](int64_t at, int64_t reach) {
            for (int64_t v = std::max<int64_t>(1, at - reach); v <= std::min<int64_t>(fragsim::largest_out, at + reach);
                 ++v)
                outs.push_back(static_cast<int32_t>(v));
        };
        for (int32_t r = 0; r < runs.nruns; ++r) near(runs.from[r], 3000);
        for (int32_t b = 0; b < fragsim::chromosome_runs::buckets; ++b)
            near(int64_t{b} << fragsim::chromosome_runs::bucket_shift, 2);
        near(1, 3000);
        near(fragsim::largest_out, 3000);
        for (int i = 0; i < 200000; ++i) outs.push_back(static_cast<int32_t>(1 + random() % fragsim::largest_out));
        int64_t differ = 0;
        for (const int32_t v : outs)
            differ += fragsim::draw_chromosome_of_out(map, v) != fragsim::draw_chromosome(map, fragsim::value_of(v));
        EXPECT_EQ(differ, 0) << lengths.size() << " chromosomes, " << runs.nruns << " runs";
        EXPECT_LE(runs.nruns, map.nchrom);
    }
}

TEST(chromtable, draw_picks_the_slot_of_u) {
    fragsim::reference_map map;
    map.nchrom = 127;
    map.CHROMTABLE.allocate(1, fragsim::chromtable_size);
    for (int32_t k = 1; k <= fragsim::chromtable_size; ++k) map.CHROMTABLE[k] = 1;
    map.CHROMTABLE[500000] = 4;
    map.CHROMTABLE[500001] = 5;
    map.CHROMTABLE[1000000] = 127;
    map.CHROMTABLE[1] = 2;
    struct row {
        double u;
        int8_t c;
    };
    const row rows[] = {
        {0.5, 5},                    // slot 500,001
        {0.4999999999, 4},           // slot 500,000
        {0.9999998800000043, 127},   // the largest value of unif2: slot 1,000,000
        {4.656613057391769e-10, 2},  // the smallest: slot 1
    };
    for (const auto& r : rows) EXPECT_EQ(fragsim::draw_chromosome(map, r.u), r.c) << "u " << r.u;
    // A table filled by hand has no runs: the draw by lastout goes through it.
    EXPECT_EQ(fragsim::draw_chromosome_of_out(map, 1), 2);
    EXPECT_EQ(fragsim::draw_chromosome_of_out(map, fragsim::largest_out), 127);
}

TEST(quality_value, phred_and_character_of_the_error_rate) {
    common::set_flush_to_zero();
    struct row {
        float errate;
        int32_t phred;
        char quality;
        const char* line;
    };
    const float subnormal = std::numeric_limits<float>::denorm_min();
    const row rows[] = {
        {0.001f, 63, '?', "  0.001000 phred score =  63   ?"},
        {0.01f, 53, '5', "  0.010000 phred score =  53   5"},
        {0.02f, 49, '1', "  0.020000 phred score =  49   1"},  // 49.9897 truncated
        {0.1f, 43, '+', "  0.100000 phred score =  43   +"},
        {0.0f, 75, 'K', "  0.000000 phred score =  75   K"},
        {-0.5f, 75, 'K', " -0.500000 phred score =  75   K"},
        {subnormal, 75, 'K', "  0.000000 phred score =  75   K"},  // read as 0
        {0.2f, 39, '\'', "  0.200000 phred score =  39   '"},      // below the alphabet: its own code
        {1.0f, 33, '!', "  1.000000 phred score =  33   !"},
        {3.2e-10f, 127, ' ', "  0.000000 phred score = 127    "},  // the alphabet's blank
    };
    for (const auto& r : rows) {
        fragsim::options o;
        o.errate = r.errate;
        fragsim::derived d;
        testing::internal::CaptureStdout();
        fragsim::quality_value(o, d);
        const auto lines = lines_of(testing::internal::GetCapturedStdout());
        EXPECT_EQ(d.phred, r.phred) << "errate " << r.errate;
        EXPECT_EQ(d.quality, r.quality) << "errate " << r.errate;
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[0], "New phred quality scores =        ()*+,-./0123456789:;<=>?@ABCDEFGHIJK");
        EXPECT_EQ(lines[1], " Error rate");
        EXPECT_EQ(lines[2], r.line);
        EXPECT_EQ(lines[3], " ");
    }
}

TEST_F(in_scratch, map_from_the_kmerbank_writer_reads_back) {
    // The map as kmerbank writes it: lengths 12, 0 and 5; 'N' counted, 'n' not.
    const std::vector<std::string> chromosomes = {"ACGTNNacgtnA", "", "GGNCC"};
    {
        common::unit_file out(10, "reference.unf");
        out.open();
        common::table<int32_t> len;
        len.allocate(1, 3);
        common::matrix<char> ref;
        ref.allocate(12, 3);
        for (int32_t i = 1; i <= 3; ++i) {
            const std::string& s = chromosomes[static_cast<size_t>(i - 1)];
            len[i] = static_cast<int32_t>(s.size());
            for (size_t j = 0; j < s.size(); ++j) ref(static_cast<int64_t>(j) + 1, i) = s[j];
        }
        common::table<char> readmap;
        readmap.allocate(1, 12);
        common::write_reference_map(out, 3, len, ref, readmap);
        out.close();
    }
    fragsim::files f;
    f.reference_unf.open();
    fragsim::reference_map map;
    fragsim::read_chromosome_count(f, map);
    ASSERT_EQ(map.nchrom, 3);
    map.CHROLEN.allocate(1, map.nchrom);
    testing::internal::CaptureStdout();
    fragsim::load_reference_map(f, map);
    const auto lines = lines_of(testing::internal::GetCapturedStdout());
    const std::vector<std::string> expected = {
        "           1  chromosome length          12",
        "           2  chromosome length           0",
        "           3  chromosome length           5",
        "                    17 total length of reference map",
        " ",
        "         3 missing alleles in reference map, % =  17.647058",
        " ",
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(map.maxlen, 12);
    EXPECT_EQ(map.totlen, 17);
    for (int32_t i = 1; i <= 3; ++i) {
        const std::string& s = chromosomes[static_cast<size_t>(i - 1)];
        EXPECT_EQ(std::string(map.REFERENCE.column(i), s.size()), s);
        // No variant yet: VARNUM has room for every position and names none.
        for (int32_t p = 1; p <= map.CHROLEN[i]; ++p) EXPECT_EQ(map.VARNUM(p, i), 0) << i << " " << p;
    }
}

TEST_F(in_scratch, fixture_maps_are_what_kmerbank_writes) {
    // The golden cases carry reference.unf as bytes, and the stop table builds
    // it: both are the writer's own.
    const std::string c1 =
        "ACGTACGGTTCAGCTAGCTAGGATCCGATCGATTACGGCATGCATGCAAGCTTGGCACTGGCCGTCGTTTTACAACGTCG"
        "TGACTGGGAAAACCCTGGCGTTACCCAACTTAATCGCCTTGCAGCACATCCCCCTTTCGCCAGCTGGCGTAATAGCGAAG";
    const std::string c2 = "ACGTNNNNACGTACGTacgtnnACGT";
    {
        common::unit_file out(10, "reference.unf");
        out.open();
        common::table<int32_t> len;
        len.allocate(1, 2);
        len[1] = 160;
        len[2] = 26;
        common::matrix<char> ref;
        ref.allocate(160, 2);
        std::copy(c1.begin(), c1.end(), ref.column(1));
        std::copy(c2.begin(), c2.end(), ref.column(2));
        common::table<char> readmap;
        readmap.allocate(1, 160);
        common::write_reference_map(out, 2, len, ref, readmap);
        out.close();
    }
    const fs::path cases = test_support::tests_source_dir() / "fragsim" / "cases";
    EXPECT_EQ(read_file("reference.unf"), read_file(cases / "many_variants" / "reference.unf"));
    EXPECT_EQ(read_file("reference.unf"), test_support::reference_unf_of({c1, c2}));
}

// A map of two chromosomes loaded from reference.unf in the scratch directory.
void load_map(fragsim::files& f, fragsim::reference_map& map, const std::vector<std::string>& chromosomes) {
    {
        common::unit_file out(10, "reference.unf");
        out.open();
        const int32_t n = static_cast<int32_t>(chromosomes.size());
        common::table<int32_t> len;
        len.allocate(1, n);
        int64_t longest = 0;
        for (int32_t i = 1; i <= n; ++i) {
            len[i] = static_cast<int32_t>(chromosomes[static_cast<size_t>(i - 1)].size());
            longest = std::max<int64_t>(longest, len[i]);
        }
        common::matrix<char> ref;
        ref.allocate(longest, n);
        for (int32_t i = 1; i <= n; ++i) {
            const std::string& s = chromosomes[static_cast<size_t>(i - 1)];
            std::copy(s.begin(), s.end(), ref.column(i));
        }
        common::table<char> readmap;
        readmap.allocate(1, longest);
        common::write_reference_map(out, n, len, ref, readmap);
        out.close();
    }
    f.reference_unf.open();
    fragsim::read_chromosome_count(f, map);
    map.CHROLEN.allocate(1, map.nchrom);
    testing::internal::CaptureStdout();
    fragsim::load_reference_map(f, map);
    testing::internal::GetCapturedStdout();
}

TEST_F(in_scratch, variant_tables_hold_the_accepted_records) {
    fragsim::files f;
    fragsim::reference_map map;
    load_map(f, map, {"ACGTACGTAC", "ACGTnnACGT"});
    write_file("variants.true",
               "header\n"
               "1 2 SNP 0 1 G\n"      // slot 1
               "1 2 SNP 0 1 T\n"      // slot 2: VARNUM names it, ALTERNATE holds T
               "2 5 SNP 0 1 C\n"      // slot 3: at 'n', stored as 'c'
               "2 6 SNP 0 1 X\n"      // slot 4: at 'n', not a base: stays 'X'
               "1 4 INSERT 0 2 GG\n"  // slot 5: INS, text at 1..2
               "1 6 INS 0 0\n"        // slot 6: empty insertion, points at 3
               "1 7 DEL 0 4 GTAC\n"   // slot 7: runs to the chromosome's end
               "1 8 other 0 -5\n"     // slot 8: counted only
               "1 3 INS 0 3 AAA\n");  // slot 9: text at 3..5
    f.variants_true.open();
    fragsim::options o;
    o.maxvar = 9;
    o.maxinsert = 5;
    fragsim::variant_tables var;
    var.allocate(o);
    testing::internal::CaptureStdout();
    fragsim::read_true_variants(o, f, map, var);
    const auto lines = lines_of(testing::internal::GetCapturedStdout());
    EXPECT_EQ(var.nvar, 9);
    EXPECT_EQ(var.nsnp, 4);
    EXPECT_EQ(var.nins, 3);
    EXPECT_EQ(var.ndel, 1);
    EXPECT_EQ(var.maxindel, 4);
    EXPECT_EQ(var.insfill, 5);
    EXPECT_EQ(map.VARNUM(2, 1), 2);
    EXPECT_EQ(fragsim::ALTERNATE(map, var, 2, 1), 'T');
    EXPECT_EQ(map.REFERENCE(2, 1), 'C');
    EXPECT_EQ(fragsim::ALTERNATE(map, var, 5, 2), 'c');
    EXPECT_EQ(fragsim::ALTERNATE(map, var, 6, 2), 'X');
    EXPECT_EQ(map.VARNUM(4, 1), 5);
    EXPECT_EQ(var.VARTYPE[5], common::variant_kind::ins);
    EXPECT_EQ(var.VARTYPE[8], common::variant_kind::other);
    EXPECT_EQ(var.INSPOS[5], 1);
    EXPECT_EQ(var.INSPOS[6], 3);
    EXPECT_EQ(var.INSPOS[9], 3);
    EXPECT_EQ(std::string(var.INSERT.at(1), 5), "GGAAA");
    EXPECT_EQ(map.VARNUM(7, 1), 7);
    EXPECT_EQ(map.VARNUM(8, 1), 8);
    EXPECT_EQ(var.VARLEN[8], -5);
    EXPECT_EQ(map.VARNUM(1, 1), 0);
    EXPECT_EQ(var.VARCHROME[3], 2);
    EXPECT_EQ(var.VARLOC[9], 3);
    EXPECT_EQ(lines[lines.size() - 2], "insertion vector GGAAA");
}

// GENOROW(1..n, s) as a text.
std::string cells_of(const fragsim::source_tables& src, int32_t s, int32_t n) {
    std::string cells;
    for (int32_t v = 1; v <= n; ++v) cells += src.GENOROW(v, s);
    return cells;
}

struct genotype_run {
    std::string out, filelist;
    fragsim::source_tables src;
};

// Reads genotypes.true (written when text is given) for nvar variants and
// writes fastq.filelist, as the run does.
void run_genotypes(genotype_run& g, const std::string* text, int32_t nvar, int32_t maxvar, int32_t sources,
                   int32_t paired) {
    fragsim::files f;
    if (text) write_file("genotypes.true", *text);
    f.have_genotypes = text != nullptr;
    if (f.have_genotypes) f.genotypes_true.open();
    f.fastq_filelist.open();
    fragsim::options o;
    o.maxvar = maxvar;
    o.sources = sources;
    o.paired = paired;
    fragsim::variant_tables var;
    var.nvar = nvar;
    g.src.SOURCEID.allocate(1, sources);
    testing::internal::CaptureStdout();
    fragsim::read_genotypes(o, f, var, g.src);
    fragsim::write_file_list(o, f, g.src);
    g.out = testing::internal::GetCapturedStdout();
    f.fastq_filelist.close();
    g.filelist = read_file("fastq.filelist");
}

const char* const header = "Numeric_ID  Output_name           Fastq_read1           Fastq.read2\n";

TEST_F(in_scratch, no_genotype_file_gives_default_ids) {
    genotype_run g;
    run_genotypes(g, nullptr, 4, 4, 3, 1);
    EXPECT_EQ(g.out, "           0  records read from genotypes.true\n \n");
    EXPECT_EQ(g.src.ngeno, 0);
    EXPECT_EQ(g.filelist, std::string(header) +
                              "     10001  source1               source1.1.fq        \n"
                              "     10002  source2               source2.1.fq        \n"
                              "     10003  source3               source3.1.fq        \n");
}

TEST_F(in_scratch, genotype_rows_ids_echo_and_sources_without_a_row) {
    const std::string text =
        "       501        11         3 012\n"
        "         0        12         3  1\n"         // ID 0 becomes 10002; cells "1", blank, blank
        "   -  5 03         0         3 2\n"          // blanks inside a field are ignored
        "       504        14         3 22222222\n";  // row 4 > sources 3: ends the reading
    genotype_run g;
    run_genotypes(g, &text, 3, 30, 3, 2);
    const std::string blanks47(47, ' ');
    EXPECT_EQ(g.out,
              " begin to read genotypes.true\n"
              "       501        11         3 012" +
                  blanks47 +
                  "\n"
                  "         0        12         3  1 " +
                  blanks47 +
                  "\n"
                  "      -503         0         3 2  " +
                  blanks47 +
                  "\n"
                  " More sources available in genotypes.true than requested =           3\n"
                  " \n"
                  "           3  records read from genotypes.true\n"
                  " \n");
    EXPECT_EQ(g.src.ngeno, 3);
    EXPECT_EQ(cells_of(g.src, 1, 3), "012");
    EXPECT_EQ(cells_of(g.src, 2, 3), " 1 ");
    EXPECT_EQ(cells_of(g.src, 3, 3), "2  ");
    EXPECT_EQ(g.filelist, std::string(header) +
                              "       501  source1               source1.1.fq          source1.2.fq        \n"
                              "     10002  source2               source2.1.fq          source2.2.fq        \n"
                              "      -503  source3               source3.1.fq          source3.2.fq        \n");
}

TEST_F(in_scratch, genotype_row_that_ends_before_its_cells_reads_as_blanks) {
    // Lines of 30 and 31 columns: the cells begin at column 32.
    const std::string text = "         1         0         2\n         2         0         2 \n";
    genotype_run g;
    run_genotypes(g, &text, 2, 2, 2, 0);
    EXPECT_EQ(g.src.ngeno, 2);
    EXPECT_EQ(cells_of(g.src, 1, 2), "  ");
    EXPECT_EQ(cells_of(g.src, 2, 2), "  ");
}

TEST_F(in_scratch, sources_without_a_row_are_homozygous_reference) {
    const std::string text = "         7         0         2 21\n";
    genotype_run g;
    run_genotypes(g, &text, 2, 2, 3, 0);
    EXPECT_EQ(g.src.ngeno, 1);
    EXPECT_EQ(cells_of(g.src, 2, 2), "00");
    EXPECT_EQ(cells_of(g.src, 3, 2), "00");
    EXPECT_EQ(g.src.SOURCEID[1], 7);
    EXPECT_EQ(g.src.SOURCEID[3], 10003);
}

TEST_F(in_scratch, echo_shows_rows_1_to_9_with_50_characters) {
    std::string text;
    const std::string genotypes(60, '1');
    for (int i = 1; i <= 11; ++i)
        text += "       " + std::to_string(100 + i) + "         0        60 " + genotypes + "\n";
    genotype_run g;
    run_genotypes(g, &text, 60, 60, 11, 0);
    const auto lines = lines_of(g.out);
    ASSERT_EQ(lines.size(), 1u + 9u + 2u);
    for (int i = 1; i <= 9; ++i)
        EXPECT_EQ(lines[static_cast<size_t>(i)],
                  "       " + std::to_string(100 + i) + "         0        60 " + std::string(50, '1'));
    EXPECT_EQ(g.src.ngeno, 11);
    EXPECT_EQ(cells_of(g.src, 11, 60), genotypes);
}

TEST_F(in_scratch, blank_row_with_no_variants_and_empty_file) {
    const std::string blank = "\n";
    genotype_run g;
    run_genotypes(g, &blank, 0, 0, 1, 0);
    EXPECT_EQ(g.src.ngeno, 1);
    EXPECT_EQ(g.src.SOURCEID[1], 10001);
    EXPECT_EQ(g.out,
              " begin to read genotypes.true\n"
              "         0         0         0 " +
                  std::string(50, ' ') +
                  "\n"
                  "           1  records read from genotypes.true\n \n");

    const std::string empty;
    genotype_run e;
    run_genotypes(e, &empty, 3, 3, 0, 2);
    EXPECT_EQ(e.out, " begin to read genotypes.true\n           0  records read from genotypes.true\n \n");
    EXPECT_EQ(e.filelist, header);
}

}  // namespace
