// The FASTQ header of a read field by field, with the chromosome field kept
// apart from the read number, and record A of the binary read file.
#include <gtest/gtest.h>

#include <string>

#include "fragsim/read_files.h"
#include "program_run.h"

namespace {

using fragsim::read_fields;

TEST(read_files, fastq_header_fields) {
    struct row {
        read_fields r;
        const char* header;
    };
    const row rows[] = {
        // The example of the read description: 47 characters.
        {{10001, 1, 1, 1, 3, 100, 12345, 'F'}, "@1/1  3     12345     10001           1   100 F\n"},
        {{10001, 2, 1, 2, 99, 100, 1, 'R'}, "@1/2 99         1     10001           1   100 R\n"},
        // Chromosomes of 3 digits: one blank before the field.
        {{10001, 237, 119, 1, 119, 100, 5, 'F'}, "@119/1 119         5     10001         119   100 F\n"},
        {{10001, 238, 119, 2, 100, 100, 5, 'R'}, "@119/2 100         5     10001         119   100 R\n"},
        {{7, 3, 2, 1, 127, 1, 2147483647, 'F'}, "@2/1 1272147483647         7           2     1 F\n"},
        // Values too wide for their fields fill them with '*'; any full
        // chromosome field, a sign or '*' included, gets its blank.
        {{-1000000000, 1, 1, 1, -99, 1000000, -5, 'F'}, "@1/1 -99        -5**********           1****** F\n"},
        {{1, 1, 1, 1, -9, 1, 1, 'F'}, "@1/1 -9         1         1           1     1 F\n"},
        {{1, 1, 1, 1, -100, 1, 1, 'F'}, "@1/1 ***         1         1           1     1 F\n"},
        {{1, 2147483647, 1073741824, 2, 1, 1, 1, 'R'}, "@1073741824/2  1         1         1  1073741824     1 R\n"},
    };
    for (const row& r : rows) {
        char out[fragsim::fastq_header_room];
        char* end = fragsim::put_fastq_header(out, r.r);
        EXPECT_EQ(std::string(out, end), r.header);
    }
}

TEST(read_files, every_record_of_a_read_in_the_files_outformat_calls_for) {
    const auto dir = test_support::make_scratch_dir("read_files_records");
    const std::string base = (dir / "source2").string();
    {
        fragsim::source_files files(2, 2, fragsim::read_file_names(base));
        // Record A of the third read of source 2: read 1 of fragment 2,
        // forward, chromosome 1, position 500, m = 4.
        files.write_read({10002, 3, 2, 1, 1, 4, 500, 'F'}, "ACGN", "KKK#");
        files.write_read({10002, 4, 2, 2, 1, 4, 650, 'R'}, "TTTT", "KKKK");
        files.close();
    }
    const std::string record_a = std::string(
        "\x13\0\0\0"
        "\x12\x27\0\0"
        "\x03\0\0\0"
        "\x01"
        "\x04\0\0\0"
        "\x01"
        "\xF4\x01\0\0"
        "F"
        "\x13\0\0\0",
        27);
    const std::string unf = test_support::read_file(base + ".unf");
    ASSERT_EQ(unf.size(), 2u * (27 + 12));
    EXPECT_EQ(unf.substr(0, 27), record_a);
    EXPECT_EQ(unf.substr(27, 12), std::string("\x04\0\0\0ACGN\x04\0\0\0", 12));
    EXPECT_EQ(test_support::read_file(base + ".1.fq"),
              "@2/1  1       500     10002           2     4 F\nACGN\n+\nKKK#\n");
    EXPECT_EQ(test_support::read_file(base + ".2.fq"),
              "@2/2  1       650     10002           2     4 R\nTTTT\n+\nKKKK\n");
}

}  // namespace
