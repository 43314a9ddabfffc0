#pragma once
// The benchmark generators' random numbers: a 64-bit xorshift, so that the
// same seed gives the same inputs on any machine.
#include <cstdint>

namespace bench {

struct rng {
    uint64_t s;
    uint64_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
};

inline constexpr char bases[] = "ACGT";

}  // namespace bench
