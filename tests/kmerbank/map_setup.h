#pragma once
// Small in-memory maps and hash tables for the unit tests of the kmerbank
// phases.
#include <string>
#include <vector>

#include "kmerbank/kmerbank.h"

namespace kmerbank_test {

/// Options of a run with the given capacities and sampling window.
inline kmerbank::options make_options(int32_t hashlen, int32_t mingap, int32_t maxgap, int32_t maxhash = 1009,
                                      int32_t maxdup = 400) {
    kmerbank::options o;
    o.hashlen = hashlen;
    o.mingap = mingap;
    o.maxgap = maxgap;
    o.chromes = 4;
    o.maplngth = 256;
    o.maxhash = maxhash;
    o.maxdup = maxdup;
    o.maxvar = 20;
    o.flanklen = 2;
    return o;
}

/// The three groups of tables of a run.
struct run_tables {
    kmerbank::reference_map map;
    kmerbank::variant_tables var;
    kmerbank::hash_tables hash;
};

/// Allocates the tables and puts one text per chromosome into both maps
/// (REFERENCE with a, c, g, t in upper case, as the reference phase leaves
/// it, folded here without starting threads); chromes becomes the number of
/// texts.
inline void load_maps(kmerbank::options& o, run_tables& r, const std::vector<std::string>& chromosomes) {
    kmerbank::allocate_tables(o, r.map, r.var, r.hash);
    kmerbank::reference_map& t = r.map;
    o.chromes = static_cast<int32_t>(chromosomes.size());
    for (int32_t i = 1; i <= o.chromes; ++i) {
        const std::string& s = chromosomes[static_cast<size_t>(i - 1)];
        for (size_t p = 0; p < s.size(); ++p) {
            const char c = s[p];
            const bool low = c == 'a' || c == 'c' || c == 'g' || c == 't';
            t.ALTERNATE(static_cast<int64_t>(p) + 1, i) = c;
            t.REFERENCE(static_cast<int64_t>(p) + 1, i) = low ? static_cast<char>(c - 'a' + 'A') : c;
        }
        t.CHROLEN[i] = static_cast<int32_t>(s.size());
    }
}

struct occurrence {
    int32_t chromosome;
    int32_t position;
    bool operator==(const occurrence&) const = default;
};

/// The occurrences of the key in slot h, newest first, by its duplicate chain.
inline std::vector<occurrence> chain_of(const kmerbank::hash_tables& t, int32_t h) {
    std::vector<occurrence> out;
    if (t.STORELOC[h] > 0) return {{t.STORECHRO[h], t.STORELOC[h]}};
    int32_t e = t.STORELOC[h];
    for (;;) {
        out.push_back({t.STORECHRO[e], t.STORELOC[e]});
        const int32_t n = t.LASTLOC[e];
        if (n >= 0) {
            out.push_back({t.LASTCHRO[e], n});
            return out;
        }
        e = n;
    }
}

}  // namespace kmerbank_test
