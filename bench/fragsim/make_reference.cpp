// Benchmark inputs of fragsim: a synthetic reference of five chromosomes with
// a few N runs, written as reference.unf (and reference.fa for the peer
// simulators), true SNPs, insertions and deletions in variants.true, and
// genotype rows for `rows` sources in genotypes.true.
//
// usage: make_reference <total length> <genotype rows> <seed>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/fragsim/bench_rng.h"
#include "common/reference_map_file.h"
#include "common/tables.h"
#include "common/unit_file.h"

namespace {

using bench::bases;
using bench::rng;

}  // namespace

int main(int argc, char** argv) {
    const int64_t total = argc > 1 ? std::atoll(argv[1]) : 50000000;
    const int rows = argc > 2 ? std::atoi(argv[2]) : 16;
    rng r{argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 88172645463325252ull};

    const int32_t nchrom = 5;
    const double share[nchrom] = {0.26, 0.22, 0.2, 0.18, 0.14};
    common::table<int32_t> CHROLEN;
    CHROLEN.allocate(1, nchrom);
    int32_t maxlen = 0;
    for (int32_t c = 1; c <= nchrom; ++c) {
        CHROLEN[c] = static_cast<int32_t>(static_cast<double>(total) * share[c - 1]);
        if (CHROLEN[c] > maxlen) maxlen = CHROLEN[c];
    }
    common::matrix<char> REFERENCE;
    REFERENCE.allocate(maxlen, nchrom);
    for (int32_t c = 1; c <= nchrom; ++c) {
        char* col = REFERENCE.column(c);
        for (int32_t p = 0; p < CHROLEN[c]; ++p) col[p] = bases[r.below(4)];
        // A few N runs: one at each end of the chromosome and three inside.
        auto run = [&](int32_t from, int32_t len) {
            for (int32_t p = from; p < from + len && p < CHROLEN[c]; ++p) col[p] = 'N';
        };
        run(0, 5000);
        run(CHROLEN[c] - 3000, 3000);
        for (int k = 0; k < 3; ++k) run(static_cast<int32_t>(r.below(static_cast<uint32_t>(CHROLEN[c]))), 20000);
    }

    common::table<char> READMAP;
    READMAP.allocate(1, maxlen);
    {
        common::unit_file unf(10, "reference.unf");
        unf.open();
        common::write_reference_map(unf, nchrom, CHROLEN, REFERENCE, READMAP);
        unf.close();
    }
    {
        FILE* fa = std::fopen("reference.fa", "w");
        for (int32_t c = 1; c <= nchrom; ++c) {
            std::fprintf(fa, ">chr%d\n", c);
            const char* col = REFERENCE.column(c);
            for (int32_t p = 0; p < CHROLEN[c]; p += 60)
                std::fprintf(fa, "%.*s\n", static_cast<int>(std::min<int32_t>(60, CHROLEN[c] - p)), col + p);
        }
        std::fclose(fa);
    }

    // True variants: an SNP about every 1,000 bases, an insertion and a
    // deletion of 1 to 10 bases about every 20,000, none touching an N.
    FILE* vt = std::fopen("variants.true", "w");
    std::fprintf(vt, "chrom location type unused length allele\n");
    int32_t nvar = 0;
    std::string allele;
    for (int32_t c = 1; c <= nchrom; ++c) {
        const char* col = REFERENCE.column(c);
        int32_t p = 10000;
        while (p < CHROLEN[c] - 10000) {
            const uint32_t kind = r.below(40);
            const int32_t k = 1 + static_cast<int32_t>(r.below(10));
            bool clean = true;
            for (int32_t q = p - 1; q <= p + k + 1; ++q) clean = clean && col[q - 1] != 'N';
            if (clean) {
                if (kind == 0) {
                    allele.clear();
                    allele += bases[(std::string(bases).find(col[p]) + 1 + r.below(3)) % 4];  // not REF(p+1)
                    for (int32_t j = 1; j < k; ++j) allele += bases[r.below(4)];
                    std::fprintf(vt, "%d %d INS 0 %d %s\n", c, p, k, allele.c_str());
                } else if (kind == 1 && col[p - 1] != col[p + k - 1]) {
                    std::fprintf(vt, "%d %d DEL 0 %d %.*s\n", c, p, k, k, col + p - 1);
                } else {
                    const char alt = bases[(std::string(bases).find(col[p - 1]) + 1 + r.below(3)) % 4];
                    std::fprintf(vt, "%d %d SNP 0 1 %c\n", c, p, alt);
                }
                ++nvar;
            }
            p += 500 + static_cast<int32_t>(r.below(1000));
        }
    }
    std::fclose(vt);

    FILE* gt = std::fopen("genotypes.true", "w");
    std::string row(static_cast<size_t>(nvar), '0');
    for (int k = 1; k <= rows; ++k) {
        for (auto& ch : row) ch = "0112"[r.below(4)];
        std::fprintf(gt, "%10d%10d%10d %s\n", 20000 + k, k, nvar, row.c_str());
    }
    std::fclose(gt);
    std::printf("%lld bases in %d chromosomes, %d true variants, %d genotype rows\n", static_cast<long long>(total),
                nchrom, nvar, rows);
    return 0;
}
