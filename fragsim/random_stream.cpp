// unif2's seeding warm-up and the set-up of a source's two streams.
#include "fragsim/random_stream.h"

namespace fragsim {

namespace {
int32_t wrap_negate_sum(int32_t a, int32_t b, int32_t c) {
    return static_cast<int32_t>(0u - (static_cast<uint32_t>(a) + static_cast<uint32_t>(b) + static_cast<uint32_t>(c)));
}
}  // namespace

void unif2_seed(unif2_state& s) {
    using namespace unif2_constants;
    int32_t v = static_cast<int32_t>(0u - static_cast<uint32_t>(s.lcg1));  // -lcg1, wrapped
    if (v <= 0) v = 1;                                                     // 0 and -2^31 both start from 1
    s.lcg2 = v;
    for (int j = 40; j >= 1; --j) {
        const int32_t k = v / q1;
        // The warm-up takes r1 * k inside the bracket; the product wraps.
        v = static_cast<int32_t>(static_cast<uint32_t>(a1) * static_cast<uint32_t>(v - r1 * k));
        if (v < 0) v = static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(m1));
        if (j <= 32) s.shuffle[j - 1] = v;
    }
    s.lcg1 = v;
    s.lastout = s.shuffle[0];
}

void set_up_stream(unif2_state& s, int32_t lcg1) {
    s.lcg1 = lcg1;
    s.lcg2 = unif2_constants::initial_lcg2;
    for (int32_t& e : s.shuffle) e = 0;
    s.lastout = 0;
}

void set_up_source_streams(source_streams& streams, int32_t seed, int32_t source, int32_t sources) {
    set_up_stream(streams.READSTREAM, wrap_negate_sum(seed, source, 0));
    set_up_stream(streams.SITESTREAM, wrap_negate_sum(seed, source, sources));
}

}  // namespace fragsim
