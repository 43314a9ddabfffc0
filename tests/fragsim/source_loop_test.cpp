// The source loop in-process on small maps: its read files against a model
// written from the read description, read counts, outformat, an earlier run's
// files, thread counts, re-seeding, progress and pair lines, and read files
// that cannot be written.
#include <gtest/gtest.h>
#include <omp.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "binary_inputs.h"
#include "fragsim/fragment.h"
#include "fragsim/random_stream.h"
#include "fragsim/source_loop.h"
#include "program_run.h"
#include "simulation_fixture.h"

namespace {

using namespace fragsim;
using test_fixture::sim_world;
using test_support::le32;
using test_support::random_bases;
using test_support::record_of;
namespace fs = std::filesystem;

char complement_of(char b) {
    switch (b) {
        case 'A': return 'T';
        case 'T': return 'A';
        case 'C': return 'G';
        case 'G': return 'C';
        default: return b;  // N and any other byte stay as they are
    }
}

struct source_files {
    std::string unf, fq1, fq2;
};

// The files of source K written straight from the description of the read
// model, on fragments from the (separately tested) fragment builder.
source_files expected_source(const sim_world& w, int32_t K) {
    const int32_t m = w.opt.maxlngth, L = w.opt.fraglen, seed = w.der.seed, sources = w.opt.sources;
    const double E = static_cast<double>(w.opt.errate * 4.0f / 3.0f);
    auto fp = std::make_unique<fragment_source>();
    fragment_source& f = *fp;
    f.source = K;
    set_up_source_streams(f.streams, seed, K, sources);
    stream_ahead& R = f.streams.READSTREAM;  // the values of unif2, in order
    work_arrays work;
    work.allocate(w.opt);
    source_files out;
    int32_t nseg = 0;
    const int32_t id = w.src.SOURCEID[K];
    do {
        const int8_t c = build_fragment({w.opt, w.map, w.var, w.src}, f, work);
        const int dir1 = R.next() > 0.5 ? 2 : 1;
        for (int readno = 1; readno <= 2; ++readno) {
            const int dir = readno == 1 ? dir1 : 3 - dir1;
            std::string bases, qual;
            int32_t pos;
            if (dir == 1) {
                for (int32_t off = 1; off <= m; ++off) bases += work.SEQUENCE[off];
                pos = work.POSITION[1];
            } else {
                for (int32_t off = L; off >= L - m + 1; --off) bases += complement_of(work.SEQUENCE[off]);
                pos = work.POSITION[L - m + 1];
            }
            for (char& b : bases) {
                if (R.next() < E && b != 'N') b = "ACGTT"[static_cast<int>(R.next() * 4.0 + 1.0) - 1];
                if (R.next() < static_cast<double>(w.opt.missrate)) b = 'N';
                qual += b == 'N' ? '#' : w.der.quality;
            }
            ++nseg;
            if (nseg % 1000000 == 0) R.set_up(-(seed + K + sources * (nseg / 1000000)));
            const char strand = dir == 1 ? 'F' : 'R';
            // A chromosome of 3 digits is kept apart from the read number by a blank.
            char header[128];
            std::snprintf(header, sizeof header,
                          c >= 100 ? "@%d/%1d %3d%10d%10d%12d%6d %c\n" : "@%d/%1d%3d%10d%10d%12d%6d %c\n",
                          (nseg + 1) / 2, readno, c, pos, id, (nseg + 1) / 2, m, strand);
            (readno == 1 ? out.fq1 : out.fq2) += header + bases + "\n+\n" + qual + "\n";
            out.unf += record_of(le32(id) + le32(nseg) + char(readno) + le32(m) + char(c) + le32(pos) + strand) +
                       record_of(bases);
        }
    } while (nseg < w.der.nreads);
    return out;
}

// Runs the source loop in a fresh directory with the given thread count;
// returns standard output.
std::string run_loop(const sim_world& w, const fs::path& dir, int threads = 1) {
    const fs::path back = fs::current_path();
    fs::current_path(dir);
    omp_set_num_threads(threads);
    testing::internal::CaptureStdout();
    simulate_sources(w.opt, w.der, w.map, w.var, w.src);
    std::string out = testing::internal::GetCapturedStdout();
    fs::current_path(back);
    return out;
}

std::string file(const fs::path& dir, const std::string& name) { return test_support::read_file(dir / name); }

std::string reverse_complement(const std::string& s) {
    std::string r;
    for (auto it = s.rbegin(); it != s.rend(); ++it) r += complement_of(*it);
    return r;
}

TEST(simulate_sources, worked_check_as_whole_records) {
    const std::string ref = random_bases(1000, 31);
    sim_world w({ref}, 100, 300);
    w.opt.outformat = 2;
    const auto dir = test_support::make_scratch_dir("loop_worked");
    const std::string out = run_loop(w, dir);

    const std::string K100(100, 'K');
    EXPECT_EQ(file(dir, "source1.1.fq"), "@1/1  1       492     10001           1   100 R\n" +
                                             reverse_complement(ref.substr(491, 100)) + "\n+\n" + K100 + "\n");
    EXPECT_EQ(file(dir, "source1.2.fq"),
              "@1/2  1       292     10001           1   100 F\n" + ref.substr(291, 100) + "\n+\n" + K100 + "\n");
    const std::string record_a = std::string(
        "\x13\0\0\0"
        "\x11\x27\0\0"
        "\x01\0\0\0"
        "\x01"
        "\x64\0\0\0"
        "\x01"
        "\xEC\x01\0\0"
        "R"
        "\x13\0\0\0",
        27);
    const std::string unf = file(dir, "source1.unf");
    ASSERT_EQ(unf.size(), 2u * (27 + 108));
    EXPECT_EQ(unf.substr(0, 27), record_a);
    EXPECT_EQ(unf.substr(27, 108), record_of(reverse_complement(ref.substr(491, 100))));
    EXPECT_EQ(out,
              "           200 total bases of sequence generated for sourceID     10001\n"
              "             2 sequence segments written to fastQ file source1\n"
              "             2 records written, X coverage =    0.2000\n"
              " \n");
}

TEST(simulate_sources, files_follow_the_read_model) {
    struct row {
        const char* name;
        int32_t m, L, nreads;
        float errate, missrate;
        bool variants;
    };
    const row rows[] = {
        {"errors and missing bases", 100, 300, 60, 0.02f, 0.01f, false},
        {"every base replaced (errate 0.75)", 30, 80, 20, 0.75f, 0.0f, false},
        {"paired: L = m", 50, 50, 30, 0.1f, 0.1f, false},
        {"odd nreads", 20, 45, 7, 0.05f, 0.05f, false},
        {"variants and genotype rows", 25, 90, 80, 0.01f, 0.01f, true},
    };
    // Two chromosomes with N runs and lower-case letters.
    std::string chr1 = random_bases(400, 37), chr2 = random_bases(250, 41);
    for (int p = 100; p < 130; ++p) chr1[static_cast<size_t>(p)] = 'N';
    for (int p = 10; p < 20; ++p) chr2[static_cast<size_t>(p)] = "acgtn"[p % 5];
    for (const row& r : rows) {
        sim_world w({chr1, chr2}, r.m, r.L, 3);
        w.opt.outformat = 2;
        w.opt.errate = r.errate;
        w.opt.missrate = r.missrate;
        w.der.nreads = r.nreads;
        w.der.seed = 4242;
        if (r.variants) {
            for (int32_t p = 5; p < 395; p += 13) {
                const int8_t c = p % 2 ? 1 : 2;
                if (p >= 240 && c == 2) continue;
                const char* type = p % 3 == 0 ? "SNP" : p % 3 == 1 ? "INS" : "DEL";
                w.add_variant(c, p, type, p % 3 == 0 ? "t" : "acg");
            }
            std::string row1, row2;
            for (int32_t v = 1; v <= w.var.nvar; ++v) {
                row1 += "012 "[v % 4];
                row2 += "1"[0];
            }
            w.set_genotypes({row1, row2});  // source 3 has no row: '\0' keeps the last choice
        }
        const auto dir = test_support::make_scratch_dir("loop_model");
        run_loop(w, dir, 2);
        for (int32_t K = 1; K <= 3; ++K) {
            const source_files e = expected_source(w, K);
            const std::string base = "source" + std::to_string(K);
            EXPECT_EQ(file(dir, base + ".unf"), e.unf) << r.name << " source " << K;
            EXPECT_EQ(file(dir, base + ".1.fq"), e.fq1) << r.name << " source " << K;
            EXPECT_EQ(file(dir, base + ".2.fq"), e.fq2) << r.name << " source " << K;
        }
    }
}

// 127 chromosomes: 1 to 99 are too short for a fragment, so every read lies
// on chromosomes 100 to 127, and the first word of each header pairs the two
// mates.
TEST(simulate_sources, mates_on_chromosomes_100_and_above_have_names_that_pair) {
    std::vector<std::string> chromosomes(99, "A");
    for (int i = 100; i <= 127; ++i) chromosomes.push_back(random_bases(300, 80 + i));
    sim_world w(chromosomes, 30, 60);
    w.opt.outformat = 2;
    w.der.nreads = 400;
    const auto dir = test_support::make_scratch_dir("loop_chromosome_100");
    run_loop(w, dir);
    const source_files e = expected_source(w, 1);
    EXPECT_EQ(file(dir, "source1.1.fq"), e.fq1);
    EXPECT_EQ(file(dir, "source1.2.fq"), e.fq2);
    EXPECT_EQ(file(dir, "source1.unf"), e.unf);
    std::istringstream fq1(file(dir, "source1.1.fq")), fq2(file(dir, "source1.2.fq"));
    std::string h1, h2, line;
    int pairs = 0, pairno = 0;
    std::set<int> chromosomes_seen;
    while (std::getline(fq1, h1) && std::getline(fq2, h2)) {
        ++pairs;
        const std::string w1 = h1.substr(0, h1.find(' ')), w2 = h2.substr(0, h2.find(' '));
        EXPECT_EQ(w1, "@" + std::to_string(pairs) + "/1");
        EXPECT_EQ(w2, "@" + std::to_string(pairs) + "/2");
        EXPECT_EQ(h1.size(), w1.size() + 1 + 3 + 10 + 10 + 12 + 6 + 2) << h1;
        chromosomes_seen.insert(std::stoi(h1.substr(w1.size() + 1, 3)));
        for (int i = 0; i < 3; ++i) std::getline(fq1, line), std::getline(fq2, line);
        pairno = pairs;
    }
    EXPECT_EQ(pairno, 200);
    EXPECT_EQ(*chromosomes_seen.begin(), 100);
    EXPECT_EQ(*chromosomes_seen.rbegin(), 127);
}

TEST(simulate_sources, read_count_by_nreads) {
    struct row {
        int32_t nreads, reads;
    };
    const row rows[] = {{5, 6}, {4, 4}, {1, 2}, {0, 2}, {-3, 2}};
    for (const row& r : rows) {
        sim_world w({random_bases(100, 43)}, 10, 30);
        w.der.nreads = r.nreads;
        const auto dir = test_support::make_scratch_dir("loop_count");
        const std::string out = run_loop(w, dir);
        char line[80];
        std::snprintf(line, sizeof line, "%14d sequence segments written to fastQ file source1\n", r.reads);
        EXPECT_NE(out.find(line), std::string::npos) << r.nreads;
        const std::string fq1 = file(dir, "source1.1.fq");
        EXPECT_EQ(std::count(fq1.begin(), fq1.end(), '\n'), 4 * r.reads / 2) << r.nreads;
    }
}

TEST(simulate_sources, outformat_chooses_the_read_files) {
    struct row {
        int32_t outformat;
        std::vector<std::string> files;
    };
    const row rows[] = {
        {0, {"source1.unf", "source2.unf"}},
        {1, {"source1.1.fq", "source1.2.fq", "source2.1.fq", "source2.2.fq"}},
        {2, {"source1.1.fq", "source1.2.fq", "source1.unf", "source2.1.fq", "source2.2.fq", "source2.unf"}},
        {3, {}},
        {-1, {}}};
    std::string console;
    for (const row& r : rows) {
        sim_world w({random_bases(100, 47)}, 10, 30, 2);
        w.opt.outformat = r.outformat;
        w.der.nreads = 6;
        const auto dir = test_support::make_scratch_dir("loop_outformat");
        const std::string out = run_loop(w, dir);
        EXPECT_EQ(test_support::list_files(dir), r.files) << r.outformat;
        if (console.empty()) console = out;
        EXPECT_EQ(out, console) << "the end lines do not depend on outformat " << r.outformat;
    }
    EXPECT_NE(console.find("             6 sequence segments written to fastQ file source2\n"), std::string::npos);
}

TEST(simulate_sources, read_files_of_an_earlier_run_are_replaced) {
    sim_world w({random_bases(100, 53)}, 10, 30);
    const auto dir = test_support::make_scratch_dir("loop_rewrite");
    test_support::write_file(dir / "source1.1.fq", std::string(100000, 'x'));
    run_loop(w, dir);
    EXPECT_EQ(file(dir, "source1.1.fq"), expected_source(w, 1).fq1);
}

// Sixteen sources on a map with N runs, SNPs and insertions, genotype rows
// with heterozygous and blank cells for ten of them, errors and missing bases.
std::unique_ptr<sim_world> sixteen_sources() {
    std::string chr1 = random_bases(3000, 59), chr2 = random_bases(2000, 61);
    for (int p = 500; p < 700; ++p) chr1[static_cast<size_t>(p)] = 'N';
    auto wp = std::make_unique<sim_world>(std::vector<std::string>{chr1, chr2}, 40, 150, 16);
    sim_world& w = *wp;
    w.opt.outformat = 2;
    w.opt.errate = 0.01f;
    w.opt.missrate = 0.01f;
    w.der.nreads = 101;
    w.der.seed = -77;
    for (int32_t p = 3; p < 1990; p += 7) w.add_variant(p % 2 ? 1 : 2, p, p % 3 ? "SNP" : "INS", p % 3 ? "g" : "tt");
    // Genotype rows for the first ten sources with heterozygous and blank cells.
    std::vector<std::string> rows;
    for (int32_t k = 1; k <= 10; ++k) {
        std::string row;
        for (int32_t v = 1; v <= w.var.nvar; ++v) row += "0121 "[(v + k) % 5];
        rows.push_back(row);
    }
    w.set_genotypes(rows);
    return wp;
}

TEST(simulate_sources, sixteen_sources_on_eight_threads_follow_the_read_model) {
    // One parallel region only, so that a thread-sanitizer build can run this
    // test alone without the reports of a reused thread pool.
    const auto w = sixteen_sources();
    const auto dir = test_support::make_scratch_dir("loop_eight");
    run_loop(*w, dir, 8);
    for (int32_t K = 1; K <= 16; ++K) {
        const source_files e = expected_source(*w, K);
        const std::string base = "source" + std::to_string(K);
        EXPECT_TRUE(file(dir, base + ".unf") == e.unf) << base;
        EXPECT_TRUE(file(dir, base + ".1.fq") == e.fq1) << base;
        EXPECT_TRUE(file(dir, base + ".2.fq") == e.fq2) << base;
    }
}

TEST(simulate_sources, same_files_for_any_number_of_threads) {
    const auto wp = sixteen_sources();
    const sim_world& w = *wp;
    std::vector<std::string> reference_files;
    for (int threads : {1, 3, 8}) {
        const auto dir = test_support::make_scratch_dir("loop_threads");
        run_loop(w, dir, threads);
        const auto names = test_support::list_files(dir);
        ASSERT_EQ(names.size(), 48u);
        std::vector<std::string> contents;
        for (const auto& n : names) contents.push_back(file(dir, n));
        if (reference_files.empty()) reference_files = contents;
        for (size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ(contents[i], reference_files[i]) << names[i] << " with " << threads << " threads";
    }
}

TEST(simulate_sources, re_seeding_after_read_one_million) {
    // Reads of one base; the reads around 1,000,000 are compared whole.
    sim_world w({random_bases(1000, 67)}, 1, 1, 2);
    w.opt.outformat = 0;
    w.opt.errate = 0.5f;
    w.opt.missrate = 0.1f;
    w.der.nreads = 1000004;
    w.der.seed = 5;
    const auto dir = test_support::make_scratch_dir("loop_reseed");
    run_loop(w, dir, 2);
    const std::string got = file(dir, "source2.unf");
    const std::string expected = expected_source(w, 2).unf;
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    // Read 1,000,001 starts a fragment whose chromosome draw is the first value
    // of the re-seeded stream; its strand is that stream's second value.
    unif2_state fresh;
    set_up_stream(fresh, -(5 + 2 + 2));
    unif2(fresh);
    const char strand = unif2(fresh) > 0.5 ? 'R' : 'F';
    const size_t read_size = 27 + 9;
    EXPECT_EQ(got[1000000 * read_size + 22], strand);
}

TEST(simulate_sources, progress_line_every_ten_million_reads) {
    sim_world w({random_bases(1000, 71)}, 1, 1);
    w.opt.outformat = 3;
    w.der.nreads = 10000000;
    const auto dir = test_support::make_scratch_dir("loop_progress");
    const std::string out = run_loop(w, dir);
    EXPECT_EQ(out,
              "      10000000 records written, X coverage =10000.0000   source1\n"
              "      10000000 total bases of sequence generated for sourceID     10001\n"
              "      10000000 sequence segments written to fastQ file source1\n"
              "      10000000 records written, X coverage =10000.0000\n"
              " \n");
}

TEST(simulate_sources, pair_too_far_apart_is_reported) {
    // Chromosome of 60, L 36, m 10, a deletion of 15 at 25: only starts 1..10
    // reach offset 36 before the chromosome's end, and each meets the deletion
    // before offset 27, so the reverse read lies 41 positions after the forward.
    const std::string ref = random_bases(60, 73);
    sim_world w({ref}, 10, 36);
    w.add_variant(1, 25, "DEL", std::string(1, ref[24]) + std::string(14, 'x'));
    w.set_genotypes({"2"});
    const auto dir = test_support::make_scratch_dir("loop_conflict");
    const std::string out = run_loop(w, dir);
    const std::string fq1 = file(dir, "source1.1.fq"), fq2 = file(dir, "source1.2.fq");
    const int32_t pos1 = std::stoi(fq1.substr(7, 10)), pos2 = std::stoi(fq2.substr(7, 10));
    EXPECT_EQ(std::abs(pos1 - pos2), 41);
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  " Conflicting locations for pair %12d%5d%12d\n"
                  "                           pair %12d%5d%12d\n",
                  1, 1, pos1, 2, 1, pos2);
    EXPECT_EQ(out.substr(0, std::strlen(expected)), expected);
}

TEST(simulate_sources, read_file_that_cannot_be_created_or_written_stops_the_run) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    sim_world w({random_bases(100, 79)}, 10, 30, 4);
    {
        const auto dir = test_support::make_scratch_dir("loop_cannot_create");
        fs::create_directory(dir / "source1.1.fq");
        EXPECT_EXIT(run_loop(w, dir, 8), testing::ExitedWithCode(9),
                    "permission to access file denied, unit 16, file source1.1.fq");
    }
    {
        const auto dir = test_support::make_scratch_dir("loop_full_disk");
        fs::create_symlink("/dev/full", dir / "source3.2.fq");
        EXPECT_EXIT(run_loop(w, dir, 8), testing::ExitedWithCode(38), "error during write, unit 23, file source3.2.fq");
    }
}

}  // namespace
