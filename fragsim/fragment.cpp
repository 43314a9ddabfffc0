// The fragment builder: an attempt's three draws, the walk along the map
// with the source's alleles put in (offsets without a variant copied as
// runs), and the prefetch of the next attempt's two ends.
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
        case '1': fs.allele_choice = fs.streams.READSTREAM.next() > 0.5 ? 1 : 2; break;
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

// The cache lines of both ends of a fragment from start on chromosome c: they
// lie apart in the map, so both are asked for at once rather than missed one
// after the other. Of each end the first m + 64 positions the walk visits:
// past them, the walk's own sequential reads are fetched ahead anyway.
void prefetch_fragment(const fragment_inputs& in, int8_t c, int32_t start) {
    const int32_t L = in.opt.fraglen, m = in.opt.maxlngth, d = in.var.maxindel;
    const int32_t len = in.map.CHROLEN[c];
    const char* REF = in.map.REFERENCE.column(c);
    const variant_positions::column_view VARNUM = in.map.VARNUM.column(c);
    const int64_t span = int64_t{m} + std::min(d, 64);
    const int32_t near_end = static_cast<int32_t>(std::min<int64_t>(len, start + span));
    const int32_t far_start = std::max(start, start + L - m - d - 1);
    const int32_t far_end = static_cast<int32_t>(std::min<int64_t>({len, int64_t{start} + L - 1, far_start + span}));
    const auto lines = [](const char* a, const char* b) {  // every cache line from a to b
        for (; a < b; a += 64) __builtin_prefetch(a);
        __builtin_prefetch(b);
    };
    if (near_end >= start) {
        VARNUM.prefetch(start, near_end);
        lines(REF + start - 1, REF + near_end - 1);
    }
    if (far_end >= far_start) {
        VARNUM.prefetch(far_start, far_end);
        lines(REF + far_start - 1, REF + far_end - 1);
    }
}

// The start of an attempt on a chromosome of length len from its draw.
inline int32_t start_of(int32_t len, int32_t L, double u) {
    return static_cast<int32_t>(static_cast<double>(len - L + 1) * u + 1.0);
}

// The offsets after off (position p) up to the first position that holds a
// variant, as long as no skip of the middle and no end comes between:
// SEQUENCE from REFERENCE, POSITION counting up, and the 'N' among them
// counted. Returns how many offsets were built.
inline int32_t plain_run(int32_t off, int32_t p, int32_t limit, const char* REF,
                         const variant_positions::column_view& VARNUM, char* SEQ, int32_t* POS, int32_t& n_count) {
    const int32_t k = VARNUM.free_after(p, limit);
    int32_t n = 0;
    for (int32_t j = 0; j < k; ++j) {
        const char b = REF[p + j];
        SEQ[off + j] = b;
        POS[off + j] = p + 1 + j;
        n += b == 'N';
    }
    n_count += n;
    return k;
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
    int32_t off = 0, p = start - 1, n_count = 0;
    for (;;) {
        // The offsets without a variant go as one run, up to where the next
        // step could skip the middle (offset m + 1) or end the walk.
        const int32_t segment_end = std::min(off < m ? m : (off + 1 < skip_from ? off : L), L);
        const int32_t limit = std::min(segment_end - off, len - p);
        if (limit > 0) {
            const int32_t k = plain_run(off, p, limit, REF, VARNUM, SEQ, POS, n_count);
            off += k;
            p += k;
        }
        // One step by the rule: the skip, the ends, a variant.
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

void set_up_source_streams(streams_ahead& streams, int32_t seed, int32_t source, int32_t sources) {
    source_streams first;
    set_up_source_streams(first, seed, source, sources);
    streams.READSTREAM.set_up(first.READSTREAM.lcg1);
    streams.SITESTREAM.set_up(first.SITESTREAM.lcg1);
}

int8_t build_fragment(const fragment_inputs& in, fragment_source& fs, work_arrays& work) {
    const int32_t L = in.opt.fraglen;
    char* SEQ = work.SEQUENCE.data();
    int32_t* POS = work.POSITION.data();
    for (int32_t failed = 0;; ++failed) {
        if (failed == max_failed_attempts) stop_on_failed_attempts(fs.source);
        if (failed > 0) prefetch_next_fragment(in, fs, 0);  // the source loop asked for the first attempt's
        const int8_t c = draw_chromosome_of_out(in.map, fs.streams.READSTREAM.next_out());
        const int32_t len = in.map.CHROLEN[c];
        const double u_start = fs.streams.SITESTREAM.next();
        const int32_t haplotype = fs.streams.SITESTREAM.next() > 0.5 ? 2 : 1;
        // A chromosome shorter than the fragment has no start; the attempt is
        // dropped after its three draws, like any rejected attempt.
        if (len < L) continue;
        const int32_t start = start_of(len, L, u_start);
        if (walk(in, fs, c, start, haplotype, SEQ, POS) == walk_end::accepted) return c;
    }
}

void prefetch_next_fragment(const fragment_inputs& in, fragment_source& fs, int32_t draws_before) {
    if (draws_before < 0 || draws_before >= stream_ahead::max_ahead) return;
    const int8_t c = draw_chromosome_of_out(in.map, fs.streams.READSTREAM.ahead(draws_before + 1)[draws_before]);
    const int32_t len = in.map.CHROLEN[c];
    if (len < in.opt.fraglen) return;
    prefetch_fragment(in, c, start_of(len, in.opt.fraglen, value_of(fs.streams.SITESTREAM.ahead(1)[0])));
}

}  // namespace fragsim
