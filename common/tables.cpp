#include "common/tables.h"

#include <cstdlib>

#include "common/run_end.h"

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer a table too large to allocate must still reach the
// program's own "insufficient virtual memory" end instead of a sanitizer abort.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace common {

void* allocate_table(int64_t count, size_t size) {
    if (count <= 0) return nullptr;
    if (static_cast<uint64_t>(count) > SIZE_MAX / size) out_of_memory();
    // calloc hands out zero pages lazily, so a large table costs memory only
    // where it is used.
    void* p = std::calloc(static_cast<size_t>(count), size);
    if (!p) out_of_memory();
    return p;
}

void release_table(void* p) { std::free(p); }

}  // namespace common
