// Which k-mers a pass takes and the key of each.
#include <gtest/gtest.h>

#include <algorithm>

#include "map_setup.h"

namespace {

using kmerbank::map_kind;
using kmerbank_test::occurrence;

struct stored_key {
    int64_t key;
    std::vector<occurrence> occurrences;  // newest first
    bool operator==(const stored_key&) const = default;
};

void PrintTo(const stored_key& k, std::ostream* os) {
    *os << "key " << k.key << " at";
    for (const auto& o : k.occurrences) *os << " (" << o.chromosome << "," << o.position << ")";
}

struct sampling_case {
    std::string name;
    std::vector<std::string> chromosomes;
    map_kind kind;
    int32_t hashlen, mingap, maxgap;
    std::vector<stored_key> expected;  // by ascending key
};
void PrintTo(const sampling_case& c, std::ostream* os) { *os << c.name; }

std::vector<stored_key> stored_keys(const kmerbank::hash_tables& t) {
    std::vector<stored_key> out;
    for (int64_t h = 1; h <= t.GAPS.size(); ++h)
        if (t.GAPS[h] != 0) out.push_back({t.GAPS[h], kmerbank_test::chain_of(t, static_cast<int32_t>(h))});
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
    return out;
}

class kmer_sampling : public testing::TestWithParam<sampling_case> {};

TEST_P(kmer_sampling, takes_the_expected_keys) {
    const sampling_case& c = GetParam();
    kmerbank::options o = kmerbank_test::make_options(c.hashlen, c.mingap, c.maxgap);
    kmerbank_test::run_tables t;
    kmerbank_test::load_maps(o, t, c.chromosomes);
    kmerbank::mapstore(c.kind == map_kind::ref ? t.map.REFERENCE : t.map.ALTERNATE, c.kind, o, t.map.CHROLEN, t.hash);
    EXPECT_EQ(c.expected, stored_keys(t.hash));
    EXPECT_EQ(static_cast<int32_t>(c.expected.size()), t.hash.nhash);
}

// hashlen 3, mingap 1, maxgap 10 unless stated.
INSTANTIATE_TEST_SUITE_P(
    keys, kmer_sampling,
    testing::Values(
        // GTA at 5: 2*16 + 3*4 + 0 + 1.
        sampling_case{"ACGTA", {"ACGTA"}, map_kind::ref, 3, 1, 10, {{45, {{1, 5}}}}},
        // The N at 2 leaves too short a window at 5.
        sampling_case{"ANGTA", {"ANGTA"}, map_kind::ref, 3, 1, 10, {}},
        // R takes the register's 0 at the first window of the pass: as ATA.
        sampling_case{"ACRTA", {"ACRTA"}, map_kind::ref, 3, 1, 10, {{13, {{1, 5}}}}},
        // The register carries over: chromosome 1 ends its last window TAT
        // with T, so R of chromosome 2 counts as T: TTA = 3*16 + 3*4 + 0 + 1.
        sampling_case{"register_across_chromosomes",
                      {"ACGTAT", "ACRTA"},
                      map_kind::ref,
                      3,
                      1,
                      10,
                      {{45, {{1, 5}}}, {52, {{1, 6}}}, {61, {{2, 5}}}}},
        // Position 2 fails p - lastn > 2; 3 and 4 both give AA, key 1.
        sampling_case{"AAAA", {"AAAA"}, map_kind::ref, 2, 1, 1, {{1, {{1, 4}, {1, 3}}}}},
        // Lower case is a break on the alternate map, folded on the reference.
        sampling_case{"acgta_alternate", {"acgta"}, map_kind::alt, 3, 1, 10, {}},
        sampling_case{"acgta_reference", {"acgta"}, map_kind::ref, 3, 1, 10, {{45, {{1, 5}}}}},
        // A lower-case SNP allele is a break: GTA before it is taken, and no
        // base after it has an occurrence past the break within reach.
        sampling_case{"lower_allele_alternate", {"ACGTAcGTA"}, map_kind::alt, 3, 1, 10, {{45, {{1, 5}}}}},
        sampling_case{"mingap_above_maxgap", {"ACGTACGTACGT"}, map_kind::ref, 3, 5, 4, {}},
        sampling_case{"not_longer_than_hashlen", {"AAA"}, map_kind::ref, 3, 1, 10, {}},
        // The gap of 4 lies outside 1..3 and 5..10.
        sampling_case{"gap_below_window", {"ACGTA"}, map_kind::ref, 3, 5, 10, {}},
        sampling_case{"gap_above_window", {"ACGTA"}, map_kind::ref, 3, 1, 3, {}},
        // 32 T: the key wraps to 0 and is not stored.
        sampling_case{"thirty_two_T", {std::string(33, 'T')}, map_kind::ref, 32, 1, 1, {}},
        // A window of 32 letters beginning with C and A: 1*4^31 + 1.
        sampling_case{"thirty_two_C_first",
                      {"AC" + std::string(31, 'A')},
                      map_kind::ref,
                      32,
                      1,
                      40,
                      {{(int64_t{1} << 62) + 1, {{1, 33}}}}},
        // Other bytes are neither bases nor breaks: R does not set lastn; in
        // TRA it takes the T before it (3*16 + 3*4 + 0 + 1), in RAA the A
        // that ended the window before (key 1).
        sampling_case{"other_byte_inside", {"ACATRAA"}, map_kind::ref, 3, 1, 10, {{1, {{1, 7}}}, {61, {{1, 6}}}}}),
    [](const auto& info) { return info.param.name; });

// More k-mers than wait at once for their store step: every occurrence is
// stored in the order taken, so each chain lists its positions newest first,
// and chromosome 1 is stored whole before chromosome 2.
TEST(kmer_sampling, many_k_mers_are_stored_in_the_order_taken) {
    kmerbank::options o = kmerbank_test::make_options(3, 1, 10);
    kmerbank_test::run_tables t;
    std::string cycles;
    for (int n = 0; n < 30; ++n) cycles += "ACGT";
    kmerbank_test::load_maps(o, t, {cycles, "ACGTA"});
    kmerbank::mapstore(t.map.REFERENCE, map_kind::ref, o, t.map.CHROLEN, t.hash);
    // From position 5 on every position takes the window ending there: GTA
    // (key 45), TAC (50), ACG (7), CGT (28) in turn.
    std::vector<stored_key> expected = {{7, {}}, {28, {}}, {45, {{2, 5}}}, {50, {}}};
    const int64_t key_at[4] = {28, 45, 50, 7};  // by position modulo 4
    for (int32_t p = 120; p >= 5; --p) {
        auto& k =
            *std::find_if(expected.begin(), expected.end(), [&](const auto& e) { return e.key == key_at[p % 4]; });
        k.occurrences.push_back({1, p});
    }
    EXPECT_EQ(expected, stored_keys(t.hash));
    EXPECT_EQ(4, t.hash.nhash);
    EXPECT_EQ(4 * 29 + 1 - 4, t.hash.ndup);
}

TEST(kmer_sampling_stop, key_of_32_letters_starting_with_G_stops_the_run) {
    kmerbank::options o = kmerbank_test::make_options(32, 1, 40);
    kmerbank_test::run_tables t;
    kmerbank_test::load_maps(o, t, {"AG" + std::string(31, 'A')});
    EXPECT_EXIT(kmerbank::mapstore(t.map.REFERENCE, map_kind::ref, o, t.map.CHROLEN, t.hash),
                testing::ExitedWithCode(1), "");
}

TEST(basenum, codes_of_the_four_bases_and_zero_otherwise) {
    EXPECT_EQ(0, kmerbank::basenum('A'));
    EXPECT_EQ(1, kmerbank::basenum('C'));
    EXPECT_EQ(2, kmerbank::basenum('G'));
    EXPECT_EQ(3, kmerbank::basenum('T'));
    for (char c : {'a', 'c', 'N', 'R', '-', '\0'}) EXPECT_EQ(0, kmerbank::basenum(c)) << c;
}

}  // namespace
