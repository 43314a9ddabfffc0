// The variant positions' bits, directory and slots, and the genotype rows
// stored at two bits or a byte a cell.
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
    directory_.allocate(0, 2 * (words / block_words) - 1);
    slots_.release();
    // The walk tests these bits at random places of the map, where large
    // pages spare it the misses of the address translation; they are few
    // enough to be cleared quickly on their first touch.
    bits_.prefer_huge_pages();
}

int64_t variant_positions::finish() {
    uint64_t count = 0;
    const uint64_t* bits = bits_.data();
    const int64_t blocks = directory_.size() / 2;
    for (int64_t b = 0; b < blocks; ++b) {
        const uint64_t* block = bits + b * block_words;
        uint64_t within = 0, counts = 0;
        for (int64_t k = 1; k < block_words; ++k) {
            within += count_bits(block[k - 1]);
            counts |= within << (9 * (k - 1));
        }
        directory_[2 * b] = count;
        directory_[2 * b + 1] = counts;
        count += within + count_bits(block[block_words - 1]);
    }
    slots_.allocate(0, static_cast<int64_t>(count) - 1);
    slots_.prefer_huge_pages();
    return static_cast<int64_t>(count);
}

void genotype_cells::allocate(int64_t cells, int32_t sources) {
    cells_ = cells > 0 ? cells : 0;
    const int64_t rows = sources > 0 ? sources : 0;
    fill_ = 0;
    start_.allocate(1, rows);
    packed_.allocate(1, rows);
    // At most one byte a cell for every source; the rows that take two bits
    // leave the end of the table untouched, and untouched pages cost nothing.
    if (rows > 0 && cells_ > INT64_MAX / rows) common::out_of_memory();  // no byte count to ask for
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
