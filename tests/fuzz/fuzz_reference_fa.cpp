// Feeds arbitrary bytes as reference.fa to kmerbank's reference phase: the
// line reader, headers, trimming, the fold and the writing of reference.unf.
// The first byte gives the capacities: chromes 1..8 (its low three bits) and
// maplngth 1..4096 (the rest, in steps of 128).
#include <cstdint>

#include "fuzz_support.h"
#include "kmerbank/kmerbank.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    if (size == 0) return 0;
    fuzz_support::write_input("reference.fa", data + 1, size - 1);
    fuzz_support::remove_input("reference.unf");
    try {
        kmerbank::options o;
        o.chromes = 1 + (data[0] & 7);
        o.maplngth = 1 + (data[0] >> 3) * 128;
        o.maxhash = 64;
        o.maxdup = 8;
        o.hashlen = 8;
        o.maxvar = 8;
        kmerbank::files f;
        f.reference_fa.open();
        f.reference_unf.open();
        kmerbank::reference_map map;
        kmerbank::variant_tables var;
        kmerbank::hash_tables hash;
        kmerbank::allocate_tables(o, map, var, hash);
        kmerbank::read_reference(f.reference_fa, o, map);
        if (o.chromes < 1 || o.chromes > 8) __builtin_trap();
        for (int32_t i = 1; i <= o.chromes; ++i)
            if (map.CHROLEN[i] < 0 || map.CHROLEN[i] > o.maplngth) __builtin_trap();
        kmerbank::fold_reference_case(o.chromes, map.CHROLEN, map.REFERENCE, map.ALTERNATE);
        kmerbank::write_reference_file(f.reference_unf, o, map);
    } catch (const fuzz_support::run_ended&) {
    }
    return 0;
}
