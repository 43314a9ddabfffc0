// Faults injected into whole genocall runs: inputs and the VCF output that
// are directories, a full disk, a gzip read-depth file cut at every byte, and
// empty, binary and huge-line inputs for each reader. Every run ends with one
// clear message and status 1 (or completes where the input is sound), writes
// nothing unexpected to standard error (no sanitizer report), and leaves the
// VCF lines it wrote in place.
#include <gtest/gtest.h>
#include <zlib.h>

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

const std::string variants_text =
    "chrom pos id x y ref alt rest\n1 1000 m1 0 x A G rest\n1 2000 m2 0 x C T rest\n";
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
    write_file(dir / "depth.txt", depth_text(3));
}

run_result run_genocall(const fs::path& dir, const std::string& depth = "depth.txt",
                        const std::string& vcf = "calls.vcf") {
    return test_support::run_program(test_support::program_path("genocall"), dir,
                                     {"--variant_input_filename", "variants.txt", "--frequency_input_filename",
                                      "frequencies.txt", "--readdepth_input_filename", depth,
                                      "--vcf_output_filename", vcf},
                                     {}, 60);
}

// The last line of standard output that carries text.
std::string last_line(const std::string& out) {
    size_t end = out.find_last_not_of('\n');
    if (end == std::string::npos) return "";
    const size_t start = out.rfind('\n', end);
    return out.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

TEST(genocall_faults, sound_run_completes) {
    const auto dir = test_support::make_scratch_dir("genocall_fault_sound");
    write_inputs(dir);
    const run_result r = run_genocall(dir);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(read_file(dir / "calls.vcf").find("\n1\t2000\t1:2000:C:T\t"), std::string::npos);
}

TEST(genocall_faults, input_or_output_name_that_is_a_directory) {
    struct fault {
        const char* name;
        const char* message;  // the last line of standard output
    };
    const fault faults[] = {
        {"variants.txt", "ERROR: input_file variants.txt read error"},
        {"frequencies.txt", "ERROR: input_file frequencies.txt read error"},
        {"depth.txt", "ERROR: readdepth depth.txt read error after line 0"},
        {"depth.txt.gz", "ERROR: readdepth depth.txt.gz read error after line 0"},
        {"calls.vcf", "ERROR: vcf output file calls.vcf failed to open"},
    };
    for (const fault& f : faults) {
        SCOPED_TRACE(f.name);
        const auto dir = test_support::make_scratch_dir("genocall_fault_dir");
        write_inputs(dir);
        fs::remove(dir / f.name);
        fs::create_directory(dir / f.name);
        const std::string depth = std::string(f.name) == "depth.txt.gz" ? "depth.txt.gz" : "depth.txt";
        const run_result r = run_genocall(dir, depth);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(last_line(r.out), f.message);
    }
}

TEST(genocall_faults, full_disk_under_the_vcf_name) {
    const auto dir = test_support::make_scratch_dir("genocall_fault_full");
    write_inputs(dir);
    fs::create_symlink("/dev/full", dir / "calls.vcf");
    const run_result r = run_genocall(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(last_line(r.out).find("calls.vcf"), std::string::npos) << r.out;
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
        const std::string last = last_line(r.out);
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

TEST(genocall_faults, empty_binary_and_huge_line_inputs) {
    const std::string huge(3 << 20, 'x');
    // Texts around the huge run (built by appending: GCC warns wrongly on
    // a literal added to a string this long).
    const auto around = [&huge](const char* before, const char* after) {
        std::string t(before);
        t += huge;
        t += after;
        return t;
    };
    struct fault {
        const char* label;
        const char* name;
        std::string contents;
        int status;
        const char* message;  // the start of the last line of standard output
        int frequency_lines = 2;  // lines of the frequency file
    };
    const fault faults[] = {
        {"empty variants", "variants.txt", "", 1, "ERROR: variant_file -1 frequency file 2"},
        {"binary variants", "variants.txt", binary_bytes(), 1, "ERROR: variant_file 31 frequency file 2"},
        {"binary variants, frequencies to match", "variants.txt", binary_bytes(), 1,
         "ERROR: variant_file variants.txt line 2 has fewer than 7 columns", 31},
        {"huge variant header", "variants.txt", around("", "\n1 1000 m1 0 x A G rest\n1 2000 m2 0 x C T rest\n"), 0,
         "Reading line 3"},
        {"huge variant line", "variants.txt",
         around("h\n1 1000 m1 0 x A G ", "\n1 2000 m2 0 x C T rest\n"), 0, "Reading line 3"},
        {"empty frequencies", "frequencies.txt", "", 1, "ERROR: variant_file 2 frequency file 0"},
        {"binary frequencies", "frequencies.txt", binary_bytes(), 1, "ERROR: variant_file 2 frequency file 32"},
        {"huge frequency line", "frequencies.txt", around("1 1000 0.3 ", "\n1 2000 0.6\n"), 0, "Reading line 3"},
        {"empty read depths", "depth.txt", "", 0, ""},
        {"binary read depths", "depth.txt", binary_bytes(), 1,
         "ERROR: readdepth depth.txt line 1 has fewer than 4 columns"},
        {"huge read-depth line", "depth.txt", around("S1 P Q 0A1B", "\nS2 P Q 1111\n"), 0, "Reading line 2"},
    };
    for (const fault& f : faults) {
        SCOPED_TRACE(f.label);
        const auto dir = test_support::make_scratch_dir("genocall_fault_input");
        write_inputs(dir);
        std::string frequencies;
        for (int k = 0; k < f.frequency_lines; ++k) frequencies += "1 1 0.5\n";
        if (f.frequency_lines != 2) write_file(dir / "frequencies.txt", frequencies);
        write_file(dir / f.name, f.contents);
        const run_result r = run_genocall(dir);
        EXPECT_EQ(r.status, f.status) << r.out.substr(0, 2000);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(last_line(r.out).starts_with(f.message)) << last_line(r.out).substr(0, 200);
    }
}

}  // namespace
