// A sample's field of a data line, and the cache that computes and formats
// it once per distinct count pair of a marker.
#include "genocall/sample_fields.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "genocall/run_stop.h"

namespace genocall {

field_layout make_field_layout(const runtime_options& opt) {
    field_layout layout;
    layout.with_gp = opt.write_genotype_probabilities == 1;
    layout.with_ds = opt.write_dosage == 1;
    layout.with_dp = opt.write_allele_depth == 1;
    layout.missing_min_read_depth = opt.missing_min_read_depth;
    layout.best_call_probability = opt.best_call_probability;
    layout.logs = make_error_logs(opt.error_rate);
    return layout;
}

char* put_sample_field(char* out, uint8_t r, uint8_t a, double p, const field_layout& layout) {
    return put_sample_field(out, r, a, genotype_likelihoods(r, a, layout.logs), p, layout);
}

char* put_sample_field(char* out, uint8_t r, uint8_t a, const read_likelihoods& lik, double p,
                       const field_layout& layout) {
    const int32_t d = r + a;
    const posteriors post = genotype_posteriors(lik, p);
    *out++ = '\t';
    const char* call = call_genotype(d, post, layout.missing_min_read_depth, layout.best_call_probability);
    std::memcpy(out, call, 3);
    out += 3;
    if (layout.with_gp) {
        *out++ = ':';
        out = put_fixed3(out, post.p00);
        *out++ = ',';
        out = put_fixed3(out, post.p01);
        *out++ = ',';
        out = put_fixed3(out, post.p11);
    }
    if (layout.with_ds) {
        *out++ = ':';
        out = put_fixed3(out, dosage(post));
    }
    if (layout.with_dp) {
        *out++ = ':';
        out = put_int(out, r);
        *out++ = ',';
        out = put_int(out, a);
    }
    return out;
}

field_cache make_field_cache(int32_t samples) {
    // A marker has at most as many distinct pairs as samples, and no more
    // than there are pairs.
    const size_t slots = std::clamp<size_t>(samples > 0 ? static_cast<size_t>(samples) : 1, 1, count_pairs);
    field_cache cache;
    cache.likelihoods = static_cast<read_likelihoods*>(allocate_or_stop(count_pairs, sizeof(read_likelihoods)));
    cache.likelihoods_taken = static_cast<uint8_t*>(allocate_or_stop(count_pairs, sizeof(uint8_t)));
    cache.known_for = static_cast<uint32_t*>(allocate_or_stop(count_pairs, sizeof(uint32_t)));
    cache.slot = static_cast<uint16_t*>(allocate_or_stop(count_pairs, sizeof(uint16_t)));
    cache.length = static_cast<uint8_t*>(allocate_or_stop(count_pairs, sizeof(uint8_t)));
    cache.text = static_cast<char*>(allocate_or_stop(slots, field_cache::slot_size));
    return cache;
}

void free_field_cache(field_cache& cache) {
    std::free(cache.likelihoods);
    std::free(cache.likelihoods_taken);
    std::free(cache.known_for);
    std::free(cache.slot);
    std::free(cache.length);
    std::free(cache.text);
    cache = field_cache{};
}

void start_marker(field_cache& cache, int32_t k, double p) {
    cache.marker_stamp = static_cast<uint32_t>(k) + 1;
    cache.slots_used = 0;
    cache.frequency = p;
}

void learn_field(field_cache& cache, uint16_t pair, const field_layout& layout) {
    const uint8_t r = static_cast<uint8_t>(pair & 0xff);
    const uint8_t a = static_cast<uint8_t>(pair >> 8);
    if (cache.likelihoods_taken[pair] == 0) {
        cache.likelihoods[pair] = genotype_likelihoods(r, a, layout.logs);
        cache.likelihoods_taken[pair] = 1;
    }
    char field[sample_field_room];
    const char* end = put_sample_field(field, r, a, cache.likelihoods[pair], cache.frequency, layout);
    const size_t length = static_cast<size_t>(end - field);
    cache.known_for[pair] = cache.marker_stamp;
    if (length > field_cache::slot_size) {
        cache.length[pair] = 0;  // formatted again each time: only posteriors far outside 0..1 are this long
        return;
    }
    cache.slot[pair] = static_cast<uint16_t>(cache.slots_used);
    cache.length[pair] = static_cast<uint8_t>(length);
    std::memcpy(cache.text + static_cast<size_t>(cache.slots_used) * field_cache::slot_size, field, length);
    ++cache.slots_used;
}

}  // namespace genocall
