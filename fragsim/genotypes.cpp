// Source genotypes from genotypes.true (fixed columns), the source IDs and
// the list of the per-source FASTQ files, fastq.filelist.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "common/fixed_width.h"
#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "fragsim/fragsim.h"

namespace fragsim {

namespace {

// Characters of one file-list name column.
constexpr size_t name_width = 20;
// Genotype characters shown by a row echo.
constexpr int64_t echo_width = 50;
// Column of the first genotype character.
constexpr size_t genotype_column = 32;

// Columns first..first+width-1 (1-based) of the line: fewer, or none, where
// the line ends before them (missing columns read as blanks).
std::string_view field(const std::string& line, size_t first, size_t width) {
    const std::string_view all(line);
    if (all.size() < first) return all.substr(all.size());
    return all.substr(first - 1, width);
}

// An integer field of fixed columns: blanks anywhere are ignored, an optional
// sign comes before the digits, an all-blank field is 0. Anything else is the
// fatal conversion error of genotypes.true.
int32_t integer_field(const std::string& line, size_t first, const files& f) {
    int64_t value = 0;
    bool negative = false, sign = false, digits = false, bad = false;
    for (char ch : field(line, first, 10)) {
        if (ch == ' ') continue;
        if ((ch == '+' || ch == '-') && !sign && !digits) {
            sign = true;
            negative = ch == '-';
        } else if (ch >= '0' && ch <= '9') {
            digits = true;
            value = value * 10 + (ch - '0');  // at most 10 digits
        } else {
            bad = true;
        }
    }
    if (negative) value = -value;
    if (bad || (sign && !digits) || value < INT32_MIN || value > INT32_MAX)
        common::fatal_conversion_error(f.genotypes_true);
    return static_cast<int32_t>(value);
}

void append_name(std::string& out, std::string_view name) {
    // A name keeps its padding blanks; one too long for its column is cut.
    const size_t n = std::min(name.size(), name_width);
    out.append(name.substr(0, n));
    out.append(name_width - n, ' ');
}

// The next line up to column 31 (the three integer fields and the skipped
// column); false at the end of the file. The genotype characters are read
// into a row of their own, so a long line is never held as a line.
bool read_row_fields(files& f, std::string& line) { return f.genotypes_true.read_line(line, genotype_column - 1); }

// The nloci genotype characters of the line just read into cells; a line
// that ends before them reads as blanks.
void read_row_cells(files& f, char* cells, int32_t nloci) {
    if (nloci <= 0) return;
    const size_t n = f.genotypes_true.read_more_of_line(cells, static_cast<size_t>(nloci));
    std::fill(cells + n, cells + nloci, ' ');
}

// The echo of a row: its three fields and 50 cells, blanks where the row has
// no genotype.
void echo_row(int32_t id, int32_t echoed, int32_t nloci, const char* cells) {
    std::string shown(echo_width, ' ');
    const int64_t n = std::min<int64_t>(nloci, echo_width);
    if (n > 0) std::memcpy(shown.data(), cells, static_cast<size_t>(n));
    common::fixed_line().integer(id, 10).integer(echoed, 10).integer(nloci, 10).text(" ").text(shown).write_console();
}

}  // namespace

std::string base_name(int32_t K) { return "source" + std::to_string(K); }

void read_genotypes(const options& o, files& f, const variant_tables& var, source_tables& src) {
    src.GENOROW.allocate(var.nvar, o.sources);
    int32_t r = 1;  // the row and source of the next line
    if (f.have_genotypes) {
        common::write_free("begin to read genotypes.true");
        // One row as read, before it goes into its cells at their size.
        common::table<char> row;
        row.allocate(1, var.nvar);
        std::string line;
        while (read_row_fields(f, line)) {
            const int32_t id = integer_field(line, 1, f);
            const int32_t echoed = integer_field(line, 11, f);
            const int32_t nloci = integer_field(line, 21, f);
            if (nloci != var.nvar)
                common::stop_with(nloci, var.nvar, " loci in genotypes.true and variants.true mismatch");
            if (r > o.sources) {
                common::write_free("More sources available in genotypes.true than requested =", o.sources);
                common::write_empty_line();
                break;
            }
            // nloci = nvar: the row fills its staging row.
            read_row_cells(f, row.data(), nloci);
            src.GENOROW.store_row(r, row.data());
            if (r < 10) echo_row(id, echoed, nloci, row.data());
            src.SOURCEID[r] = id;
            ++r;
        }
    }
    src.ngeno = r - 1;
    // The sources without a row are homozygous reference at every variant
    // (see source_tables).
    if (src.ngeno >= 1)
        for (int32_t k = src.ngeno + 1; k <= o.sources; ++k) src.GENOROW.store_reference_row(k);
    common::write_free(src.ngeno, " records read from genotypes.true");
    common::write_empty_line();
}

void write_file_list(const options& o, files& f, source_tables& src) {
    f.fastq_filelist.write_line("Numeric_ID  Output_name           Fastq_read1           Fastq.read2");
    std::string line, name;
    for (int32_t k = 1; k <= o.sources; ++k) {
        if (src.SOURCEID[k] == 0) src.SOURCEID[k] = static_cast<int32_t>(10000u + static_cast<uint32_t>(k));
        name = base_name(k);
        line.clear();
        common::append_fixed_int(line, src.SOURCEID[k], 10);
        line.append("  ");
        append_name(line, name);
        line.append("  ");
        append_name(line, name + ".1.fq");
        if (o.paired == 2) {
            line.append("  ");
            append_name(line, name + ".2.fq");
        }
        f.fastq_filelist.write_line(line);
    }
    // Complete on disk before the first source starts, whatever end the run
    // then takes.
    f.fastq_filelist.close();
}

}  // namespace fragsim
