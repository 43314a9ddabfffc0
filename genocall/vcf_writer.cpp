#include "genocall/vcf_writer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <sys/stat.h>

#include "genocall/genotype_model.h"
#include "genocall/number_format.h"
#include "genocall/run_stop.h"

namespace genocall {

namespace {

constexpr size_t output_buffer_size = size_t{1} << 20;
// Room one sample field may need: call, three posteriors, dosage, two counts.
constexpr size_t sample_field_room = 4 + 5 * (max_fixed3_length + 1) + 2 * 12;

[[noreturn]] void write_failed(const vcf_file& vcf) {
    std::printf("\nERROR: vcf output file %s write failed\n", vcf.name);
    stop_run();
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
        if (in.st_dev == output.st_dev && in.st_ino == output.st_ino) {
            std::printf("\nERROR: --vcf_output_filename %s is the same file as %s %s\n", opt.vcf_output_filename,
                        input.option, input.name);
            stop_run();
        }
    }
}

}  // namespace

vcf_file start_vcf(const runtime_options& opt) {
    refuse_output_that_is_an_input(opt);
    vcf_file vcf;
    vcf.name = opt.vcf_output_filename;
    vcf.file = std::fopen(vcf.name, "w");
    if (vcf.file == nullptr) {
        std::printf("\nERROR: vcf output file %s failed to open\n", vcf.name);
        stop_run();
    }
    vcf.buffer = static_cast<char*>(std::malloc(output_buffer_size));
    if (vcf.buffer == nullptr) {
        std::printf("\nInsufficient memory \n");
        stop_run();
    }
    vcf.capacity = output_buffer_size;

    put(vcf, "##fileformat=VCFv4.1\n");
    // GT is declared a String, the type VCF reserves for it: readers reject
    // an Integer GT at the '/' of the first call.
    put_format_line(vcf, "GT", "1", "String", "Genotype");
    if (opt.write_genotype_probabilities == 1)
        put_format_line(vcf, "GP", "3", "Float", "Estimated Posterior Probabilities for Genotypes 0/0, 0/1 and 1/1 ");
    if (opt.write_dosage == 1)
        put_format_line(vcf, "DS", "1", "Float", "Estimated Alternate Allele Dosage : [P(0/1)+2*P(1/1)]");
    if (opt.write_allele_depth == 1)
        put_format_line(vcf, "DP", "2", "Integer", "Read depth of ref and alt alleles ");
    put(vcf, "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT");
    // These lines reach the file now, so a failure while reading the
    // read-depth file leaves them there.
    flush(vcf);
    if (std::fflush(vcf.file) != 0) write_failed(vcf);
    return vcf;
}

void write_vcf_body(vcf_file& vcf, const runtime_options& opt, const marker_table& markers,
                    const sample_table& samples) {
    for (int32_t j = 0; j < samples.samples; ++j) {
        put(vcf, "\t");
        put(vcf, samples.name[j]);
    }
    put(vcf, "\n");

    const bool with_gp = opt.write_genotype_probabilities == 1;
    const bool with_ds = opt.write_dosage == 1;
    const bool with_dp = opt.write_allele_depth == 1;
    char format_text[16] = "\tGT";
    if (with_gp) std::strcat(format_text, ":GP");
    if (with_ds) std::strcat(format_text, ":DS");
    if (with_dp) std::strcat(format_text, ":DP");
    const std::string_view format_column = format_text;

    for (int32_t k = 0; k < markers.markers; ++k) {
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

        const double p = markers.frequency[k];
        const error_logs logs = make_error_logs(opt.error_rate);
        const size_t r_at = 2 * static_cast<size_t>(k);
        for (int32_t j = 0; j < samples.samples; ++j) {
            const uint8_t r = samples.counts[j][r_at];
            const uint8_t a = samples.counts[j][r_at + 1];
            const int32_t d = r + a;
            const posteriors post = genotype_posteriors(r, a, p, logs);
            make_room(vcf, sample_field_room);
            char* out = vcf.buffer + vcf.length;
            *out++ = '\t';
            const char* call = call_genotype(d, post, opt.missing_min_read_depth, opt.best_call_probability);
            std::memcpy(out, call, 3);
            out += 3;
            if (with_gp) {
                *out++ = ':';
                out = put_fixed3(out, post.p00);
                *out++ = ',';
                out = put_fixed3(out, post.p01);
                *out++ = ',';
                out = put_fixed3(out, post.p11);
            }
            if (with_ds) {
                *out++ = ':';
                out = put_fixed3(out, dosage(post));
            }
            if (with_dp) {
                *out++ = ':';
                out = put_int(out, r);
                *out++ = ',';
                out = put_int(out, a);
            }
            vcf.length = static_cast<size_t>(out - vcf.buffer);
        }
        put(vcf, "\n");
    }
}

void close_run(vcf_file& vcf, marker_table& markers, sample_table& samples) {
    flush(vcf);
    // A full disk may show only here, when the last block is written out.
    const bool failed = std::ferror(vcf.file) != 0;
    if (std::fclose(vcf.file) != 0 || failed) {
        std::printf("\nERROR: vcf output file %s failed to close\n", vcf.name);
        stop_run();
    }
    vcf.file = nullptr;
    std::free(vcf.buffer);
    vcf.buffer = nullptr;
    close_depth_file(samples);
    release_markers(markers);
    release_samples(samples);
}

}  // namespace genocall
