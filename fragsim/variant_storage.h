#pragma once
// Storage of the two tables that the fragment walk reads at every visited
// offset: VARNUM, the variant slot of each map position, and GENOROW, the
// genotype character of each variant and source. Both are held at the size
// of what they hold rather than one entry per map position or a byte per
// cell, and both are read through the small inline accessors below.
#include <algorithm>
#include <cstdint>

#include "common/tables.h"

namespace fragsim {

/// Set bits of x. The portable form, inline: the library's std::popcount is a
/// call where the compiler may not assume the processor's own instruction.
inline uint64_t count_bits(uint64_t x) {
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return (x * 0x0101010101010101u) >> 56;
}

/// VARNUM(p, c): 0, or the slot of the last accepted variant at position p of
/// chromosome c. Held as one bit per map position (set where a variant lies),
/// a directory of two words for every block of 512 bits (the set bits before
/// the block, and seven 9-bit counts of the set bits before each further word
/// of the block), and the slot of each set bit in map order: a position's
/// slot is found by a bit test and, where the bit is set, its rank from the
/// directory and a count of the bits below it in its word.
class variant_positions {
public:
    /// The positions of one chromosome. Position p is bit (p - 1) % 64 of word
    /// (p - 1) / 64; the chromosome's words begin a block.
    struct column_view {
        const uint64_t* bits = nullptr;
        const uint64_t* directory = nullptr;  // two words per block of the chromosome
        const int32_t* slots = nullptr;       // indexed by the rank over the whole map

        /// 0-based place of position p among the set bits of the whole map
        /// (counting those of the chromosomes before).
        uint64_t rank(int64_t p) const {
            const uint64_t i = static_cast<uint64_t>(p - 1), w = i >> 6, k = w & 7;
            const uint64_t* d = directory + 2 * (w >> 3);
            const uint64_t within = k != 0 ? (d[1] >> (9 * (k - 1))) & 0x1ff : 0;
            return d[0] + within + count_bits(bits[w] & ((uint64_t{1} << (i & 63)) - 1));
        }
        int32_t operator()(int64_t p) const {
            const uint64_t i = static_cast<uint64_t>(p - 1);
            if (((bits[i >> 6] >> (i & 63)) & 1) == 0) return 0;
            return slots[rank(p)];
        }
        /// How many of the limit positions after p hold no variant before the
        /// first that does (limit when none does); positions p + 1..p + limit
        /// lie on the chromosome.
        int32_t free_after(int64_t p, int32_t limit) const {
            uint64_t i = static_cast<uint64_t>(p);  // the bit of position p + 1
            int64_t k = 0;
            while (k < limit) {
                const uint64_t word = bits[i >> 6] >> (i & 63);
                if (word != 0) return static_cast<int32_t>(std::min<int64_t>(k + __builtin_ctzll(word), limit));
                const uint64_t rest = 64 - (i & 63);  // the bits of the word from i on
                k += static_cast<int64_t>(rest);
                i += rest;
            }
            return limit;
        }
        /// Asks for the cache lines of the bits of positions from..to ahead of
        /// the walk.
        void prefetch(int64_t from, int64_t to) const {
            constexpr uintptr_t line = 64;
            uintptr_t a = reinterpret_cast<uintptr_t>(bits + ((from - 1) >> 6)) & ~(line - 1);
            const uintptr_t b = reinterpret_cast<uintptr_t>(bits + ((to - 1) >> 6));
            for (; a <= b; a += line) __builtin_prefetch(reinterpret_cast<const void*>(a));
            __builtin_prefetch(directory + 2 * (static_cast<uint64_t>(from - 1) >> 9));
            __builtin_prefetch(directory + 2 * (static_cast<uint64_t>(to - 1) >> 9));
        }
    };

    /// Room for positions 1..CHROLEN(c) of chromosomes 1..nchrom, none set;
    /// slots are looked up only after finish().
    void allocate(const common::table<int32_t>& CHROLEN, int32_t nchrom);
    /// Marks position p of chromosome c (1 <= p <= CHROLEN(c)) as holding a
    /// variant.
    void mark(int64_t p, int64_t c) {
        const uint64_t i = static_cast<uint64_t>(p - 1);
        bits_[first_word_[c] + static_cast<int64_t>(i >> 6)] |= uint64_t{1} << (i & 63);
    }
    /// Counts the marked positions into the block directory and creates their
    /// slots, all 0. Returns the number of marked positions.
    int64_t finish();
    /// 0-based place of the marked position p, c among all marked positions in
    /// map order (chromosome 1 first, positions ascending).
    int64_t rank(int64_t p, int64_t c) const { return static_cast<int64_t>(column(c).rank(p)); }
    int32_t& slot(int64_t rank) { return slots_[rank]; }

    column_view column(int64_t c) const {
        const int64_t w = first_word_[c];
        return {bits_.data() + w, directory_.data() + w / 4, slots_.data()};
    }
    int32_t operator()(int64_t p, int64_t c) const { return column(c)(p); }

private:
    common::table<uint64_t> bits_;       // 0..words-1
    common::table<uint64_t> directory_;  // 0..words/4-1: two words per block
    common::table<int64_t> first_word_;  // 1..nchrom: the chromosome's first word
    common::table<int32_t> slots_;       // 0..marked-1
};

/// GENOROW(v, s): the genotype character of variant v (1..cells) for source
/// s. A row whose characters are all '0', '1' or '2' takes two bits a cell
/// (the character's value); any other row one byte a cell, the characters as
/// they are. The rows lie one after the other in one table of at most one
/// byte per cell, so memory follows the rows' own sizes.
class genotype_cells {
public:
    /// The cells of one source's row.
    struct row_view {
        const uint8_t* cells = nullptr;
        bool packed = false;

        char operator()(int64_t v) const {
            const uint64_t i = static_cast<uint64_t>(v - 1);
            if (!packed) return static_cast<char>(cells[i]);
            return static_cast<char>('0' + ((cells[i >> 2] >> ((i & 3) * 2)) & 3));
        }
    };

    /// Room for the rows of sources 1..sources with cells cells each (none
    /// when either is 0 or less).
    void allocate(int64_t cells, int32_t sources);
    /// Stores the row of source s from its cells characters. Each source is
    /// stored once, in ascending order.
    void store_row(int32_t s, const char* characters);
    /// Stores a row of '0' in every cell for source s (as store_row).
    void store_reference_row(int32_t s);
    /// Whether source s's row takes two bits a cell.
    bool packed(int32_t s) const { return packed_[s] != 0; }

    row_view row(int64_t s) const { return {pool_.data() + start_[s], packed_[s] != 0}; }
    char operator()(int64_t v, int64_t s) const { return row(s)(v); }
    int64_t cells() const { return cells_; }

private:
    int64_t next_row(int32_t s, bool packed);  // the start of source s's row

    common::table<uint8_t> pool_;    // 0..cells*sources-1, rows in source order
    common::table<int64_t> start_;   // 1..sources: where each row begins in pool_
    common::table<uint8_t> packed_;  // 1..sources: 1 for two bits a cell
    int64_t cells_ = 0, fill_ = 0;   // cells a row; bytes of pool_ taken
};

}  // namespace fragsim
