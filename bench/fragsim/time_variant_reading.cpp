// Time of reading a variant list, per record: the whole file read once by
// the general free-format reader and once by the reader as the programs use
// it (plain reads in one pass), with a checksum of every value read, which
// must be the same for both.
//
// usage: time_variant_reading <variant list> [passes]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/free_format_reader.h"
#include "common/unit_file.h"
#include "common/variant_record.h"

namespace {

struct pass_result {
    int64_t records = 0;
    uint64_t checksum = 0;
    double seconds = 0;
};

pass_result read_list(const char* path, bool general) {
    common::unit_file file(11, path);
    file.open(common::file_use::input);
    common::free_format_reader in(file);
    constexpr int32_t capacity = 100000;
    std::vector<char> allele(capacity, ' ');
    common::variant_record r;
    const common::read_item items[] = {
        common::item(r.chromosome), common::item(r.location), common::text_item(r.type, 3),
        common::item(r.unused),     common::item(r.length),   common::text_item(allele.data(), &r.length, capacity)};
    pass_result res;
    const auto t0 = std::chrono::steady_clock::now();
    if (common::skip_variant_header(in)) {
        while (general ? in.read_general(items, true) : in.read(items, true)) {
            ++res.records;
            uint64_t h = static_cast<uint64_t>(r.chromosome) * 1000003u + static_cast<uint32_t>(r.location);
            h = h * 31 + static_cast<unsigned char>(r.type[0]) + static_cast<uint32_t>(r.length) * 7u;
            h = h * 31 + static_cast<unsigned char>(allele[0]);
            res.checksum = res.checksum * 1099511628211ull + h;
        }
    }
    res.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return res;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: time_variant_reading <variant list> [passes]\n");
        return 2;
    }
    const int passes = argc > 2 ? std::atoi(argv[2]) : 3;
    read_list(argv[1], false);  // the file into the page cache
    for (const bool general : {true, false}) {
        pass_result best;
        for (int k = 0; k < passes; ++k) {
            const pass_result res = read_list(argv[1], general);
            if (k == 0 || res.seconds < best.seconds) best = res;
        }
        std::printf("%-15s %lld records, best of %d: %.3f s, %.1f ns a record, checksum %016llx\n",
                    general ? "general reader" : "plain path", static_cast<long long>(best.records), passes,
                    best.seconds, best.seconds * 1e9 / static_cast<double>(best.records),
                    static_cast<unsigned long long>(best.checksum));
    }
    return 0;
}
