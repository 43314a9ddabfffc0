// Faults injected into whole genocall runs: inputs and the VCF output that
// are directories, a full disk, a file-size limit, a standard output that is
// closed or full, an earlier run's VCF, a VCF name that reaches an input,
// damaged and unusual gzip read-depth files (one also cut at every byte),
// frequencies and an error rate that are not numbers, frequencies outside
// 0..1, chromosomes and positions past 32 bits, a sample name twice, lines
// holding NUL bytes, empty, binary and huge-line inputs, and a memory limit.
// Every run ends with one clear message and status 1 (or completes where the
// input is sound), writes nothing to standard error (no sanitizer report),
// leaves every input as it was and the VCF lines it wrote in place.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fault_table.h"
#include "genocall_texts.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::all_checks;
using test_support::all_of;
using test_support::binary_bytes;
using test_support::directory_named;
using test_support::disk_check_fn;
using test_support::earlier_run_text;
using test_support::expect_prefix_of;
using test_support::fault_case;
using test_support::fault_program;
using test_support::file_exists;
using test_support::file_holding;
using test_support::file_is;
using test_support::full_disk_under;
using test_support::last_line_is;
using test_support::last_line_starts_with;
using test_support::last_text_line;
using test_support::no_file;
using test_support::read_file;
using test_support::run_result;
using test_support::spoil_fn;
using test_support::write_file;

const std::string variants_text = "chrom pos id x y ref alt rest\n1 1000 m1 0 x A G rest\n1 2000 m2 0 x C T rest\n";
const std::string frequencies_text = "1 1000 0.3\n1 2000 0.6\n";

std::string depth_text(int samples) {
    std::string t;
    for (int s = 1; s <= samples; ++s) {
        t += 'S';
        t += std::to_string(s);
        t += " P Q ";
        t += "0123456789"[s % 10];
        t += "A1B\n";
    }
    return t;
}

const std::string sound_depth = depth_text(3);

