// The fragment builder in-process on small maps: the built offsets and the
// skipped middle, insertions and deletions, the allele choice with and
// without genotype rows, the attempts drawn again, and the check that some
// chromosome holds a fragment.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "binary_inputs.h"
#include "fragsim/fragment.h"
#include "fragsim/source_loop.h"
#include "simulation_fixture.h"

namespace {

using namespace fragsim;
using test_fixture::sim_world;
using test_support::random_bases;

struct attempt {
    int8_t c;
    int32_t start;  // 0 when the chromosome is shorter than the fragment
    int32_t haplotype;
};

// The three draws of the next attempt, seen ahead in the streams and not
// taken.
template <typename Streams>
attempt predict_attempt(const sim_world& w, Streams&& s) {
    attempt a{};
    a.c = draw_chromosome(w.map, value_of(s.READSTREAM.ahead(1)[0]));
    const int32_t* site = s.SITESTREAM.ahead(2);
    const double u = value_of(site[0]);
    a.haplotype = value_of(site[1]) > 0.5 ? 2 : 1;
    const int32_t len = w.map.CHROLEN[a.c];
    if (len >= w.opt.fraglen) a.start = static_cast<int32_t>(static_cast<double>(len - w.opt.fraglen + 1) * u + 1.0);
    return a;
}

fragment_source source_of(const sim_world& w, int32_t K, int32_t seed = 0) {
    fragment_source fs;
    fs.source = K;
    set_up_source_streams(fs.streams, seed, K, w.opt.sources);
    return fs;
}

// Work arrays with every offset marked unbuilt.
struct marked_work {
    work_arrays a;
    explicit marked_work(const options& o) { a.allocate(o); }
    void mark() {
        for (int32_t i = 1; i <= a.SEQUENCE.size(); ++i) {  // SEQUENCE is 1..fraglen
            a.SEQUENCE[i] = '?';
            a.POSITION[i] = -1;
        }
    }
    int8_t build(const sim_world& w, fragment_source& fs) {
        mark();
        return build_fragment({w.opt, w.map, w.var, w.src}, fs, a);
    }
    int32_t pos(int32_t off) const { return a.POSITION[off]; }
    char seq(int32_t off) const { return a.SEQUENCE[off]; }
};

// The first seed from 0 on whose source-1 first attempt satisfies want.
template <typename Want>
int32_t seed_where(const sim_world& w, Want want) {
    for (int32_t seed = 0;; ++seed)
        if (want(predict_attempt(w, source_of(w, 1, seed).streams))) return seed;
}

TEST(build_fragment, no_variants_builds_both_ends_and_skips_the_middle) {
    const std::string ref = random_bases(1000, 7);
    sim_world w({ref}, 100, 300);
    fragment_source fs = source_of(w, 1);
    marked_work work(w.opt);
    EXPECT_EQ(work.build(w, fs), 1);
    for (int32_t off = 1; off <= 300; ++off) {
        if (off > 100 && off <= 200) {
            EXPECT_EQ(work.pos(off), -1) << off;
            continue;
        }
        const int32_t p = off <= 100 ? 291 + off : 291 + off;  // 292..391, then 492..591
        EXPECT_EQ(work.pos(off), p) << off;
        EXPECT_EQ(work.seq(off), ref[static_cast<size_t>(p - 1)]) << off;
    }
    EXPECT_EQ(work.pos(201), 492);
    EXPECT_EQ(work.pos(300), 591);
}

TEST(build_fragment, skip_happens_only_beyond_2m_plus_d_plus_1) {
    struct row {
        int32_t m, L, d, unbuilt_from, unbuilt_to;  // 0, 0: all built
    };
    const row rows[] = {{10, 21, 0, 0, 0},   {10, 22, 0, 11, 12}, {10, 23, 2, 0, 0}, {10, 24, 2, 11, 12},
                        {10, 40, 0, 11, 30}, {1, 3, 0, 0, 0},     {1, 4, 0, 2, 3}};
    const std::string ref = random_bases(200, 3);
    for (const row& r : rows) {
        sim_world w({ref}, r.m, r.L);
        w.var.maxindel = r.d;
        fragment_source fs = source_of(w, 1);
        const int32_t start = predict_attempt(w, fs.streams).start;
        marked_work work(w.opt);
        work.build(w, fs);
        for (int32_t off = 1; off <= r.L; ++off) {
            if (off >= r.unbuilt_from && off <= r.unbuilt_to) {
                EXPECT_EQ(work.pos(off), -1) << "L " << r.L << " offset " << off;
            } else {
                EXPECT_EQ(work.pos(off), start + off - 1) << "L " << r.L << " offset " << off;
                EXPECT_EQ(work.seq(off), ref[static_cast<size_t>(start + off - 2)]);
            }
        }
    }
}

TEST(build_fragment, insertion_bases_carry_the_position_before_them_and_stop_at_L) {
    struct row {
        int32_t m, L, length, at;
        std::string allele;
        std::vector<int32_t> positions;  // by offset, -1 unbuilt
        std::string inserted;            // expected at the offsets after `at`
    };
    const row rows[] = {
        // L 30, m 10, d 3: the insertion runs to offset 8, the skip starts at 11.
        {10,
         30,
         30,
         5,
         "ggg",
         {1, 2, 3, 4, 5, 5, 5, 5, 6, 7, -1, -1, -1, -1, -1, -1, -1, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27},
         "ggg"},
        // An insertion at offset L - 2 of length 5 keeps two bases (no skip: L = 2m + d + 1).
        {10,
         26,
         26,
         24,
         "acgta",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 24, 24},
         "ac"},
    };
    for (const row& r : rows) {
        const std::string ref = random_bases(static_cast<size_t>(r.length), 11);
        sim_world w({ref}, r.m, r.L);  // chromosome as long as the fragment: start 1
        w.add_variant(1, r.at, "INS", r.allele);
        w.set_genotypes({"2"});
        fragment_source fs = source_of(w, 1);
        marked_work work(w.opt);
        work.build(w, fs);
        for (int32_t off = 1; off <= r.L; ++off) EXPECT_EQ(work.pos(off), r.positions[off - 1]) << "offset " << off;
        EXPECT_EQ(work.seq(r.at), ref[static_cast<size_t>(r.at - 1)]);
        for (size_t j = 0; j < r.inserted.size(); ++j)
            EXPECT_EQ(work.seq(r.at + 1 + static_cast<int32_t>(j)), r.inserted[j]);
    }
}

