// The VCF file: its meta lines and header, the data lines composed in one
// large buffer from the marker table and the sample counts, and its closing.
#include "genocall/vcf_writer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <sys/stat.h>

#include "genocall/number_format.h"
#include "genocall/run_stop.h"
#include "genocall/sample_fields.h"

namespace genocall {

namespace {

constexpr size_t output_buffer_size = size_t{1} << 20;

[[noreturn]] void write_failed(const vcf_file& vcf) {
    stop_run("\nERROR: vcf output file %s write failed\n", vcf.name);
}

void flush(vcf_file& vcf) {
    if (vcf.length > 0 && std::fwrite(vcf.buffer, 1, vcf.length, vcf.file) != vcf.length) write_failed(vcf);
    vcf.length = 0;
}

void make_room(vcf_file& vcf, size_t room) {
    if (vcf.capacity - vcf.length < room) flush(vcf);
}

void put(vcf_file& vcf, std::string_view text) {
    while (!text.empty()) {
        if (vcf.length == vcf.capacity) flush(vcf);
        const size_t part = std::min(text.size(), vcf.capacity - vcf.length);
        std::memcpy(vcf.buffer + vcf.length, text.data(), part);
        vcf.length += part;
        text.remove_prefix(part);
    }
}

void put_number(vcf_file& vcf, int32_t v) {
    make_room(vcf, 12);
    vcf.length = static_cast<size_t>(put_int(vcf.buffer + vcf.length, v) - vcf.buffer);
}

void put_format_line(vcf_file& vcf, const char* key, const char* number, const char* type, const char* description) {
    put(vcf, "##FORMAT=<ID=");
    put(vcf, key);
    put(vcf, ",Number=");
    put(vcf, number);
    put(vcf, ",Type=");
    put(vcf, type);
    put(vcf, ",Description=\"");
    put(vcf, description);
    put(vcf, "\">\n");
}

// Opening the VCF file empties it, so a name that reaches an input (the same
// name, another path, a symbolic or a hard link) is refused before the open.
void refuse_output_that_is_an_input(const runtime_options& opt) {
    struct stat output;
    if (stat(opt.vcf_output_filename, &output) != 0) return;  // not there yet: no input
    const struct {
        const char* option;
        const char* name;
    } inputs[] = {
        {"--variant_input_filename", opt.variant_input_filename},
        {"--frequency_input_filename", opt.frequency_input_filename},
        {"--readdepth_input_filename", opt.readdepth_input_filename},
    };
    for (const auto& input : inputs) {
        struct stat in;
        if (input.name == nullptr || stat(input.name, &in) != 0) continue;
        if (in.st_dev == output.st_dev && in.st_ino == output.st_ino)
            stop_run("\nERROR: --vcf_output_filename %s is the same file as %s %s\n", opt.vcf_output_filename,
                     input.option, input.name);
    }
}

// Completes the header line: a column per sample, then the line end.
void write_sample_columns(vcf_file& vcf, const sample_table& samples) {
    for (int32_t j = 0; j < samples.samples; ++j) {
        put(vcf, "\t");
        put(vcf, samples.name[j]);
    }
    put(vcf, "\n");
}

// The FORMAT column, written into text: "\tGT", then ":GP", ":DS", ":DP" as
// the layout asks.
std::string_view format_column_text(const field_layout& layout, char (&text)[16]) {
    std::strcpy(text, "\tGT");
    if (layout.with_gp) std::strcat(text, ":GP");
    if (layout.with_ds) std::strcat(text, ":DS");
    if (layout.with_dp) std::strcat(text, ":DP");
    return text;
}

// CHROM to FORMAT of marker k's data line.
void put_fixed_columns(vcf_file& vcf, const marker_table& markers, int32_t k, std::string_view format_column) {
    put_number(vcf, markers.chromosome[k]);  // CHROM
    put(vcf, "\t");
    put_number(vcf, markers.position[k]);  // POS
    put(vcf, "\t");
    put_number(vcf, markers.chromosome[k]);  // ID
    put(vcf, ":");
    put_number(vcf, markers.position[k]);
    put(vcf, ":");
    put(vcf, markers.ref[k]);
    put(vcf, ":");
    put(vcf, markers.alt[k]);
    put(vcf, "\t");
    put(vcf, markers.ref[k]);  // REF
    put(vcf, "\t");
    put(vcf, markers.alt[k]);  // ALT
    put(vcf, "\t.\tPASS\t.");  // QUAL, FILTER, INFO
    put(vcf, format_column);
}

// Markers whose counts are copied into columns at a time: up to 64, fewer
// when many samples would make the columns large.
int32_t column_block(int32_t samples) {
    constexpr size_t column_bytes = size_t{4} << 20;
    const size_t per_marker = 2 * static_cast<size_t>(samples > 0 ? samples : 1);
    return static_cast<int32_t>(std::clamp<size_t>(column_bytes / per_marker, 1, 64));
}

// Copies the counts of markers first to first + count - 1 of every sample
// into columns, marker by marker: columns[b * samples + j] is the pair
// r | a << 8 of sample j at marker first + b. A few markers at a time keep
// the rows read in runs and the data lines written from one column each.
void copy_count_columns(const sample_table& samples, int32_t first, int32_t count, uint16_t* columns) {
    // Samples a tile at a time: the tile's rows stay in the cache while each
    // column gets a run of tile entries.
    constexpr size_t tile = 32;
    const size_t n = static_cast<size_t>(samples.samples);
    const size_t offset = 2 * static_cast<size_t>(first);
    for (size_t j0 = 0; j0 < n; j0 += tile) {
        const size_t j1 = std::min(n, j0 + tile);
        for (size_t b = 0; b < static_cast<size_t>(count); ++b) {
            uint16_t* column = columns + b * n;
            for (size_t j = j0; j < j1; ++j) {
                const uint8_t* pair = samples.counts[j] + offset + 2 * b;
                column[j] = static_cast<uint16_t>(pair[0] | pair[1] << 8);
            }
        }
    }
}

}  // namespace

vcf_file start_vcf(const runtime_options& opt) {
    refuse_output_that_is_an_input(opt);
    vcf_file vcf;
    vcf.name = opt.vcf_output_filename;
    vcf.file = std::fopen(vcf.name, "w");
    if (vcf.file == nullptr) stop_run("\nERROR: vcf output file %s failed to open\n", vcf.name);
    vcf.buffer = static_cast<char*>(allocate_or_stop(output_buffer_size, 1));
    vcf.capacity = output_buffer_size;

    put(vcf, "##fileformat=VCFv4.1\n");
    // GT is declared a String, the type VCF reserves for it: readers reject
    // an Integer GT at the '/' of the first call.
    put_format_line(vcf, "GT", "1", "String", "Genotype");
    if (opt.write_genotype_probabilities == 1)
        put_format_line(vcf, "GP", "3", "Float", "Estimated Posterior Probabilities for Genotypes 0/0, 0/1 and 1/1 ");
    if (opt.write_dosage == 1)
        put_format_line(vcf, "DS", "1", "Float", "Estimated Alternate Allele Dosage : [P(0/1)+2*P(1/1)]");
    if (opt.write_allele_depth == 1) put_format_line(vcf, "DP", "2", "Integer", "Read depth of ref and alt alleles ");
    put(vcf, "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT");
    // These lines reach the file now, so a failure while reading the
    // read-depth file leaves them there.
    flush(vcf);
    if (std::fflush(vcf.file) != 0) write_failed(vcf);
    return vcf;
}

void write_vcf_body(vcf_file& vcf, const runtime_options& opt, const marker_table& markers,
                    const sample_table& samples) {
    write_sample_columns(vcf, samples);
    const field_layout layout = make_field_layout(opt);
    char format_text[16];
    const std::string_view format_column = format_column_text(layout, format_text);
    const int32_t n = samples.samples;
    const int32_t block = column_block(n);
    uint16_t* columns =
        static_cast<uint16_t*>(allocate_or_stop(static_cast<size_t>(block) * static_cast<size_t>(n), sizeof(uint16_t)));
    field_cache cache = make_field_cache(n);
    for (int32_t first = 0; first < markers.markers; first += block) {
        const int32_t count = std::min(block, markers.markers - first);
        copy_count_columns(samples, first, count, columns);
        for (int32_t b = 0; b < count; ++b) {
            const int32_t k = first + b;
            put_fixed_columns(vcf, markers, k, format_column);
            start_marker(cache, k, markers.frequency[k]);
            const uint16_t* column = columns + static_cast<size_t>(b) * static_cast<size_t>(n);
            for (int32_t j = 0; j < n; ++j) {
                make_room(vcf, sample_field_room);
                char* out = put_cached_field(cache, column[j], vcf.buffer + vcf.length, layout);
                vcf.length = static_cast<size_t>(out - vcf.buffer);
            }
            put(vcf, "\n");
        }
    }
    free_field_cache(cache);
    std::free(columns);
}

void close_vcf(vcf_file& vcf) {
    flush(vcf);
    // A full disk may show only here, when the last block is written out.
    const bool failed = std::ferror(vcf.file) != 0;
    if (std::fclose(vcf.file) != 0 || failed) stop_run("\nERROR: vcf output file %s failed to close\n", vcf.name);
    vcf.file = nullptr;
    std::free(vcf.buffer);
    vcf.buffer = nullptr;
}

}  // namespace genocall