std::string gzip(const std::string& text) {
    uLongf size = compressBound(text.size()) + 64;
    std::string out(size, '\0');
    // A gzip stream (window bits 15 + 16), as gzip(1) writes it.
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

void write_inputs(const fs::path& dir) {
    write_file(dir / "variants.txt", variants_text);
    write_file(dir / "frequencies.txt", frequencies_text);
    write_file(dir / "depth.txt", sound_depth);
}

std::vector<std::string> args_for(const std::string& depth = "depth.txt", const std::string& vcf = "calls.vcf") {
    return {"--variant_input_filename",   "variants.txt", "--frequency_input_filename", "frequencies.txt",
            "--readdepth_input_filename", depth,          "--vcf_output_filename",      vcf};
}

const fault_program genocall_program{"genocall", write_inputs, args_for()};

run_result run_genocall(const fs::path& dir, const std::string& depth = "depth.txt",
                        const std::string& vcf = "calls.vcf") {
    return test_support::run_program(test_support::program_path("genocall"), dir, args_for(depth, vcf), {}, 60);
}

// The VCF file of a run on the sound inputs.
const std::string& sound_vcf() {
    static const std::string vcf = [] {
        const auto dir = test_support::make_scratch_dir("genocall_fault_sound_vcf");
        write_inputs(dir);
        const run_result r = run_genocall(dir);
        EXPECT_EQ(r.status, 0) << r.out;
        return read_file(dir / "calls.vcf");
    }();
    return vcf;
}

// The file's bytes, or "<missing>" when there is none.
std::string contents_of(const fs::path& path) { return file_exists(path) ? read_file(path) : "<missing>"; }

// The inputs every case starts from are as they were.
disk_check_fn inputs_unchanged() {
    return all_checks({file_is("variants.txt", variants_text), file_is("frequencies.txt", frequencies_text),
                       file_is("depth.txt", sound_depth)});
}

disk_check_fn vcf_is_sound() { return file_is("calls.vcf", sound_vcf()); }

// A stop while the read-depth file is read leaves the meta lines and the
// fixed header columns: a prefix of the sound run's VCF file.
disk_check_fn vcf_holds_its_start() {
    return [](const fs::path& dir, const run_result&) {
        const std::string vcf = contents_of(dir / "calls.vcf");
        EXPECT_TRUE(vcf.ends_with("\tFORMAT")) << vcf;
        expect_prefix_of(vcf, sound_vcf(), "calls.vcf");
    };
}

disk_check_fn vcf_holds(std::string text) {
    return [text](const fs::path& dir, const run_result&) {
        EXPECT_NE(contents_of(dir / "calls.vcf").find(text), std::string::npos) << text;
    };
}

std::vector<std::string> with_more_args(std::vector<std::string> more) {
    std::vector<std::string> args = args_for();
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// Two markers on two chromosomes, two samples and no frequency file: the
// inputs and arguments of a run whose VCF file is on a full disk, and the
// whole console of that run.
spoil_fn two_markers_no_frequencies() {
    return all_of({file_holding("variants.txt",
                                "chrom pos id x y ref alt rest\n1 1000 m1 0 x A G rest\n"
                                "2 2000 m2 0 x C T rest\n"),
                   file_holding("depth.txt", "S1 P1 Q1 6000\nS2 P2 Q2 0633\n"),
                   test_support::missing("frequencies.txt")});
}
const std::vector<std::string> no_frequencies_args = {"--variant_input_filename",   "variants.txt",
                                                      "--readdepth_input_filename", "depth.txt",
                                                      "--vcf_output_filename",      "calls.vcf"};
const std::string full_disk_console =
    "\n"
    "Compile Timestamp: <masked> \n"
    "\n"
    "Command line options: \n"
    "--variant_input_filename:  variants.txt \n"
    "--readdepth_input_filename:  depth.txt \n"
    "--vcf_output_filename:  calls.vcf \n"
    "--write_dosage:  FALSE\n"
    "--write_allele_depth:  FALSE\n"
    "--write_genotype_probabilities:  FALSE\n"
    "\n"
    "WARNING: No prior frequency file provided.\n"
    "Using prior frequency 0.5 for each allele.\n"
    "\n"
    "Error rate 0.001000 \n"
    "Best call probability 0.950000 \n"
    "\n"
    "Min readepth to set to missing genotype call 1 \n"
    "Num markers 2 \n"
    "\n"
    "ERROR: vcf output file calls.vcf write failed\n";

// Inputs of 200 markers and 1,000 samples: a VCF file of about 800 kB
// beside some 30 kB of console lines.
spoil_fn large_inputs() {
    return [](const fs::path& dir) {
        std::string variants = "chrom pos id x y ref alt rest\n", frequencies, depth;
        // Built by appending: GCC warns wrongly on texts added to numbers.
        for (int k = 1; k <= 200; ++k) {
            variants += "1 ";
            variants += std::to_string(1000 * k);
            variants += " m 0 x A G\n";
            frequencies += "1 1 0.";
            frequencies += "0123456789"[k % 10];
            frequencies += '\n';
        }
        for (int s = 1; s <= 1000; ++s) {
            depth += 'S';
            depth += std::to_string(s);
            depth += " P Q ";
            for (int k = 0; k < 200; ++k) {
                depth += "0123456789"[(s + k) % 10];
                depth += "A31"[(s * k) % 3];
            }
            depth += '\n';
        }
        write_file(dir / "variants.txt", variants);
        write_file(dir / "frequencies.txt", frequencies);
        write_file(dir / "depth.txt", depth);
    };
}

// The VCF file of a run on the large inputs.
const std::string& large_vcf() {
    static const std::string vcf = [] {
        const auto dir = test_support::make_scratch_dir("genocall_fault_large_vcf");
        large_inputs()(dir);
        const run_result r = run_genocall(dir);
        EXPECT_EQ(r.status, 0) << r.out;
        return read_file(dir / "calls.vcf");
    }();
    return vcf;
}

// The VCF name reaching each input: by the same name, by another path, by a
// symbolic link and by a hard link. The run stops before the VCF file is
// opened, and every input keeps its bytes.
std::vector<fault_case> output_naming_an_input() {
    struct input {
        const char* option;
        const char* name;
    };
    const input inputs[] = {{"--variant_input_filename", "variants.txt"},
                            {"--frequency_input_filename", "frequencies.txt"},
                            {"--readdepth_input_filename", "depth.txt"}};
    std::vector<fault_case> cases;
    for (const input& in : inputs) {
        const std::string name = in.name;
        const auto refused = [&](const std::string& vcf) {
            return all_checks(
                {last_line_is("ERROR: --vcf_output_filename " + vcf + " is the same file as " + in.option + " " + name),
                 inputs_unchanged()});
        };
        const std::string other_path = "sub/../" + name;
        cases.push_back({.label = "VCF named as " + name,
                         .args = args_for("depth.txt", name),
                         .status = 1,
                         .check = refused(name)});
        cases.push_back({.label = "VCF by another path to " + name,
                         .spoil = [](const fs::path& dir) { fs::create_directory(dir / "sub"); },
                         .args = args_for("depth.txt", other_path),
                         .status = 1,
                         .check = refused(other_path)});
        cases.push_back({.label = "VCF a symbolic link to " + name,
                         .spoil = [name](const fs::path& dir) { fs::create_symlink(name, dir / "link.vcf"); },
                         .args = args_for("depth.txt", "link.vcf"),
                         .status = 1,
                         .check = refused("link.vcf")});
        cases.push_back({.label = "VCF a hard link to " + name,
                         .spoil = [name](const fs::path& dir) { fs::create_hard_link(dir / name, dir / "hard.vcf"); },
                         .args = args_for("depth.txt", "hard.vcf"),
                         .status = 1,
                         .check = refused("hard.vcf")});
    }
    return cases;
}

TEST(genocall_faults, end_to_end_table) {
    const std::string gz = gzip(sound_depth);
    std::string bad_check = gz;
    bad_check[gz.size() - 8] ^= 1;  // the first byte of the CRC-32 trailer
    const std::vector<std::string> gz_args = args_for("depth.txt.gz");
    const std::string gz_stop = "ERROR: readdepth depth.txt.gz read error after line 3";
    const std::string huge(3 << 20, 'x');
    // Texts around a long run (built by appending: GCC warns wrongly on a
    // literal added to a string this long).
    const auto around = [](const std::string& run, const char* before, const char* after) {
        std::string t(before);
        t += run;
        t += after;
        return t;
    };
    // Longer than the line buffer of its file, with a NUL byte near its start.
    std::string nul_run(20000, 'x');
    nul_run[7] = '\0';
    const auto frequency_lines = [](int count) {
        std::string t;
        for (int k = 0; k < count; ++k) t += "1 1 0.5\n";
        return t;
    };
    const size_t memory_limit = size_t{256} << 20;
    const size_t file_size_limit = size_t{256} << 10;

    std::vector<fault_case> cases = {
        {.label = "sound inputs",
         .status = 0,
         .check = all_checks({vcf_holds("\n1\t2000\t1:2000:C:T\tC\tT\t.\tPASS\t.\tGT\t"), inputs_unchanged()})},
        {.label = "earlier VCF",
         .spoil = file_holding("calls.vcf", earlier_run_text),
         .status = 0,
         .check = all_checks({vcf_is_sound(), inputs_unchanged()})},

        // Directories in place of files, and a full disk.
        {.label = "variants a directory",
         .spoil = directory_named("variants.txt"),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: input_file variants.txt read error"), no_file("calls.vcf")})},
        {.label = "frequencies a directory",
         .spoil = directory_named("frequencies.txt"),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: input_file frequencies.txt read error"), no_file("calls.vcf")})},
        {.label = "read depths a directory",
         .spoil = directory_named("depth.txt"),
         .status = 1,
         .check =
             all_checks({last_line_is("ERROR: readdepth depth.txt read error after line 0"), vcf_holds_its_start()})},
        {.label = "gzip read depths a directory",
         .spoil = directory_named("depth.txt.gz"),
         .args = gz_args,
         .status = 1,
         .check = all_checks(
             {last_line_is("ERROR: readdepth depth.txt.gz read error after line 0"), vcf_holds_its_start()})},
        {.label = "VCF a directory",
         .spoil = directory_named("calls.vcf"),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: vcf output file calls.vcf failed to open"), inputs_unchanged()})},
        {.label = "full disk under the VCF",
         .spoil = full_disk_under("calls.vcf"),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: vcf output file calls.vcf write failed"), inputs_unchanged()})},
        {.label = "full disk under the VCF, no frequency file",
         .spoil = all_of({two_markers_no_frequencies(), full_disk_under("calls.vcf")}),
         .args = no_frequencies_args,
         .status = 1,
         .check = test_support::console_is(full_disk_console, genocall_test::mask_compile_stamp)},

        // A file-size limit that the VCF file passes: the write fails as on a
        // full disk, instead of the signal ending the run mid-line.
        {.label = "file-size limit under the VCF",
         .spoil = large_inputs(),
         .file_size_limit = file_size_limit,
         .status = 1,
         .check =
             [file_size_limit](const fs::path& dir, const run_result& r) {
                 EXPECT_EQ(last_text_line(r.out), "ERROR: vcf output file calls.vcf write failed");
                 const std::string vcf = contents_of(dir / "calls.vcf");
                 EXPECT_EQ(vcf.size(), file_size_limit);
                 expect_prefix_of(vcf, large_vcf(), "calls.vcf");
             }},

        // Standard output closed or full: the console text would be lost, or
        // land in the VCF file. The run stops before the VCF file is opened,
        // an earlier one keeping its bytes.
        {.label = "standard output closed",
         .spoil = file_holding("calls.vcf", earlier_run_text),
         .closed_streams = {1},
         .status = 1,
         .err = "\nERROR: standard output cannot be written: Bad file descriptor\n",
         .check = all_checks({file_is("calls.vcf", earlier_run_text), inputs_unchanged()})},
        {.label = "standard output closed, no earlier VCF",
         .closed_streams = {1},
         .status = 1,
         .err = "\nERROR: standard output cannot be written: Bad file descriptor\n",
         .check = all_checks({no_file("calls.vcf"), inputs_unchanged()})},
        {.label = "standard output closed, 1,000 samples",
         .spoil = large_inputs(),
         .closed_streams = {1},
         .status = 1,
         .err = "\nERROR: standard output cannot be written: Bad file descriptor\n",
         .check = no_file("calls.vcf")},
        {.label = "standard output on a full disk",
         .stdout_target = "/dev/full",
         .status = 1,
         .err = "\nERROR: standard output cannot be written: No space left on device\n",
         .check = all_checks({no_file("calls.vcf"), inputs_unchanged()})},
        // A stop whose message cannot be written tells why on standard error.
        {.label = "standard output closed, a flag followed by a value",
         .args = {"--write_dosage", "extra"},
         .closed_streams = {1},
         .status = 1,
         .err = "\nERROR: standard output cannot be written: Bad file descriptor\n"},

        // Damaged and unusual gzip read-depth files.
        {.label = "gzip and trailing text",
         .spoil = file_holding("depth.txt.gz", gz + "garbage\n"),
         .args = gz_args,
         .status = 1,
         .check = all_checks({last_line_is(gz_stop + ": trailing bytes are not gzip data"), vcf_holds_its_start()})},
        {.label = "gzip and trailing zero bytes",
         .spoil = file_holding("depth.txt.gz", gz + std::string(512, '\0')),
         .args = gz_args,
         .status = 1,
         .check = all_checks({last_line_is(gz_stop + ": trailing bytes are not gzip data"), vcf_holds_its_start()})},
        {.label = "gzip and one byte of a header",
         .spoil = file_holding("depth.txt.gz", gz + "\x1f"),
         .args = gz_args,
         .status = 1,
         .check = all_checks({last_line_is(gz_stop + ": trailing bytes are not gzip data"), vcf_holds_its_start()})},
        {.label = "gzip without its trailer",
         .spoil = file_holding("depth.txt.gz", gz.substr(0, gz.size() - 8)),
         .args = gz_args,
         .status = 1,
         .check = all_checks({last_line_is(gz_stop), vcf_holds_its_start()})},
        {.label = "gzip failing its check value",
         .spoil = file_holding("depth.txt.gz", bad_check),
         .args = gz_args,
         .status = 1,
         .check = all_checks({last_line_is(gz_stop), vcf_holds_its_start()})},
        {.label = "gzip of three members",
         .spoil = file_holding("depth.txt.gz", gzip("S1 P Q 1A1B\n") + gzip("S2 P Q 2A") + gzip("1B\nS3 P Q 3A1B\n")),
         .args = gz_args,
         .status = 0,
         .check = vcf_is_sound()},
        {.label = "plain text under a gzip name",
         .spoil = file_holding("depth.txt.gz", sound_depth),
         .args = gz_args,
         .status = 0,
         .check = vcf_is_sound()},
        {.label = "empty file under a gzip name",
         .spoil = file_holding("depth.txt.gz", ""),
         .args = gz_args,
         .status = 1,
         .check = all_checks({last_line_is("ERROR: readdepth depth.txt.gz holds no sample"), vcf_holds_its_start()})},

        // Frequencies and an error rate that are not numbers.
        {.label = "frequency a word",
         .spoil = file_holding("frequencies.txt", "1 1000 0.3\n1 2000 abc\n"),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: frequency file frequencies.txt line 2: abc is not a number"),
                              no_file("calls.vcf")})},
        {.label = "frequency with a decimal comma",
         .spoil = all_of({file_holding("frequencies.txt", "1 1000 0,9\n1 2000 0.6\n"),
                          file_holding("calls.vcf", earlier_run_text)}),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: frequency file frequencies.txt line 1: 0,9 is not a number"),
                              file_is("calls.vcf", earlier_run_text)})},
        {.label = "frequency above 1",
         .spoil = file_holding("frequencies.txt", "1 1000 0.3\n1 2000 2\n"),
         .status = 1,
         .check =
             all_checks({last_line_is("ERROR: frequency file frequencies.txt line 2: 2 is not a frequency from 0 to 1"),
                         no_file("calls.vcf")})},
        {.label = "frequency below 0",
         .spoil = all_of(
             {file_holding("frequencies.txt", "1 1000 -1\n1 2000 0.6\n"), file_holding("calls.vcf", earlier_run_text)}),
         .status = 1,
         .check = all_checks(
             {last_line_is("ERROR: frequency file frequencies.txt line 1: -1 is not a frequency from 0 to 1"),
              file_is("calls.vcf", earlier_run_text)})},
        {.label = "frequency just above 1",
         .spoil = file_holding("frequencies.txt", "1 1000 1.0000001\n1 2000 0.6\n"),
         .status = 1,
         .check =
             last_line_is("ERROR: frequency file frequencies.txt line 1: 1.0000001 is not a frequency from 0 to 1")},
        {.label = "frequency not-a-number",
         .spoil = file_holding("frequencies.txt", "1 1000 0.3\n1 2000 nan\n"),
         .status = 1,
         .check = last_line_is("ERROR: frequency file frequencies.txt line 2: nan is not a frequency from 0 to 1")},
        {.label = "frequencies 0 and 1",
         .spoil = file_holding("frequencies.txt", "1 1000 0\n1 2000 1e0\n"),
         .status = 0,
         .check = vcf_holds("\n1\t1000\t1:1000:A:G\tA\tG\t.\tPASS\t.\tGT\t1/1\t1/1\t1/1\n")},
        {.label = "error rate a word",
         .spoil = file_holding("calls.vcf", earlier_run_text),
         .args = with_more_args({"--error_rate", "abc"}),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: --error_rate abc is not a number"),
                              file_is("calls.vcf", earlier_run_text), inputs_unchanged()})},
        {.label = "minimum depth past 32 bits",
         .spoil = file_holding("calls.vcf", earlier_run_text),
         .args = with_more_args({"--missing_min_read_depth", "2147483648"}),
         .status = 1,
         .check = all_checks(
             {last_line_is(
                  "ERROR: --missing_min_read_depth 2147483648 is not a whole number from -2147483648 to 2147483647"),
              file_is("calls.vcf", earlier_run_text), inputs_unchanged()})},
        {.label = "error rate not a number",
         .args = with_more_args({"--error_rate", "nan"}),
         .status = 0,
         .out_part = "\nError rate nan is out of bounds (0,1): \nSetting error rate to 0.001 \nBest call probability",
         .check = all_checks({vcf_is_sound(), inputs_unchanged()})},

        // Lines longer than their line buffers, with a NUL byte inside, are read whole.
        {.label = "read-depth line with a NUL byte",
         .spoil = file_holding("depth.txt", around(nul_run, "S1 P Q 0A1B ", "\nS2 P Q 1111\n")),
         .status = 0,
         .check = all_checks({last_line_starts_with("Reading line 2  S2 "), vcf_holds("\tFORMAT\tS1\tS2\n")})},
        {.label = "variant line with a NUL byte",
         .spoil = file_holding("variants.txt", around(nul_run, "h\n1 1000 m1 0 x A G ", "\n1 2000 m2 0 x C T rest\n")),
         .status = 0,
         .check = vcf_is_sound()},
        {.label = "frequency line with a NUL byte",
         .spoil = file_holding("frequencies.txt", around(nul_run, "1 1000 0.3 ", "\n1 2000 0.6\n")),
         .status = 0,
         .check = vcf_is_sound()},

        // Chromosomes and positions that a 32-bit field would change.
        {.label = "position past 32 bits",
         .spoil = all_of({file_holding("variants.txt", "h\n1 1000 m1 0 x A G\n1 4294967297 m2 0 x C T\n"),
                          file_holding("calls.vcf", earlier_run_text)}),
         .status = 1,
         .check = all_checks(
             {last_line_is("ERROR: variant_file variants.txt line 3: position 4294967297 does not fit in 32 bits"),
              file_is("calls.vcf", earlier_run_text)})},
        {.label = "position 2147483648",
         .spoil = file_holding("variants.txt", "h\n1 2147483648 m1 0 x A G\n1 2000 m2 0 x C T\n"),
         .status = 1,
         .check = all_checks(
             {last_line_is("ERROR: variant_file variants.txt line 2: position 2147483648 does not fit in 32 bits"),
              no_file("calls.vcf")})},
        {.label = "position below 32 bits",
         .spoil = file_holding("variants.txt", "h\n1 -2147483649x m1 0 x A G\n1 2000 m2 0 x C T\n"),
         .status = 1,
         .check =
             last_line_is("ERROR: variant_file variants.txt line 2: position -2147483649x does not fit in 32 bits")},
        {.label = "position of 30 digits",
         .spoil = file_holding("variants.txt", "h\n1 1000 m1 0 x A G\n1 123456789012345678901234567890 m2 0 x C T\n"),
         .status = 1,
         .check = last_line_is(
             "ERROR: variant_file variants.txt line 3: position 123456789012345678901234567890 does not fit "
             "in 32 bits")},
        {.label = "chromosome past 32 bits",
         .spoil = file_holding("variants.txt", "h\n4294967297 1000 m1 0 x A G\n1 2000 m2 0 x C T\n"),
         .status = 1,
         .check =
             last_line_is("ERROR: variant_file variants.txt line 2: chromosome 4294967297 does not fit in 32 bits")},
        {.label = "largest position",
         .spoil = file_holding("variants.txt", "h\n1 2147483647 m1 0 x A G\n1 2000 m2 0 x C T\n"),
         .status = 0,
         .check = vcf_holds("\n1\t2147483647\t1:2147483647:A:G\tA\tG\t")},

        // Read-depth files that would make a VCF no reader takes: a sample
        // name twice, or no sample at all (both above, empty files).
        {.label = "sample name twice",
         .spoil = file_holding("depth.txt", "S1 P Q 0A1B\nS2 P Q 1A1B\nS1 P Q 2A1B\n"),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: readdepth depth.txt line 3: sample S1 is already on line 1"),
                              vcf_holds_its_start()})},
        {.label = "sample name twice in a gzip file",
         .spoil = file_holding("depth.txt.gz", gzip("S1 P Q 0A1B\nS2 P Q 1A1B\nS2 P Q 2A1B\n")),
         .args = gz_args,
         .status = 1,
         .check = all_checks({last_line_is("ERROR: readdepth depth.txt.gz line 3: sample S2 is already on line 2"),
                              vcf_holds_its_start()})},
        {.label = "sample names that differ in case only",
         .spoil = file_holding("depth.txt", "s1 P Q 0A1B\nS1 P Q 1A1B\nS1x P Q 2A1B\n"),
         .status = 0,
         .check = vcf_holds("\tFORMAT\ts1\tS1\tS1x\n")},

        // Empty, binary and huge-line inputs.
        {.label = "empty variants",
         .spoil = file_holding("variants.txt", ""),
         .status = 1,
         .check = last_line_is("ERROR: variant_file -1 frequency file 2 ")},
        {.label = "binary variants",
         .spoil = file_holding("variants.txt", binary_bytes()),
         .status = 1,
         .check = last_line_is("ERROR: variant_file 31 frequency file 2 ")},
        {.label = "binary variants, frequencies to match",
         .spoil = all_of(
             {file_holding("frequencies.txt", frequency_lines(31)), file_holding("variants.txt", binary_bytes())}),
         .status = 1,
         .check = last_line_is("ERROR: variant_file variants.txt line 2 has fewer than 7 columns")},
        {.label = "huge variant header",
         .spoil = file_holding("variants.txt", around(huge, "", "\n1 1000 m1 0 x A G rest\n1 2000 m2 0 x C T rest\n")),
         .status = 0,
         .check = vcf_is_sound()},
        {.label = "huge variant line",
         .spoil = file_holding("variants.txt", around(huge, "h\n1 1000 m1 0 x A G ", "\n1 2000 m2 0 x C T rest\n")),
         .status = 0,
         .check = vcf_is_sound()},
        {.label = "empty frequencies",
         .spoil = file_holding("frequencies.txt", ""),
         .status = 1,
         .check = last_line_is("ERROR: variant_file 2 frequency file 0 ")},
        {.label = "binary frequencies",
         .spoil = file_holding("frequencies.txt", binary_bytes()),
         .status = 1,
         .check = last_line_is("ERROR: variant_file 2 frequency file 32 ")},
        {.label = "huge frequency line",
         .spoil = file_holding("frequencies.txt", around(huge, "1 1000 0.3 ", "\n1 2000 0.6\n")),
         .status = 0,
         .check = vcf_is_sound()},
        {.label = "empty read depths",
         .spoil = file_holding("depth.txt", ""),
         .status = 1,
         .check = all_checks({last_line_is("ERROR: readdepth depth.txt holds no sample"), vcf_holds_its_start()})},
        {.label = "binary read depths",
         .spoil = file_holding("depth.txt", binary_bytes()),
         .status = 1,
         .check = all_checks(
             {last_line_is("ERROR: readdepth depth.txt line 1 has fewer than 4 columns"), vcf_holds_its_start()})},
        {.label = "huge read-depth line",
         .spoil = file_holding("depth.txt", around(huge, "S1 P Q 0A1B", "\nS2 P Q 1111\n")),
         .status = 0,
         .check = last_line_starts_with("Reading line 2  S2 ")},

        // Memory runs out: an endless read-depth line under an address-space
        // limit that a sound run stays within.
        {.label = "sound inputs under a memory limit",
         .memory_limit = memory_limit,
         .status = 0,
         .check = vcf_is_sound()},
        {.label = "endless read-depth line under a memory limit",
         .args = args_for("/dev/zero"),
         .memory_limit = memory_limit,
         .status = 1,
         .check = all_checks({last_line_is("Insufficient memory "), vcf_holds_its_start(), inputs_unchanged()})},
    };
    for (fault_case& c : output_naming_an_input()) cases.push_back(std::move(c));
    test_support::run_fault_table(genocall_program, cases);
}

