// Faults injected into whole fragsim runs: inputs and outputs that are
// directories, a full disk, reference.unf and fragsim.options cut at every
// byte, and empty, binary and huge-line text inputs. Every run must end with
// its message and status, write nothing else to standard error (no sanitizer
// report) and leave the files it completed as a sound run writes them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::binary_bytes;
using test_support::fatal_line;
using test_support::read_file;
using test_support::run_result;
using test_support::write_file;

std::string record(std::string_view data) {
    const int32_t n = static_cast<int32_t>(data.size());
    std::string r(reinterpret_cast<const char*>(&n), 4);
    r += data;
    r.append(reinterpret_cast<const char*>(&n), 4);
    return r;
}

std::string int_record(int32_t v) { return record(std::string_view(reinterpret_cast<const char*>(&v), 4)); }

// Two chromosomes of 60 and 40 bases: 12 + 40 + 100 = 152 bytes.
std::string small_reference_unf() {
    const std::string c1 = "ACGTTGCAACGGTACCGTAGCTAGCTTAGCGATCGATCGGCTAGCTAGGCTAACGTAGCT";
    const std::string c2 = "TTGACCGTAGGCTAGCATCGATGCATGCAAGTCGATGCAA";
    return int_record(2) + int_record(static_cast<int32_t>(c1.size())) + int_record(static_cast<int32_t>(c2.size())) +
           record(c1) + record(c2);
}

// Reads of 20 bases from fragments of 40, FASTQ output, two sources, depth
// 0.5 (two reads each). The last value is missrate.
const std::string options_text =
    " 0 20 40 10 10 1\npaired maxlngth fraglen maxinsert maxvar outformat\n"
    "sources read_depth errate missrate\n 2 0.5 0.01 0.001\n";

void write_inputs(const fs::path& dir) {
    write_file(dir / "fragsim.options", options_text);
    write_file(dir / "reference.unf", small_reference_unf());
    write_file(dir / "simseed", "simulation seed\n 4711\n");
    write_file(dir / "variants.true", "chrom location type unused length allele\n1 5 SNP 0 1 G\n");
}

run_result run_fragsim(const fs::path& dir) {
    return test_support::run_program(test_support::program_path("fragsim"), dir, {}, {"OMP_NUM_THREADS=1"}, 60);
}

// The outputs of a sound run of the inputs above, to compare with.
struct sound_run {
    std::string filelist, fq[2][2];
    sound_run() {
        const auto dir = test_support::make_scratch_dir("fault_sound_run");
        write_inputs(dir);
        const run_result r = run_fragsim(dir);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.err, "");
        filelist = read_file(dir / "fastq.filelist");
        for (int k = 0; k < 2; ++k)
            for (int e = 0; e < 2; ++e)
                fq[k][e] = read_file(dir / ("source" + std::to_string(k + 1) + "." + std::to_string(e + 1) + ".fq"));
    }
};

const sound_run& sound() {
    static const sound_run s;
    return s;
}

TEST(fragsim_faults, sound_run_writes_every_output) {
    EXPECT_NE(sound().filelist, "");
    for (const auto& source : sound().fq)
        for (const auto& fq : source) EXPECT_EQ(fq.substr(0, 1), "@");
}

TEST(fragsim_faults, input_or_output_name_that_is_a_directory) {
    struct fault {
        const char* name;
        int unit;
    };
    const fault faults[] = {{"fragsim.options", 9}, {"reference.unf", 10}, {"variants.true", 11},
                            {"simseed", 12},         {"genotypes.true", 13}, {"fastq.filelist", 14},
                            {"source2.2.fq", 20}};
    for (const fault& f : faults) {
        SCOPED_TRACE(f.name);
        const auto dir = test_support::make_scratch_dir(std::string("fault_dir_") + f.name);
        write_inputs(dir);
        fs::remove(dir / f.name);
        fs::create_directory(dir / f.name);
        const run_result r = run_fragsim(dir);
        EXPECT_EQ(r.status, 9);
        EXPECT_EQ(r.err, fatal_line(9, "permission to access file denied", f.unit, f.name));
        // The sources before the failing one are complete.
        if (std::strcmp(f.name, "source2.2.fq") == 0) {
            EXPECT_EQ(read_file(dir / "source1.1.fq"), sound().fq[0][0]);
            EXPECT_EQ(read_file(dir / "source1.2.fq"), sound().fq[0][1]);
            EXPECT_EQ(read_file(dir / "fastq.filelist"), sound().filelist);
        }
    }
}

TEST(fragsim_faults, full_disk_under_an_output_name) {
    struct fault {
        const char* name;
        int unit;
    };
    for (const fault& f : {fault{"fastq.filelist", 14}, fault{"source1.1.fq", 16}, fault{"source2.2.fq", 20}}) {
        SCOPED_TRACE(f.name);
        const auto dir = test_support::make_scratch_dir(std::string("fault_full_") + f.name);
        write_inputs(dir);
        fs::create_symlink("/dev/full", dir / f.name);
        const run_result r = run_fragsim(dir);
        EXPECT_EQ(r.status, 38);
        EXPECT_EQ(r.err, fatal_line(38, "error during write", f.unit, f.name));
        EXPECT_EQ(r.out.find("Program fragsim finished normally"), std::string::npos);
        if (std::strcmp(f.name, "source2.2.fq") == 0) {
            EXPECT_EQ(read_file(dir / "source1.1.fq"), sound().fq[0][0]);
            EXPECT_EQ(read_file(dir / "source1.2.fq"), sound().fq[0][1]);
        }
    }
}