TEST(build_fragment, deletion_leaves_out_its_bases_and_the_variant_behind_it) {
    const std::string ref = random_bases(100, 5);
    sim_world w({ref}, 10, 24);  // d = 3 below: L = 2m + d + 1, no skip
    const int32_t seed = seed_where(w, [](const attempt& a) { return a.start <= 70; });
    const int32_t start = predict_attempt(w, source_of(w, 1, seed).streams).start;
    const int32_t p = start + 5;
    w.add_variant(1, p, "DEL", std::string(1, ref[static_cast<size_t>(p - 1)]) + "xx");
    w.add_variant(1, p + 3, "SNP", "n");
    w.set_genotypes({"22"});
    fragment_source fs = source_of(w, 1, seed);
    marked_work work(w.opt);
    work.build(w, fs);
    EXPECT_EQ(work.pos(6), p);
    EXPECT_EQ(work.seq(6), ref[static_cast<size_t>(p + 3 - 1)]);  // the reference, not the SNP at p + 3
    EXPECT_EQ(work.pos(7), p + 4);
    EXPECT_EQ(work.pos(24), start + 26);
}

TEST(build_fragment, walk_that_reaches_the_chromosome_end_is_drawn_again) {
    // A deletion of 10 at 20 on a chromosome of 40: fragments of 24 from
    // starts 8..17 run past the end and are dropped.
    const std::string ref = random_bases(40, 9);
    sim_world w({ref}, 10, 24);  // d = 10: no skip
    w.add_variant(1, 20, "DEL", std::string(1, ref[19]) + "xxxxxxxxx");
    w.set_genotypes({"2"});
    const int32_t seed = seed_where(w, [](const attempt& a) { return a.start >= 8; });
    fragment_source fs = source_of(w, 1, seed);
    marked_work work(w.opt);
    for (int i = 0; i < 20; ++i) {
        work.build(w, fs);
        EXPECT_LE(work.pos(1), 7);
        for (int32_t off = 1; off <= 24; ++off) ASSERT_NE(work.pos(off), -1) << off;
    }
}

