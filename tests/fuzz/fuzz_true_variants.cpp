// Feeds arbitrary bytes as variants.true to fragsim's variant phase on a
// small map: the variant record reader, the checks against the map, and the
// variant tables, VARNUM, the SNP alleles of the slots and the insertion store
// it fills.
#include <cstdint>
#include <string>
#include <vector>

#include "fragsim/fragsim.h"
#include "fuzz_support.h"
#include "simulation_fixture.h"

namespace {

// Upper- and lower-case bases, 'N' and 'n', and a chromosome of one base.
const std::vector<std::string> chromosomes = {"ACGTNNACGTacgtnACGTTGCA", "GATTACA", "T"};

// The promises the variant tables make to the fragment builder.
void check_tables(const fragsim::options& o, const fragsim::reference_map& map, const fragsim::variant_tables& v) {
    if (v.nvar < 0 || v.nvar > o.maxvar || v.insfill < 0 || v.insfill > o.maxinsert) __builtin_trap();
    for (int32_t j = 1; j <= v.nvar; ++j) {
        const int32_t c = v.VARCHROME[j], p = v.VARLOC[j], len = v.VARLEN[j];
        if (c < 1 || c > map.nchrom || p < 1 || p > map.CHROLEN[c]) __builtin_trap();
        if (v.VARTYPE[j] == common::variant_kind::del &&
            (len < 1 || static_cast<int64_t>(p) + len - 1 > map.CHROLEN[c]))
            __builtin_trap();
        if (v.VARTYPE[j] == common::variant_kind::ins &&
            (len < 0 || (len >= 1 && p >= map.CHROLEN[c]) || v.INSPOS[j] + static_cast<int64_t>(len) - 1 > v.insfill))
            __builtin_trap();
        // The slot's position names it or a later slot.
        if (map.VARNUM(p, c) < j) __builtin_trap();
    }
    // A position names the last slot there.
    for (int32_t c = 1; c <= map.nchrom; ++c)
        for (int32_t p = 1; p <= map.CHROLEN[c]; ++p) {
            const int32_t slot = map.VARNUM(p, c);
            if (slot != 0 && (slot > v.nvar || v.VARLOC[slot] != p || v.VARCHROME[slot] != c)) __builtin_trap();
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    fuzz_support::write_input("variants.true", data, size);
    try {
        fragsim::options o;
        o.maxvar = 8;
        o.maxinsert = 32;
        fragsim::files f;
        f.variants_true.open();
        fragsim::reference_map map;
        test_fixture::fill_map(map, chromosomes);
        fragsim::variant_tables var;
        var.allocate(o);
        fragsim::read_true_variants(o, f, map, var);
        check_tables(o, map, var);
    } catch (const fuzz_support::run_ended&) {
    }
    return 0;
}
