#pragma once
// Tests of a draw on its integer: unif2's value grows with lastout, so a test
// that holds for the values from some point on holds for the lastouts from
// some integer on. That integer is found once, and the draw is then tested by
// one integer comparison with the same outcome as the test on its value.
#include <cstdint>

#include "fragsim/stream_ahead.h"

namespace fragsim {

/// Largest lastout unif2 can give: a table entry of at most 2^31 - 1 less an
/// lcg2 of at least 1. The smallest is 1.
inline constexpr int32_t largest_out = 2147483646;

/// The smallest lastout v in 1..largest_out whose value_of(v) passes the
/// test, or largest_out + 1 when none does. The test must hold for every
/// value above one that passes it (false for all values is allowed); then for
/// every lastout v, test(value_of(v)) holds exactly when v is at least the
/// result.
template <typename Test>
int32_t first_out_passing(const Test& test) {
    int32_t lo = 1, hi = largest_out + 1;  // the answer lies in lo..hi
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (test(value_of(mid)))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

}  // namespace fragsim
