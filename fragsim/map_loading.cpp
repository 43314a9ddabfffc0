// Loading of reference.unf into the reference map, the chromosome lines and
// totals, and the chromosome table behind the length-weighted chromosome
// draw.
#include <algorithm>

#include "common/fixed_width.h"
#include "common/free_format_writer.h"
#include "common/reference_map_file.h"
#include "fragsim/draw_thresholds.h"
#include "fragsim/fragsim.h"

namespace fragsim {

namespace {

// The low 8 bits as a signed 8-bit value.
int32_t s8(int32_t v) { return static_cast<int8_t>(static_cast<uint8_t>(v & 0xff)); }

// The total length, and the count and share of 'N' in single precision.
void print_map_totals(const reference_map& map) {
    common::write_free(map.totlen, "total length of reference map");
    common::write_empty_line();
    const float percent = static_cast<float>(map.nmiss) * 100.0f / static_cast<float>(map.totlen);
    common::fixed_line()
        .integer(map.nmiss, 10)
        .text(" missing alleles in reference map, % = ")
        .real(percent, 10, 6)
        .write_console();
    common::write_empty_line();
}

}  // namespace

void read_chromosome_count(files& f, reference_map& map) {
    map.nchrom = common::read_map_number(f.reference_unf);
    // Chromosome numbers are held in 8 bits wherever they are stored.
    if (map.nchrom < 1 || map.nchrom > 127)
        common::stop_with("reference.unf holds", map.nchrom, "chromosomes; fragsim needs 1 to 127");
}

void load_reference_map(files& f, reference_map& map) {
    map.maxlen = 0;
    map.totlen = 0;
    for (int32_t i = 1; i <= map.nchrom; ++i) {
        map.CHROLEN[i] = common::read_map_number(f.reference_unf);
        map.maxlen = std::max<int64_t>(map.maxlen, map.CHROLEN[i]);
        map.totlen += map.CHROLEN[i];
    }
    // The chromosome table and the coverage divide by the total length.
    if (map.totlen <= 0) common::stop_with(map.totlen, "total length of reference.unf: no base to simulate");
    map.REFERENCE.allocate(map.maxlen, map.nchrom);
    // Ordinary pages: the map is read into them front to back, and large
    // pages, each cleared by the kernel on its first touch, slowed the load
    // by more than they spared the walk.
    map.VARNUM.allocate(map.CHROLEN, map.nchrom);

    int64_t nmiss = 0;
    for (int32_t i = 1; i <= map.nchrom; ++i) {
        const int32_t len = map.CHROLEN[i];
        // The record goes straight into the reference column.
        char* ref = map.REFERENCE.column(i);
        common::read_map_chromosome(f.reference_unf, ref, len);
        common::write_free(i, " chromosome length", len);
        if (len > 0) nmiss += std::count(ref, ref + len, 'N');
    }
    map.nmiss = static_cast<int32_t>(nmiss);
    print_map_totals(map);
    build_chromtable(map);
}

namespace {

// The runs of CHROMTABLE's slots by the draw each gives, and the lastout at
// which each run starts: the smallest one whose slot reaches the run's first.
void build_chromosome_runs(reference_map& map) {
    chromosome_runs& runs = map.CHROMRUNS;
    runs.nruns = 1;
    runs.from[0] = 1;
    runs.chromosome[0] = chromosome_of_slot(map, 1);
    for (int32_t k = 2; k <= chromtable_size; ++k) {
        const int8_t c = chromosome_of_slot(map, k);
        if (c == runs.chromosome[runs.nruns - 1]) continue;
        if (runs.nruns == chromosome_runs::max_runs) {
            runs.nruns = 0;  // not a table of the stepping rule: draws use CHROMTABLE
            return;
        }
        runs.from[runs.nruns] = first_out_passing([k](double u) { return chromtable_slot(u) >= k; });
        runs.chromosome[runs.nruns] = c;
        ++runs.nruns;
    }
    int32_t r = 0;
    for (int32_t b = 0; b < chromosome_runs::buckets; ++b) {
        const int32_t first = std::max(b << chromosome_runs::bucket_shift, 1);
        while (r + 1 < runs.nruns && first >= runs.from[r + 1]) ++r;
        runs.bucket[b] = static_cast<uint8_t>(r);
    }
}

}  // namespace

void build_chromtable(reference_map& map) {
    map.CHROMTABLE.allocate(1, chromtable_size);
    // Each chromosome holds the slots from where it starts until the distance
    // from its start passes its share of the total length; the comparison is
    // in single precision, so the counts follow the rounded quotients.
    const float total = static_cast<float>(map.totlen);
    int32_t c = 1;
    int32_t last = 0;
    for (int32_t k = 1; k <= chromtable_size; ++k) {
        const float distance = static_cast<float>(k - last) / 1000000.0f;
        const float share = static_cast<float>(map.CHROLEN[c]) / total;
        if (distance > share) {
            c = std::max(s8(std::min(c + 1, map.nchrom)), 1);
            last = k;
        }
        map.CHROMTABLE[k] = c;
    }
    build_chromosome_runs(map);
}

int32_t chromtable_slot(double u) {
    const int64_t index = static_cast<int64_t>(u * 1000000.0 + 1.0);
    return static_cast<int32_t>(std::clamp<int64_t>(index, 1, chromtable_size));  // 0 < u < 1 stays inside anyway
}

int8_t chromosome_of_slot(const reference_map& map, int32_t slot) {
    int32_t c = s8(map.CHROMTABLE[slot]);
    c = std::min(c, map.nchrom);
    return static_cast<int8_t>(std::max(s8(c), 1));
}

}  // namespace fragsim
