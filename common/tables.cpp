// The allocation of the fixed tables (zero-filled, fatal 41 on failure) and
// the huge-page hint for the tables read at random places.
#include "common/tables.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
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

void prefer_huge_pages(void* p, size_t bytes) {
    if (!p || bytes == 0) return;
    // The whole pages inside the table; the advice is a hint, its result is
    // of no consequence.
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t lo = (reinterpret_cast<uintptr_t>(p) + page - 1) / page * page;
    const uintptr_t hi = (reinterpret_cast<uintptr_t>(p) + bytes) / page * page;
    if (hi > lo) madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE);
}

}  // namespace common
