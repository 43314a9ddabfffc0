// n8hash, the store step and the hash table file.
#include <gtest/gtest.h>

#include <cstring>

#include "common/unit_file.h"
#include "map_setup.h"
#include "program_run.h"

namespace {

using kmerbank::map_kind;
using kmerbank_test::occurrence;

struct probe_case {
    int32_t maxhash;
    int64_t key;
    std::vector<int32_t> order;  // the slots of the probe sequence, first visit
};
void PrintTo(const probe_case& c, std::ostream* os) { *os << "maxhash " << c.maxhash << ", key " << c.key; }

class probe_order : public testing::TestWithParam<probe_case> {};

// With the first k slots of the sequence taken, the key goes to slot k + 1.
TEST_P(probe_order, key_takes_the_next_free_slot_of_its_sequence) {
    const probe_case& c = GetParam();
    common::table<int64_t> GAPS;
    GAPS.allocate(1, c.maxhash);
    for (size_t k = 0; k < c.order.size(); ++k) {
        int32_t count = 0;
        kmerbank::n8hash(0, -1, GAPS, c.maxhash, count);
        for (size_t j = 0; j < k; ++j) GAPS[c.order[j]] = 999;
        EXPECT_EQ(0, kmerbank::n8hash(c.key, 0, GAPS, c.maxhash, count)) << "absent key, find mode";
        EXPECT_EQ(c.order[k], kmerbank::n8hash(c.key, 1, GAPS, c.maxhash, count)) << k << " slots taken";
        EXPECT_EQ(1, count);
        EXPECT_EQ(c.order[k], kmerbank::n8hash(c.key, 0, GAPS, c.maxhash, count)) << "found again";
        EXPECT_EQ(1, count);
    }
}

INSTANTIATE_TEST_SUITE_P(maxhash, probe_order,
                         testing::Values(probe_case{10, 45, {6, 8, 10, 2, 4}}, probe_case{5, 45, {1, 3, 5, 2, 4}},
                                         probe_case{10, 44, {5, 7, 9, 1, 3}}));

TEST(n8hash, clear_mode_and_key_zero) {
    common::table<int64_t> GAPS;
    GAPS.allocate(1, 5);
    int32_t count = 0;
    kmerbank::n8hash(45, 1, GAPS, 5, count);
    EXPECT_EQ(0, kmerbank::n8hash(0, 1, GAPS, 5, count));
    EXPECT_EQ(1, count);
    EXPECT_EQ(-1, kmerbank::n8hash(45, -1, GAPS, 5, count));
    EXPECT_EQ(0, count);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(0, GAPS[i]);
    // A negative key: the remainder takes its sign and is made positive.
    EXPECT_EQ(2, kmerbank::n8hash(-6, 1, GAPS, 5, count));
}

TEST(n8hash, sequence_of_even_size_exhausted_in_every_mode) {
    common::table<int64_t> GAPS;
    GAPS.allocate(1, 10);
    for (int32_t s : {6, 8, 10, 2, 4}) GAPS[s] = 999;
    int32_t count = 0;
    EXPECT_EXIT(kmerbank::n8hash(45, 1, GAPS, 10, count), testing::ExitedWithCode(41), "41");
    EXPECT_EXIT(kmerbank::n8hash(45, 0, GAPS, 10, count), testing::ExitedWithCode(41), "41");
}

struct outcome_case {
    std::string name;
    int32_t maxhash;
    std::vector<int64_t> keys;  // stored in this order, each once
    int status;                 // -1: the run goes on
};
void PrintTo(const outcome_case& c, std::ostream* os) { *os << c.name; }

class fill_outcomes : public testing::TestWithParam<outcome_case> {};

TEST_P(fill_outcomes, end_of_the_run) {
    const outcome_case& c = GetParam();
    kmerbank::options o = kmerbank_test::make_options(3, 1, 10, c.maxhash, 10);
    kmerbank_test::run_tables r;
    kmerbank_test::load_maps(o, r, {"A"});
    kmerbank::hash_tables& t = r.hash;
    auto store_all = [&] {
        int32_t p = 1;
        for (int64_t key : c.keys) kmerbank::store_kmer(key, 1, p++, map_kind::ref, o, t);
    };
    if (c.status < 0) {
        store_all();
        EXPECT_EQ(static_cast<int32_t>(c.keys.size()), t.nhash);
    } else {
        EXPECT_EXIT(store_all(), testing::ExitedWithCode(c.status), "");
    }
}

// Odd keys have even home slots and the other way round.
INSTANTIATE_TEST_SUITE_P(maxhash, fill_outcomes,
                         testing::Values(outcome_case{"one_first_key", 1, {45}, 5},
                                         outcome_case{"two_other_parity", 2, {45, 50}, 5},
                                         outcome_case{"two_same_parity", 2, {45, 51}, 41},
                                         outcome_case{"two_one_key", 2, {45}, -1},
                                         outcome_case{"three_second_key", 3, {45, 50}, 1},
                                         outcome_case{"eleven_five_keys", 11, {1, 2, 3, 4, 5}, -1},
                                         outcome_case{"eleven_sixth_key", 11, {1, 2, 3, 4, 5, 6}, 1},
                                         outcome_case{"ten_one_parity_full", 10, {1, 3, 5, 7, 9, 11}, 41},
                                         outcome_case{"zero", 0, {45}, 41}),
                         [](const auto& info) { return info.param.name; });

TEST(store_step, three_occurrences_chain) {
    kmerbank::options o = kmerbank_test::make_options(3, 1, 10, 101, 10);
    kmerbank_test::run_tables r;
    kmerbank_test::load_maps(o, r, {"A"});
    kmerbank::hash_tables& t = r.hash;
    kmerbank::store_kmer(45, 1, 10, map_kind::ref, o, t);
    kmerbank::store_kmer(45, 1, 20, map_kind::ref, o, t);
    kmerbank::store_kmer(45, 2, 5, map_kind::ref, o, t);
    const int32_t h = 46;
    EXPECT_EQ(45, t.GAPS[h]);
    EXPECT_EQ(-2, t.STORELOC[h]);
    EXPECT_EQ(1, t.STORECHRO[h]);
    EXPECT_EQ(3, t.STORENUM[h]);
    EXPECT_EQ(2, t.STORECHRO[-2]);
    EXPECT_EQ(5, t.STORELOC[-2]);
    EXPECT_EQ(-1, t.LASTLOC[-2]);
    EXPECT_EQ(1, t.LASTCHRO[-2]);
    EXPECT_EQ(1, t.STORECHRO[-1]);
    EXPECT_EQ(20, t.STORELOC[-1]);
    EXPECT_EQ(10, t.LASTLOC[-1]);
    EXPECT_EQ(1, t.LASTCHRO[-1]);
    EXPECT_EQ(1, t.nhash);
    EXPECT_EQ(2, t.ndup);
    EXPECT_EQ((std::vector<occurrence>{{2, 5}, {1, 20}, {1, 10}}), kmerbank_test::chain_of(t, h));
    // Index 0 and the unused entries stay 0.
    EXPECT_EQ(0, t.STORELOC[0]);
    EXPECT_EQ(0, t.STORECHRO[0]);
    EXPECT_EQ(0, t.LASTLOC[0]);
    EXPECT_EQ(0, t.LASTCHRO[0]);
    EXPECT_EQ(0, t.STORELOC[-3]);

    // Found again on the alternate map: nothing changes.
    kmerbank::store_kmer(45, 1, 30, map_kind::alt, o, t);
    EXPECT_EQ(-2, t.STORELOC[h]);
    EXPECT_EQ(3, t.STORENUM[h]);
    EXPECT_EQ(2, t.ndup);
    // A new key on the alternate map is added with one occurrence.
    kmerbank::store_kmer(50, 1, 31, map_kind::alt, o, t);
    EXPECT_EQ(31, t.STORELOC[51]);
    EXPECT_EQ(1, t.STORENUM[51]);
    EXPECT_EQ(2, t.nhash);
}

TEST(store_step, two_hundred_occurrences_count_to_127) {
    kmerbank::options o = kmerbank_test::make_options(3, 1, 10, 101, 300);
    kmerbank_test::run_tables r;
    kmerbank_test::load_maps(o, r, {"A"});
    kmerbank::hash_tables& t = r.hash;
    for (int32_t p = 1; p <= 200; ++p) kmerbank::store_kmer(45, 1, p, map_kind::ref, o, t);
    EXPECT_EQ(127, t.STORENUM[46]);
    EXPECT_EQ(199, t.ndup);
    const auto chain = kmerbank_test::chain_of(t, 46);
    ASSERT_EQ(200u, chain.size());
    for (int32_t k = 0; k < 200; ++k) EXPECT_EQ((occurrence{1, 200 - k}), chain[static_cast<size_t>(k)]);
}

TEST(store_step, first_repeat_with_maxdup_0_stops) {
    kmerbank::options o = kmerbank_test::make_options(3, 1, 10, 101, 0);
    kmerbank_test::run_tables r;
    kmerbank_test::load_maps(o, r, {"A"});
    kmerbank::hash_tables& t = r.hash;
    kmerbank::store_kmer(45, 1, 5, map_kind::ref, o, t);
    kmerbank::store_kmer(45, 1, 6, map_kind::alt, o, t);  // the alternate pass makes no entry
    EXPECT_EXIT(kmerbank::store_kmer(45, 1, 7, map_kind::ref, o, t), testing::ExitedWithCode(1), "");
}

TEST(hash_table_file, record_sizes_and_layout) {
    kmerbank::options o = kmerbank_test::make_options(3, 1, 10, 4, 2);
    kmerbank_test::run_tables r;
    kmerbank_test::load_maps(o, r, {"A"});
    kmerbank::hash_tables& t = r.hash;
    kmerbank::store_kmer(5, 1, 7, map_kind::ref, o, t);  // slot 2
    kmerbank::store_kmer(5, 1, 9, map_kind::ref, o, t);  // entry -1
    const auto dir = test_support::make_scratch_dir("hash_table_file");
    {
        common::unit_file file(20, (dir / "kmerbank.unf").string());
        file.open();
        kmerbank::write_hash_table(file, o, t);
        file.close();
    }
    const std::string b = test_support::read_file(dir / "kmerbank.unf");
    ASSERT_EQ(8u + 36 + 8 + 86, b.size());
    auto i32 = [&](size_t at) {
        int32_t v;
        std::memcpy(&v, b.data() + at, 4);
        return v;
    };
    EXPECT_EQ(36, i32(0));
    EXPECT_EQ(36, i32(40));
    const int32_t head[9] = {1, 256, 1, 1, 3, 1, 10, 4, 2};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(head[k], i32(4 + 4 * static_cast<size_t>(k))) << "value " << k + 1;
    EXPECT_EQ(86, i32(44));
    EXPECT_EQ(86, i32(48 + 86));
    const size_t gaps = 48, storeloc = gaps + 32, storechro = storeloc + 4 * 7, lastloc = storechro + 7,
                 lastchro = lastloc + 12, storenum = lastchro + 3;
    int64_t key;
    std::memcpy(&key, b.data() + gaps + 8, 8);
    EXPECT_EQ(5, key);                     // GAPS(2)
    EXPECT_EQ(9, i32(storeloc + 4 * 1));   // STORELOC(-1)
    EXPECT_EQ(-1, i32(storeloc + 4 * 4));  // STORELOC(2)
    EXPECT_EQ(1, b[storechro + 1]);        // STORECHRO(-1)
    EXPECT_EQ(1, b[storechro + 4]);        // STORECHRO(2)
    EXPECT_EQ(7, i32(lastloc + 4 * 1));    // LASTLOC(-1)
    EXPECT_EQ(1, b[lastchro + 1]);         // LASTCHRO(-1)
    EXPECT_EQ(2, b[storenum + 1]);         // STORENUM(2)
    EXPECT_EQ(storenum + 4 + 4, b.size());
}

}  // namespace
