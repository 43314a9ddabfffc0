#pragma once
// The VCF 4.1 output: meta lines and the fixed header columns, the sample
// columns, one data line per marker, and the closing of the file.
#include <cstddef>
#include <cstdio>

#include "genocall/marker_input.h"
#include "genocall/options.h"
#include "genocall/readdepth_input.h"

namespace genocall {

/// The open VCF file and its output buffer; lines are composed in the buffer
/// and handed to the file in large blocks, each write checked.
struct vcf_file {
    FILE* file = nullptr;
    const char* name = nullptr;
    char* buffer = nullptr;
    size_t length = 0;
    size_t capacity = 0;
};

/// Creates or empties the file named vcf_output_filename and writes the meta
/// lines and the fixed header columns (no line end), flushed to the file.
/// A name that is the same file as an input is refused first, the file left
/// as it is: one message naming both options, status 1.
/// Open failure: "\nERROR: vcf output file %s failed to open\n", status 1.
vcf_file start_vcf(const runtime_options& opt);

/// Completes the header with one column per sample and writes one data line
/// per marker; a marker's field of each distinct count pair is computed once.
void write_vcf_body(vcf_file& vcf, const runtime_options& opt, const marker_table& markers,
                    const sample_table& samples);

/// Writes what the buffer still holds, closes the VCF file and releases the
/// buffer. A write error ("\nERROR: vcf output file %s write failed\n") or
/// a close error ("\nERROR: vcf output file %s failed to close\n") ends
/// the run with status 1.
void close_vcf(vcf_file& vcf);

}  // namespace genocall
