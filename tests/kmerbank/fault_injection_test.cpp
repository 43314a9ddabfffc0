// Faults injected into whole kmerbank runs: inputs and outputs that are
// directories, links that lead nowhere, outputs that are links to inputs or
// to each other, a full disk under each output name, a file-size limit,
// closed standard streams, an earlier run's table beside a run that stops,
// kmerbank.options cut at every byte, empty, binary, NUL-filled and huge-line
// text inputs under a memory limit, an OpenMP runtime that cannot start its
// threads, and arguments. Every run must end with its message and status,
// write nothing else to standard error (no sanitizer report), leave the files
// it completed as a sound run writes them and never pass for a sound run.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "fault_table.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::all_checks;
using test_support::all_of;
using test_support::binary_bytes;
using test_support::directory_named;
using test_support::earlier_run_text;
using test_support::fatal_line;
using test_support::fault_case;
using test_support::file_holding;
using test_support::file_is;
using test_support::full_disk_under;
using test_support::hard_link_named;
using test_support::last_line_is;
using test_support::link_named;
using test_support::nul_filled;
using test_support::open_failure;
using test_support::read_file;
using test_support::run_result;
using test_support::write_failure;
using test_support::write_file;

// The last value is flanklen.
const std::string options_text =
    "  2  6  3  40  61  8\nmingap maxgap chromes maplngth maxhash maxdup\n(not read)\n  3  10  4\n";

const std::string reference_text = ">chr1\nACGTACgtnNAC\nGTACGTNN\n>chr2\nttGCAtTNNGCATG\n";
const std::string prior_text = "chrom location type unused length allele\n1 5 SNP 0 1 G\n2 4 SNP 0 1 T\n";
const std::string flank_loc_text = "2 4\n1 18\n";

void write_inputs(const fs::path& dir) {
    write_file(dir / "kmerbank.options", options_text);
    write_file(dir / "reference.fa", reference_text);
    write_file(dir / "variants.prior", prior_text);
    write_file(dir / "flank.loc", flank_loc_text);
}

// Every input as the case wrote it; options is kmerbank.options.
test_support::disk_check_fn inputs_unchanged(std::string options = options_text) {
    return test_support::all_checks({file_is("kmerbank.options", options), file_is("reference.fa", reference_text),
                                     file_is("variants.prior", prior_text), file_is("flank.loc", flank_loc_text)});
}

// The stop of a run whose output is the same file as an input or an earlier
// output: its line ends the console, and no input has changed.
test_support::disk_check_fn same_file_stop(const std::string& line) {
    return test_support::all_checks({last_line_is(line), inputs_unchanged()});
}

const test_support::fault_program kmerbank{"kmerbank", write_inputs, {}, {"OMP_NUM_THREADS=2"}};

run_result run_kmerbank(const fs::path& dir) {
    return test_support::run_program(test_support::program_path("kmerbank"), dir, {}, kmerbank.env, 60);
}

struct sound_run {
    std::string out, reference_unf, kmerbank_unf, flank_ref;
    sound_run() {
        const auto dir = test_support::make_scratch_dir("kmerbank_fault_sound");
        write_inputs(dir);
        const run_result r = run_kmerbank(dir);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.err, "");
        out = r.out;
        reference_unf = read_file(dir / "reference.unf");
        kmerbank_unf = read_file(dir / "kmerbank.unf");
        flank_ref = read_file(dir / "flank.ref");
    }
};

const sound_run& sound() {
    static const sound_run s;
    return s;
}

const std::string closing_line = " Program kmerbank completed normally";

// What must stay on disk: each named file as a sound run writes it.
test_support::disk_check_fn complete(std::vector<std::string> names) {
    return [names](const fs::path& dir, const run_result&) {
        for (const auto& name : names) {
            const std::string want = name == "reference.unf" ? sound().reference_unf
                                     : name == "flank.ref"   ? sound().flank_ref
                                                             : sound().kmerbank_unf;
            EXPECT_EQ(read_file(dir / name), want) << name;
        }
    };
}

