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
        cases.push_back({"VCF named as " + name, nullptr, 1, "", "", refused(name), args_for("depth.txt", name)});
        cases.push_back({"VCF by another path to " + name,
                         [](const fs::path& dir) { fs::create_directory(dir / "sub"); }, 1, "", "", refused(other_path),
                         args_for("depth.txt", other_path)});
        cases.push_back({"VCF a symbolic link to " + name,
                         [name](const fs::path& dir) { fs::create_symlink(name, dir / "link.vcf"); }, 1, "", "",
                         refused("link.vcf"), args_for("depth.txt", "link.vcf")});
        cases.push_back({"VCF a hard link to " + name,
                         [name](const fs::path& dir) { fs::create_hard_link(dir / name, dir / "hard.vcf"); }, 1, "", "",
                         refused("hard.vcf"), args_for("depth.txt", "hard.vcf")});
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
        {"sound inputs", nullptr, 0, "", "",
         all_checks({vcf_holds("\n1\t2000\t1:2000:C:T\tC\tT\t.\tPASS\t.\tGT\t"), inputs_unchanged()})},
        {"earlier VCF", file_holding("calls.vcf", earlier_run_text), 0, "", "",
         all_checks({vcf_is_sound(), inputs_unchanged()})},

        // Directories in place of files, and a full disk.
        {"variants a directory", directory_named("variants.txt"), 1, "", "",
         all_checks({last_line_is("ERROR: input_file variants.txt read error"), no_file("calls.vcf")})},
        {"frequencies a directory", directory_named("frequencies.txt"), 1, "", "",
         all_checks({last_line_is("ERROR: input_file frequencies.txt read error"), no_file("calls.vcf")})},
        {"read depths a directory", directory_named("depth.txt"), 1, "", "",
         all_checks({last_line_is("ERROR: readdepth depth.txt read error after line 0"), vcf_holds_its_start()})},
        {"gzip read depths a directory", directory_named("depth.txt.gz"), 1, "", "",
         all_checks({last_line_is("ERROR: readdepth depth.txt.gz read error after line 0"), vcf_holds_its_start()}),
         gz_args},
        {"VCF a directory", directory_named("calls.vcf"), 1, "", "",
         all_checks({last_line_is("ERROR: vcf output file calls.vcf failed to open"), inputs_unchanged()})},
        {"full disk under the VCF", full_disk_under("calls.vcf"), 1, "", "",
         all_checks({last_line_is("ERROR: vcf output file calls.vcf write failed"), inputs_unchanged()})},

        // A file-size limit that the VCF file passes: the write fails as on a
        // full disk, instead of the signal ending the run mid-line.
        {"file-size limit under the VCF",
         large_inputs(),
         1,
         "",
         "",
         [file_size_limit](const fs::path& dir, const run_result& r) {
             EXPECT_EQ(last_text_line(r.out), "ERROR: vcf output file calls.vcf write failed");
             const std::string vcf = contents_of(dir / "calls.vcf");
             EXPECT_EQ(vcf.size(), file_size_limit);
             expect_prefix_of(vcf, large_vcf(), "calls.vcf");
         },
         {},
         0,
         "",
         {},
         file_size_limit},

        // Standard output closed or full: the console text would be lost, or
        // land in the VCF file. The run stops before the VCF file is opened,
        // an earlier one keeping its bytes.
        {"standard output closed",
         file_holding("calls.vcf", earlier_run_text),
         1,
         "\nERROR: standard output cannot be written: Bad file descriptor\n",
         "",
         all_checks({file_is("calls.vcf", earlier_run_text), inputs_unchanged()}),
         {},
         0,
         "",
         {},
         0,
         {1}},
        {"standard output closed, no earlier VCF",
         nullptr,
         1,
         "\nERROR: standard output cannot be written: Bad file descriptor\n",
         "",
         all_checks({no_file("calls.vcf"), inputs_unchanged()}),
         {},
         0,
         "",
         {},
         0,
         {1}},
        {"standard output closed, 1,000 samples",
         large_inputs(),
         1,
         "\nERROR: standard output cannot be written: Bad file descriptor\n",
         "",
         no_file("calls.vcf"),
         {},
         0,
         "",
         {},
         0,
         {1}},
        {"standard output on a full disk",
         nullptr,
         1,
         "\nERROR: standard output cannot be written: No space left on device\n",
         "",
         all_checks({no_file("calls.vcf"), inputs_unchanged()}),
         {},
         0,
         "",
         {},
         0,
         {},
         "/dev/full"},
        // A stop whose message cannot be written tells why on standard error.
        {"standard output closed, a flag followed by a value",
         nullptr,
         1,
         "\nERROR: standard output cannot be written: Bad file descriptor\n",
         "",
         nullptr,
         {"--write_dosage", "extra"},
         0,
         "",
         {},
         0,
         {1}},

        // Damaged and unusual gzip read-depth files.
        {"gzip and trailing text", file_holding("depth.txt.gz", gz + "garbage\n"), 1, "", "",
         all_checks({last_line_is(gz_stop + ": trailing bytes are not gzip data"), vcf_holds_its_start()}), gz_args},
        {"gzip and trailing zero bytes", file_holding("depth.txt.gz", gz + std::string(512, '\0')), 1, "", "",
         all_checks({last_line_is(gz_stop + ": trailing bytes are not gzip data"), vcf_holds_its_start()}), gz_args},
        {"gzip and one byte of a header", file_holding("depth.txt.gz", gz + "\x1f"), 1, "", "",
         all_checks({last_line_is(gz_stop + ": trailing bytes are not gzip data"), vcf_holds_its_start()}), gz_args},
        {"gzip without its trailer", file_holding("depth.txt.gz", gz.substr(0, gz.size() - 8)), 1, "", "",
         all_checks({last_line_is(gz_stop), vcf_holds_its_start()}), gz_args},
        {"gzip failing its check value", file_holding("depth.txt.gz", bad_check), 1, "", "",
         all_checks({last_line_is(gz_stop), vcf_holds_its_start()}), gz_args},
        {"gzip of three members",
         file_holding("depth.txt.gz", gzip("S1 P Q 1A1B\n") + gzip("S2 P Q 2A") + gzip("1B\nS3 P Q 3A1B\n")), 0, "", "",
         vcf_is_sound(), gz_args},
        {"plain text under a gzip name", file_holding("depth.txt.gz", sound_depth), 0, "", "", vcf_is_sound(), gz_args},
        {"empty file under a gzip name", file_holding("depth.txt.gz", ""), 1, "", "",
         all_checks({last_line_is("ERROR: readdepth depth.txt.gz holds no sample"), vcf_holds_its_start()}), gz_args},

        // Frequencies and an error rate that are not numbers.
        {"frequency a word", file_holding("frequencies.txt", "1 1000 0.3\n1 2000 abc\n"), 1, "", "",
         all_checks({last_line_is("ERROR: frequency file frequencies.txt line 2: abc is not a number"),
                     no_file("calls.vcf")})},
        {"frequency with a decimal comma",
         all_of({file_holding("frequencies.txt", "1 1000 0,9\n1 2000 0.6\n"),
                 file_holding("calls.vcf", earlier_run_text)}),
         1, "", "",
         all_checks({last_line_is("ERROR: frequency file frequencies.txt line 1: 0,9 is not a number"),
                     file_is("calls.vcf", earlier_run_text)})},
        {"frequency above 1", file_holding("frequencies.txt", "1 1000 0.3\n1 2000 2\n"), 1, "", "",
         all_checks({last_line_is("ERROR: frequency file frequencies.txt line 2: 2 is not a frequency from 0 to 1"),
                     no_file("calls.vcf")})},
        {"frequency below 0",
         all_of(
             {file_holding("frequencies.txt", "1 1000 -1\n1 2000 0.6\n"), file_holding("calls.vcf", earlier_run_text)}),
         1, "", "",
         all_checks({last_line_is("ERROR: frequency file frequencies.txt line 1: -1 is not a frequency from 0 to 1"),
                     file_is("calls.vcf", earlier_run_text)})},
        {"frequency just above 1", file_holding("frequencies.txt", "1 1000 1.0000001\n1 2000 0.6\n"), 1, "", "",
         last_line_is("ERROR: frequency file frequencies.txt line 1: 1.0000001 is not a frequency from 0 to 1")},
        {"frequency not-a-number", file_holding("frequencies.txt", "1 1000 0.3\n1 2000 nan\n"), 1, "", "",
         last_line_is("ERROR: frequency file frequencies.txt line 2: nan is not a frequency from 0 to 1")},
        {"frequencies 0 and 1", file_holding("frequencies.txt", "1 1000 0\n1 2000 1e0\n"), 0, "", "",
         vcf_holds("\n1\t1000\t1:1000:A:G\tA\tG\t.\tPASS\t.\tGT\t1/1\t1/1\t1/1\n")},
        {"error rate a word", file_holding("calls.vcf", earlier_run_text), 1, "", "",
         all_checks({last_line_is("ERROR: --error_rate abc is not a number"), file_is("calls.vcf", earlier_run_text),
                     inputs_unchanged()}),
         with_more_args({"--error_rate", "abc"})},
        {"minimum depth past 32 bits", file_holding("calls.vcf", earlier_run_text), 1, "", "",
         all_checks(
             {last_line_is(
                  "ERROR: --missing_min_read_depth 2147483648 is not a whole number from -2147483648 to 2147483647"),
              file_is("calls.vcf", earlier_run_text), inputs_unchanged()}),
         with_more_args({"--missing_min_read_depth", "2147483648"})},
        {"error rate not a number", nullptr, 0, "",
         "\nError rate nan is out of bounds (0,1): \nSetting error rate to 0.001 \nBest call probability",
         all_checks({vcf_is_sound(), inputs_unchanged()}), with_more_args({"--error_rate", "nan"})},

        // Lines longer than their line buffers, with a NUL byte inside, are read whole.
        {"read-depth line with a NUL byte",
         file_holding("depth.txt", around(nul_run, "S1 P Q 0A1B ", "\nS2 P Q 1111\n")), 0, "", "",
         all_checks({last_line_starts_with("Reading line 2  S2 "), vcf_holds("\tFORMAT\tS1\tS2\n")})},
        {"variant line with a NUL byte",
         file_holding("variants.txt", around(nul_run, "h\n1 1000 m1 0 x A G ", "\n1 2000 m2 0 x C T rest\n")), 0, "",
         "", vcf_is_sound()},
        {"frequency line with a NUL byte",
         file_holding("frequencies.txt", around(nul_run, "1 1000 0.3 ", "\n1 2000 0.6\n")), 0, "", "", vcf_is_sound()},

        // Chromosomes and positions that a 32-bit field would change.
        {"position past 32 bits",
         all_of({file_holding("variants.txt", "h\n1 1000 m1 0 x A G\n1 4294967297 m2 0 x C T\n"),
                 file_holding("calls.vcf", earlier_run_text)}),
         1, "", "",
         all_checks(
             {last_line_is("ERROR: variant_file variants.txt line 3: position 4294967297 does not fit in 32 bits"),
              file_is("calls.vcf", earlier_run_text)})},
        {"position 2147483648", file_holding("variants.txt", "h\n1 2147483648 m1 0 x A G\n1 2000 m2 0 x C T\n"), 1, "",
         "",
         all_checks(
             {last_line_is("ERROR: variant_file variants.txt line 2: position 2147483648 does not fit in 32 bits"),
              no_file("calls.vcf")})},
        {"position below 32 bits", file_holding("variants.txt", "h\n1 -2147483649x m1 0 x A G\n1 2000 m2 0 x C T\n"), 1,
         "", "",
         last_line_is("ERROR: variant_file variants.txt line 2: position -2147483649x does not fit in 32 bits")},
        {"position of 30 digits",
         file_holding("variants.txt", "h\n1 1000 m1 0 x A G\n1 123456789012345678901234567890 m2 0 x C T\n"), 1, "", "",
         last_line_is("ERROR: variant_file variants.txt line 3: position 123456789012345678901234567890 does not fit "
                      "in 32 bits")},
        {"chromosome past 32 bits", file_holding("variants.txt", "h\n4294967297 1000 m1 0 x A G\n1 2000 m2 0 x C T\n"),
         1, "", "",
         last_line_is("ERROR: variant_file variants.txt line 2: chromosome 4294967297 does not fit in 32 bits")},
        {"largest position", file_holding("variants.txt", "h\n1 2147483647 m1 0 x A G\n1 2000 m2 0 x C T\n"), 0, "", "",
         vcf_holds("\n1\t2147483647\t1:2147483647:A:G\tA\tG\t")},

        // Read-depth files that would make a VCF no reader takes: a sample
        // name twice, or no sample at all (both above, empty files).
        {"sample name twice", file_holding("depth.txt", "S1 P Q 0A1B\nS2 P Q 1A1B\nS1 P Q 2A1B\n"), 1, "", "",
         all_checks({last_line_is("ERROR: readdepth depth.txt line 3: sample S1 is already on line 1"),
                     vcf_holds_its_start()})},
        {"sample name twice in a gzip file",
         file_holding("depth.txt.gz", gzip("S1 P Q 0A1B\nS2 P Q 1A1B\nS2 P Q 2A1B\n")), 1, "", "",
         all_checks({last_line_is("ERROR: readdepth depth.txt.gz line 3: sample S2 is already on line 2"),
                     vcf_holds_its_start()}),
         gz_args},
        {"sample names that differ in case only", file_holding("depth.txt", "s1 P Q 0A1B\nS1 P Q 1A1B\nS1x P Q 2A1B\n"),
         0, "", "", vcf_holds("\tFORMAT\ts1\tS1\tS1x\n")},

        // Empty, binary and huge-line inputs.
        {"empty variants", file_holding("variants.txt", ""), 1, "", "",
         last_line_is("ERROR: variant_file -1 frequency file 2 ")},
        {"binary variants", file_holding("variants.txt", binary_bytes()), 1, "", "",
         last_line_is("ERROR: variant_file 31 frequency file 2 ")},
        {"binary variants, frequencies to match",
         all_of({file_holding("frequencies.txt", frequency_lines(31)), file_holding("variants.txt", binary_bytes())}),
         1, "", "", last_line_is("ERROR: variant_file variants.txt line 2 has fewer than 7 columns")},
        {"huge variant header",
         file_holding("variants.txt", around(huge, "", "\n1 1000 m1 0 x A G rest\n1 2000 m2 0 x C T rest\n")), 0, "",
         "", vcf_is_sound()},
        {"huge variant line",
         file_holding("variants.txt", around(huge, "h\n1 1000 m1 0 x A G ", "\n1 2000 m2 0 x C T rest\n")), 0, "", "",
         vcf_is_sound()},
        {"empty frequencies", file_holding("frequencies.txt", ""), 1, "", "",
         last_line_is("ERROR: variant_file 2 frequency file 0 ")},
        {"binary frequencies", file_holding("frequencies.txt", binary_bytes()), 1, "", "",
         last_line_is("ERROR: variant_file 2 frequency file 32 ")},
        {"huge frequency line", file_holding("frequencies.txt", around(huge, "1 1000 0.3 ", "\n1 2000 0.6\n")), 0, "",
         "", vcf_is_sound()},
        {"empty read depths", file_holding("depth.txt", ""), 1, "", "",
         all_checks({last_line_is("ERROR: readdepth depth.txt holds no sample"), vcf_holds_its_start()})},
        {"binary read depths", file_holding("depth.txt", binary_bytes()), 1, "", "",
         all_checks(
             {last_line_is("ERROR: readdepth depth.txt line 1 has fewer than 4 columns"), vcf_holds_its_start()})},
        {"huge read-depth line", file_holding("depth.txt", around(huge, "S1 P Q 0A1B", "\nS2 P Q 1111\n")), 0, "", "",
         last_line_starts_with("Reading line 2  S2 ")},

        // Memory runs out: an endless read-depth line under an address-space
        // limit that a sound run stays within.
        {"sound inputs under a memory limit", nullptr, 0, "", "", vcf_is_sound(), {}, memory_limit},
        {"endless read-depth line under a memory limit", nullptr, 1, "", "",
         all_checks({last_line_is("Insufficient memory "), vcf_holds_its_start(), inputs_unchanged()}),
         args_for("/dev/zero"), memory_limit},
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
