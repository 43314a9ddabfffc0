// Genome-scale inputs of fragsim: a human-shaped reference of 24 chromosomes
// of the lengths of GRCh38 (chr1-22, X, Y; 3.09 Gb), each length multiplied
// by a scale, written straight as reference.unf one chromosome at a time; the
// true variants at the density of a human sample, one per 35 bases on
// average (90 % SNPs, 5 % insertions, 5 % deletions of 1 to 10 bases) in
// variants.true; and genotype rows of 0, 1 and 2 in genotypes.true.
//
// usage: make_human_inputs reference <scale> [seed]
//            writes reference.unf and variants.true and prints one line:
//            bases, chromosomes, variants, SNPs, insertions, deletions and
//            the characters of all insertion texts
//        make_human_inputs genotypes <rows> <variants> [seed]
//            writes genotypes.true: <rows> rows of <variants> characters
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/fragsim/bench_rng.h"
#include "common/record_file.h"
#include "common/unit_file.h"

namespace {

// Chromosome lengths of GRCh38: chr1 to chr22, chrX, chrY.
constexpr int64_t human[24] = {248956422, 242193529, 198295559, 190214555, 181538259, 170805979, 159345973, 145138636,
                               138394717, 133797422, 135086622, 133275309, 114364328, 107043718, 101991189, 90338345,
                               83257441,  80373285,  58617616,  64444167,  46709983,  50818468,  156040895, 57227415};

using bench::bases;
using bench::rng;

char other_base(char b, rng& r) { return bases[(std::strchr(bases, b) - bases + 1 + r.below(3)) % 4]; }

// Text output through one large buffer.
struct text_out {
    FILE* f;
    std::string buf;
    explicit text_out(const char* name) : f(std::fopen(name, "w")) {
        if (!f) {
            std::perror(name);
            std::exit(1);
        }
    }
    void put(std::string_view s) {
        buf += s;
        if (buf.size() >= (1 << 20)) flush();
    }
    void put(int64_t v) {
        char digits[24];
        buf.append(digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, v).ptr - digits));
    }
    void flush() {
        if (!buf.empty() && std::fwrite(buf.data(), 1, buf.size(), f) != buf.size()) {
            std::perror("write");
            std::exit(1);
        }
        buf.clear();
    }
    ~text_out() {
        flush();
        std::fclose(f);
    }
};

struct counts {
    int64_t total = 0, nvar = 0, nsnp = 0, nins = 0, ndel = 0, insfill = 0;
};

// One chromosome of random bases with N runs of 10,000 bases at both ends
// and one of 1 % of its length in the middle, as in a centromere.
void make_chromosome(std::vector<char>& seq, int64_t len, rng& r) {
    for (int64_t p = 0; p < len; p += 32) {
        uint64_t draw = r.next();
        for (int64_t q = p; q < std::min(p + 32, len); ++q, draw >>= 2) seq[q] = bases[draw & 3];
    }
    auto n_run = [&](int64_t from, int64_t n) {
        for (int64_t p = std::max<int64_t>(from, 0); p < std::min(from + n, len); ++p) seq[p] = 'N';
    };
    n_run(0, 10000);
    n_run(len - 10000, 10000);
    n_run(len / 2, len / 100);
}

