// How many threads a parallel loop can really have: a trial team started
// with the OpenMP runtime's stack size, and let end again.
#include "common/thread_team.h"

#include <limits.h>
#include <pthread.h>
#include <sys/mman.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <mutex>

namespace common {

namespace {

// The stack size that OMP_STACKSIZE (or GOMP_STACKSIZE) asks for: a number
// with an optional unit B, K, M or G (K when none); 0 when neither is set
// or the value is not of that form, and the runtime keeps the default.
size_t runtime_stack_size() {
    for (const char* name : {"OMP_STACKSIZE", "GOMP_STACKSIZE"}) {
        const char* v = std::getenv(name);
        if (!v) continue;
        while (std::isspace(static_cast<unsigned char>(*v))) ++v;
        if (!std::isdigit(static_cast<unsigned char>(*v))) continue;
        char* end = nullptr;
        const unsigned long long n = std::strtoull(v, &end, 10);
        while (std::isspace(static_cast<unsigned char>(*end))) ++end;
        unsigned long long unit = 1024;
        switch (std::toupper(static_cast<unsigned char>(*end))) {
            case 'B': unit = 1, ++end; break;
            case 'K': ++end; break;
            case 'M': unit = 1024ull * 1024, ++end; break;
            case 'G': unit = 1024ull * 1024 * 1024, ++end; break;
            default: break;
        }
        while (std::isspace(static_cast<unsigned char>(*end))) ++end;
        if (*end != '\0' || n > SIZE_MAX / unit) continue;
        return static_cast<size_t>(n * unit);
    }
    return 0;
}

// A started thread holds its stack until the gate opens.
void* wait_at_gate(void* gate) {
    std::mutex& m = *static_cast<std::mutex*>(gate);
    m.lock();
    m.unlock();
    return nullptr;
}

// The stack size of the runtime's threads: OMP_STACKSIZE, or the system's
// default for a new thread.
size_t thread_stack_size() {
    if (const size_t asked = runtime_stack_size(); asked > 0) return std::max<size_t>(asked, PTHREAD_STACK_MIN);
    size_t size = 0;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return 8u << 20;
    pthread_attr_getstacksize(&attr, &size);
    pthread_attr_destroy(&attr);
    return size > 0 ? size : 8u << 20;
}

// A probe thread on a stack of its own, mapped here and unmapped after the
// thread ends (the system keeps no cached copy of it that would still hold
// the room).
struct probe_thread {
    void* stack = MAP_FAILED;
    pthread_t thread{};
};

bool start_probe(probe_thread& p, size_t stack_size, std::mutex& gate) {
    p.stack = mmap(nullptr, stack_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (p.stack == MAP_FAILED) return false;
    pthread_attr_t attr;
    bool ok = pthread_attr_init(&attr) == 0;
    if (ok) {
        ok = pthread_attr_setstack(&attr, p.stack, stack_size) == 0 &&
             pthread_create(&p.thread, &attr, wait_at_gate, &gate) == 0;
        pthread_attr_destroy(&attr);
    }
    if (!ok) {
        munmap(p.stack, stack_size);
        p.stack = MAP_FAILED;
    }
    return ok;
}

}  // namespace

int usable_team_size(int wanted) {
    if (wanted <= 1) return 1;
    constexpr int most = 1024;
    wanted = std::min(wanted, most);
    const size_t stack_size = thread_stack_size();
    std::mutex gate;
    gate.lock();
    // One thread more than the team needs: the room of its stack stays free
    // for what the run allocates after the loop.
    probe_thread started[most];
    int n = 0;
    while (n < wanted && start_probe(started[n], stack_size, gate)) ++n;
    gate.unlock();
    for (int i = 0; i < n; ++i) {
        pthread_join(started[i].thread, nullptr);
        munmap(started[i].stack, stack_size);
    }
    return n == wanted ? wanted : std::max(n, 1);
}

}  // namespace common
