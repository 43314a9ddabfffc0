#include "fragsim/fragment.h"

#include <algorithm>

#include "common/free_format_writer.h"

namespace fragsim {

namespace {

enum class walk_end { accepted, too_many_n, chromosome_end };

// Allele of variant v for the attempt: 1 the reference, anything else the
// alternate. Without genotype rows a fixed pattern by slot number; with them
// the source's genotype character, '1' drawn afresh from READSTREAM.
inline void choose_allele(const fragment_inputs& in, genotype_cells::row_view genotypes, int32_t v, int32_t haplotype,
                          fragment_source& fs) {
    if (in.src.ngeno < 1) {
        if (v % 4 == 0)
            fs.allele_choice = 1;
        else if (v % 2 != 0)
            fs.allele_choice = haplotype;
        else
            fs.allele_choice = 2;
        return;
    }
    switch (genotypes(v)) {
        case '1': fs.allele_choice = unif2(fs.streams.READSTREAM) > 0.5 ? 1 : 2; break;
        case '0': fs.allele_choice = 1; break;
        case '2': fs.allele_choice = 2; break;
        default: break;  // the last choice stays in force
    }
}

// The alternate allele of variant v at offset off, position p, by its kind:
// an SNP's base from its slot's ALTBASE; the reference base followed by an
// insertion's text (bases past offset L dropped; off moves to the last one
// filled); the base VARLEN positions on for a deletion (p moves on, and the
// walk ends when that passes the chromosome's end: false); the reference base
// for another type, which has no allele to put in.
inline bool put_alternate(const variant_tables& var, int32_t v, const char* REF, int32_t len, int32_t L, int32_t& off,
                          int32_t& p, char* SEQ, int32_t* POS) {
    switch (var.VARTYPE[v]) {
        case common::variant_kind::snp: SEQ[off - 1] = var.ALTBASE[v]; break;
        case common::variant_kind::ins: {
            SEQ[off - 1] = REF[p - 1];
            const int32_t k = var.VARLEN[v];
            const char* text = var.INSERT.at(var.INSPOS[v]);
            const int32_t room = L - off;
            const int32_t n = k < room ? k : room;
            for (int32_t j = 1; j <= n; ++j) {
                SEQ[off + j - 1] = text[j - 1];
                POS[off + j - 1] = p;
            }
            off += n > 0 ? n : 0;
            break;
        }
        case common::variant_kind::del:
            if (var.VARLEN[v] > len - p) return false;
            p += var.VARLEN[v];
            SEQ[off - 1] = REF[p - 1];  // the deletion's own position stays in POS
            break;
        case common::variant_kind::other: SEQ[off - 1] = REF[p - 1]; break;
    }
    return true;
}

// One walk of fraglen offsets from start on chromosome c. The arrays are
// indexed from 0 (offset 1 at [0]).
walk_end walk(const fragment_inputs& in, fragment_source& fs, int8_t c, int32_t start, int32_t haplotype, char* SEQ,
              int32_t* POS) {
    const int32_t L = in.opt.fraglen, m = in.opt.maxlngth, d = in.var.maxindel;
    const int32_t len = in.map.CHROLEN[c];
    const char* REF = in.map.REFERENCE.column(c);
    const variant_positions::column_view VARNUM = in.map.VARNUM.column(c);
    const genotype_cells::row_view genotypes =
        in.src.ngeno >= 1 ? in.src.GENOROW.row(fs.source) : genotype_cells::row_view{};
    const int32_t skip_from = L - d - m;  // the middle is skipped from offsets m+1..skip_from-1
    const int32_t skip = L - d - 2 * m;
    // The two ends of a fragment lie apart in the map: ask for the cache lines
    // of both at once rather than miss them one after the other.
    const int32_t near_end = std::min(len, start + m + d), far_start = std::max(start, start + L - m - d - 1);
    const int32_t far_end = std::min(len, start + L - 1);
    VARNUM.prefetch(start, near_end);
    VARNUM.prefetch(far_start, far_end);
    for (int32_t q = start; q <= near_end; q += 64) __builtin_prefetch(REF + q - 1);
    for (int32_t q = far_start; q <= far_end; q += 64) __builtin_prefetch(REF + q - 1);
    int32_t off = 0, p = start - 1, n_count = 0;
    for (;;) {
        ++off;
        ++p;
        if (off > m && off < skip_from) {  // never built: no read covers it
            off += skip;
            p += skip;
        }
        if (off > L) break;
        if (p > len) return walk_end::chromosome_end;
        POS[off - 1] = p;
        const int32_t v = VARNUM(p);
        if (v == 0) {
            SEQ[off - 1] = REF[p - 1];
        } else {
            choose_allele(in, genotypes, v, haplotype, fs);
            if (fs.allele_choice == 1) {
                SEQ[off - 1] = REF[p - 1];
            } else if (!put_alternate(in.var, v, REF, len, L, off, p, SEQ, POS)) {
                return walk_end::chromosome_end;
            }
        }
        if (SEQ[off - 1] == 'N') ++n_count;
    }
    return n_count <= m ? walk_end::accepted : walk_end::too_many_n;
}

// Kept out of line, so that the message's formatting stays out of the
// builder's loop.
[[noreturn, gnu::noinline, gnu::cold]] void stop_on_failed_attempts(int32_t source) {
    common::stop_with(max_failed_attempts, "fragment attempts in a row rejected for source", source);
}

}  // namespace

int8_t build_fragment(const fragment_inputs& in, fragment_source& fs, work_arrays& work) {
    const int32_t L = in.opt.fraglen;
    char* SEQ = work.SEQUENCE.data();
    int32_t* POS = work.POSITION.data();
    for (int32_t failed = 0;; ++failed) {
        if (failed == max_failed_attempts) stop_on_failed_attempts(fs.source);
        const int8_t c = draw_chromosome(in.map, unif2(fs.streams.READSTREAM));
        const int32_t len = in.map.CHROLEN[c];
        const double u_start = unif2(fs.streams.SITESTREAM);
        const int32_t haplotype = unif2(fs.streams.SITESTREAM) > 0.5 ? 2 : 1;
        // A chromosome shorter than the fragment has no start; the attempt is
        // dropped after its three draws, like any rejected attempt.
        if (len < L) continue;
        const int32_t start = static_cast<int32_t>(static_cast<double>(len - L + 1) * u_start + 1.0);
        if (walk(in, fs, c, start, haplotype, SEQ, POS) == walk_end::accepted) return c;
    }
}

}  // namespace fragsim
