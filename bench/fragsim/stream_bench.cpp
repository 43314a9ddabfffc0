// The speed of the random streams: ns per value of plain unif2 calls and of
// each block generator this CPU supports, all from one set-up and checked to
// give the same values; the best of 3 rounds, as other work on the machine
// only ever slows a round down.
//
//   stream_bench [BLOCK [VALUES]]   blocks of BLOCK values (default: the
//                                   smallest refill of a stream produced
//                                   ahead, 32768) until VALUES (default
//                                   100000000)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fragsim/stream_ahead.h"
#include "fragsim/stream_blocks.h"

namespace {

using namespace fragsim;

struct timing {
    double ns_per_value;
    uint64_t checksum;
};

template <class Produce>
timing time_round(Produce produce, int32_t block, int64_t values) {
    std::vector<int32_t> out(static_cast<size_t>(block));
    unif2_state s;
    set_up_stream(s, -12345);
    uint64_t checksum = 0;
    std::chrono::duration<double, std::nano> took{0};
    for (int64_t done = 0; done < values; done += block) {
        const auto start = std::chrono::steady_clock::now();
        produce(s, out.data(), block);
        took += std::chrono::steady_clock::now() - start;
        for (int32_t v : out) checksum = checksum * 31 + static_cast<uint32_t>(v);
    }
    const int64_t made = (values + block - 1) / block * block;
    return {took.count() / static_cast<double>(made), checksum};
}

template <class Produce>
timing time_blocks(Produce produce, int32_t block, int64_t values) {
    timing best = time_round(produce, block, values);
    for (int round = 1; round < 3; ++round) {
        const timing t = time_round(produce, block, values);
        if (t.ns_per_value < best.ns_per_value) best = t;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t block = argc > 1 ? std::atoi(argv[1]) : stream_ahead::capacity - stream_ahead::max_ahead;
    const int64_t values = argc > 2 ? std::atoll(argv[2]) : 100000000;
    if (block < 1 || values < 1) {
        std::fprintf(stderr, "usage: %s [BLOCK [VALUES]]\n", argv[0]);
        return 2;
    }
    std::printf("blocks of %d values, %lld values, chosen path %s\n", block, static_cast<long long>(values),
                stream_path_name(chosen_stream_path()));
    const timing plain = time_blocks(produce_block_plain, block, values);
    std::printf("%-10s %8.3f ns/value\n", "unif2", plain.ns_per_value);
    for (stream_path path : all_stream_paths) {
        if (!stream_path_supported(path)) {
            std::printf("%-10s not supported here\n", stream_path_name(path));
            continue;
        }
        const timing t = time_blocks(
            [path](unif2_state& s, int32_t* out, int32_t n) { produce_block_on(path, s, out, n); }, block, values);
        std::printf("%-10s %8.3f ns/value  %6.1f times unif2%s\n", stream_path_name(path), t.ns_per_value,
                    plain.ns_per_value / t.ns_per_value, t.checksum == plain.checksum ? "" : "  VALUES DIFFER");
    }
    return 0;
}
