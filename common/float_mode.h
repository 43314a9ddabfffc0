#pragma once

namespace common {

/// Flush-to-zero and denormals-are-zero for the calling thread and the
/// threads it starts afterwards: subnormal results and operands count as 0.
void set_flush_to_zero();

}  // namespace common
