// Faults injected into whole fragsim runs: inputs and outputs that are
// directories or links that lead nowhere, outputs that are links to inputs or
// to each other, a full disk, a file-size limit, a closed standard error,
// read files left by an earlier run, a stop and a fatal error in one source's thread while the
// others write, reference.unf and fragsim.options cut at every byte, empty,
// binary, NUL-filled and huge-line text inputs under a memory limit, an OpenMP
// runtime that cannot start its threads, and arguments. Every run must end
// with its message and status, write nothing else to standard error (no
// sanitizer report), keep every read record written before the end, and leave
// no read file that holds anything but a prefix of what a sound run writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "binary_inputs.h"
#include "fault_table.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::all_checks;
using test_support::all_of;
using test_support::binary_bytes;
using test_support::console_is;
using test_support::directory_named;
using test_support::earlier_run_text;
using test_support::expect_prefix_of;
using test_support::fatal_line;
using test_support::fault_case;
using test_support::file_holding;
using test_support::file_is;
using test_support::full_disk_under;
using test_support::hard_link_named;
using test_support::last_line_is;
using test_support::link_named;
using test_support::missing;
using test_support::nul_filled;
using test_support::open_failure;
using test_support::read_file;
using test_support::run_result;
using test_support::spoil_fn;
using test_support::write_failure;
using test_support::write_file;

const std::string chromosome1 = "ACGTTGCAACGGTACCGTAGCTAGCTTAGCGATCGATCGGCTAGCTAGGCTAACGTAGCT";
const std::string chromosome2 = "TTGACCGTAGGCTAGCATCGATGCATGCAAGTCGATGCAA";

// Two chromosomes of 60 and 40 bases: 12 + 40 + 100 = 152 bytes.
std::string small_reference_unf() { return test_support::reference_unf_of({chromosome1, chromosome2}); }

// Reads of 20 bases from fragments of 40, FASTQ output, two sources, depth
// 0.5 (two reads each). The last value is missrate.
const std::string options_text =
    " 0 20 40 10 10 1\npaired maxlngth fraglen maxinsert maxvar outformat\n"
    "sources read_depth errate missrate\n 2 0.5 0.01 0.001\n";

// Options of the same reads with another output format, number of sources
// and depth (a depth of 0.2 gives one read per source and base of the map).
std::string options_with(int outformat, int sources, const char* depth) {
    return " 0 20 40 10 100 " + std::to_string(outformat) + "\nx\nx\n " + std::to_string(sources) + " " + depth +
           " 0.01 0.001\n";
}

const std::string simseed_text = "simulation seed\n 4711\n";
const std::string variants_text = "chrom location type unused length allele\n1 5 SNP 0 1 G\n";
// A row per source for the one variant.
const std::string genotypes_text = "       501         0         1 2\n       502         0         1 1\n";

void write_inputs(const fs::path& dir) {
    write_file(dir / "fragsim.options", options_text);
    write_file(dir / "reference.unf", small_reference_unf());
    write_file(dir / "simseed", simseed_text);
    write_file(dir / "variants.true", variants_text);
}

// Every input as the case wrote it; options is fragsim.options.
test_support::disk_check_fn inputs_unchanged(std::string options = options_text) {
    return all_checks({file_is("fragsim.options", options), file_is("reference.unf", small_reference_unf()),
                       file_is("simseed", simseed_text), file_is("variants.true", variants_text)});
}

// The stop of a run whose output is the same file as an input or an earlier
// output: its line ends the console, and no input has changed.
test_support::disk_check_fn same_file_stop(const std::string& line, std::string options = options_text) {
    return all_checks({last_line_is(line), inputs_unchanged(options)});
}

const test_support::fault_program fragsim{"fragsim", write_inputs, {}, {"OMP_NUM_THREADS=1"}};

run_result run_fragsim(const fs::path& dir) {
    return test_support::run_program(test_support::program_path("fragsim"), dir, {}, fragsim.env, 60);
}

// The files of a sound run of the inputs with the given changes, by name
// (each set of changes run once).
const std::map<std::string, std::string>& sound_files(const std::string& label, const spoil_fn& changes) {
    static std::map<std::string, std::map<std::string, std::string>> runs;
    auto found = runs.find(label);
    if (found != runs.end()) return found->second;
    const auto dir = test_support::make_scratch_dir("fragsim_fault_sound_" + label);
    write_inputs(dir);
    if (changes) changes(dir);
    const run_result r = run_fragsim(dir);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    std::map<std::string, std::string>& files = runs[label];
    for (const auto& name : test_support::list_files(dir)) files[name] = read_file(dir / name);
    return files;
}

