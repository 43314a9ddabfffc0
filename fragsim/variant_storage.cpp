#include "fragsim/variant_storage.h"

#include <algorithm>
#include <cstring>

namespace fragsim {

namespace {

constexpr int64_t block_words = 8;  // 512 bits

// Words of a chromosome of len positions, whole blocks.
int64_t words_of(int32_t len) {
    const int64_t n = len > 0 ? len : 0;
    return (n + 64 * block_words - 1) / (64 * block_words) * block_words;
}

}  // namespace

void variant_positions::allocate(const common::table<int32_t>& CHROLEN, int32_t nchrom) {
    first_word_.allocate(1, nchrom);
    int64_t words = 0;
    for (int32_t c = 1; c <= nchrom; ++c) {
        first_word_[c] = words;
        words += words_of(CHROLEN[c]);
    }
    bits_.allocate(0, words - 1);
    block_rank_.allocate(0, words / block_words - 1);
    slots_.release();
    // Marked at the places of the variants, in file order.
    bits_.prefer_huge_pages();
}

int64_t variant_positions::finish() {
    uint64_t count = 0;
    const uint64_t* bits = bits_.data();
    for (int64_t b = 0; b < block_rank_.size(); ++b) {
        block_rank_[b] = count;
        for (int64_t k = 0; k < block_words; ++k) count += static_cast<uint64_t>(std::popcount(bits[b * block_words + k]));
    }
    slots_.allocate(0, static_cast<int64_t>(count) - 1);
    slots_.prefer_huge_pages();
    return static_cast<int64_t>(count);
}

int64_t variant_positions::rank(int64_t p, int64_t c) const {
    const column_view col = column(c);
    const uint64_t i = static_cast<uint64_t>(p - 1), w = i >> 6;
    uint64_t r = col.block_rank[w >> 3];
    for (uint64_t k = w & ~uint64_t{7}; k < w; ++k) r += static_cast<uint64_t>(std::popcount(col.bits[k]));
    return static_cast<int64_t>(r + static_cast<uint64_t>(std::popcount(col.bits[w] & ((uint64_t{1} << (i & 63)) - 1))));
}

void genotype_cells::allocate(int64_t cells, int32_t sources) {
    cells_ = cells > 0 ? cells : 0;
    const int64_t rows = sources > 0 ? sources : 0;
    fill_ = 0;
    start_.allocate(1, rows);
    packed_.allocate(1, rows);
    // At most one byte a cell for every source; the rows that take two bits
    // leave the end of the table untouched, and untouched pages cost nothing.
    if (rows > 0 && cells_ > INT64_MAX / rows) pool_.allocate(0, INT64_MAX - 1);  // fatal
    pool_.allocate(0, cells_ * rows - 1);
    pool_.prefer_huge_pages();
}

int64_t genotype_cells::next_row(int32_t s, bool packed) {
    start_[s] = fill_;
    packed_[s] = packed ? 1 : 0;
    fill_ += packed ? (cells_ + 3) / 4 : cells_;
    return start_[s];
}

void genotype_cells::store_row(int32_t s, const char* characters) {
    const bool packed = std::all_of(characters, characters + cells_, [](char ch) { return ch >= '0' && ch <= '2'; });
    uint8_t* out = pool_.data() + next_row(s, packed);
    if (!packed) {
        std::memcpy(out, characters, static_cast<size_t>(cells_));
        return;
    }
    // Four cells a byte, the first in the lowest two bits.
    const int64_t whole = cells_ / 4;
    for (int64_t k = 0; k < whole; ++k) {
        const char* q = characters + 4 * k;
        out[k] = static_cast<uint8_t>((q[0] - '0') | (q[1] - '0') << 2 | (q[2] - '0') << 4 | (q[3] - '0') << 6);
    }
    uint8_t last = 0;
    for (int64_t i = 4 * whole; i < cells_; ++i) last |= static_cast<uint8_t>((characters[i] - '0') << ((i & 3) * 2));
    if (4 * whole < cells_) out[whole] = last;
}

void genotype_cells::store_reference_row(int32_t s) {
    // '0' is the value 0, which the zero-filled table already holds.
    next_row(s, true);
}

}  // namespace fragsim
