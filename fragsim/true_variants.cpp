// The true variants of variants.true: each record read (with its echo),
// checked against the reference map, then stored in the variant tables and
// the insertion store; at the end VARNUM and the summary.
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

using common::variant_kind;

// Capacity of the allele text of one record.
constexpr int32_t allele_capacity = 100000;
// Records echoed while fewer than this many are accepted.
constexpr int32_t echo_slots = 10;

// One record as read: its values, the kind of its type text, its allele.
struct true_record {
    common::variant_record values;
    variant_kind kind = variant_kind::other;
    const char* allele = nullptr;  // max(length, 0) characters
    std::string_view allele_text() const {
        return std::string_view(allele, static_cast<size_t>(std::max(values.length, 0)));
    }
};

// What becomes of a record whose reading and checks did not stop the run.
enum class record_fate { store, pass_over, end_of_list };

// A record the tables cannot hold safely: its message names it and the run
// stops before anything of it is stored.
[[noreturn]] void reject(const common::variant_record& r, const std::string& why) {
    std::string text = "variants.true record ";
    text += std::to_string(r.chromosome) + " " + std::to_string(r.location) + " ";
    text.append(r.type, 3);
    text += " " + std::to_string(r.length) + ": " + why;
    common::stop_with_whole_line(text, common::line_start::as_given);
}

void echo_record(const true_record& t) {
    const common::variant_record& r = t.values;
    common::fixed_line()
        .integer(r.chromosome, 10)
        .integer(r.location, 10)
        .text(" ")
        .text(std::string_view(r.type, 3))
        .integer(r.unused, 10)
        .integer(r.length, 10)
        .text(" ")
        .text(t.allele_text())
        .write_console();
}

// Reading: the next record into t (its allele into the buffer), echoed while
// slot j is among the first ten; false at the end of the list.
bool read_record(common::free_format_reader& in, std::vector<char>& allele, int32_t j, true_record& t) {
    if (!common::read_variant_record(in, t.values, allele.data(), allele_capacity)) return false;
    // Longer allele texts do not fit the record's text buffer.
    if (t.values.length > allele_capacity) reject(t.values, "allele longer than 100000 characters");
    t.kind = common::kind_of(t.values);
    t.allele = allele.data();
    if (j <= echo_slots) echo_record(t);
    return true;
}

// Where the record lies: past the last chromosome the list ends, past its
// chromosome's end the record is passed over.
record_fate check_position(const common::variant_record& r, const reference_map& map) {
    if (r.chromosome > map.nchrom) return record_fate::end_of_list;
    if (r.chromosome < 1 || r.location < 1) reject(r, "chromosome or location below 1");
    if (r.location > map.CHROLEN[r.chromosome]) return record_fate::pass_over;
    return record_fate::store;
}

// The records that the type checks and the tables cannot handle.
void check_bounds(const true_record& t, const reference_map& map) {
    const common::variant_record& r = t.values;
    const int64_t p = r.location, len = r.length, chrolen = map.CHROLEN[r.chromosome];
    const bool snp = t.kind == variant_kind::snp, del = t.kind == variant_kind::del, ins = t.kind == variant_kind::ins;
    if ((snp || del) && len < 1) reject(r, "no allele (an SNP or DEL needs a length of at least 1)");
    if (ins && len < 0) reject(r, "negative insertion length");
    if (del && p + len - 1 > chrolen) reject(r, "deletion runs past the end of its chromosome");
    if (ins && len >= 1 && p >= chrolen) reject(r, "insertion at the last position of its chromosome");
}

// The checks of each type against the reference map: an SNP that is no
// change or sits on an 'N', a deletion of other bases and an insertion of the
// next base stop the run; a deletion of the base after it is only reported.
void check_type(const true_record& t, const reference_map& map) {
    const int8_t c = t.values.chromosome;
    const int32_t p = t.values.location, len = t.values.length;
    const char a = t.allele[0];
    const char ref = map.REFERENCE(p, c);
    switch (t.kind) {
        case variant_kind::snp:
            if (a == ref) common::stop_with("Alternate allele = reference at", c, p, a);
            if (ref == 'N') common::stop_with("Alternate allele where reference = N at", c, p, a);
            break;
        case variant_kind::del:
            if (a != ref && a != 'N') common::stop_with("deleted SNP not same as reference at ", c, p, a);
            // A deletion that ends at the chromosome's end has no base after it.
            if (static_cast<int64_t>(p) + len <= map.CHROLEN[c] && a == map.REFERENCE(p + len, c)) {
                common::fixed_line()
                    .text("deleted SNP same as next reference allele ")
                    .integer(c, 4)
                    .integer(p, 10)
                    .text("   ")
                    .text(t.allele_text())
                    .text("   ")
                    .text(std::string_view(&ref, 1))
                    .write_console();
                common::write_free("location of deletion not correct");
            }
            break;
        case variant_kind::ins:
            // An insertion of length 0 has no first character to check.
            if (len >= 1 && a == map.REFERENCE(p + 1, c)) {
                common::write_free("inserted SNP same as next reference allele ", c, p, t.allele_text(), ref);
                common::stop_with("location of insert not correct");
            }
            break;
        case variant_kind::other: break;
    }
}