TEST(build_fragment, fixed_pattern_without_genotype_rows) {
    std::string ref = random_bases(21, 13);
    sim_world w({ref}, 10, 21);  // start always 1, no skip
    for (int32_t v = 1; v <= 7; ++v) w.add_variant(1, v, "SNP", "x");
    fragment_source fs = source_of(w, 1);
    marked_work work(w.opt);
    int seen[3] = {0, 0, 0};
    for (int i = 0; i < 60; ++i) {
        const int32_t hap = predict_attempt(w, fs.streams).haplotype;
        const int32_t after_chromosome = fs.streams.READSTREAM.ahead(2)[1];
        work.build(w, fs);
        ++seen[hap];
        EXPECT_EQ(work.seq(4), ref[3]);  // every fourth: reference
        EXPECT_EQ(work.seq(6), 'x');     // remainder 2: alternate
        EXPECT_EQ(work.seq(2), 'x');
        EXPECT_EQ(work.seq(7) == 'x', hap == 2);  // odd: the haplotype
        EXPECT_EQ(work.seq(5) == 'x', hap == 2);
        EXPECT_EQ(fs.streams.READSTREAM.ahead(1)[0], after_chromosome);  // only the chromosome draw
    }
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
}

TEST(build_fragment, genotype_draws_only_for_visited_heterozygous_variants) {
    struct row {
        int32_t position;
        char genotype;
        int draws;  // of READSTREAM in the whole call
    };
    // L 40, m 10, d 1, start 1: positions 11..29 are skipped.
    const row rows[] = {{5, '1', 2},  {35, '1', 2}, {20, '1', 1}, {11, '1', 1}, {29, '1', 1},
                        {30, '1', 2}, {5, '0', 1},  {5, '2', 1},  {5, ' ', 1}};
    const std::string ref = random_bases(40, 17);
    for (const row& r : rows) {
        sim_world w({ref}, 10, 40);
        w.add_variant(1, r.position, "SNP", "x");
        w.set_genotypes({std::string(1, r.genotype)});
        fragment_source fs = source_of(w, 1);
        source_streams expected;  // the plain stream, drawn as the builder should
        set_up_source_streams(expected, 0, 1, w.opt.sources);
        unif2(expected.READSTREAM);
        const bool reference = r.draws == 2 && unif2(expected.READSTREAM) > 0.5;
        unif2(expected.READSTREAM);
        marked_work work(w.opt);
        work.build(w, fs);
        EXPECT_EQ(fs.streams.READSTREAM.next_out(), expected.READSTREAM.lastout) << r.position << r.genotype;
        if (r.draws == 2) {
            EXPECT_EQ(work.seq(r.position) == 'x', !reference);
        }
    }
}

TEST(build_fragment, allele_choice_carries_over_and_starts_as_reference) {
    const std::string ref = random_bases(21, 19);
    sim_world w({ref}, 10, 21);
    w.add_variant(1, 3, "SNP", "x");  // blank genotype: the last choice
    w.add_variant(1, 8, "SNP", "y");  // heterozygous: drawn
    w.set_genotypes({" 1"});
    fragment_source fs = source_of(w, 1);
    marked_work work(w.opt);
    bool last_alternate = false;  // a source starts with the reference choice
    int alternates = 0;
    for (int i = 0; i < 40; ++i) {
        work.build(w, fs);
        EXPECT_EQ(work.seq(3) == 'x', last_alternate) << "fragment " << i;
        last_alternate = work.seq(8) == 'y';
        alternates += last_alternate;
    }
    EXPECT_GT(alternates, 0);
    EXPECT_LT(alternates, 40);
}

TEST(build_fragment, n_count_short_chromosomes_and_other_types_decide_acceptance) {
    // Chromosome 1 holds the case; chromosome 2 is clean. The seed makes the
    // first attempt fall on chromosome 1, so a rejection shows as chromosome 2.
    // L 30, m 10: positions 11..20 (d 0) or 11..17 (d 3) are skipped.
    struct row {
        const char* name;
        std::string chr1;
        const char* type;
        int32_t at;
        std::string allele;
        int8_t expected;
    };
    auto with_n = [](std::vector<int32_t> at, char n = 'N', int32_t len = 30) {
        std::string s = random_bases(static_cast<size_t>(len), 23);
        for (int32_t p : at) s[static_cast<size_t>(p - 1)] = n;
        return s;
    };
    const std::vector<int32_t> ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::vector<int32_t> eleven = ten;
    eleven.push_back(25);
    std::vector<int32_t> ten_and_middle = ten;
    for (int32_t p = 11; p <= 20; ++p) ten_and_middle.push_back(p);
    const row rows[] = {
        {"m N pass", with_n(ten), nullptr, 0, "", 1},
        {"m+1 N fail", with_n(eleven), nullptr, 0, "", 2},
        {"N in the skipped middle not counted", with_n(ten_and_middle), nullptr, 0, "", 1},
        {"lower-case n not counted", with_n(eleven, 'n'), nullptr, 0, "", 1},
        {"N inside an insertion not counted", with_n(ten), "INS", 22, "NNA", 1},
        {"N ending an insertion counted", with_n(ten), "INS", 22, "ANN", 2},
        {"chromosome shorter than fraglen", with_n({}, 'N', 29), nullptr, 0, "", 2},
        {"other type writes the reference", with_n({}), "XYZ", 24, "N", 1},
    };
    for (const row& r : rows) {
        sim_world w({r.chr1, random_bases(30, 29)}, 10, 30);
        if (r.type) {
            w.add_variant(1, r.at, r.type, r.allele);
            w.set_genotypes({"2"});
        }
        const int32_t seed = seed_where(w, [](const attempt& a) { return a.c == 1; });
        fragment_source fs = source_of(w, 1, seed);
        marked_work work(w.opt);
        EXPECT_EQ(work.build(w, fs), r.expected) << r.name;
        if (std::string(r.name) == "other type writes the reference") {
            const int32_t off = r.at;  // start 1, d 1: no offset shift before 24
            EXPECT_EQ(work.pos(off), r.at);
            EXPECT_EQ(work.seq(off), r.chr1[static_cast<size_t>(r.at - 1)]);
        }
    }
}