const std::map<std::string, std::string>& sound() { return sound_files("plain", nullptr); }

const std::string closing_line = " Program fragsim finished normally";

// An earlier run's text in each read file of sources 1..sources.
spoil_fn earlier_read_files(int sources) {
    std::vector<spoil_fn> spoilers;
    for (int k = 1; k <= sources; ++k)
        for (const char* end : {".unf", ".1.fq", ".2.fq"})
            spoilers.push_back(file_holding("source" + std::to_string(k) + end, earlier_run_text));
    return all_of(spoilers);
}

// Every read file of the sources holds a byte prefix of what the sound run
// of the same inputs writes (so nothing of an earlier run); the names in
// complete hold all of it.
test_support::disk_check_fn read_files_are_prefixes(std::string label, spoil_fn changes, int sources,
                                                    std::vector<std::string> skip = {},
                                                    std::vector<std::string> complete = {}) {
    return [=](const fs::path& dir, const run_result&) {
        const auto& whole = sound_files(label, changes);
        for (int k = 1; k <= sources; ++k)
            for (const char* end : {".unf", ".1.fq", ".2.fq"}) {
                const std::string name = "source" + std::to_string(k) + end;
                if (std::find(skip.begin(), skip.end(), name) != skip.end() || !whole.count(name)) continue;
                const std::string got = read_file(dir / name);
                expect_prefix_of(got, whole.at(name), name);
                if (std::find(complete.begin(), complete.end(), name) != complete.end()) {
                    EXPECT_EQ(got, whole.at(name)) << name;
                }
            }
    };
}

// A map, true variants and genotypes with which source 1 can never draw a
// fragment: every base of its haplotypes is an 'N' SNP, so each attempt holds
// more 'N' than a read may, and the run stops after its attempts; source 2
// carries none of the variants.
spoil_fn hopeless_first_source(char first_genotype) {
    std::string variants = "chrom location type unused length allele\n";
    for (size_t p = 1; p <= chromosome1.size(); ++p) variants += "1 " + std::to_string(p) + " SNP 0 1 N\n";
    for (size_t p = 1; p <= chromosome2.size(); ++p) variants += "2 " + std::to_string(p) + " SNP 0 1 N\n";
    const std::string genotypes = "       501         0       100 " + std::string(100, first_genotype) + "\n" +
                                  "       502         0       100 " + std::string(100, '0') + "\n";
    return all_of({file_holding("fragsim.options", options_with(1, 2, "100")), file_holding("variants.true", variants),
                   file_holding("genotypes.true", genotypes)});
}

// One source of binary read files only, no true variants and no genotypes:
// the inputs of a run whose only read file meets a full disk in the source
// loop, and the whole console such a run prints before its end.
const std::string chromosome_of_300 =
    "CGTCCAACCCTATTTTTCTATCAGTTTAGAATTAAGCATCCAATCCTTGGTCCAGGTCGCGGACGCAGGCGATGTGTCTACACCGAATGCTCCTTTTAAG"
    "AAAAGCTCACACGTAGGGGATCAACCGTTAACCTTCTAATCTATTGTCACATAACAAGTACCGTCAGGAGTCGATGGGGGACTGTGCGTTGGTCTAGCAT"
    "GTAGGGGGTCGCCTCCCGTAATACTACACGAATTGACGAGAACGACAGCGGGAAGTCCGTCTAACAGCGCAAACCGGCTAACCCGCTCCCTATGTTGTGC";

spoil_fn binary_reads_only() {
    return all_of({file_holding("fragsim.options",
                                " 0 50 100 10 10 0\npaired maxlngth fraglen maxinsert maxvar outformat\n"
                                "sources read_depth errate missrate\n 1 1 0 0\n"),
                   file_holding("reference.unf", test_support::reference_unf_of({chromosome_of_300})),
                   file_holding("simseed", "simulation seed\n 1\n"), missing("variants.true")});
}