// Room for the record in slot j and, for an insertion, for its text.
void check_capacity(const true_record& t, const options& o, const variant_tables& var, int32_t j) {
    if (j > o.maxvar) common::stop_with("More alternate alleles than reserved by maxvar =", o.maxvar);
    if (t.kind == variant_kind::ins && static_cast<int64_t>(var.insfill) + t.values.length > o.maxinsert)
        reject(t.values, "insertion texts exceed maxinsert = " + std::to_string(o.maxinsert));
}

// Checking, in the order the messages come: position, our own bounds, the
// type checks, the capacities.
record_fate check_record(const true_record& t, const options& o, const reference_map& map, const variant_tables& var,
                         int32_t j) {
    const record_fate fate = check_position(t.values, map);
    if (fate != record_fate::store) return fate;
    check_bounds(t, map);
    check_type(t, map);
    check_capacity(t, o, var, j);
    return record_fate::store;
}

// Storing: the record in slot j, then by kind the SNP allele in ALTBASE
// (lower case where the reference is) or the insertion text in INSERT. The
// positions go into VARNUM once the list has ended.
void store_record(const true_record& t, const reference_map& map, variant_tables& var, int32_t j) {
    const int8_t c = t.values.chromosome;
    const int32_t p = t.values.location, len = t.values.length;
    var.VARCHROME[j] = c;
    var.VARLOC[j] = p;
    var.VARTYPE[j] = t.kind;
    var.VARLEN[j] = len;
    var.maxindel = std::max(var.maxindel, len);
    switch (t.kind) {
        case variant_kind::snp: {
            const char a = t.allele[0];
            const bool masked = static_cast<unsigned char>(map.REFERENCE(p, c)) > static_cast<unsigned char>('Z');
            var.ALTBASE[j] = masked ? common::lower_base(a) : a;
            ++var.nsnp;
            break;
        }
        case variant_kind::del: ++var.ndel; break;
        case variant_kind::ins:
            var.INSPOS[j] = var.insfill + 1;
            if (len > 0) std::memcpy(var.INSERT.at(var.insfill + 1), t.allele, static_cast<size_t>(len));
            var.insfill += len;
            ++var.nins;
            break;
        case variant_kind::other: break;
    }
}

void print_summary(const variant_tables& var) {
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

}  // namespace

void index_variants(reference_map& map, variant_tables& var) {
    for (int32_t j = 1; j <= var.nvar; ++j) map.VARNUM.mark(var.VARLOC[j], var.VARCHROME[j]);
    map.VARNUM.finish();
    // In slot order, so that a later record at a position replaces the
    // earlier one there; a record that is not an SNP keeps the base the
    // alternate map held at its position.
    for (int32_t j = 1; j <= var.nvar; ++j) {
        const int32_t p = var.VARLOC[j], c = var.VARCHROME[j];
        int32_t& slot = map.VARNUM.slot(map.VARNUM.rank(p, c));
        if (var.VARTYPE[j] != variant_kind::snp) var.ALTBASE[j] = slot != 0 ? var.ALTBASE[slot] : map.REFERENCE(p, c);
        slot = j;
    }
}

void read_true_variants(const options& o, files& f, reference_map& map, variant_tables& var) {
    // VARNUM was created with the map and nothing has marked it.
    var.nvar = var.nsnp = var.nins = var.ndel = var.maxindel = var.insfill = 0;
    std::vector<char> allele(allele_capacity, ' ');
    common::free_format_reader in(f.variants_true);
    true_record t;
    int32_t j = 1;  // the slot of the next accepted record
    if (common::skip_variant_header(in)) {
        while (read_record(in, allele, j, t)) {
            const record_fate fate = check_record(t, o, map, var, j);
            if (fate == record_fate::end_of_list) break;
            if (fate == record_fate::pass_over) continue;
            store_record(t, map, var, j);
            ++j;
        }
    }
    var.nvar = j - 1;
    index_variants(map, var);
    print_summary(var);
}

}  // namespace fragsim