// The builder written offset by offset from the rule, on plain unif2 streams:
// the chromosome, the built offsets (unbuilt ones keep their marks) and the
// draws taken of each stream.
struct plain_builder {
    const sim_world& w;
    source_streams s;
    int32_t allele_choice = 1;
    plain_builder(const sim_world& world, int32_t seed) : w(world) { set_up_source_streams(s, seed, 1, w.opt.sources); }
    int8_t build(std::vector<char>& SEQ, std::vector<int32_t>& POS) {
        const int32_t L = w.opt.fraglen, m = w.opt.maxlngth, d = w.var.maxindel;
        for (;;) {
            const int8_t c = draw_chromosome(w.map, unif2(s.READSTREAM));
            const int32_t len = w.map.CHROLEN[c];
            const double u = unif2(s.SITESTREAM);
            const int32_t haplotype = unif2(s.SITESTREAM) > 0.5 ? 2 : 1;
            if (len < L) continue;
            int32_t off = 0, p = static_cast<int32_t>(static_cast<double>(len - L + 1) * u + 1.0) - 1, n = 0;
            bool ended = false;
            for (;;) {
                ++off;
                ++p;
                if (off > m && off < L - d - m) {
                    off += L - d - 2 * m;
                    p += L - d - 2 * m;
                }
                if (off > L) break;
                if (p > len) {
                    ended = true;
                    break;
                }
                POS[off] = p;
                const int32_t v = w.map.VARNUM(p, c);
                if (v == 0) {
                    SEQ[off] = w.map.REFERENCE(p, c);
                } else {
                    if (w.src.ngeno < 1) {
                        allele_choice = v % 4 == 0 ? 1 : v % 2 != 0 ? haplotype : 2;
                    } else {
                        const char g = w.src.GENOROW(v, 1);
                        if (g == '1') allele_choice = unif2(s.READSTREAM) > 0.5 ? 1 : 2;
                        if (g == '0') allele_choice = 1;
                        if (g == '2') allele_choice = 2;
                    }
                    const common::variant_kind kind = w.var.VARTYPE[v];
                    if (allele_choice == 1 || kind == common::variant_kind::other) {
                        SEQ[off] = w.map.REFERENCE(p, c);
                    } else if (kind == common::variant_kind::snp) {
                        SEQ[off] = ALTERNATE(w.map, w.var, p, c);
                    } else if (kind == common::variant_kind::ins) {
                        SEQ[off] = w.map.REFERENCE(p, c);
                        int32_t j = 1;
                        for (; j <= w.var.VARLEN[v] && off + j <= L; ++j) {
                            SEQ[off + j] = w.var.INSERT[w.var.INSPOS[v] + j - 1];
                            POS[off + j] = p;
                        }
                        off = std::min(off + w.var.VARLEN[v], L);
                    } else {
                        p += w.var.VARLEN[v];
                        if (p > len) {
                            ended = true;
                            break;
                        }
                        SEQ[off] = w.map.REFERENCE(p, c);
                    }
                }
                if (SEQ[off] == 'N') ++n;
            }
            if (!ended && n <= m) return c;
        }
    }
};