const std::string binary_reads_console =
    " Output from fragsim\n"
    " \n"
    " Optional input file variants.true is missing.\n"
    " Optional input file genotypes.true is missing:\n"
    "   Alternate alleles will be set to heterozygous for every other and \n"
    "   homozygous for every fourth prior variant.\n"
    " \n"
    "  0        50       100        10        10         0\n"
    " paired  maxlngth  fraglen  maxinsert  maxvar  outformat\n"
    " \n"
    "     1  1.000000  0.000000  0.000000\n"
    " sources  read_depth   errate  missrate\n"
    " \n"
    "New phred quality scores =        ()*+,-./0123456789:;<=>?@ABCDEFGHIJK\n"
    " Error rate\n"
    "  0.000000 phred score =  75   K\n"
    " \n"
    " Simulation seed =            1\n"
    " Wall time: <masked>\n"
    " Read reference map, alternate alleles, insertions, and deletions\n"
    " \n"
    "           1  chromosome length         300\n"
    "                   300 total length of reference map\n"
    " \n"
    "         0 missing alleles in reference map, % =   0.000000\n"
    " \n"
    " Wall time: <masked>\n"
    "           0  variant records read from variants.true, this included:\n"
    "           0  alternate alleles (SNPs)\n"
    "           0  insertions\n"
    "           0  deletions\n"
    " \n"
    "           0  maximum indel length\n"
    "insertion vector\n"
    " \n"
    " Wall time: <masked>\n"
    "           0  records read from genotypes.true\n"
    " \n"
    " Wall time: <masked>\n"
    " \n";

constexpr size_t MiB = size_t{1} << 20;

TEST(fragsim_faults, sound_run_writes_every_output) {
    EXPECT_NE(sound().at("fastq.filelist"), "");
    for (const char* name : {"source1.1.fq", "source1.2.fq", "source2.1.fq", "source2.2.fq"})
        EXPECT_EQ(sound().at(name).substr(0, 1), "@") << name;
}