// Earlier outputs that a run refused before it started must keep.
const auto earlier_outputs =
    all_of({file_holding("reference.unf", earlier_run_text), file_holding("kmerbank.unf", earlier_run_text)});
void refused_before_opening(const fs::path& dir, const run_result& r) {
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(dir / "reference.unf"), earlier_run_text);
    EXPECT_EQ(read_file(dir / "kmerbank.unf"), earlier_run_text);
    EXPECT_FALSE(test_support::file_exists(dir / "flank.ref"));
}

// An option refused after the echo: the message is the last line, and
// reference.unf holds what it held before (empty when the run created it),
// flank.ref nothing.
test_support::disk_check_fn refused_options(std::string message, std::string reference_unf = "") {
    return [message, reference_unf](const fs::path& dir, const run_result& r) {
        EXPECT_EQ(test_support::last_text_line(r.out), message);
        EXPECT_EQ(r.out.find(closing_line), std::string::npos);
        EXPECT_EQ(read_file(dir / "reference.unf"), reference_unf);
        EXPECT_EQ(read_file(dir / "flank.ref"), "");
    };
}

constexpr size_t MiB = size_t{1} << 20;

// Options of a table of 100,000 slots: kmerbank.unf of about 1.4 MB.
const std::string big_table_options = "  2  6  3  40  100000  8\nx\nx\n  3  10  4\n";

TEST(kmerbank_faults, sound_run_writes_every_output) {
    EXPECT_EQ(sound().reference_unf.size(), 12u + 20u * 2u + 18u + 14u);  // the trailing NN of chr1 trimmed
    EXPECT_GT(sound().kmerbank_unf.size(), 16u);
    EXPECT_TRUE(sound().flank_ref.starts_with("chrome location flank_length flanking_ref\n"));
    EXPECT_TRUE(sound().out.ends_with(closing_line + "\n"));
}

