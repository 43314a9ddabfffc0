// Faults injected into whole kmerbank runs: inputs and outputs that are
// directories, a full disk under each output name, kmerbank.options cut at
// every byte, and empty, binary and huge-line text inputs. Every run must end
// with its message and status, write nothing else to standard error (no
// sanitizer report) and leave the files it completed as a sound run writes
// them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::binary_bytes;
using test_support::fatal_line;
using test_support::read_file;
using test_support::run_result;
using test_support::write_file;

// The last value is flanklen.
const std::string options_text =
    "  2  6  3  40  61  8\nmingap maxgap chromes maplngth maxhash maxdup\n(not read)\n  3  10  4\n";

void write_inputs(const fs::path& dir) {
    write_file(dir / "kmerbank.options", options_text);
    write_file(dir / "reference.fa", ">chr1\nACGTACgtnNAC\nGTACGTNN\n>chr2\nttGCAtTNNGCATG\n");
    write_file(dir / "variants.prior", "chrom location type unused length allele\n1 5 SNP 0 1 G\n2 4 SNP 0 1 T\n");
    write_file(dir / "flank.loc", "2 4\n1 18\n");
}

run_result run_kmerbank(const fs::path& dir) {
    return test_support::run_program(test_support::program_path("kmerbank"), dir, {}, {"OMP_NUM_THREADS=2"}, 60);
}

struct sound_run {
    std::string reference_unf, kmerbank_unf, flank_ref;
    sound_run() {
        const auto dir = test_support::make_scratch_dir("kmerbank_fault_sound");
        write_inputs(dir);
        const run_result r = run_kmerbank(dir);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.err, "");
        reference_unf = read_file(dir / "reference.unf");
        kmerbank_unf = read_file(dir / "kmerbank.unf");
        flank_ref = read_file(dir / "flank.ref");
    }
};

const sound_run& sound() {
    static const sound_run s;
    return s;
}

TEST(kmerbank_faults, sound_run_writes_every_output) {
    EXPECT_EQ(sound().reference_unf.size(), 12u + 20u * 2u + 18u + 14u);  // the trailing NN of chr1 trimmed
    EXPECT_GT(sound().kmerbank_unf.size(), 16u);
    EXPECT_TRUE(sound().flank_ref.starts_with("chrome location flank_length flanking_ref\n"));
}

TEST(kmerbank_faults, input_or_output_name_that_is_a_directory) {
    struct fault {
        const char* name;
        int unit;
    };
    const fault faults[] = {{"kmerbank.options", 9}, {"reference.fa", 12}, {"variants.prior", 11},
                            {"flank.loc", 15},       {"reference.unf", 10}, {"kmerbank.unf", 20},
                            {"flank.ref", 25}};
    for (const fault& f : faults) {
        SCOPED_TRACE(f.name);
        const auto dir = test_support::make_scratch_dir("kmerbank_fault_dir");
        write_inputs(dir);
        fs::remove(dir / f.name);
        fs::create_directory(dir / f.name);
        const run_result r = run_kmerbank(dir);
        EXPECT_EQ(r.status, 9);
        EXPECT_EQ(r.err, fatal_line(9, "permission to access file denied", f.unit, f.name));
    }
}

TEST(kmerbank_faults, full_disk_under_an_output_name) {
    struct fault {
        const char* name;
        int unit;
    };
    for (const fault& f : {fault{"reference.unf", 10}, fault{"flank.ref", 25}, fault{"kmerbank.unf", 20}}) {
        SCOPED_TRACE(f.name);
        const auto dir = test_support::make_scratch_dir("kmerbank_fault_full");
        write_inputs(dir);
        fs::create_symlink("/dev/full", dir / f.name);
        const run_result r = run_kmerbank(dir);
        EXPECT_EQ(r.status, 38);
        EXPECT_EQ(r.err, fatal_line(38, "error during write", f.unit, f.name));
        // reference.unf is complete before the later outputs are written.
        if (std::strcmp(f.name, "reference.unf") != 0) {
            EXPECT_EQ(read_file(dir / "reference.unf"), sound().reference_unf);
        }
        // flank.ref is complete when the hash table file fails.
        if (std::strcmp(f.name, "kmerbank.unf") == 0) {
            EXPECT_EQ(read_file(dir / "flank.ref"), sound().flank_ref);
        }
    }
}

