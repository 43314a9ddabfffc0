// Feeds arbitrary bytes as genotypes.true to fragsim's genotype reader. The
// first byte gives the number of accepted variants (0..7) and of sources
// (1..4); the rest is the file.
#include <cstdint>

#include "fragsim/fragsim.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    if (size == 0) return 0;
    fuzz_support::write_input("genotypes.true", data + 1, size - 1);
    try {
        fragsim::options o;
        o.maxvar = 8;
        o.sources = 1 + (data[0] >> 3) % 4;
        fragsim::files f;
        f.have_genotypes = true;
        f.genotypes_true.open();
        fragsim::variant_tables var;
        var.nvar = data[0] % 8;
        fragsim::source_tables src;
        src.SOURCEID.allocate(1, o.sources);
        fragsim::read_genotypes(o, f, var, src);
        if (src.ngeno < 0 || src.ngeno > o.sources) __builtin_trap();
    } catch (const fuzz_support::run_ended&) {
    }
    return 0;
}
