// Feeds arbitrary bytes as variants.true to fragsim's variant phase on a
// small map: the variant record reader, the checks against the map, and the
// variant tables, VARNUM, ALTERNATE and the insertion store it fills.
#include <cstdint>
#include <cstring>
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
        if (fragsim::type_is(v, j, "DEL") && (len < 1 || static_cast<int64_t>(p) + len - 1 > map.CHROLEN[c]))
            __builtin_trap();
        if (fragsim::type_is(v, j, "INS") &&
            (len < 0 || (len >= 1 && p >= map.CHROLEN[c]) || v.INSPOS[j] + static_cast<int64_t>(len) - 1 > v.insfill))
            __builtin_trap();
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
        var.INSERT.allocate(1, o.maxinsert);
        var.INSPOS.allocate(1, o.maxvar);
        var.VARLOC.allocate(1, o.maxvar);
        var.VARLEN.allocate(1, o.maxvar);
        var.VARTYPE.allocate(1, 3 * static_cast<int64_t>(o.maxvar));
        var.VARCHROME.allocate(1, o.maxvar);
        fragsim::read_true_variants(o, f, map, var);
        check_tables(o, map, var);
    } catch (const fuzz_support::run_ended&) {
    }
    return 0;
}
