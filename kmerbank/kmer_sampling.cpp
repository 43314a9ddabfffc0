// The hash table phase: the k-mer pass over one map (mapstore), which k-mers
// are taken and the key of each, handed to the table's store step in the
// order taken; and the two passes with their count lines.
#include <array>
#include <cstddef>

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

// Taken k-mers of one chromosome on their way to the store step. Each waits
// behind the lookahead k-mers taken after it: its home slot is fetched into
// the cache when it is taken, so that the random reads of the table for the
// next k-mers overlap with the storing of the ones before them. They are
// stored in the order they were taken, and all of them before the pass moves
// on to the next chromosome's line or ends.
class waiting_kmers {
public:
    waiting_kmers(int32_t chromosome, map_kind kind, const options& opt, hash_tables& hash)
        : chromosome_(chromosome), kind_(kind), opt_(opt), hash_(hash) {}

    void add(int64_t key, int64_t position) {
        prefetch_home_slot(hash_, key, opt_.maxhash, kind_);
        taken_kmer& slot = ring_[taken_ % lookahead];
        if (taken_ >= lookahead) store(slot);
        slot = {key, static_cast<int32_t>(position)};
        ++taken_;
    }
    void store_all() {
        for (size_t k = taken_ > lookahead ? taken_ - lookahead : 0; k < taken_; ++k) store(ring_[k % lookahead]);
        taken_ = 0;
    }

private:
    static constexpr size_t lookahead = 32;
    struct taken_kmer {
        int64_t key;
        int32_t position;
    };
    void store(const taken_kmer& k) { store_kmer(k.key, chromosome_, k.position, kind_, opt_, hash_); }

    int32_t chromosome_;
    map_kind kind_;
    const options& opt_;
    hash_tables& hash_;
    std::array<taken_kmer, lookahead> ring_;
    size_t taken_ = 0;  // k-mer k waits in ring_[k % lookahead] from taken_ - lookahead on
};

// The key of the k-mer ending at p (1-based) of col: hashlen base codes, the
// first most significant, plus 1, wrapping modulo 2^64. A byte that is not a
// base takes the code register's value, the code of the letter before it,
// carried from window to window across the whole pass.
int64_t kmer_key(const unsigned char* col, int64_t p, int32_t hashlen, int32_t& code) {
    uint64_t U = 0;
    for (int64_t j = p - hashlen + 1; j <= p; ++j) {
        const int8_t d = byte_class[col[j - 1]];
        if (d >= 0) code = d;
        U = 4 * U + static_cast<uint64_t>(code);
    }
    return static_cast<int64_t>(U + 1);
}

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

namespace {

// The positions of chromosome i, whose len bytes are col: the k-mers taken by
// the sampling rule, each with its key, handed to the store step in order.
void sample_chromosome(const unsigned char* col, int64_t len, int32_t i, map_kind kind, const options& opt,
                       int32_t& code, hash_tables& hash) {
    waiting_kmers waiting(i, kind, opt, hash);
    // Positions in 64 bits, so that the loop ends also after the largest
    // 32-bit length.
    int64_t lastn = 0;                   // last break byte on this chromosome
    int64_t lastbase[4] = {0, 0, 0, 0};  // last position of A, C, G, T
    for (int64_t p = 1; p <= len; ++p) {
        const int8_t k = byte_class[col[p - 1]];
        if (k == break_byte) {
            lastn = p;
            continue;
        }
        if (k == not_base) continue;
        const int64_t R = p - lastbase[k];
        if (R >= opt.mingap && R <= opt.maxgap && p - lastn > opt.hashlen && lastbase[k] > lastn) {
            const int64_t V = kmer_key(col, p, opt.hashlen, code);
            if (V < 0) {
                waiting.store_all();  // the k-mers taken before it come first, whatever they end in
                common::stop_with("Hash number exceeded integer*8, decrease k-mer length");
            }
            if (V != 0) waiting.add(V, p);
        }
        lastbase[k] = p;
    }
    waiting.store_all();
}

}  // namespace

void mapstore(const common::matrix<char>& map, map_kind kind, const options& opt, const common::table<int32_t>& CHROLEN,
              hash_tables& hash) {
    const char* heading =
        kind == map_kind::ref ? "Processing reference alleles, chromosome" : "Processing alternate alleles, chromosome";
    int32_t code = 0;  // the code register, kept from chromosome to chromosome
    for (int32_t i = 1; i <= opt.chromes; ++i) {
        common::write_free(heading, i);
        sample_chromosome(reinterpret_cast<const unsigned char*>(map.column(i)), CHROLEN[i], i, kind, opt, code, hash);
    }
}

void fill_hash_table(const options& opt, const reference_map& map, hash_tables& hash, int32_t accepted_variants) {
    // The table starts empty as allocated, every entry and both counters 0:
    // clearing it again would only make every page of it resident at once.
    mapstore(map.REFERENCE, map_kind::ref, opt, map.CHROLEN, hash);
    common::write_empty_line();
    common::write_free(hash.nhash, "k-mers stored in hash table from reference map");
    common::write_free(hash.ndup, "duplicate k-mers stored as negatives in hash table");

    if (accepted_variants >= 1) {
        mapstore(map.ALTERNATE, map_kind::alt, opt, map.CHROLEN, hash);
        common::write_empty_line();
        common::write_free(hash.nhash, "k-mers stored in hash table after adding alternate alleles");
        common::write_empty_line();
    }
}

}  // namespace kmerbank