// Maps with 'N' runs and many variants of every kind, with and without
// genotype rows: the builder's runs of plain offsets give what the rule gives
// offset by offset.
TEST(build_fragment, builds_what_the_rule_builds_offset_by_offset) {
    struct row {
        int32_t m, L;
        bool genotypes;
    };
    const row rows[] = {{10, 30, true},  {25, 200, true}, {100, 300, false}, {40, 81, true},
                        {7, 700, false}, {30, 30, true},  {20, 41, false}};
    std::mt19937 random(101);
    for (const row& r : rows) {
        std::vector<std::string> chromosomes;
        for (int32_t len : {1500, 900, 2500}) {
            std::string chr = random_bases(len, static_cast<uint32_t>(random()));
            for (int run = 0; run < 4; ++run) {
                const size_t at = random() % static_cast<size_t>(len - 60);
                for (size_t k = 0; k < 40; ++k) chr[at + k] = 'N';
            }
            chromosomes.push_back(chr);
        }
        sim_world w(chromosomes, r.m, r.L);
        const char* kinds[] = {"SNP", "INS", "DEL", "XYZ"};
        for (int i = 0; i < 120; ++i) {
            const int8_t c = static_cast<int8_t>(1 + random() % 3);
            const int32_t len = w.map.CHROLEN[c];
            const char* kind = kinds[random() % 4];
            const int32_t k = 1 + static_cast<int32_t>(random() % 5);
            const int32_t loc = 1 + static_cast<int32_t>(random() % static_cast<uint32_t>(len - k - 1));
            w.add_variant(c, loc, kind, std::string(static_cast<size_t>(k), "acgtN"[random() % 5]));
        }
        if (r.genotypes) {
            std::string genotypes;
            for (int32_t v = 1; v <= w.var.nvar; ++v) genotypes += "0121 "[random() % 5];
            w.set_genotypes({genotypes});
        }
        const int32_t seed = static_cast<int32_t>(random() % 1000);
        plain_builder plain(w, seed);
        fragment_source fs = source_of(w, 1, seed);
        marked_work work(w.opt);
        std::vector<char> SEQ(static_cast<size_t>(r.L) + 1, '?');
        std::vector<int32_t> POS(static_cast<size_t>(r.L) + 1, -1);
        for (int fragment = 0; fragment < 300; ++fragment) {
            std::fill(SEQ.begin(), SEQ.end(), '?');
            std::fill(POS.begin(), POS.end(), -1);
            const int8_t want = plain.build(SEQ, POS);
            ASSERT_EQ(work.build(w, fs), want) << "m " << r.m << " L " << r.L << " fragment " << fragment;
            for (int32_t off = 1; off <= r.L; ++off) {
                ASSERT_EQ(work.seq(off), SEQ[static_cast<size_t>(off)]) << "fragment " << fragment << " offset " << off;
                ASSERT_EQ(work.pos(off), POS[static_cast<size_t>(off)]) << "fragment " << fragment << " offset " << off;
            }
            // Both streams where the rule leaves them; the reads' draws in
            // between are left out here.
            unif2_state read = plain.s.READSTREAM, site = plain.s.SITESTREAM;
            unif2(read);
            unif2(site);
            ASSERT_EQ(fs.streams.READSTREAM.ahead(1)[0], read.lastout) << "fragment " << fragment;
            ASSERT_EQ(fs.streams.SITESTREAM.ahead(1)[0], site.lastout) << "fragment " << fragment;
        }
    }
}

TEST(build_fragment, stops_after_a_bounded_run_of_rejected_attempts) {
    sim_world w({std::string(30, 'N')}, 10, 30);
    fragment_source fs = source_of(w, 1);
    work_arrays work;
    work.allocate(w.opt);
    EXPECT_EXIT(
        {
            dup2(2, 1);  // the message line goes to standard output
            build_fragment({w.opt, w.map, w.var, w.src}, fs, work);
        },
        testing::ExitedWithCode(1), "^ +1000000 fragment attempts in a row rejected for source +1\n");
}

TEST(check_fragment_fits, stops_when_no_chromosome_is_fraglen_long_and_a_source_is_simulated) {
    sim_world fits({random_bases(29, 1), random_bases(30, 2)}, 10, 30);
    check_fragment_fits(fits.opt, fits.map);  // returns
    sim_world short_map({random_bases(29, 1), random_bases(10, 2)}, 10, 30);
    EXPECT_EXIT(
        {
            dup2(2, 1);
            check_fragment_fits(short_map.opt, short_map.map);
        },
        testing::ExitedWithCode(1), "No chromosome of the reference map is as long as fraglen = +30");
    // A run of no source draws no fragment and goes on.
    for (int32_t sources : {0, -3}) {
        short_map.opt.sources = sources;
        check_fragment_fits(short_map.opt, short_map.map);  // returns
    }
}

}  // namespace
