// The k-mer hash table's own operations, n8hash, the prefetch of a key's home
// slot and the store step of one taken k-mer, and the hash table file
// kmerbank.unf.
#include <algorithm>

#include "common/free_format_writer.h"
#include "common/record_file.h"
#include "common/run_end.h"
#include "kmerbank/kmerbank.h"

namespace kmerbank {

namespace {

constexpr int32_t NPRIME = 1;  // multiplier of the home slot
constexpr int32_t IE = 1;      // probe increment

[[noreturn]] void dropped_out() {
    common::write_free("Function N8HASH dropped out of the loop");
    common::end_with_code(code_probing_gave_up);
}

// The first slot of the probe sequence of key in a table of size (> 0)
// slots. The product wraps; the remainder takes the sign of the dividend.
int32_t home_slot(int64_t key, int32_t size) {
    const int64_t product = static_cast<int64_t>(static_cast<uint64_t>(NPRIME) * static_cast<uint64_t>(key));
    int64_t r = product % size;
    if (r < 0) r = -r;
    return static_cast<int32_t>(r) + 1;
}

}  // namespace

int32_t n8hash(int64_t key, int32_t mode, common::table<int64_t>& GAPS, int32_t size, int32_t& count) {
    if (mode == -1) {
        count = 0;
        if (size > 0) std::fill_n(GAPS.at(1), std::min<int64_t>(size, GAPS.size()), 0);
        return -1;
    }
    if (key == 0) return 0;
    if (size <= 0) dropped_out();
    int32_t h = home_slot(key, size);
    for (int32_t n = 0; n < size; ++n) {
        const int64_t g = GAPS[h];
        if (g == 0) {
            if (mode != 1) return 0;
            GAPS[h] = key;
            ++count;
            // Both sides in single precision, as the limit has always been.
            const float held = static_cast<float>(count);
            const float limit = static_cast<float>(size) * 0.9f;
            if (held > limit) {
                common::write_free("hash table size", size, "  is too small, increase it");
                common::end_with_code(code_table_too_small);
            }
            return h;
        }
        if (g == key) return h;
        h = ((h + IE) % size) + 1;  // two slots on: 0-based s is followed by (s + 2) mod size
    }
    dropped_out();
}

void prefetch_home_slot(const hash_tables& hash, int64_t key, int32_t maxhash, map_kind kind) {
    if (maxhash <= 0 || maxhash > hash.GAPS.size()) return;
    const int32_t h = home_slot(key, maxhash);
    if (kind == map_kind::alt) {
        // Nearly every key of the alternate pass is found: only its key is read.
        __builtin_prefetch(hash.GAPS.at(h), 0);
        return;
    }
    // Nearly every key of the reference pass is new: its slot is written.
    __builtin_prefetch(hash.GAPS.at(h), 1);
    __builtin_prefetch(hash.STORELOC.at(h), 1);
    __builtin_prefetch(hash.STORECHRO.at(h), 1);
    __builtin_prefetch(hash.STORENUM.at(h), 1);
}

void store_kmer(int64_t V, int32_t i, int32_t p, map_kind kind, const options& opt, hash_tables& hash) {
    const int32_t before = hash.nhash;
    const int32_t h = n8hash(V, 1, hash.GAPS, opt.maxhash, hash.nhash);
    if (hash.nhash > before) {
        hash.STORELOC[h] = p;
        hash.STORECHRO[h] = static_cast<int8_t>(i);
        hash.STORENUM[h] = 1;
        const float held = static_cast<float>(hash.nhash);
        const float limit = static_cast<float>(opt.maxhash) * 0.5f;
        if (held > limit) common::stop_with("Hash table too full, increase maxhash", opt.maxhash);
        return;
    }
    if (kind == map_kind::alt) return;  // only keys new to the table count on the alternate map
    if (hash.ndup >= opt.maxdup) common::stop_with("Too many duplicates, increase maxdup", opt.maxdup);
    ++hash.ndup;
    // The new entry takes over the slot's chain: it keeps what the slot held.
    const int32_t e = -hash.ndup;
    hash.STORELOC[e] = p;
    hash.STORECHRO[e] = static_cast<int8_t>(i);
    hash.LASTLOC[e] = hash.STORELOC[h];
    hash.LASTCHRO[e] = hash.STORECHRO[h];
    hash.STORELOC[h] = e;
    if (hash.STORENUM[h] < 127) ++hash.STORENUM[h];
}

void write_hash_table(common::unit_file& file, const options& opt, const hash_tables& hash) {
    const int32_t head[9] = {opt.chromes, opt.maplngth, hash.nhash,  hash.ndup, opt.hashlen,
                             opt.mingap,  opt.maxgap,   opt.maxhash, opt.maxdup};
    common::write_record(file, {common::bytes_of(head, 9)});
    // The six arrays whole, straight from memory, lowest index first.
    common::write_record(file, {common::bytes_of(hash.GAPS.data(), hash.GAPS.size()),
                                common::bytes_of(hash.STORELOC.data(), hash.STORELOC.size()),
                                common::bytes_of(hash.STORECHRO.data(), hash.STORECHRO.size()),
                                common::bytes_of(hash.LASTLOC.data(), hash.LASTLOC.size()),
                                common::bytes_of(hash.LASTCHRO.data(), hash.LASTCHRO.size()),
                                common::bytes_of(hash.STORENUM.data(), hash.STORENUM.size())});
}

}  // namespace kmerbank
