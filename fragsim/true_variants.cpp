// The true variants of variants.true: each record checked against the
// reference map, then stored in the variant tables, VARNUM, ALTERNATE and the
// insertion store, with the record echo and the summary.
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
#include "fragsim/fragsim.h"

namespace fragsim {

namespace {

// Capacity of the allele text of one record.
constexpr int32_t allele_capacity = 100000;

char lower_base(char a) {
    switch (a) {
        case 'A': return 'a';
        case 'C': return 'c';
        case 'G': return 'g';
        case 'T': return 't';
        default: return a;
    }
}

void echo_record(const common::variant_record& r, const char* allele) {
    common::fixed_line()
        .integer(r.chromosome, 10)
        .integer(r.location, 10)
        .text(" ")
        .text(std::string_view(r.type, 3))
        .integer(r.unused, 10)
        .integer(r.length, 10)
        .text(" ")
        .text(std::string_view(allele, static_cast<size_t>(std::max(r.length, 0))))
        .write_console();
}

// A record the tables cannot hold safely: its message names it and the run
// stops before anything of it is stored.
[[noreturn]] void reject(const common::variant_record& r, const std::string& why) {
    std::string text = "variants.true record ";
    text += std::to_string(r.chromosome) + " " + std::to_string(r.location) + " ";
    text.append(r.type, 3);
    text += " " + std::to_string(r.length) + ": " + why;
    common::fixed_line().text(text).write_console();
    common::stop_run();
}

// The unsafe records that the type checks and the tables cannot handle.
void check_bounds(const common::variant_record& r, const reference_map& map) {
    const int64_t p = r.location, len = r.length, chrolen = map.CHROLEN[r.chromosome];
    const bool snp = common::type_is(r, "SNP"), del = common::type_is(r, "DEL"), ins = common::type_is(r, "INS");
    if ((snp || del) && len < 1) reject(r, "no allele (an SNP or DEL needs a length of at least 1)");
    if (ins && len < 0) reject(r, "negative insertion length");
    if (del && p + len - 1 > chrolen) reject(r, "deletion runs past the end of its chromosome");
    if (ins && len >= 1 && p >= chrolen) reject(r, "insertion at the last position of its chromosome");
}

}  // namespace

void read_true_variants(const options& o, files& f, reference_map& map, variant_tables& var) {
    // VARNUM was created zero-filled with the maps and nothing has written it.
    var.nvar = var.nsnp = var.nins = var.ndel = var.maxindel = var.insfill = 0;
    std::vector<char> allele(allele_capacity, ' ');
    common::free_format_reader in(f.variants_true);
    common::variant_record r;
    int32_t j = 1;
    if (common::skip_variant_header(in)) {
        while (common::read_variant_record(in, r, allele.data(), allele_capacity)) {
            // Longer allele texts do not fit the record's text buffer.
            if (r.length > allele_capacity) reject(r, "allele longer than 100000 characters");
            if (j <= 10) echo_record(r, allele.data());
            if (r.chromosome > map.nchrom) break;
            if (r.chromosome < 1 || r.location < 1) reject(r, "chromosome or location below 1");
            const int8_t c = r.chromosome;
            const int32_t p = r.location;
            if (p > map.CHROLEN[c]) continue;
            check_bounds(r, map);

            const int32_t len = r.length;
            const char a = allele[0];
            const char ref = map.REFERENCE(p, c);
            if (common::type_is(r, "SNP")) {
                if (a == ref) {
                    common::write_free("Alternate allele = reference at", c, p, a);
                    common::stop_run();
                }
                if (ref == 'N') {
                    common::write_free("Alternate allele where reference = N at", c, p, a);
                    common::stop_run();
                }
            } else if (common::type_is(r, "DEL")) {
                if (a != ref && a != 'N') {
                    common::write_free("deleted SNP not same as reference at ", c, p, a);
                    common::stop_run();
                }
                // A deletion that ends at the chromosome's end has no base after it.
                if (static_cast<int64_t>(p) + len <= map.CHROLEN[c] && a == map.REFERENCE(p + len, c)) {
                    common::fixed_line()
                        .text("deleted SNP same as next reference allele ")
                        .integer(c, 4)
                        .integer(p, 10)
                        .text("   ")
                        .text(std::string_view(allele.data(), static_cast<size_t>(len)))
                        .text("   ")
                        .text(std::string_view(&ref, 1))
                        .write_console();
                    common::write_free("location of deletion not correct");
                }
            } else if (common::type_is(r, "INS")) {
                // An insertion of length 0 has no first character to check.
                if (len >= 1 && a == map.REFERENCE(p + 1, c)) {
                    common::write_free("inserted SNP same as next reference allele ", c, p,
                                       std::string_view(allele.data(), static_cast<size_t>(len)), ref);
                    common::write_free("location of insert not correct");
                    common::stop_run();
                }
            }
            if (j > o.maxvar) {
                common::write_free("More alternate alleles than reserved by maxvar =", o.maxvar);
                common::stop_run();
            }
            if (common::type_is(r, "INS") && static_cast<int64_t>(var.insfill) + len > o.maxinsert) {
                reject(r, "insertion texts exceed maxinsert = " + std::to_string(o.maxinsert));
            }

            var.VARCHROME[j] = c;
            var.VARLOC[j] = p;
            std::memcpy(var.VARTYPE.at(3 * static_cast<int64_t>(j) - 2), r.type, 3);
            var.VARLEN[j] = len;
            map.VARNUM(p, c) = j;
            var.maxindel = std::max(var.maxindel, len);
            if (common::type_is(r, "SNP")) {
                char alt = a;
                if (static_cast<unsigned char>(ref) > static_cast<unsigned char>('Z')) alt = lower_base(a);
                map.ALTERNATE(p, c) = alt;
                ++var.nsnp;
            } else if (common::type_is(r, "DEL")) {
                ++var.ndel;
            } else if (common::type_is(r, "INS")) {
                var.INSPOS[j] = var.insfill + 1;
                if (len > 0) std::memcpy(var.INSERT.at(var.insfill + 1), allele.data(), static_cast<size_t>(len));
                var.insfill += len;
                ++var.nins;
            }
            ++j;
        }
    }
    var.nvar = j - 1;

    common::write_free(var.nvar, " variant records read from variants.true, this included:");
    common::write_free(var.nsnp, " alternate alleles (SNPs)");
    common::write_free(var.nins, " insertions");
    common::write_free(var.ndel, " deletions");
    common::write_empty_line();
    common::write_free(var.maxindel, " maximum indel length");
    common::fixed_line line;
    line.text("insertion vector");
    if (var.insfill > 0)
        line.text(" ").text(std::string_view(var.INSERT.at(1), static_cast<size_t>(std::min(var.insfill, 50))));
    line.write_console();
    common::write_empty_line();
}

}  // namespace fragsim
