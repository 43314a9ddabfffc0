// The whole fragsim program with sixteen sources on eight threads: the read
// files are those of a run on one thread, and nothing is reported on
// standard error (in the thread-sanitizer build, no race).
#include <gtest/gtest.h>

#include <string>

#include "binary_inputs.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::write_file;

void write_case(const fs::path& dir) {
    const std::string c1 = test_support::random_bases(700, 1), c2 = test_support::random_bases(500, 2);
    write_file(dir / "reference.unf", test_support::reference_unf_of({c1, c2}));
    // Paired reads of 30 from fragments of 80, both read file kinds, 16
    // sources at depth 0.5 (20 reads each), errors and missing bases on.
    write_file(dir / "fragsim.options", " 0 30 80 64 16 2\noptions\noptions\n 16 0.5 0.02 0.01\n");
    write_file(dir / "simseed", "seed\n 99\n");
    write_file(dir / "variants.true", "header\n1 10 SNP 0 1 " + std::string(1, c1[9] == 'A' ? 'C' : 'A') +
                                          "\n1 100 INS 0 3 " + std::string(1, c1[100] == 'G' ? 'T' : 'G') +
                                          "GT\n2 50 DEL 0 2 " + c2.substr(49, 2) + "\n");
}

TEST(fragsim_threads, sixteen_sources_on_eight_threads_write_the_files_of_one_thread) {
    const auto one = test_support::make_scratch_dir("threads_one");
    const auto eight = test_support::make_scratch_dir("threads_eight");
    write_case(one);
    write_case(eight);
    const auto r1 = test_support::run_program(test_support::program_path("fragsim"), one, {}, {"OMP_NUM_THREADS=1"});
    const auto r8 = test_support::run_program(test_support::program_path("fragsim"), eight, {}, {"OMP_NUM_THREADS=8"});
    ASSERT_EQ(r1.status, 0) << r1.out << r1.err;
    ASSERT_EQ(r8.status, 0) << r8.err;
    EXPECT_EQ(r1.err, "");
    EXPECT_EQ(r8.err, "");
    const auto names = test_support::list_files(one);
    EXPECT_EQ(names, test_support::list_files(eight));
    EXPECT_EQ(names.size(), 5u + 3u * 16u);  // inputs, fastq.filelist, three read files each
    for (const auto& name : names) EXPECT_EQ(read_file(one / name), read_file(eight / name)) << name;
}

}  // namespace
