// The storage of VARNUM, ALTERNATE and GENOROW against plain dense models: a
// slot per map position, a copy of the map with the SNP alleles put in, and a
// byte per genotype cell.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "binary_inputs.h"
#include "fragsim/fragsim.h"
#include "simulation_fixture.h"

namespace {

using namespace fragsim;
using common::variant_kind;

struct record {
    int8_t c;
    int32_t p;
    variant_kind kind;
    char allele;
};

// The dense model: slot and alternate base per position, filled in slot order.
struct dense_model {
    std::vector<std::vector<int32_t>> varnum;  // [c - 1][p - 1]
    std::vector<std::string> alternate;
    explicit dense_model(const std::vector<std::string>& chromosomes) : alternate(chromosomes) {
        for (const auto& s : chromosomes) varnum.emplace_back(s.size(), 0);
    }
    void store(int32_t j, const record& r) {
        varnum[static_cast<size_t>(r.c - 1)][static_cast<size_t>(r.p - 1)] = j;
        if (r.kind == variant_kind::snp)
            alternate[static_cast<size_t>(r.c - 1)][static_cast<size_t>(r.p - 1)] = r.allele;
    }
};

// Indexes the records as the variant reader leaves them and compares every
// position of every chromosome, and the rank of every marked position, with
// the dense model.
void check_against_model(const std::vector<std::string>& chromosomes, const std::vector<record>& records,
                         const std::string& what) {
    reference_map map;
    test_fixture::fill_map(map, chromosomes);
    options o;
    o.maxvar = static_cast<int32_t>(records.size());
    variant_tables var;
    var.allocate(o);
    dense_model model(chromosomes);
    for (const record& r : records) {
        const int32_t j = ++var.nvar;
        var.VARCHROME[j] = r.c;
        var.VARLOC[j] = r.p;
        var.VARTYPE[j] = r.kind;
        var.VARLEN[j] = 1;
        if (r.kind == variant_kind::snp) var.ALTBASE[j] = r.allele;
        model.store(j, r);
    }
    index_variants(map, var);
    int64_t marked = 0;
    for (int32_t c = 1; c <= map.nchrom; ++c) {
        const std::string& ref = chromosomes[static_cast<size_t>(c - 1)];
        for (int32_t p = 1; p <= map.CHROLEN[c]; ++p) {
            const int32_t dense = model.varnum[static_cast<size_t>(c - 1)][static_cast<size_t>(p - 1)];
            ASSERT_EQ(map.VARNUM(p, c), dense) << what << ": chromosome " << c << " position " << p;
            ASSERT_EQ(ALTERNATE(map, var, p, c),
                      model.alternate[static_cast<size_t>(c - 1)][static_cast<size_t>(p - 1)])
                << what << ": chromosome " << c << " position " << p;
            ASSERT_EQ(map.REFERENCE(p, c), ref[static_cast<size_t>(p - 1)]);
            if (dense != 0) {
                ASSERT_EQ(map.VARNUM.rank(p, c), marked) << what << ": chromosome " << c << " position " << p;
                ++marked;
            }
        }
    }
}

std::vector<std::string> chromosomes_of(const std::vector<int32_t>& lengths, uint32_t seed) {
    std::vector<std::string> out;
    for (const int32_t n : lengths) out.push_back(test_support::random_bases(n, seed++));
    return out;
}

TEST(variant_positions, ends_duplicates_and_block_boundaries) {
    // Lengths around the 64- and 512-bit boundaries, an empty chromosome
    // between others, and one of a single base.
    const std::vector<std::string> chr = chromosomes_of({511, 512, 513, 0, 1, 64, 65, 1100}, 3);
    struct row {
        const char* what;
        std::vector<record> records;
    };
    const std::vector<row> rows = {
        {"none", {}},
        {"first and last positions of every chromosome",
         {{1, 1, variant_kind::snp, 'x'},
          {1, 511, variant_kind::snp, 'y'},
          {2, 1, variant_kind::ins, 0},
          {2, 512, variant_kind::snp, 'z'},
          {3, 513, variant_kind::del, 0},
          {3, 1, variant_kind::snp, 'w'},
          {5, 1, variant_kind::snp, 'v'},
          {6, 64, variant_kind::snp, 'u'},
          {7, 65, variant_kind::snp, 't'},
          {8, 1100, variant_kind::snp, 's'}}},
        {"every position across two block boundaries", {}},
        {"later records at a position replace the earlier ones",
         {{8, 700, variant_kind::snp, 'a'},
          {8, 700, variant_kind::snp, 'b'},  // SNP over SNP: b
          {8, 701, variant_kind::snp, 'c'},
          {8, 701, variant_kind::ins, 0},  // INS over SNP: slot of the INS, base c
          {8, 702, variant_kind::del, 0},
          {8, 702, variant_kind::snp, 'd'},  // SNP over DEL: d
          {8, 703, variant_kind::other, 0},
          {8, 703, variant_kind::snp, 'e'},
          {8, 703, variant_kind::del, 0},  // DEL over SNP over other: base e
          {1, 2, variant_kind::ins, 0},    // never an SNP: the reference base
          {1, 2, variant_kind::del, 0}}},
    };
    for (row r : rows) {
        if (r.records.empty() && std::string(r.what) != "none")
            for (int32_t p = 400; p <= 1100; ++p) r.records.push_back({8, p, variant_kind::snp, 'q'});
        check_against_model(chr, r.records, r.what);
    }
}

TEST(variant_positions, random_positions_match_the_dense_model) {
    std::mt19937 gen(20240611);
    for (int round = 0; round < 20; ++round) {
        std::vector<int32_t> lengths;
        const int n = 1 + static_cast<int>(gen() % 5);
        for (int i = 0; i < n; ++i) lengths.push_back(static_cast<int32_t>(gen() % 3000));
        lengths[0] = std::max(lengths[0], 1);
        const std::vector<std::string> chr = chromosomes_of(lengths, static_cast<uint32_t>(round * 10));
        // From sparse to one record every few positions, with duplicates.
        const int count = static_cast<int>(gen() % 2000);
        std::vector<record> records;
        for (int k = 0; k < count; ++k) {
            const int8_t c = static_cast<int8_t>(1 + gen() % static_cast<uint32_t>(n));
            const int32_t len = lengths[static_cast<size_t>(c - 1)];
            if (len == 0) continue;
            const int32_t p =
                gen() % 8 == 0 ? (gen() % 2 ? 1 : len) : static_cast<int32_t>(1 + gen() % static_cast<uint32_t>(len));
            const variant_kind kinds[] = {variant_kind::snp, variant_kind::snp, variant_kind::ins, variant_kind::del,
                                          variant_kind::other};
            records.push_back({c, p, kinds[gen() % 5], "acgtXY"[gen() % 6]});
            if (gen() % 4 == 0) records.push_back({c, p, kinds[gen() % 5], "ACGT"[gen() % 4]});
        }
        check_against_model(chr, records, "round " + std::to_string(round));
    }
}

// Stores rows of the given texts (all of one length) and reads every cell
// back; packed tells which rows take two bits a cell.
void check_rows(const std::vector<std::string>& rows, const std::vector<bool>& packed, int32_t reference_rows) {
    const int64_t cells = rows.empty() ? 0 : static_cast<int64_t>(rows[0].size());
    const int32_t sources = static_cast<int32_t>(rows.size()) + reference_rows;
    genotype_cells g;
    g.allocate(cells, sources);
    for (size_t s = 0; s < rows.size(); ++s) g.store_row(static_cast<int32_t>(s) + 1, rows[s].data());
    for (int32_t s = static_cast<int32_t>(rows.size()) + 1; s <= sources; ++s) g.store_reference_row(s);
    // Read back after all rows are in: no row runs into the next.
    for (int32_t s = 1; s <= sources; ++s) {
        const bool has_row = static_cast<size_t>(s) <= rows.size();
        const std::string expected =
            has_row ? rows[static_cast<size_t>(s) - 1] : std::string(static_cast<size_t>(cells), '0');
        EXPECT_EQ(g.packed(s), has_row ? packed[static_cast<size_t>(s) - 1] : true) << "source " << s;
        std::string got;
        for (int64_t v = 1; v <= cells; ++v) got += g(v, s);
        EXPECT_EQ(got, expected) << "source " << s << " of " << cells << " cells";
    }
}

TEST(genotype_cells, two_bit_and_byte_rows_read_back_as_stored) {
    std::mt19937 gen(7);
    // Lengths around the four cells of a byte and larger.
    for (const int64_t cells : {0, 1, 3, 4, 5, 63, 64, 65, 1001}) {
        std::vector<std::string> rows;
        std::vector<bool> packed;
        for (int k = 0; k < 8; ++k) {
            std::string r;
            for (int64_t v = 0; v < cells; ++v) r += "012"[gen() % 3];
            // Rows 2, 5, 7 and 8 each get one other character: the byte 0, a
            // blank, a '3', and a '/' at the row's end (the codes next to the
            // digits).
            const bool other = cells > 0 && (k == 1 || k == 4 || k == 6 || k == 7);
            if (other)
                r[k == 7 ? static_cast<size_t>(cells - 1) : static_cast<size_t>(gen() % cells)] =
                    " \0"
                    "3/"[k % 4];
            rows.push_back(r);
            packed.push_back(!other);
        }
        check_rows(rows, packed, 3);
    }
}

TEST(genotype_cells, row_of_blanks_past_its_characters_keeps_bytes) {
    check_rows({"0120", "01  ", "2222"}, {true, false, true}, 1);
}

}  // namespace