TEST(kmerbank_faults, fault_table) {
    const std::string huge(3 << 20, 'A');
    const auto around = [&huge](const char* before, const char* after) { return before + huge + after; };
    std::string huge_number((3 << 20) + 1, '0');
    huge_number[0] = '1';
    huge_number += options_text;
    const std::string conversion_options = fatal_line(64, "input conversion error", 9, "kmerbank.options");
    const std::string too_long = " seglen exceeds maxlngth =       99999";

    const std::vector<fault_case> cases = {
        // Names that cannot be opened: the fatal line and the system's reason.
        {.label = "options a directory",
         .spoil = directory_named("kmerbank.options"),
         .status = 9,
         .err = open_failure(9, "kmerbank.options", "Is a directory")},
        {.label = "reference.fa a directory",
         .spoil = directory_named("reference.fa"),
         .status = 9,
         .err = open_failure(12, "reference.fa", "Is a directory")},
        {.label = "variants.prior a directory",
         .spoil = directory_named("variants.prior"),
         .status = 9,
         .err = open_failure(11, "variants.prior", "Is a directory")},
        {.label = "flank.loc a directory",
         .spoil = directory_named("flank.loc"),
         .status = 9,
         .err = open_failure(15, "flank.loc", "Is a directory")},
        {.label = "reference.unf a directory",
         .spoil = directory_named("reference.unf"),
         .status = 9,
         .err = open_failure(10, "reference.unf", "Is a directory")},
        {.label = "kmerbank.unf a directory",
         .spoil = directory_named("kmerbank.unf"),
         .status = 9,
         .err = open_failure(20, "kmerbank.unf", "Is a directory")},
        {.label = "flank.ref a directory",
         .spoil = directory_named("flank.ref"),
         .status = 9,
         .err = open_failure(25, "flank.ref", "Is a directory")},
        {.label = "kmerbank.unf a link into a missing directory",
         .spoil = link_named("kmerbank.unf", "missing/kmerbank.unf"),
         .status = 9,
         .err = open_failure(20, "kmerbank.unf", "No such file or directory")},
        {.label = "reference.fa a link to itself",
         .spoil = link_named("reference.fa", "reference.fa"),
         .status = 9,
         .err = open_failure(12, "reference.fa", "Too many levels of symbolic links")},

        // A full disk: fatal 38 naming the file, never the closing line, and
        // the outputs completed before it as a sound run writes them.
        {.label = "full disk under reference.unf",
         .spoil = full_disk_under("reference.unf"),
         .status = 38,
         .err = write_failure(10, "reference.unf"),
         .out_absent = closing_line},
        {.label = "full disk under flank.ref",
         .spoil = full_disk_under("flank.ref"),
         .status = 38,
         .err = write_failure(25, "flank.ref"),
         .out_absent = closing_line,
         .check = complete({"reference.unf"})},
        {.label = "full disk under kmerbank.unf",
         .spoil = full_disk_under("kmerbank.unf"),
         .status = 38,
         .err = write_failure(20, "kmerbank.unf"),
         .out_absent = closing_line,
         .check = complete({"reference.unf", "flank.ref"})},
        // The flank lines fail before the hash table phase can stop the run:
        // the status is the write error's, not the later check's.
        {.label = "full disk under flank.ref, then a hash table too small",
         .spoil = all_of({full_disk_under("flank.ref"),
                          file_holding("kmerbank.options", "  2  6  3  40  5  8\nx\nx\n  3  10  4\n")}),
         .status = 38,
         .err = write_failure(25, "flank.ref"),
         .out_absent = "Hash table too full"},

        // Options that would give a wrong table are refused after their
        // echo, before any output is written: an earlier map stays whole.
        {.label = "hashlen 0 after an earlier run",
         .spoil =
             all_of({earlier_outputs, file_holding("kmerbank.options", "  2  6  3  40  61  8\nx\nx\n  0  10  4\n")}),
         .status = 1,
         .check = refused_options(" hashlen in kmerbank.options must be from 1 to 32", earlier_run_text)},
        {.label = "hashlen 33",
         .spoil = file_holding("kmerbank.options", "  2  6  3  40  61  8\nx\nx\n  33  10  4\n"),
         .status = 1,
         .check = refused_options(" hashlen in kmerbank.options must be from 1 to 32")},
        {.label = "flanklen -1 after an earlier run",
         .spoil =
             all_of({earlier_outputs, file_holding("kmerbank.options", "  2  6  3  40  61  8\nx\nx\n  3  10  -1\n")}),
         .status = 1,
         .check = refused_options(" flanklen in kmerbank.options must not be below 0", earlier_run_text)},

        // Empty, binary and huge-line text inputs.
        {.label = "empty options",
         .spoil = file_holding("kmerbank.options", ""),
         .status = 24,
         .err = fatal_line(24, "end-of-file during read", 9, "kmerbank.options")},
        {.label = "binary options",
         .spoil = file_holding("kmerbank.options", binary_bytes()),
         .status = 64,
         .err = conversion_options},
        {.label = "huge number in the options",
         .spoil = file_holding("kmerbank.options", huge_number),
         .status = 64,
         .err = conversion_options},
        {.label = "empty reference.fa",
         .spoil = file_holding("reference.fa", ""),
         .status = 1,
         .out_part = "no chromosome to map"},
        {.label = "binary reference.fa",
         .spoil = file_holding("reference.fa", binary_bytes()),
         .status = 1,
         .out_part = "sequence line before the first header"},
        {.label = "reference.fa with a huge header",
         .spoil = file_holding("reference.fa", around(">", "\nACGTACgtnNAC\nGTACGTNN\n>chr2\nttGCAtTNNGCATG\n")),
         .status = 0,
         .out_part = closing_line,
         .check = complete({"reference.unf", "kmerbank.unf", "flank.ref"})},
        {.label = "reference.fa with a huge sequence line",
         .spoil = file_holding("reference.fa", around(">chr1\n", "\n")),
         .status = 1,
         .out_part = "     3145728 " + too_long},
        {.label = "empty variants.prior",
         .spoil = file_holding("variants.prior", ""),
         .status = 0,
         .out_part = "0  variant records read from variants.prior"},
        {.label = "binary variants.prior",
         .spoil = file_holding("variants.prior", binary_bytes()),
         .status = 64,
         .err = fatal_line(64, "input conversion error", 11, "variants.prior")},
        {.label = "variants.prior with a huge allele",
         .spoil = file_holding("variants.prior", around("header\n1 5 INS 0 3145728 ", "\n")),
         .status = 1,
         .out_part = "is above 99999"},
        {.label = "empty flank.loc", .spoil = file_holding("flank.loc", ""), .status = 0},
        {.label = "binary flank.loc",
         .spoil = file_holding("flank.loc", binary_bytes()),
         .status = 64,
         .err = fatal_line(64, "input conversion error", 15, "flank.loc")},
        {.label = "flank.loc with a huge comment",
         .spoil = file_holding("flank.loc", around("2 4 ", "\n1 18\n")),
         .status = 0,
         .check = complete({"flank.ref"})},

        // Inputs far larger than the memory the run may have: no line is held
        // whole, and the length stop reads only what it needs.
        {.label = "reference.fa a line of 300 MB of NUL",
         .spoil = nul_filled("reference.fa", ">chr1\n", 300 * MiB),
         .memory_limit = 256 * MiB,
         .status = 1,
         .out_part = "   314572794 " + too_long},
        {.label = "reference.fa from /dev/zero",
         .spoil = link_named("reference.fa", "/dev/zero"),
         .memory_limit = 256 * MiB,
         .status = 1,
         .out_part = "reference.fa line 1: sequence line before the first header"},
        {.label = "options from /dev/zero",
         .spoil = link_named("kmerbank.options", "/dev/zero"),
         .memory_limit = 256 * MiB,
         .status = 64,
         .err = conversion_options},
        {.label = "flank.loc of 300 MB of NUL after its values",
         .spoil = nul_filled("flank.loc", "2 4\n1 18 ", 300 * MiB),
         .memory_limit = 256 * MiB,
         .status = 0,
         .out_part = closing_line,
         .check = complete({"flank.ref"})},

        // The OpenMP runtime cannot start a thread (each would need a stack of
        // 1 GB): the fold runs on the calling thread alone.
        {.label = "no room for the threads of the fold",
         .env = {"OMP_NUM_THREADS=4", "OMP_STACKSIZE=1G"},
         .memory_limit = 512 * MiB,
         .status = 0,
         .out_part = closing_line,
         .check = complete({"reference.unf", "kmerbank.unf", "flank.ref"})},

        // An output that is a link to an input or to another output: the
        // run stops before it is opened for writing, every file unchanged.
        {.label = "kmerbank.unf a symbolic link to reference.fa",
         .spoil = link_named("kmerbank.unf", "reference.fa"),
         .status = 1,
         .check = same_file_stop(" Output file kmerbank.unf is the same file as input file reference.fa")},
        {.label = "reference.unf a hard link of variants.prior",
         .spoil = hard_link_named("reference.unf", "variants.prior"),
         .status = 1,
         .check = same_file_stop(" Output file reference.unf is the same file as input file variants.prior")},
        {.label = "flank.ref a symbolic link to flank.loc",
         .spoil = link_named("flank.ref", "flank.loc"),
         .status = 1,
         .check = same_file_stop(" Output file flank.ref is the same file as input file flank.loc")},
        {.label = "kmerbank.unf a hard link of kmerbank.options",
         .spoil = hard_link_named("kmerbank.unf", "kmerbank.options"),
         .status = 1,
         .check = same_file_stop(" Output file kmerbank.unf is the same file as input file kmerbank.options")},
        {.label = "kmerbank.unf a hard link of an earlier reference.unf",
         .spoil = all_of(
             {file_holding("reference.unf", earlier_run_text), hard_link_named("kmerbank.unf", "reference.unf")}),
         .status = 1,
         .check = test_support::all_checks(
             {same_file_stop(" Output file kmerbank.unf is the same file as output file reference.unf"),
              file_is("reference.unf", earlier_run_text)})},
        {.label = "flank.ref a symbolic link to an earlier kmerbank.unf",
         .spoil = all_of({file_holding("kmerbank.unf", earlier_run_text), link_named("flank.ref", "kmerbank.unf")}),
         .status = 1,
         .check = test_support::all_checks(
             {same_file_stop(" Output file flank.ref is the same file as output file kmerbank.unf"),
              file_is("kmerbank.unf", "")})},

        // Standard error closed: no file of the run takes its place, so a
        // fatal line or a code is lost and the inputs keep their bytes.
        {.label = "standard error closed, binary options",
         .spoil = file_holding("kmerbank.options", binary_bytes()),
         .closed_streams = {2},
         .status = 64,
         .check = file_is("kmerbank.options", binary_bytes())},
        {.label = "standard error closed, the hash search gives up",
         .spoil = file_holding("kmerbank.options", "  2  6  3  40  0  8\nx\nx\n  3  10  4\n"),
         .closed_streams = {2},
         .status = 41,
         .out_part = " Function N8HASH dropped out of the loop",
         .check =
             all_checks({inputs_unchanged("  2  6  3  40  0  8\nx\nx\n  3  10  4\n"), file_is("kmerbank.unf", "")})},
        // Standard output closed: the console cannot be written.
        {.label = "standard output closed",
         .closed_streams = {1},
         .status = 38,
         .err = write_failure(6, "stdout"),
         .check = all_checks({inputs_unchanged(), test_support::no_file("reference.unf")})},

        // A file-size limit that the table passes: the write fails as on a
        // full disk, instead of the signal ending the run mid-record.
        {.label = "file-size limit under kmerbank.unf",
         .spoil = file_holding("kmerbank.options", big_table_options),
         .file_size_limit = 64 * 1024,
         .status = 38,
         .err = write_failure(20, "kmerbank.unf"),
         .out_absent = closing_line,
         .check = all_checks({inputs_unchanged(big_table_options), complete({"reference.unf", "flank.ref"})})},

        // A run that stops keeps no earlier run's table beside its outputs.
        {.label = "hash table too full, earlier kmerbank.unf",
         .spoil = all_of({file_holding("kmerbank.options", "  2  6  3  40  5  8\nx\nx\n  3  10  4\n"),
                          file_holding("kmerbank.unf", earlier_run_text)}),
         .status = 1,
         .out_part = " Hash table too full, increase maxhash           5",
         .check = all_checks({file_is("kmerbank.unf", ""), complete({"reference.unf", "flank.ref"})})},
        {.label = "hash search gives up, earlier kmerbank.unf",
         .spoil = all_of({file_holding("kmerbank.options", "  2  6  3  40  0  8\nx\nx\n  3  10  4\n"),
                          file_holding("kmerbank.unf", earlier_run_text)}),
         .status = 41,
         .err = "41\n",
         .out_part = " Function N8HASH dropped out of the loop",
         .check = file_is("kmerbank.unf", "")},
        {.label = "maplngth exceeded, earlier kmerbank.unf",
         .spoil = all_of({file_holding("kmerbank.options", "  2  6  3  10  61  8\nx\nx\n  3  10  4\n"),
                          file_holding("kmerbank.unf", earlier_run_text)}),
         .status = 1,
         .out_part = "Chromosome length exceeds maplngth",
         .check = file_is("kmerbank.unf", "")},

        // Arguments: one line, status 1, no file opened.
        {.label = "--help",
         .spoil = earlier_outputs,
         .args = {"--help"},
         .status = 1,
         .err = "kmerbank takes no arguments: it reads its options from kmerbank.options in the working directory\n",
         .check = refused_before_opening},
    };
    test_support::run_fault_table(kmerbank, cases);
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
