// The road of one simulation: kmerbank writes reference.unf from a FASTA
// reference, fragsim loads that very file and simulates reads from it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using namespace test_support;

const fs::path inputs = tests_source_dir() / "pipeline" / "inputs";
const fs::path expected = tests_source_dir() / "pipeline" / "expected";

void copy_inputs(const fs::path& to, std::initializer_list<const char*> names) {
    for (const char* n : names) fs::copy_file(inputs / n, to / n, fs::copy_options::overwrite_existing);
}

void check_file(const fs::path& got, const std::string& name, const std::string& contents) {
    const char* redo = std::getenv("REDO");
    if (redo && std::string(redo) == "1") {
        write_file(expected / name, contents);
        return;
    }
    EXPECT_EQ(read_file(expected / name), contents) << name << " differs (" << got << ")";
}

TEST(pipeline, fragsim_simulates_from_the_map_kmerbank_writes) {
    const fs::path kb = make_scratch_dir("pipeline_kmerbank");
    copy_inputs(kb, {"kmerbank.options", "reference.fa", "variants.prior", "flank.loc"});
    const run_result built = run_program(program_path("kmerbank"), kb);
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    check_file(kb, "reference.unf", read_file(kb / "reference.unf"));

    const fs::path fs_dir = make_scratch_dir("pipeline_fragsim");
    copy_inputs(fs_dir, {"fragsim.options", "simseed", "variants.true", "genotypes.true"});
    fs::copy_file(kb / "reference.unf", fs_dir / "reference.unf");
    const run_result sim = run_program(program_path("fragsim"), fs_dir, {}, {"OMP_NUM_THREADS=1"});
    ASSERT_EQ(sim.status, 0) << sim.out << sim.err;
    check_file(fs_dir, "fragsim.stdout", mask_wall_time(sim.out));
    for (const char* name : {"fastq.filelist", "source1.1.fq", "source1.2.fq", "source2.1.fq", "source3.2.fq"})
        check_file(fs_dir, name, read_file(fs_dir / name));
}

}  // namespace
