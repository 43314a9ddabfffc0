// The k-mer pass over one map (mapstore): which k-mers are taken and the key
// of each.
#include <array>

#include "common/free_format_writer.h"
#include "common/run_end.h"
#include "kmerbank/kmerbank.h"

namespace kmerbank {

namespace {

// Per byte: the base code 0..3 of A, C, G, T; -1 for a break byte ('N' and
// every byte above 'Z'); -2 for any other byte, neither base nor break.
constexpr int8_t not_base = -2, break_byte = -1;
constexpr std::array<int8_t, 256> byte_classes() {
    std::array<int8_t, 256> k{};
    for (int b = 0; b < 256; ++b) k[b] = b > 'Z' ? break_byte : not_base;
    k['N'] = break_byte;
    k['A'] = 0;
    k['C'] = 1;
    k['G'] = 2;
    k['T'] = 3;
    return k;
}
constexpr std::array<int8_t, 256> byte_class = byte_classes();

}  // namespace

int32_t basenum(char letter) {
    switch (letter) {
    case 'A': return 0;
    case 'C': return 1;
    case 'G': return 2;
    case 'T': return 3;
    default: return 0;
    }
}

void mapstore(const common::matrix<char>& map, map_kind kind, const options& opt, tables& t, hash_counts& c) {
    const char* heading =
        kind == map_kind::ref ? "Processing reference alleles, chromosome" : "Processing alternate alleles, chromosome";
    // The code register: a byte of the window that is not a base takes the
    // code of the letter before it, carried from window to window across the
    // whole pass.
    int32_t code = 0;
    for (int32_t i = 1; i <= opt.chromes; ++i) {
        common::write_free(heading, i);
        // Positions in 64 bits, so that the loop ends also after the largest
        // 32-bit length.
        int64_t lastn = 0;                   // last break byte on this chromosome
        int64_t lastbase[4] = {0, 0, 0, 0};  // last position of A, C, G, T
        const unsigned char* col = reinterpret_cast<const unsigned char*>(map.column(i));
        const int64_t len = t.CHROLEN[i];
        for (int64_t p = 1; p <= len; ++p) {
            const int8_t k = byte_class[col[p - 1]];
            if (k == break_byte) {
                lastn = p;
                continue;
            }
            if (k == not_base) continue;
            const int64_t R = p - lastbase[k];
            if (R >= opt.mingap && R <= opt.maxgap && p - lastn > opt.hashlen && lastbase[k] > lastn) {
                uint64_t U = 0;  // wraps modulo 2^64
                for (int64_t j = p - opt.hashlen + 1; j <= p; ++j) {
                    const int8_t d = byte_class[col[j - 1]];
                    if (d >= 0) code = d;
                    U = 4 * U + static_cast<uint64_t>(code);
                }
                const int64_t V = static_cast<int64_t>(U + 1);
                if (V < 0) {
                    common::write_free("Hash number exceeded integer*8, decrease k-mer length");
                    common::stop_run();
                }
                if (V != 0) store_kmer(V, i, static_cast<int32_t>(p), kind, opt, t, c);
            }
            lastbase[k] = p;
        }
    }
}

}  // namespace kmerbank
