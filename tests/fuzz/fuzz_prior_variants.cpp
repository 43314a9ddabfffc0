// Feeds arbitrary bytes to kmerbank's variant phase on a small map: the
// variant records of variants.prior, the positions of flank.loc and the flank
// lines of flank.ref. The first byte says whether flank.loc exists (its low
// bit) and gives flanklen (the rest, times 5: 0..635); the other bytes are
// variants.prior, followed, after the first two zero bytes, by flank.loc.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "kmerbank/kmerbank.h"

namespace {

// Upper- and lower-case bases as the reference phase leaves them, 'N', 'n'
// and other bytes, and a chromosome of one base.
const std::vector<std::string> chromosomes = {"ACGTNNACGTACGTnACGTTGCAxyz", "GATTACA", "T"};

void load_maps(kmerbank::options& o, kmerbank::reference_map& t, kmerbank::variant_tables& var,
               kmerbank::hash_tables& hash) {
    kmerbank::allocate_tables(o, t, var, hash);
    o.chromes = static_cast<int32_t>(chromosomes.size());
    for (int32_t i = 1; i <= o.chromes; ++i) {
        const std::string& s = chromosomes[static_cast<size_t>(i - 1)];
        for (size_t p = 0; p < s.size(); ++p) {
            t.REFERENCE(static_cast<int64_t>(p) + 1, i) = s[p];
            t.ALTERNATE(static_cast<int64_t>(p) + 1, i) = s[p];
        }
        t.CHROLEN[i] = static_cast<int32_t>(s.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    if (size == 0) return 0;
    const bool with_flanks = data[0] & 1;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t cut = rest.find(std::string_view("\0\0", 2));
    fuzz_support::write_input("variants.prior", rest.substr(0, cut));
    if (with_flanks)
        fuzz_support::write_input("flank.loc", cut == std::string_view::npos ? "" : rest.substr(cut + 2));
    else
        fuzz_support::remove_input("flank.loc");
    fuzz_support::remove_input("flank.ref");
    try {
        kmerbank::options o;
        o.chromes = 4;
        o.maplngth = 64;
        o.maxhash = 64;
        o.maxdup = 8;
        o.hashlen = 8;
        o.maxvar = 8;
        o.flanklen = (data[0] >> 1) * 5;
        kmerbank::files f;
        f.have_flank_loc = with_flanks;
        f.variants_prior.open();
        if (with_flanks) {
            f.flank_loc.open();
            f.flank_ref.open();
        }
        kmerbank::reference_map map;
        kmerbank::variant_tables var;
        kmerbank::hash_tables hash;
        load_maps(o, map, var, hash);
        if (with_flanks) kmerbank::mark_flank_positions(f, var);
        const int32_t accepted = kmerbank::apply_prior_variants(f, o, map, var);
        if (accepted < 0 || accepted > o.maxvar) __builtin_trap();
    } catch (const fuzz_support::run_ended&) {
    }
    return 0;
}
