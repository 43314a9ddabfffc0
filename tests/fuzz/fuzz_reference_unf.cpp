// Feeds arbitrary bytes as reference.unf to fragsim's map loading: the record
// reader, the chromosome count and its checks, the lengths, both maps and the
// chromosome table.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fragsim/fragsim.h"
#include "fuzz_support.h"

namespace {

// Bytes of map memory an input may ask for: the lengths drive allocation,
// and an input that wants gigabytes says nothing more about the reader.
constexpr int64_t map_byte_limit = 64 << 20;

// The record framing once more, only to learn the count and lengths the
// input would make the loader allocate for; false when it holds no such
// numbers (the loader then ends before allocating anything).
struct framing {
    const uint8_t* p;
    size_t left;
    bool take(void* out, size_t n) {
        if (left < n) return false;
        if (out) std::memcpy(out, p, n);
        p += n;
        left -= n;
        return true;
    }
    bool int_record(int32_t& value) {
        uint8_t bytes[4] = {};
        size_t have = 0;
        for (;;) {
            int32_t lead = 0, trail = 0;
            if (!take(&lead, 4)) return false;
            int64_t size = lead < 0 ? -static_cast<int64_t>(lead) : lead;
            const size_t use = static_cast<size_t>(std::min<int64_t>(size, 4 - static_cast<int64_t>(have)));
            if (!take(bytes + have, use)) return false;
            have += use;
            if (!take(nullptr, static_cast<size_t>(size - static_cast<int64_t>(use)))) return false;
            if (!take(&trail, 4)) return false;
            if (lead >= 0) break;
        }
        if (have < 4) return false;
        std::memcpy(&value, bytes, 4);
        return true;
    }
};

bool too_big(const uint8_t* data, size_t size) {
    framing in{data, size};
    int32_t n = 0;
    if (!in.int_record(n) || n < 1 || n > 127) return false;
    int64_t maxlen = 0;
    for (int32_t i = 0; i < n; ++i) {
        int32_t len = 0;
        if (!in.int_record(len)) return false;
        maxlen = std::max<int64_t>(maxlen, len);
    }
    return maxlen * n * 6 > map_byte_limit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_support::init();
    if (too_big(data, size)) return 0;
    fuzz_support::write_input("reference.unf", data, size);
    try {
        fragsim::files f;
        f.reference_unf.open();
        fragsim::reference_map map;
        fragsim::read_chromosome_count(f, map);
        map.CHROLEN.allocate(1, map.nchrom);
        fragsim::load_reference_map(f, map);
        // Every slot of the table names a chromosome of the map.
        for (int32_t k = 1; k <= fragsim::chromtable_size; k += 997)
            if (map.CHROMTABLE[k] < 1 || map.CHROMTABLE[k] > map.nchrom) __builtin_trap();
    } catch (const fuzz_support::run_ended&) {
    }
    return 0;
}
