// Every way a fragsim run ends before its source loop: a missing required
// input, a check of the options, the map, the true variants or the genotype
// rows, a value the reader cannot convert. The built program runs on inputs
// generated here; its whole standard output (wall-time lines masked), exit
// status and standard error are compared, and what it left on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "binary_inputs.h"
#include "program_run.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::write_file;

// The map of most cases: 186 bases, four of them 'N', chromosome 2 with
// lower-case bases.
const std::string chromosome1 =
    "ACGTACGGTTCAGCTAGCTAGGATCCGATCGATTACGGCATGCATGCAAGCTTGGCACTGGCCGTCGTTTTACAACGTCG"
    "TGACTGGGAAAACCCTGGCGTTACCCAACTTAATCGCCTTGCAGCACATCCCCCTTTCGCCAGCTGGCGTAATAGCGAAG";
const std::string chromosome2 = "ACGTNNNNACGTACGTacgtnnACGT";

// Options records 1 and 4 of most cases: reads of 50 from fragments of 100,
// maxinsert 1000, maxvar 20, no read files; no source, depth 30, errate 0.01,
// missrate 0.001.
const std::string plain_record1 = "0 50 100 1000 20 3";
const std::string plain_record4 = "0 30 0.01 0.001";

std::string options_of(const std::string& record1, const std::string& record4) {
    return " " + record1 + "\npaired maxlngth fraglen maxinsert maxvar outformat (not read)\n" +
           "sources read_depth errate missrate (not read)\n " + record4 + "\n";
}

// The inputs of one case: every file present unless named in missing.
struct inputs {
    std::string record1 = plain_record1;
    std::string record4 = plain_record4;
    std::string variants;                  // records after the header line
    std::optional<std::string> genotypes;  // genotypes.true, when present
    std::string reference = test_support::reference_unf_of({chromosome1, chromosome2});
    std::string seed = "12345";
    std::vector<std::string> missing;  // input files not written
};

void write_inputs(const inputs& in, const fs::path& dir) {
    const std::map<std::string, std::string> files = {
        {"fragsim.options", options_of(in.record1, in.record4)},
        {"reference.unf", in.reference},
        {"simseed", "simulation seed\n " + in.seed + "\n"},
        {"variants.true", "chrom location type unused length allele\n" + in.variants},
    };
    for (const auto& [name, contents] : files)
        if (std::find(in.missing.begin(), in.missing.end(), name) == in.missing.end()) write_file(dir / name, contents);
    if (in.genotypes) write_file(dir / "genotypes.true", *in.genotypes);
}

// Console blocks, as the run prints them.
const std::string banner = " Output from fragsim\n \n";
const std::string no_genotypes_notice =
    " Optional input file genotypes.true is missing:\n"
    "   Alternate alleles will be set to heterozygous for every other and \n"
    "   homozygous for every fourth prior variant.\n \n";
const std::string wall_time = " Wall time: <masked>\n";
const std::string plain_echo1 = "  0        50       100      1000        20         3";
const std::string plain_echo4 = "     0 30.000000  0.010000  0.001000";

std::string options_echo(const std::string& echo1, const std::string& echo4) {
    return echo1 + "\n paired  maxlngth  fraglen  maxinsert  maxvar  outformat\n \n" + echo4 +
           "\n sources  read_depth   errate  missrate\n \n";
}

const std::string quality_alphabet_line = "New phred quality scores =        ()*+,-./0123456789:;<=>?@ABCDEFGHIJK\n";

std::string quality_lines(const std::string& errate_line) {
    return quality_alphabet_line + " Error rate\n" + errate_line + "\n \n";
}

const std::string map_heading = wall_time + " Read reference map, alternate alleles, insertions, and deletions\n \n";
const std::string plain_map_lines =
    "           1  chromosome length         160\n"
    "           2  chromosome length          26\n"
    "                   186 total length of reference map\n \n"
    "         4 missing alleles in reference map, % =   2.150538\n \n";

// The console of a run of the plain inputs (with the given echo lines and
// start notices) up to the seed line, and up to the variant phase.
std::string up_to_seed(const std::string& echo1 = plain_echo1, const std::string& echo4 = plain_echo4,
                       const std::string& notices = no_genotypes_notice) {
    return banner + notices + options_echo(echo1, echo4) + quality_lines("  0.010000 phred score =  53   5") +
           " Simulation seed =        12345\n";
}
std::string up_to_variants(const std::string& echo1 = plain_echo1, const std::string& echo4 = plain_echo4,
                           const std::string& notices = no_genotypes_notice) {
    return up_to_seed(echo1, echo4, notices) + map_heading + plain_map_lines + wall_time;
}

