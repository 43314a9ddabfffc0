// Flush-to-zero and denormals-are-zero for the whole run, on x86 through
// the MXCSR register; elsewhere the mode is left as it is.
#include "common/float_mode.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace common {

void set_flush_to_zero() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_setcsr(_mm_getcsr() | 0x8040);  // FTZ (bit 15) and DAZ (bit 6)
#endif
}

}  // namespace common
