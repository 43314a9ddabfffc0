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
#include "kmerbank/kmerbank.h"

namespace kmerbank {

namespace {

/// Room of the flanking text of one flank line.
constexpr int64_t flank_capacity = 1000;

std::string record_name(const char* file, int32_t n) {
    return std::string(file) + " record " + std::to_string(n) + ": ";
}

// The counters of the variant pass.
struct variant_counts {
    int32_t nread = 0;     // records read
    int32_t accepted = 0;  // records checked and stored
    int32_t nsnp = 0, nins = 0, ndel = 0;
};

// The reference text from location - flanklen to location + flanklen, cut to
// the chromosome and to the room of the line.
void write_flank_line(files& f, const options& opt, const reference_map& map, int32_t chrom, int32_t loc) {
    const int64_t lo = std::max<int64_t>(static_cast<int64_t>(loc) - opt.flanklen, 1);
    const int64_t hi = std::min<int64_t>(static_cast<int64_t>(loc) + opt.flanklen, map.CHROLEN[chrom]);
    const int64_t n = hi >= lo ? std::min(hi - lo + 1, flank_capacity) : 0;
    common::fixed_line()
        .integer(chrom, 5)
        .integer(loc, 12)
        .integer(opt.flanklen, 4)
        .text(" ")
        .text(std::string_view(map.REFERENCE.column(chrom) + (lo - 1), static_cast<size_t>(n)))
        .write_to(f.flank_ref);
}

// Stops the run on record number nread, unless it can be stored as the next
// slot of the variant table and applied to the maps: first the capacity and
// the checks of the variant list, in their order, then the limits the tables
// need (chromosome and location at least 1, an allele text that fits its
// buffer, an SNP with a text of its own). Each message of the second kind is
// at most 74 characters: one free-format line.
void check_record(const common::variant_record& r, common::variant_kind kind, char allele, int32_t nread,
                  int32_t accepted, const options& opt, const reference_map& map) {
    const auto name = [nread] { return record_name("variants.prior", nread); };
    if (accepted >= opt.maxvar) common::stop_with("More alternate alleles than reserved by maxvar =", opt.maxvar);
    if (r.chromosome > opt.chromes) common::stop_with("Variant is not on a valid chromosome: ", r.chromosome);
    if (r.chromosome < 1) common::stop_with(name() + "chromosome " + std::to_string(r.chromosome) + " is below 1");
    if (r.location < 1) common::stop_with(name() + "location " + std::to_string(r.location) + " is below 1");
    if (r.location > map.CHROLEN[r.chromosome])
        common::stop_with("Variant is past the end of the chromosome: ", r.chromosome, r.location);
    if (r.length > line_capacity)
        common::stop_with(name() + "allele length " + std::to_string(r.length) + " is above " +
                          std::to_string(line_capacity));
    if (kind != common::variant_kind::snp) return;
    // Without a text of its own the allele would be whatever an earlier
    // record left in the buffer.
    if (r.length < 1) common::stop_with(name() + "SNP allele length " + std::to_string(r.length) + " is below 1");
    if (allele == map.REFERENCE(r.location, r.chromosome))
        common::stop_with("alternate SNP same as reference at ", r.chromosome, r.location, allele);
}

// Stores a checked record in the next slot of the variant table and counts
// it; an SNP also writes its flank line when its position is marked and puts
// its allele into the alternate map.
void store_record(const common::variant_record& r, common::variant_kind kind, char& allele, files& f,
                  const options& opt, reference_map& map, variant_tables& var, variant_counts& n) {
    const int32_t slot = n.accepted + 1;
    var.VARCHROME[slot] = r.chromosome;
    var.VARLOC[slot] = r.location;
    std::memcpy(var.VARTYPE.at(3 * (static_cast<int64_t>(slot) - 1) + 1), r.type, 3);
    var.VARLEN[slot] = r.length;
    ++n.accepted;
    switch (kind) {
        case common::variant_kind::snp: {
            const int32_t chrom = r.chromosome;
            if (var.FLANK(r.location, chrom) == 1) write_flank_line(f, opt, map, chrom, r.location);
            // Where the reference byte is above 'Z' the allele keeps the map's
            // lower case, so that it stays a break of the k-mer pass.
            if (static_cast<unsigned char>(map.REFERENCE(r.location, chrom)) > 'Z') allele = common::lower_base(allele);
            map.ALTERNATE(r.location, chrom) = allele;
            ++n.nsnp;
            break;
        }
        case common::variant_kind::ins: ++n.nins; break;
        case common::variant_kind::del: ++n.ndel; break;
        case common::variant_kind::other: break;  // only counted as a record
    }
}

void write_summary(const variant_counts& n) {
    common::write_empty_line();
    common::write_free(n.nread);
    common::write_free(n.accepted, " variant records read from variants.prior, this included:");
    common::write_free(n.nsnp, " alternate alleles (SNPs)");
    common::write_free(n.nins, " insertions");
    common::write_free(n.ndel, " deletions");
    common::write_empty_line();
}

}  // namespace

void mark_flank_positions(files& f, variant_tables& var) {
    // FLANK is 0 everywhere as allocated: only the listed positions are set.
    common::free_format_reader in(f.flank_loc);
    int32_t chrom = 0, loc = 0;
    int32_t n = 0;
    while (in.read({common::item(chrom), common::item(loc)}, true)) {
        ++n;
        // FLANK has a place for every chromosome of the capacity and every
        // position up to maplngth, and no more. The message can be longer
        // than one free-format line.
        if (!var.FLANK.contains(loc, chrom))
            common::stop_with_whole_line(record_name("flank.loc", n) + "chromosome " + std::to_string(chrom) +
                                         " location " + std::to_string(loc) + " is outside the map (chromosomes 1.." +
                                         std::to_string(var.FLANK.cols()) + ", locations 1.." +
                                         std::to_string(var.FLANK.rows()) + ")");
        var.FLANK(loc, chrom) = 1;
    }
    f.flank_ref.write_line("chrome location flank_length flanking_ref");
}

int32_t apply_prior_variants(files& f, const options& opt, reference_map& map, variant_tables& var) {
    common::write_free("    N  chr   location  ref alt (prior SNPs)");
    variant_counts n;
    common::free_format_reader in(f.variants_prior);
    std::vector<char> allele(line_capacity, ' ');  // allele text buffer
    common::variant_record r;
    if (common::skip_variant_header(in)) {
        while (common::read_variant_record(in, r, allele.data(), line_capacity)) {
            ++n.nread;
            const common::variant_kind kind = common::kind_of(r);
            check_record(r, kind, allele[0], n.nread, n.accepted, opt, map);
            store_record(r, kind, allele[0], f, opt, map, var, n);
        }
    }
    // flank.ref has all its lines: complete it now, so that its failure is
    // told before anything later can stop the run.
    if (f.have_flank_loc) f.flank_ref.close();
    write_summary(n);
    return n.accepted;
}

}  // namespace kmerbank
