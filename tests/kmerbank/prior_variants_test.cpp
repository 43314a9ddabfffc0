// What the prior variants put into the alternate map, and the case fold of
// the reference map.
#include <gtest/gtest.h>
#include <omp.h>

#include <filesystem>

#include "map_setup.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;

std::string column(const common::matrix<char>& m, int32_t c, int32_t n) {
    return std::string(m.column(c), static_cast<size_t>(n));
}

// Runs the variant phase in a scratch directory on the given variants.prior.
int32_t run_variant_phase(const std::string& name, kmerbank::options& o, kmerbank_test::run_tables& t,
                          const std::string& prior) {
    const fs::path dir = test_support::make_scratch_dir("prior_variants." + name);
    test_support::write_file(dir / "variants.prior", prior);
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    kmerbank::files f;
    f.variants_prior.open();
    const int32_t accepted = kmerbank::apply_prior_variants(f, o, t.map, t.var);
    f.variants_prior.close();
    fs::current_path(before);
    return accepted;
}

TEST(prior_variants, snp_alleles_in_the_alternate_map) {
    kmerbank::options o = kmerbank_test::make_options(3, 1, 10);
    kmerbank_test::run_tables t;
    kmerbank_test::load_maps(o, t, {"acgTAnNG", "TTGCAGGCAT"});
    const int32_t accepted = run_variant_phase("snp_alleles", o, t,
                                               "chrom location type unused length allele\n"
                                               "1 3 SNP 0 1 T\n"  // G -> T
                                               "1 1 SNP 0 1 a\n"  // a at A is no match: taken as it is
                                               "1 6 SNP 0 1 G\n"  // at n: lower-cased
                                               "1 7 SNP 0 1 G\n"  // at N: kept
                                               "2 5 snp 0 1 C\n"  // not an SNP
                                               "2 9 INS 0 3 AAA\n"
                                               "2 2 DEL 0 2 TG\n"
                                               "2 4 SNP 0 1 A\n"    // the last record at a position decides
                                               "2 4 SNP 0 3 Tgg\n"  // first character of the text
                                               "2 6 SNP 0 1 X\n");  // any byte
    EXPECT_EQ(10, accepted);
    EXPECT_EQ("acTTAgGG", column(t.map.ALTERNATE, 1, 8));
    EXPECT_EQ("TTGTAXGCAT", column(t.map.ALTERNATE, 2, 10));
    EXPECT_EQ("ACGTAnNG", column(t.map.REFERENCE, 1, 8)) << "the reference map is only read";
    EXPECT_EQ("TTGCAGGCAT", column(t.map.REFERENCE, 2, 10));
    EXPECT_EQ(2, t.var.VARCHROME[10]);
    EXPECT_EQ(6, t.var.VARLOC[10]);
    EXPECT_EQ("SNP", std::string(t.var.VARTYPE.at(28), 3));
    EXPECT_EQ(1, t.var.VARLEN[10]);
}

TEST(prior_variants, header_only_and_empty_lists_accept_nothing) {
    for (const char* prior : {"", "chrom location type unused length allele\n"}) {
        kmerbank::options o = kmerbank_test::make_options(3, 1, 10);
        kmerbank_test::run_tables t;
        kmerbank_test::load_maps(o, t, {"ACGT"});
        EXPECT_EQ(0, run_variant_phase("empty", o, t, prior));
        EXPECT_EQ("ACGT", column(t.map.ALTERNATE, 1, 4));
    }
}

TEST(fold_reference_case, alternate_copy_and_counts_do_not_depend_on_the_threads) {
    kmerbank::options o = kmerbank_test::make_options(3, 1, 10);
    o.chromes = 7;
    for (int threads : {1, 3, 8}) {
        kmerbank_test::run_tables r;
        kmerbank::allocate_tables(o, r.map, r.var, r.hash);
        kmerbank::reference_map& t = r.map;
        const std::string texts[7] = {"acgtnNNN", "", "NNNnN", "aAcCgGtTnN", "xyz", "ACGT", "tttt"};
        for (int32_t i = 1; i <= 7; ++i) {
            const std::string& s = texts[i - 1];
            s.copy(t.REFERENCE.column(i), s.size());
            t.CHROLEN[i] = static_cast<int32_t>(s.size());
        }
        omp_set_num_threads(threads);
        const kmerbank::fold_counts n = kmerbank::fold_reference_case(7, t.CHROLEN, t.REFERENCE, t.ALTERNATE);
        EXPECT_EQ(8 + 0 + 5 + 10 + 3 + 4 + 4, n.ntotal) << threads;
        EXPECT_EQ(4 + 4 + 4, n.nlower) << threads;
        EXPECT_EQ(4 + 5 + 2, n.nunknown) << threads;
        EXPECT_EQ("ACGTnNNN", column(t.REFERENCE, 1, 8));
        EXPECT_EQ("AACCGGTTnN", column(t.REFERENCE, 4, 10));
        EXPECT_EQ("xyz", column(t.REFERENCE, 5, 3));
        EXPECT_EQ("TTTT", column(t.REFERENCE, 7, 4));
        for (int32_t i = 1; i <= 7; ++i) EXPECT_EQ(texts[i - 1], column(t.ALTERNATE, i, t.CHROLEN[i])) << "as read";
    }
}

}  // namespace