TEST(fragsim_faults, fault_table) {
    const std::string huge_blanks(3 << 20, ' ');
    std::string huge_number((3 << 20) + 1, '0');
    huge_number[0] = '1';
    const std::string conversion_options = fatal_line(64, "input conversion error", 9, "fragsim.options");
    const auto sources_before_complete = [](const fs::path& dir, const run_result&) {
        EXPECT_EQ(read_file(dir / "source1.1.fq"), sound().at("source1.1.fq"));
        EXPECT_EQ(read_file(dir / "source1.2.fq"), sound().at("source1.2.fq"));
        EXPECT_EQ(read_file(dir / "fastq.filelist"), sound().at("fastq.filelist"));
    };
    const auto as_sound = [](std::vector<std::string> names) {
        return [names](const fs::path& dir, const run_result&) {
            for (const auto& name : names) EXPECT_EQ(read_file(dir / name), sound().at(name)) << name;
        };
    };

    // One source, both output formats, 10,000 reads; the binary file fails.
    const spoil_fn ten_thousand_reads = file_holding("fragsim.options", options_with(2, 1, "2000"));
    // One source, FASTQ only, 10,000 reads.
    const spoil_fn ten_thousand_fastq_reads = file_holding("fragsim.options", options_with(1, 1, "2000"));
    // Both output formats, two sources, two reads each.
    const spoil_fn both_formats = file_holding("fragsim.options", options_with(2, 2, "0.5"));
    // Eight sources on four threads, FASTQ only, 200 reads each.
    const spoil_fn eight_sources = file_holding("fragsim.options", options_with(1, 8, "40"));

    const std::vector<fault_case> cases = {
        // Names that cannot be opened: the fatal line and the system's reason.
        {.label = "options a directory",
         .spoil = directory_named("fragsim.options"),
         .status = 9,
         .err = open_failure(9, "fragsim.options", "Is a directory")},
        {.label = "reference.unf a directory",
         .spoil = directory_named("reference.unf"),
         .status = 9,
         .err = open_failure(10, "reference.unf", "Is a directory")},
        {.label = "variants.true a directory",
         .spoil = directory_named("variants.true"),
         .status = 9,
         .err = open_failure(11, "variants.true", "Is a directory")},
        {.label = "simseed a directory",
         .spoil = directory_named("simseed"),
         .status = 9,
         .err = open_failure(12, "simseed", "Is a directory")},
        {.label = "genotypes.true a directory",
         .spoil = directory_named("genotypes.true"),
         .status = 9,
         .err = open_failure(13, "genotypes.true", "Is a directory")},
        {.label = "fastq.filelist a directory",
         .spoil = directory_named("fastq.filelist"),
         .status = 9,
         .err = open_failure(14, "fastq.filelist", "Is a directory")},
        {.label = "fastq.filelist a link into a missing directory",
         .spoil = link_named("fastq.filelist", "missing/fastq.filelist"),
         .status = 9,
         .err = open_failure(14, "fastq.filelist", "No such file or directory")},
        // The sources before the failing one are complete.
        {.label = "source2.2.fq a directory",
         .spoil = directory_named("source2.2.fq"),
         .status = 9,
         .err = open_failure(20, "source2.2.fq", "Is a directory"),
         .check = sources_before_complete},

        // A full disk: fatal 38 naming the file; a source's end lines only
        // after its files are complete, and never the closing line.
        // fastq.filelist is complete before the first source starts: a full
        // disk under it ends the run before any read file is made.
        {.label = "full disk under fastq.filelist",
         .spoil = full_disk_under("fastq.filelist"),
         .status = 38,
         .err = write_failure(14, "fastq.filelist"),
         .out_absent = "fastQ file source1",
         .check = all_checks({test_support::no_file("source1.1.fq"), test_support::no_file("source2.2.fq")})},
        {.label = "full disk under source1.1.fq",
         .spoil = full_disk_under("source1.1.fq"),
         .status = 38,
         .err = write_failure(16, "source1.1.fq"),
         .out_absent = "fastQ file source1"},
        {.label = "full disk under source2.2.fq",
         .spoil = full_disk_under("source2.2.fq"),
         .status = 38,
         .err = write_failure(20, "source2.2.fq"),
         .out_part = "fastQ file source1",
         .out_absent = "fastQ file source2",
         .check = sources_before_complete},

        // Read records are never lost at an early end, and no read file keeps
        // an earlier run's bytes: the FASTQ records written before the binary
        // file failed are all in their files.
        {.label = "full disk under source1.unf, earlier FASTQ files",
         .spoil = all_of({ten_thousand_reads, earlier_read_files(1), full_disk_under("source1.unf")}),
         .status = 38,
         .err = write_failure(15, "source1.unf"),
         .out_absent = "fastQ file source1",
         .check = read_files_are_prefixes("10000 reads", ten_thousand_reads, 1, {"source1.unf"},
                                          {"source1.1.fq", "source1.2.fq"})},
        // The source loop's first write fails: the console ends with the
        // lines before the loop.
        {.label = "full disk under source1.unf, binary read files only",
         .spoil = all_of({binary_reads_only(), full_disk_under("source1.unf")}),
         .status = 38,
         .err = write_failure(15, "source1.unf"),
         .check = console_is(binary_reads_console)},
        // A file of source 5 cannot be opened while the other threads write:
        // what they wrote is kept whole, and the sources never reached leave
        // empty files instead of an earlier run's reads.
        {.label = "source5.1.fq a directory, eight sources on four threads",
         .spoil = all_of({eight_sources, earlier_read_files(8), directory_named("source5.1.fq")}),
         .env = {"OMP_NUM_THREADS=4"},
         .status = 9,
         .err = open_failure(28, "source5.1.fq", "Is a directory"),
         .out_absent = closing_line,
         .check = read_files_are_prefixes("eight sources", eight_sources, 8, {"source5.1.fq"})},
        // Source 1 stops after its attempts while source 2 writes.
        {.label = "attempt limit of source 1 on two threads",
         .spoil = all_of({hopeless_first_source('2'), earlier_read_files(2)}),
         .env = {"OMP_NUM_THREADS=2"},
         .status = 1,
         .out_part = "fragment attempts in a row rejected for source",
         .out_absent = closing_line,
         .check = read_files_are_prefixes("hopeless", hopeless_first_source('0'), 2)},

        // A file-size limit that the reads of both FASTQ files pass: each
        // write fails as on a full disk instead of the signal ending the run
        // mid-record, and fastq.filelist, completed before the sources, is
        // whole.
        {.label = "file-size limit under source1.1.fq",
         .spoil = ten_thousand_fastq_reads,
         .file_size_limit = 64 * 1024,
         .status = 38,
         .err = write_failure(16, "source1.1.fq") + write_failure(17, "source1.2.fq"),
         .out_absent = "fastQ file source1",
         .check =
             [=](const fs::path& dir, const run_result& r) {
                 const auto& whole = sound_files("10000 FASTQ reads", ten_thousand_fastq_reads);
                 EXPECT_EQ(read_file(dir / "fastq.filelist"), whole.at("fastq.filelist"));
                 read_files_are_prefixes("10000 FASTQ reads", ten_thousand_fastq_reads, 1)(dir, r);
             }},

        // An output that is a link to an input or to another output: the
        // run stops before it is emptied or written, every input unchanged.
        {.label = "fastq.filelist a symbolic link to reference.unf",
         .spoil = link_named("fastq.filelist", "reference.unf"),
         .status = 1,
         .check = same_file_stop(" Output file fastq.filelist is the same file as input file reference.unf")},
        {.label = "source1.1.fq a hard link of simseed",
         .spoil = hard_link_named("source1.1.fq", "simseed"),
         .status = 1,
         .check = all_checks({same_file_stop(" Output file source1.1.fq is the same file as input file simseed"),
                              as_sound({"fastq.filelist"})})},
        {.label = "source1.unf a symbolic link to variants.true",
         .spoil = all_of({both_formats, link_named("source1.unf", "variants.true")}),
         .status = 1,
         .check = same_file_stop(" Output file source1.unf is the same file as input file variants.true",
                                 options_with(2, 2, "0.5"))},
        {.label = "source2.1.fq a hard link of genotypes.true",
         .spoil = all_of(
             {file_holding("genotypes.true", genotypes_text), hard_link_named("source2.1.fq", "genotypes.true")}),
         .status = 1,
         .check = all_checks({same_file_stop(" Output file source2.1.fq is the same file as input file genotypes.true"),
                              file_is("genotypes.true", genotypes_text)})},
        {.label = "fastq.filelist a hard link of fragsim.options",
         .spoil = hard_link_named("fastq.filelist", "fragsim.options"),
         .status = 1,
         .check = same_file_stop(" Output file fastq.filelist is the same file as input file fragsim.options")},
        // Between outputs: the earlier one is this run's and the later one
        // stops the run before it is emptied.
        {.label = "source1.2.fq a hard link of an earlier fastq.filelist",
         .spoil = all_of(
             {file_holding("fastq.filelist", earlier_run_text), hard_link_named("source1.2.fq", "fastq.filelist")}),
         .status = 1,
         .check =
             all_checks({same_file_stop(" Output file source1.2.fq is the same file as output file fastq.filelist"),
                         as_sound({"fastq.filelist"})})},
        {.label = "source2.2.fq a hard link of an earlier source1.1.fq",
         .spoil =
             all_of({file_holding("source1.1.fq", earlier_run_text), hard_link_named("source2.2.fq", "source1.1.fq")}),
         .status = 1,
         .check = all_checks({same_file_stop(" Output file source2.2.fq is the same file as output file source1.1.fq"),
                              file_is("source1.1.fq", "")})},

        // Standard error closed: no file of the run takes its place, so a
        // fatal line is lost and the inputs keep their bytes.
        {.label = "standard error closed, binary options",
         .spoil = file_holding("fragsim.options", binary_bytes()),
         .closed_streams = {2},
         .status = 64,
         .check = file_is("fragsim.options", binary_bytes())},
        {.label = "standard error closed, full disk under source1.1.fq",
         .spoil = full_disk_under("source1.1.fq"),
         .closed_streams = {2},
         .status = 38,
         .out_absent = "fastQ file source1",
         .check = inputs_unchanged()},

        // Empty, binary and huge-line text inputs.
        {.label = "empty options",
         .spoil = file_holding("fragsim.options", ""),
         .status = 24,
         .err = fatal_line(24, "end-of-file during read", 9, "fragsim.options")},
        {.label = "binary options",
         .spoil = file_holding("fragsim.options", binary_bytes()),
         .status = 64,
         .err = conversion_options},
        {.label = "options after a huge run of blanks",
         .spoil = file_holding("fragsim.options", huge_blanks + options_text),
         .status = 0,
         .out_part = closing_line,
         .check = as_sound({"source1.1.fq", "source2.2.fq"})},
        {.label = "huge number in the options",
         .spoil = file_holding("fragsim.options", huge_number + options_text),
         .status = 64,
         .err = conversion_options},
        {.label = "real beyond the single range in the options",
         .spoil = file_holding("fragsim.options", " 0 20 40 10 10 1\nx\nx\n 2 1e39 0.01 0.001\n"),
         .status = 64,
         .err = conversion_options},
        {.label = "empty simseed",
         .spoil = file_holding("simseed", ""),
         .status = 24,
         .err = fatal_line(24, "end-of-file during read", 12, "simseed")},
        {.label = "binary simseed",
         .spoil = file_holding("simseed", binary_bytes()),
         .status = 64,
         .err = fatal_line(64, "input conversion error", 12, "simseed")},
        {.label = "simseed with a huge first line",
         .spoil = file_holding("simseed", huge_blanks + "x\n 4711\n"),
         .status = 0,
         .out_part = closing_line},
        {.label = "empty variants.true",
         .spoil = file_holding("variants.true", ""),
         .status = 0,
         .out_part = "0  variant records read from variants.true"},
        {.label = "binary variants.true",
         .spoil = file_holding("variants.true", binary_bytes()),
         .status = 64,
         .err = fatal_line(64, "input conversion error", 11, "variants.true")},
        {.label = "variants.true with a huge header",
         .spoil = file_holding("variants.true", huge_blanks + "\n1 5 SNP 0 1 G\n"),
         .status = 0,
         .out_part = "1  variant records read from variants.true"},
        {.label = "variants.true with a huge allele",
         .spoil = file_holding("variants.true", "header\n1 5 INS 0 3000000 " + std::string(3000000, 'A') + "\n"),
         .status = 1,
         .out_part = "allele longer than 100000 characters"},
        {.label = "empty genotypes.true",
         .spoil = file_holding("genotypes.true", ""),
         .status = 0,
         .out_part = "0  records read from genotypes.true"},
        {.label = "binary genotypes.true",
         .spoil = file_holding("genotypes.true", binary_bytes()),
         .status = 64,
         .err = fatal_line(64, "input conversion error", 13, "genotypes.true")},
        {.label = "genotypes.true with a huge line",
         .spoil = file_holding("genotypes.true", "       501         7         1 2" + std::string(3 << 20, '1') + "\n"),
         .status = 0,
         .out_part = "1  records read from genotypes.true"},
        {.label = "binary reference.unf",
         .spoil = file_holding("reference.unf", binary_bytes()),
         .status = 24,
         .err = fatal_line(24, "end-of-file during read", 10, "reference.unf")},

        // Inputs far larger than the memory the run may have: no line is held.
        {.label = "options from /dev/zero",
         .spoil = link_named("fragsim.options", "/dev/zero"),
         .memory_limit = 256 * MiB,
         .status = 64,
         .err = conversion_options},
        {.label = "simseed a line of 300 MB of NUL",
         .spoil = nul_filled("simseed", "", 300 * MiB),
         .memory_limit = 256 * MiB,
         .status = 24,
         .err = fatal_line(24, "end-of-file during read", 12, "simseed")},
        {.label = "genotypes.true a row of 300 MB",
         .spoil = nul_filled("genotypes.true", "       501         7         1 2", 300 * MiB),
         .memory_limit = 256 * MiB,
         .status = 0,
         .out_part = "1  records read from genotypes.true"},

        // The OpenMP runtime cannot start a thread (each would need a stack of
        // 1 GB): the sources run on the calling thread alone.
        {.label = "no room for the threads of the source loop",
         .env = {"OMP_NUM_THREADS=4", "OMP_STACKSIZE=1G"},
         .memory_limit = 512 * MiB,
         .status = 0,
         .out_part = closing_line,
         .check = as_sound({"source1.1.fq", "source1.2.fq", "source2.1.fq", "source2.2.fq"})},

        // Arguments: one line, status 1, no file opened.
        {.label = "-h",
         .spoil = file_holding("fastq.filelist", earlier_run_text),
         .args = {"-h"},
         .status = 1,
         .err = "fragsim takes no arguments: it reads its options from fragsim.options in the working directory\n",
         .check =
             [](const fs::path& dir, const run_result& r) {
                 EXPECT_EQ(r.out, "");
                 EXPECT_EQ(read_file(dir / "fastq.filelist"), earlier_run_text);
                 EXPECT_FALSE(test_support::file_exists(dir / "source1.1.fq"));
             }},
    };
    test_support::run_fault_table(fragsim, cases);
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
            ASSERT_NE(r.out.find(closing_line), std::string::npos);
        }
    }
}

}  // namespace