TEST(fragsim_faults, reference_unf_cut_at_every_byte) {
    const std::string unf = small_reference_unf();
    const auto dir = test_support::make_scratch_dir("fault_cut_unf");
    for (size_t cut = 0; cut < unf.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        write_inputs(dir);
        fs::remove(dir / "fastq.filelist");
        write_file(dir / "reference.unf", unf.substr(0, cut));
        const run_result r = run_fragsim(dir);
        ASSERT_EQ(r.status, 24) << r.out;
        ASSERT_EQ(r.err, fatal_line(24, "end-of-file during read", 10, "reference.unf"));
        ASSERT_EQ(read_file(dir / "fastq.filelist"), "");
    }
}

TEST(fragsim_faults, options_cut_at_every_byte) {
    // Every cut before the last value leaves a read short of a value; a cut
    // inside the last value leaves a shorter number, which is a sound file.
    const size_t last_value = options_text.rfind(' ') + 1;
    const auto dir = test_support::make_scratch_dir("fault_cut_options");
    for (size_t cut = 0; cut < options_text.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        write_inputs(dir);
        write_file(dir / "fragsim.options", options_text.substr(0, cut));
        const run_result r = run_fragsim(dir);
        if (cut <= last_value) {
            ASSERT_EQ(r.status, 24) << r.out;
            ASSERT_EQ(r.err, fatal_line(24, "end-of-file during read", 9, "fragsim.options"));
        } else {
            ASSERT_EQ(r.status, 0) << r.out;
            ASSERT_EQ(r.err, "");
            ASSERT_NE(r.out.find("Program fragsim finished normally"), std::string::npos);
        }
    }
}

TEST(fragsim_faults, empty_binary_and_huge_line_text_inputs) {
    const std::string huge_blanks(3 << 20, ' ');
    std::string huge_number((3 << 20) + 1, '0');
    huge_number[0] = '1';
    struct fault {
        const char* label;
        const char* name;
        std::string contents;
        int status;
        std::string err;          // the whole of standard error
        const char* out_part;     // a line standard output must hold, or null
    };
    const fault faults[] = {
        {"empty options", "fragsim.options", "", 24, fatal_line(24, "end-of-file during read", 9, "fragsim.options"),
         nullptr},
        {"binary options", "fragsim.options", binary_bytes(), 64,
         fatal_line(64, "input conversion error", 9, "fragsim.options"), nullptr},
        {"options after a huge run of blanks", "fragsim.options", huge_blanks + options_text, 0, "",
         "Program fragsim finished normally"},
        {"huge number in the options", "fragsim.options", huge_number + options_text, 64,
         fatal_line(64, "input conversion error", 9, "fragsim.options"), nullptr},
        {"real beyond the single range in the options", "fragsim.options",
         " 0 20 40 10 10 1\nx\nx\n 2 1e39 0.01 0.001\n", 64,
         fatal_line(64, "input conversion error", 9, "fragsim.options"), nullptr},
        {"empty simseed", "simseed", "", 24, fatal_line(24, "end-of-file during read", 12, "simseed"), nullptr},
        {"binary simseed", "simseed", binary_bytes(), 64, fatal_line(64, "input conversion error", 12, "simseed"),
         nullptr},
        {"simseed with a huge first line", "simseed", huge_blanks + "x\n 4711\n", 0, "",
         "Program fragsim finished normally"},
        {"empty variants.true", "variants.true", "", 0, "", "0  variant records read from variants.true"},
        {"binary variants.true", "variants.true", binary_bytes(), 64,
         fatal_line(64, "input conversion error", 11, "variants.true"), nullptr},
        {"variants.true with a huge header", "variants.true", huge_blanks + "\n1 5 SNP 0 1 G\n", 0, "",
         "1  variant records read from variants.true"},
        {"variants.true with a huge allele", "variants.true",
         "header\n1 5 INS 0 3000000 " + std::string(3000000, 'A') + "\n", 1, "",
         "allele longer than 100000 characters"},
        {"empty genotypes.true", "genotypes.true", "", 0, "", "0  records read from genotypes.true"},
        {"binary genotypes.true", "genotypes.true", binary_bytes(), 64,
         fatal_line(64, "input conversion error", 13, "genotypes.true"), nullptr},
        {"genotypes.true with a huge line", "genotypes.true",
         "       501         7         1 2" + std::string(3 << 20, '1') + "\n", 0, "",
         "1  records read from genotypes.true"},
        {"binary reference.unf", "reference.unf", binary_bytes(), 24,
         fatal_line(24, "end-of-file during read", 10, "reference.unf"), nullptr},
    };
    for (const fault& f : faults) {
        SCOPED_TRACE(f.label);
        const auto dir = test_support::make_scratch_dir("fault_text_input");
        write_inputs(dir);
        write_file(dir / f.name, f.contents);
        const run_result r = run_fragsim(dir);
        EXPECT_EQ(r.status, f.status) << r.out.substr(0, 4000);
        EXPECT_EQ(r.err, f.err);
        if (f.out_part != nullptr) {
            EXPECT_NE(r.out.find(f.out_part), std::string::npos) << r.out.substr(0, 4000);
        }
    }
}

}  // namespace
