// Variant phase of kmerbank: marks the flank.loc positions, reads the prior
// variants, puts each SNP allele into the alternate map and writes the
// reference text around the marked SNPs to flank.ref.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/fixed_width.h"
#include "common/free_format_reader.h"
#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "common/variant_record.h"
#include "common/wall_time.h"
#include "kmerbank/kmerbank.h"

namespace kmerbank {

namespace {

/// Room of the flanking text of one flank line.
constexpr int64_t flank_capacity = 1000;

std::string record_name(const char* file, int32_t n) { return std::string(file) + " record " + std::to_string(n) + ": "; }

void mark_flank_positions(files& f, tables& t) {
    common::free_format_reader in(f.flank_loc);
    int32_t chrom = 0, loc = 0;
    int32_t n = 0;
    while (in.read({common::item(chrom), common::item(loc)}, true)) {
        ++n;
        // FLANK has a place for every chromosome of the capacity and every
        // position up to maplngth, and no more.
        if (!t.FLANK.contains(loc, chrom))
            stop_with(record_name("flank.loc", n) + "chromosome " + std::to_string(chrom) + " location " +
                      std::to_string(loc) + " is outside the map (chromosomes 1.." + std::to_string(t.FLANK.cols()) +
                      ", locations 1.." + std::to_string(t.FLANK.rows()) + ")");
        t.FLANK(loc, chrom) = 1;
    }
    f.flank_ref.write_line("chrome location flank_length flanking_ref");
}

// The reference text from location - flanklen to location + flanklen, cut to
// the chromosome and to the room of the line.
void write_flank_line(files& f, const options& opt, const tables& t, int32_t chrom, int32_t loc) {
    const int64_t lo = std::max<int64_t>(static_cast<int64_t>(loc) - opt.flanklen, 1);
    const int64_t hi = std::min<int64_t>(static_cast<int64_t>(loc) + opt.flanklen, t.CHROLEN[chrom]);
    const int64_t n = hi >= lo ? std::min(hi - lo + 1, flank_capacity) : 0;
    common::fixed_line()
        .integer(chrom, 5)
        .integer(loc, 12)
        .integer(opt.flanklen, 4)
        .text(" ")
        .text(std::string_view(t.REFERENCE.column(chrom) + (lo - 1), static_cast<size_t>(n)))
        .write_to(f.flank_ref);
}

char lower_base(char c) {
    switch (c) {
    case 'A': return 'a';
    case 'C': return 'c';
    case 'G': return 'g';
    case 'T': return 't';
    default: return c;
    }
}

}  // namespace

int32_t apply_prior_variants(files& f, const options& opt, tables& t) {
    // FLANK is 0 everywhere as allocated: only the flank.loc positions are set.
    if (f.have_flank_loc) mark_flank_positions(f, t);

    common::write_free("    N  chr   location  ref alt (prior SNPs)");
    int32_t nread = 0, accepted = 0, nsnp = 0, nins = 0, ndel = 0;
    common::free_format_reader in(f.variants_prior);
    std::vector<char> allele(line_capacity, ' ');  // allele text buffer
    common::variant_record r;
    if (common::skip_variant_header(in)) {
        while (common::read_variant_record(in, r, allele.data(), line_capacity)) {
            ++nread;
            if (accepted >= opt.maxvar) {
                common::write_free("More alternate alleles than reserved by maxvar =", opt.maxvar);
                common::stop_run();
            }
            const int32_t slot = accepted + 1;
            t.VARCHROME[slot] = r.chromosome;
            t.VARLOC[slot] = r.location;
            std::memcpy(t.VARTYPE.at(3 * (static_cast<int64_t>(slot) - 1) + 1), r.type, 3);
            t.VARLEN[slot] = r.length;

            if (r.chromosome > opt.chromes) {
                common::write_free("Variant is not on a valid chromosome: ", r.chromosome);
                common::stop_run();
            }
            if (r.chromosome < 1)
                stop_with(record_name("variants.prior", nread) + "chromosome " + std::to_string(r.chromosome) +
                          " is below 1");
            const int32_t chrom = r.chromosome;
            if (r.location < 1)
                stop_with(record_name("variants.prior", nread) + "location " + std::to_string(r.location) +
                          " is below 1");
            if (r.location > t.CHROLEN[chrom]) {
                common::write_free("Variant is past the end of the chromosome: ", r.chromosome, r.location);
                common::stop_run();
            }
            if (r.length > line_capacity)
                stop_with(record_name("variants.prior", nread) + "allele length " + std::to_string(r.length) +
                          " is above " + std::to_string(line_capacity));

            if (common::type_is(r, "SNP")) {
                // Without a text of its own the allele would be whatever an
                // earlier record left in the buffer.
                if (r.length < 1)
                    stop_with(record_name("variants.prior", nread) + "SNP allele length " + std::to_string(r.length) +
                              " is below 1");
                char a = allele[0];
                const char ref = t.REFERENCE(r.location, chrom);
                if (a == ref) {
                    common::write_free("alternate SNP same as reference at ", r.chromosome, r.location, a);
                    common::stop_run();
                }
                if (t.FLANK(r.location, chrom) == 1) write_flank_line(f, opt, t, chrom, r.location);
                // Where the reference byte is above 'Z' the allele keeps the
                // map's lower case, so that it stays a break of the k-mer pass.
                if (static_cast<unsigned char>(ref) > 'Z') a = lower_base(a);
                allele[0] = a;
                t.ALTERNATE(r.location, chrom) = a;
                ++nsnp;
            } else if (common::type_is(r, "DEL")) {
                ++ndel;
            } else if (common::type_is(r, "INS")) {
                ++nins;
            }
            ++accepted;
        }
    }

    // flank.ref has all its lines: complete it now, so that its failure is
    // told before anything later can stop the run.
    if (f.have_flank_loc) f.flank_ref.close();

    common::write_empty_line();
    common::write_free(nread);
    common::write_free(accepted, " variant records read from variants.prior, this included:");
    common::write_free(nsnp, " alternate alleles (SNPs)");
    common::write_free(nins, " insertions");
    common::write_free(ndel, " deletions");
    common::write_empty_line();
    common::mywalltime();
    common::write_empty_line();
    return accepted;
}

}  // namespace kmerbank