// The variants of chromosome c (bases seq[0..len-1], position p at seq[p-1]):
// gaps of 1 to 67 bases (34 on average; with the N runs left out, one
// variant per 35 bases of the map), none touching an N, none overlapping the one
// before; every record passes fragsim's checks without a message.
void write_variants(text_out& vt, int c, const std::vector<char>& seq, int64_t len, rng& r, counts& n) {
    const char* s = seq.data() - 1;  // s[p] is position p
    std::string allele;
    auto record = [&](int64_t p, const char* type, int64_t k) {
        vt.put(static_cast<int64_t>(c));
        vt.put(" ");
        vt.put(p);
        vt.put(" ");
        vt.put(type);
        vt.put(" 0 ");
        vt.put(k);
        vt.put(" ");
        vt.put(allele);
        vt.put("\n");
        ++n.nvar;
    };
    for (int64_t p = 2 + r.below(67); p + 12 < len; p += 1 + r.below(67)) {
        const uint32_t kind = r.below(20);
        int64_t k = 1 + r.below(10);
        bool clean = true;
        for (int64_t q = p - 1; q <= p + 11; ++q) clean = clean && s[q] != 'N';
        if (!clean) continue;
        // A deletion's length is drawn again while the base after it equals
        // its first base (fragsim would warn of it).
        for (int tries = 0; kind == 1 && tries < 10 && s[p] == s[p + k]; ++tries) k = 1 + r.below(10);
        allele.clear();
        if (kind == 0) {  // an insertion whose first base differs from the base after it
            allele += other_base(s[p + 1], r);
            for (int64_t j = 1; j < k; ++j) allele += bases[r.below(4)];
            record(p, "INS", k);
            ++n.nins;
            n.insfill += k;
        } else if (kind == 1 && s[p] != s[p + k]) {  // a deletion of k bases, the base after it another
            allele.assign(s + p, static_cast<size_t>(k));
            record(p, "DEL", k);
            ++n.ndel;
            p += k;
        } else {
            allele += other_base(s[p], r);
            record(p, "SNP", 1);
            ++n.nsnp;
        }
    }
}

int make_reference(double scale, rng& r) {
    const int32_t nchrom = 24;
    int64_t len[nchrom];
    int64_t maxlen = 0;
    for (int c = 0; c < nchrom; ++c) {
        len[c] = std::llround(static_cast<double>(human[c]) * scale);
        if (len[c] < 100000 || len[c] > INT32_MAX) {
            std::fprintf(stderr, "scale %g gives a chromosome of %lld bases (100000 to 2^31-1 wanted)\n", scale,
                         static_cast<long long>(len[c]));
            return 1;
        }
        maxlen = std::max(maxlen, len[c]);
    }
    common::unit_file unf(10, "reference.unf");
    unf.open();
    common::write_record(unf, {common::bytes_of(nchrom)});
    for (int c = 0; c < nchrom; ++c) {
        const int32_t l = static_cast<int32_t>(len[c]);
        common::write_record(unf, {common::bytes_of(l)});
    }
    text_out vt("variants.true");
    vt.put("chrom location type unused length allele\n");
    counts n;
    std::vector<char> seq(static_cast<size_t>(maxlen));
    for (int c = 0; c < nchrom; ++c) {
        make_chromosome(seq, len[c], r);
        common::write_record(unf, {common::bytes_of(seq.data(), len[c])});
        write_variants(vt, c + 1, seq, len[c], r, n);
        n.total += len[c];
    }
    unf.close();
    std::printf(
        "%lld bases, %d chromosomes, %lld variants, %lld SNPs, %lld insertions, %lld deletions, %lld "
        "insertion characters\n",
        static_cast<long long>(n.total), nchrom, static_cast<long long>(n.nvar), static_cast<long long>(n.nsnp),
        static_cast<long long>(n.nins), static_cast<long long>(n.ndel), static_cast<long long>(n.insfill));
    return 0;
}

// Rows of the fixed columns fragsim reads: ID, an echoed number, the count
// of genotype characters, one blank, then the characters, 0, 1 or 2 (1 twice
// as often as each of the others).
int make_genotypes(int rows, int64_t nvar, rng& r) {
    text_out gt("genotypes.true");
    char head[40];
    for (int k = 1; k <= rows; ++k) {
        std::snprintf(head, sizeof head, "%10d%10d%10lld ", 20000 + k, k, static_cast<long long>(nvar));
        gt.put(head);
        for (int64_t v = 0; v < nvar; v += 32) {
            uint64_t draw = r.next();
            for (int64_t q = v; q < std::min(v + 32, nvar); ++q, draw >>= 2) gt.buf += "0112"[draw & 3];
            if (gt.buf.size() >= (1 << 20)) gt.flush();
        }
        gt.put("\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "reference" && argc >= 3) {
        rng r{argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 88172645463325252ull};
        return make_reference(std::strtod(argv[2], nullptr), r);
    }
    if (mode == "genotypes" && argc >= 4) {
        rng r{argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 2463534242ull};
        return make_genotypes(std::atoi(argv[2]), std::atoll(argv[3]), r);
    }
    std::fprintf(stderr,
                 "usage: make_human_inputs reference <scale> [seed]\n"
                 "       make_human_inputs genotypes <rows> <variants> [seed]\n");
    return 2;
}