// The variant summary of records that hold no insertion or deletion, given
// the fields of nvar, nsnp and maxindel as they print.
std::string snp_summary(const std::string& nvar_field, const std::string& nsnp_field, const std::string& maxindel) {
    return nvar_field + "  variant records read from variants.true, this included:\n" + nsnp_field +
           "  alternate alleles (SNPs)\n           0  insertions\n           0  deletions\n \n" + maxindel +
           "  maximum indel length\ninsertion vector\n \n";
}

struct stop_case {
    std::string name;
    inputs in;
    int status;
    std::string out;                                                      // whole standard output
    std::string err = "";                                                 // whole standard error
    std::map<std::string, std::string> files = {{"fastq.filelist", ""}};  // left on disk, with their bytes
    std::vector<std::string> absent = {};                                 // names that must not exist
    std::vector<std::string> env = {};
};
void PrintTo(const stop_case& c, std::ostream* os) { *os << c.name; }

inputs with_variants(const std::string& variants, const std::string& record1 = plain_record1) {
    inputs in;
    in.variants = variants;
    in.record1 = record1;
    return in;
}

inputs with_options(const std::string& record1, const std::string& record4) {
    inputs in;
    in.record1 = record1;
    in.record4 = record4;
    return in;
}

inputs with_reference(const std::string& reference) {
    inputs in;
    in.reference = reference;
    return in;
}