TEST(genocall_faults, gzip_depth_file_cut_at_every_byte) {
    const std::string text = depth_text(40);
    const std::string gz = gzip(text);
    const auto dir = test_support::make_scratch_dir("genocall_fault_gzip_cut");
    write_inputs(dir);
    for (size_t cut = 1; cut < gz.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        write_file(dir / "depth.txt.gz", gz.substr(0, cut));
        fs::remove(dir / "calls.vcf");
        const run_result r = run_genocall(dir, "depth.txt.gz");
        ASSERT_EQ(r.status, 1) << r.out;
        ASSERT_EQ(r.err, "");
        const std::string last = last_text_line(r.out);
        // The first byte alone is no gzip header: zlib reads it as text.
        if (cut == 1)
            ASSERT_EQ(last, "ERROR: readdepth depth.txt.gz line 1 has fewer than 4 columns");
        else
            ASSERT_TRUE(last.starts_with("ERROR: readdepth depth.txt.gz read error after line ")) << last;
        // The VCF file keeps the lines written before the read-depth file.
        ASSERT_TRUE(read_file(dir / "calls.vcf").starts_with("##fileformat=VCFv4.1\n"));
    }
    // The whole stream reads.
    write_file(dir / "depth.txt.gz", gz);
    const run_result r = run_genocall(dir, "depth.txt.gz");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Reading line 40 "), std::string::npos);
}

}  // namespace
