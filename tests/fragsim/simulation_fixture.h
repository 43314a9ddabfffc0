#pragma once
// Small simulation inputs filled directly: a map, true variants, genotype
// rows and source IDs, as the start-up phases would leave them.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fragsim/fragsim.h"

namespace test_fixture {

/// The map as loading leaves it: the reference map holds the chromosomes'
/// texts, VARNUM has room and no position; CHROMTABLE is not built.
inline void fill_map(fragsim::reference_map& map, const std::vector<std::string>& chromosomes) {
    map.nchrom = static_cast<int32_t>(chromosomes.size());
    map.CHROLEN.allocate(1, map.nchrom);
    for (const auto& s : chromosomes) map.maxlen = std::max<int64_t>(map.maxlen, static_cast<int64_t>(s.size()));
    map.REFERENCE.allocate(map.maxlen, map.nchrom);
    for (int32_t i = 1; i <= map.nchrom; ++i) {
        const std::string& s = chromosomes[static_cast<size_t>(i - 1)];
        map.CHROLEN[i] = static_cast<int32_t>(s.size());
        map.totlen += static_cast<int64_t>(s.size());
        std::memcpy(map.REFERENCE.column(i), s.data(), s.size());
    }
    map.VARNUM.allocate(map.CHROLEN, map.nchrom);
}

struct sim_world {
    fragsim::options opt;
    fragsim::derived der;
    fragsim::reference_map map;
    fragsim::variant_tables var;
    fragsim::source_tables src;

    /// Reads of length m from fragments of length L, `sources` sources,
    /// FASTQ output, no errors, quality 'K', seed 0, nreads 2.
    sim_world(const std::vector<std::string>& chromosomes, int32_t m, int32_t L, int32_t sources = 1) {
        opt.maxlngth = m;
        opt.fraglen = L;
        opt.maxvar = 1024;
        opt.maxinsert = 4096;
        opt.outformat = 1;
        opt.sources = sources;
        der.quality = 'K';
        der.phred = 75;
        der.seed = 0;
        der.nreads = 2;
        fill_map(map, chromosomes);
        fragsim::build_chromtable(map);
        var.allocate(opt);
        set_sources(sources);
    }

    void set_sources(int32_t sources) {
        opt.sources = sources;
        src.SOURCEID.allocate(1, sources);
        for (int32_t k = 1; k <= sources; ++k) src.SOURCEID[k] = 10000 + k;
    }

    /// Adds variant slot nvar + 1 as the variant reader stores it (an SNP's
    /// allele as given) and indexes the slots again; returns the slot.
    int32_t add_variant(int8_t c, int32_t loc, const char* type, const std::string& allele) {
        const int32_t j = ++var.nvar;
        const int32_t len = static_cast<int32_t>(allele.size());
        if (j > opt.maxvar || var.insfill + len > opt.maxinsert) std::abort();  // fixture too small
        var.VARCHROME[j] = c;
        var.VARLOC[j] = loc;
        var.VARTYPE[j] = common::kind_of_type(type);
        var.VARLEN[j] = len;
        var.maxindel = std::max(var.maxindel, len);
        if (var.VARTYPE[j] == common::variant_kind::snp) var.ALTBASE[j] = allele[0];
        if (var.VARTYPE[j] == common::variant_kind::ins) {
            var.INSPOS[j] = var.insfill + 1;
            std::memcpy(var.INSERT.at(var.insfill + 1), allele.data(), allele.size());
            var.insfill += len;
        }
        map.VARNUM.allocate(map.CHROLEN, map.nchrom);
        fragsim::index_variants(map, var);
        return j;
    }

    /// Genotype rows of sources 1..rows.size(), one character per variant slot,
    /// given after the variants. Cells past a row's text, and the rows of the
    /// other sources, hold the byte 0 (no genotype: the last choice stays).
    void set_genotypes(const std::vector<std::string>& rows) {
        src.ngeno = static_cast<int32_t>(rows.size());
        for (const auto& r : rows)
            if (static_cast<int64_t>(r.size()) > var.nvar || static_cast<int64_t>(rows.size()) > opt.sources)
                std::abort();
        src.GENOROW.allocate(var.nvar, opt.sources);
        for (int32_t s = 1; s <= opt.sources; ++s) {
            std::string cells(static_cast<size_t>(var.nvar), '\0');
            if (static_cast<size_t>(s) <= rows.size())
                cells.replace(0, rows[static_cast<size_t>(s) - 1].size(), rows[static_cast<size_t>(s) - 1]);
            src.GENOROW.store_row(s, cells.data());
        }
    }
};

}  // namespace test_fixture