std::vector<stop_case> stop_cases() {
    const std::string to_variants = up_to_variants();
    const std::string to_echo = banner + no_genotypes_notice;
    const std::string to_seed = up_to_seed();
    // Two sources with genotype rows, one SNP.
    inputs two_sources = with_variants("1 10 SNP 0 1 G\n");
    two_sources.record4 = "2 30 0.01 0.001";
    const std::string two_sources_to_genotypes =
        up_to_variants(plain_echo1, "     2 30.000000  0.010000  0.001000", "") +
        "         1        10 SNP         0         1 G\n" +
        snp_summary("           1", "           1", "           1") + wall_time + " begin to read genotypes.true\n";
    inputs nloci_mismatch = two_sources;
    nloci_mismatch.genotypes = "       101         7         2 12\n";
    inputs not_integer = two_sources;
    not_integer.genotypes = "       101         7         1 1\n      1O2          7         1 1\n";
    inputs negative_extents = with_variants("1 10 SNP 0 1 G\n", "0 50 100 -5 -1 3");
    negative_extents.record4 = "-3 30 0.01 0.001";
    negative_extents.genotypes = "";
    // Fragments of 300 on chromosomes of 200 and 250; no variants.true.
    inputs short_map;
    short_map.record1 = "0 100 300 10 10 1";
    short_map.record4 = "1 1 0 0";
    short_map.seed = "1";
    short_map.reference =
        test_support::reference_unf_of({test_support::random_bases(200, 1), test_support::random_bases(250, 2)});
    short_map.missing = {"variants.true"};
    // Its console up to the map's totals, for the given sources field.
    const auto short_map_console = [](const std::string& sources_field) {
        return banner + " Optional input file variants.true is missing.\n" + no_genotypes_notice +
               options_echo("  0       100       300        10        10         1",
                            sources_field + "  1.000000  0.000000  0.000000") +
               quality_lines("  0.000000 phred score =  75   K") + " Simulation seed =            1\n" + map_heading +
               "           1  chromosome length         200\n"
               "           2  chromosome length         250\n"
               "                   450 total length of reference map\n \n"
               "         0 missing alleles in reference map, % =   0.000000\n \n";
    };
    inputs no_source_short_map = short_map;
    no_source_short_map.record4 = "0 1 0 0";
    inputs no_options, no_reference, no_seed;
    no_options.missing = {"fragsim.options", "reference.unf", "simseed", "variants.true"};
    no_reference.missing = {"reference.unf", "simseed", "variants.true"};
    no_seed.missing = {"simseed", "variants.true"};

    return {
        // Missing required inputs: nothing is opened, so nothing is created.
        {"missing_options",
         no_options,
         9,
         banner + " Input file fragsim.options is missing.\n",
         "",
         {},
         {"variants.true", "fastq.filelist", "fragsim.options"}},
        {"missing_reference",
         no_reference,
         10,
         banner + " Input file reference.unf is missing.\n",
         "",
         {},
         {"variants.true", "fastq.filelist", "reference.unf"}},
        {"missing_simseed",
         no_seed,
         12,
         banner + " Optional input file variants.true is missing.\n Input file simseed is missing.\n",
         "",
         {},
         {"variants.true", "fastq.filelist", "simseed"}},

        // fragsim.options: the read length, the error rate, the read count.
        {"reject_maxlngth_0",
         with_options("0 0 100 1000 20 3", plain_record4),
         1,
         to_echo + options_echo("  0         0       100      1000        20         3", plain_echo4) +
             " fragsim.options: maxlngth           0 not in 1 to fraglen         100\n",
         "",
         {},
         {"fastq.filelist"}},
        {"reject_maxlngth_above_fraglen",
         with_options("0 120 100 1000 20 3", plain_record4),
         1,
         to_echo + options_echo("  0       120       100      1000        20         3", plain_echo4) +
             " fragsim.options: maxlngth         120 not in 1 to fraglen         100\n",
         "",
         {},
         {"fastq.filelist"}},
        {"reject_errate_above_1", with_options(plain_record1, "0 30 1.5 0.001"), 1,
         to_echo + options_echo(plain_echo1, "     0 30.000000  1.500000  0.001000") + quality_alphabet_line +
             " fragsim.options: error rate errate is above 1\n"},
        {"reject_errate_too_small", with_options(plain_record1, "0 30 1e-11 0.001"), 1,
         to_echo + options_echo(plain_echo1, "     0 30.000000  0.000000  0.001000") + quality_alphabet_line +
             " fragsim.options: error rate errate is so small that its phred score passes 127\n"},
        {"reject_nreads_too_large", with_options(plain_record1, "0 1e9 0.01 0.001"), 1,
         up_to_variants(plain_echo1, "     0**********  0.010000  0.001000") +
             snp_summary("           0", "           0", "           0") +
             " fragsim.options: read_depth gives more reads per source than 32 bits hold\n"},

        // reference.unf
        {"reject_nchrom_0", with_reference(test_support::int_record(0)), 1,
         to_seed + " reference.unf holds           0 chromosomes; fragsim needs 1 to 127\n"},
        {"reject_nchrom_128", with_reference(test_support::int_record(128)), 1,
         to_seed + " reference.unf holds         128 chromosomes; fragsim needs 1 to 127\n"},
        {"reject_total_length_0", with_reference(test_support::reference_unf_of({"", ""})), 1,
         to_seed + map_heading + "                     0 total length of reference.unf: no base to simulate\n"},
        {"loop_no_chromosome_long_enough",
         short_map,
         1,
         short_map_console("     1") + " No chromosome of the reference map is as long as fraglen =         300\n",
         "",
         {{"variants.true", ""}},
         {},
         {"OMP_NUM_THREADS=1"}},

        // variants.true: records the tables cannot hold.
        {"reject_allele_too_long", with_variants("1 10 SNP 0 100001 G\n"), 1,
         to_variants + "variants.true record 1 10 SNP 100001: allele longer than 100000 characters\n"},
        {"reject_chromosome_0", with_variants("0 10 SNP 0 1 G\n"), 1,
         to_variants + "         0        10 SNP         0         1 G\n"
                       "variants.true record 0 10 SNP 1: chromosome or location below 1\n"},
        {"reject_location_0", with_variants("1 0 SNP 0 1 G\n"), 1,
         to_variants + "         1         0 SNP         0         1 G\n"
                       "variants.true record 1 0 SNP 1: chromosome or location below 1\n"},
        {"reject_snp_length_0", with_variants("1 10 SNP 0 0\n"), 1,
         to_variants + "         1        10 SNP         0         0 \n"
                       "variants.true record 1 10 SNP 0: no allele (an SNP or DEL needs a length of at least 1)\n"},
        {"reject_del_negative_length", with_variants("1 10 DEL 0 -2\n"), 1,
         to_variants + "         1        10 DEL         0        -2 \n"
                       "variants.true record 1 10 DEL -2: no allele (an SNP or DEL needs a length of at least 1)\n"},
        {"reject_del_past_end", with_variants("1 159 DEL 0 3 AGX\n"), 1,
         to_variants + "         1       159 DEL         0         3 AGX\n"
                       "variants.true record 1 159 DEL 3: deletion runs past the end of its chromosome\n"},
        {"reject_ins_negative_length", with_variants("1 10 INS 0 -1\n"), 1,
         to_variants + "         1        10 INS         0        -1 \n"
                       "variants.true record 1 10 INS -1: negative insertion length\n"},
        {"reject_ins_at_last_position", with_variants("1 160 INS 0 1 A\n"), 1,
         to_variants + "         1       160 INS         0         1 A\n"
                       "variants.true record 1 160 INS 1: insertion at the last position of its chromosome\n"},
        {"reject_insert_overflow", with_variants("1 20 INS 0 3 TTT\n1 100 INS 0 3 AAA\n", "0 50 100 5 20 3"), 1,
         up_to_variants("  0        50       100         5        20         3") +
             "         1        20 INS         0         3 TTT\n"
             "         1       100 INS         0         3 AAA\n"
             "variants.true record 1 100 INS 3: insertion texts exceed maxinsert = 5\n"},

        // variants.true: the checks against the reference map and maxvar.
        {"stop_snp_same_as_reference", with_variants("1 10 SNP 0 1 T\n"), 1,
         to_variants + "         1        10 SNP         0         1 T\n"
                       " Alternate allele = reference at    1          10 T\n"},
        {"stop_snp_at_N", with_variants("2 5 SNP 0 1 A\n"), 1,
         to_variants + "         2         5 SNP         0         1 A\n"
                       " Alternate allele where reference = N at    2           5 A\n"},
        {"stop_snp_N_at_N", with_variants("2 6 SNP 0 1 N\n"), 1,
         to_variants + "         2         6 SNP         0         1 N\n"
                       " Alternate allele = reference at    2           6 N\n"},
        {"stop_del_not_reference", with_variants("1 10 SNP 0 1 G\n1 30 DEL 0 1 A\n"), 1,
         to_variants + "         1        10 SNP         0         1 G\n"
                       "         1        30 DEL         0         1 A\n"
                       " deleted SNP not same as reference at     1          30 A\n"},
        {"stop_ins_same_as_next", with_variants("1 20 INS 0 2 GA\n"), 1,
         to_variants + "         1        20 INS         0         2 GA\n"
                       " inserted SNP same as next reference allele     1          20 GAA\n"
                       " location of insert not correct\n"},
        {"stop_maxvar_exceeded",
         with_variants("1 10 SNP 0 1 G\n1 30 DEL 0 2 CG\n1 45 SNP 0 1 A\n", "0 50 100 1000 2 3"), 1,
         up_to_variants("  0        50       100      1000         2         3") +
             "         1        10 SNP         0         1 G\n"
             "         1        30 DEL         0         2 CG\n"
             "         1        45 SNP         0         1 A\n"
             " More alternate alleles than reserved by maxvar =           2\n"},
        {"stop_type_check_before_capacity", with_variants("1 10 SNP 0 1 G\n1 11 SNP 0 1 C\n", "0 50 100 1000 1 3"), 1,
         up_to_variants("  0        50       100      1000         1         3") +
             "         1        10 SNP         0         1 G\n"
             "         1        11 SNP         0         1 C\n"
             " Alternate allele = reference at    1          11 C\n"},
        {"negative_extents_maxvar_stop", negative_extents, 1,
         up_to_variants("  0        50       100        -5        -1         3", "    -3 30.000000  0.010000  0.001000",
                        "") +
             "         1        10 SNP         0         1 G\n"
             " More alternate alleles than reserved by maxvar =          -1\n"},

        // genotypes.true
        {"genotypes_nloci_mismatch", nloci_mismatch, 1,
         two_sources_to_genotypes + "           2           1  loci in genotypes.true and variants.true mismatch\n"},
        {"genotypes_not_integer", not_integer, 64,
         two_sources_to_genotypes + "       101         7         1 1" + std::string(49, ' ') + "\n",
         "Fatal error 64: input conversion error, unit 13, file genotypes.true\n"},

        // A run of no source needs no chromosome as long as a fragment.
        {"no_source_no_chromosome_long_enough",
         no_source_short_map,
         0,
         short_map_console("     0") + wall_time + snp_summary("           0", "           0", "           0") +
             wall_time + "           0  records read from genotypes.true\n \n" + wall_time + " \n" + wall_time +
             " \n           0  sources with fastq data simulated\n \n Program fragsim finished normally\n",
         "",
         {{"variants.true", ""},
          {"fastq.filelist", "Numeric_ID  Output_name           Fastq_read1           Fastq.read2\n"}}},
    };
}

class fragsim_stops : public testing::TestWithParam<stop_case> {};

TEST_P(fragsim_stops, whole_console_status_and_files) {
    const stop_case& c = GetParam();
    const fs::path dir = test_support::make_scratch_dir("fragsim_stops." + c.name);
    write_inputs(c.in, dir);
    const auto r = test_support::run_program(test_support::program_path("fragsim"), dir, {}, c.env);
    EXPECT_EQ(c.out, test_support::mask_wall_time(r.out));
    EXPECT_EQ(c.status, r.status);
    EXPECT_EQ(c.err, r.err);
    for (const auto& [name, contents] : c.files) {
        ASSERT_TRUE(test_support::file_exists(dir / name)) << name;
        EXPECT_EQ(contents, read_file(dir / name)) << name;
    }
    for (const auto& name : c.absent) EXPECT_FALSE(test_support::file_exists(dir / name)) << name;
}

INSTANTIATE_TEST_SUITE_P(all, fragsim_stops, testing::ValuesIn(stop_cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