TEST(kmerbank_faults, options_cut_at_every_byte) {
    // Every cut before the last value leaves a read short of a value; a cut
    // inside the last value leaves a shorter number, which is a sound file.
    const size_t last_value = options_text.rfind(' ') + 1;
    const auto dir = test_support::make_scratch_dir("kmerbank_fault_cut_options");
    for (size_t cut = 0; cut < options_text.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        write_inputs(dir);
        fs::remove(dir / "reference.unf");
        write_file(dir / "kmerbank.options", options_text.substr(0, cut));
        const run_result r = run_kmerbank(dir);
        if (cut <= last_value) {
            ASSERT_EQ(r.status, 24) << r.out;
            ASSERT_EQ(r.err, fatal_line(24, "end-of-file during read", 9, "kmerbank.options"));
            // The options come before any output is written.
            ASSERT_EQ(read_file(dir / "reference.unf"), "");
        } else {
            ASSERT_EQ(r.status, 0) << r.out;
            ASSERT_EQ(r.err, "");
            ASSERT_EQ(read_file(dir / "reference.unf"), sound().reference_unf);
        }
    }
}

TEST(kmerbank_faults, empty_binary_and_huge_line_text_inputs) {
    const std::string huge(3 << 20, 'A');
    const auto around = [&huge](const char* before, const char* after) {
        std::string t(before);
        t += huge;
        t += after;
        return t;
    };
    std::string huge_number((3 << 20) + 1, '0');
    huge_number[0] = '1';
    huge_number += options_text;
    struct fault {
        const char* label;
        const char* name;
        std::string contents;
        int status;
        std::string err;       // the whole of standard error
        const char* out_part;  // text standard output must hold, or null
    };
    const fault faults[] = {
        {"empty options", "kmerbank.options", "", 24,
         fatal_line(24, "end-of-file during read", 9, "kmerbank.options"), nullptr},
        {"binary options", "kmerbank.options", binary_bytes(), 64,
         fatal_line(64, "input conversion error", 9, "kmerbank.options"), nullptr},
        {"huge number in the options", "kmerbank.options", huge_number, 64,
         fatal_line(64, "input conversion error", 9, "kmerbank.options"), nullptr},
        {"empty reference.fa", "reference.fa", "", 1, "", "no chromosome to map"},
        {"binary reference.fa", "reference.fa", binary_bytes(), 1, "", "sequence line before the first header"},
        {"reference.fa with a huge header", "reference.fa",
         around(">", "\nACGTACgtnNAC\nGTACGTNN\n>chr2\nttGCAtTNNGCATG\n"), 0, "", nullptr},
        {"reference.fa with a huge sequence line", "reference.fa", around(">chr1\n", "\n"), 1, "",
         "seglen exceeds maxlngth ="},
        {"empty variants.prior", "variants.prior", "", 0, "", "0  variant records read from variants.prior"},
        {"binary variants.prior", "variants.prior", binary_bytes(), 64,
         fatal_line(64, "input conversion error", 11, "variants.prior"), nullptr},
        {"variants.prior with a huge allele", "variants.prior", around("header\n1 5 INS 0 3145728 ", "\n"), 1, "",
         "is above 99999"},
        {"empty flank.loc", "flank.loc", "", 0, "", nullptr},
        {"binary flank.loc", "flank.loc", binary_bytes(), 64,
         fatal_line(64, "input conversion error", 15, "flank.loc"), nullptr},
        {"flank.loc with a huge comment", "flank.loc", around("2 4 ", "\n1 18\n"), 0, "", nullptr},
    };
    for (const fault& f : faults) {
        SCOPED_TRACE(f.label);
        const auto dir = test_support::make_scratch_dir("kmerbank_fault_text_input");
        write_inputs(dir);
        write_file(dir / f.name, f.contents);
        const run_result r = run_kmerbank(dir);
        EXPECT_EQ(r.status, f.status) << r.out.substr(0, 4000);
        EXPECT_EQ(r.err, f.err);
        if (f.out_part != nullptr) {
            EXPECT_NE(r.out.find(f.out_part), std::string::npos) << r.out.substr(0, 4000);
        }
    }
}

}  // namespace

namespace {

// Inputs may come through named pipes: kmerbank reads each to its end, as it
// reads a regular file, instead of waiting for ever as a writer of its own.
TEST(kmerbank_faults, inputs_through_named_pipes_read_to_their_end) {
    const auto dir = test_support::make_scratch_dir("kmerbank_fault_fifo");
    write_inputs(dir);
    std::vector<std::thread> writers;
    for (const char* name : {"kmerbank.options", "reference.fa", "variants.prior"}) {
        const std::string contents = read_file(dir / name);
        fs::remove(dir / name);
        ASSERT_EQ(mkfifo((dir / name).c_str(), 0600), 0);
        writers.emplace_back([path = dir / name, contents] {
            FILE* f = std::fopen(path.c_str(), "w");  // waits for the reader
            if (!f) return;
            std::fwrite(contents.data(), 1, contents.size(), f);
            std::fclose(f);
        });
    }
    const run_result r = run_kmerbank(dir);
    for (auto& w : writers) w.join();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(read_file(dir / "reference.unf"), sound().reference_unf);
    EXPECT_EQ(read_file(dir / "kmerbank.unf"), sound().kmerbank_unf);
}

}  // namespace
