#pragma once
// The sample fields of the VCF data lines. At one marker a sample's field
// depends only on its REF and ALT counts, since the frequency, the error rate
// and the output flags are the same for every sample; so each distinct count
// pair of a marker is computed and formatted once and copied for every other
// sample that has it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "genocall/genotype_model.h"
#include "genocall/number_format.h"
#include "genocall/options.h"

namespace genocall {

/// Room one sample field may need: tab, call, three posteriors, dosage, two counts.
inline constexpr size_t sample_field_room = 4 + 5 * (max_fixed3_length + 1) + 2 * 12;

/// Every count pair r | a << 8 (counts are one byte each).
inline constexpr size_t count_pairs = 65536;

/// What every sample field of the run holds, from the options.
struct field_layout {
    bool with_gp = false;
    bool with_ds = false;
    bool with_dp = false;
    int32_t missing_min_read_depth = 1;
    double best_call_probability = 0.95;
    error_logs logs{};
};

field_layout make_field_layout(const runtime_options& opt);

/// Writes the field of a sample with r REF and a ALT reads at REF frequency
/// p: a tab, the call, then ":%4.3f,%4.3f,%4.3f" with the posteriors, ":%4.3f"
/// with the dosage and ":%d,%d" with the counts as the layout asks; gives the
/// end of what was written (at most sample_field_room bytes).
char* put_sample_field(char* out, uint8_t r, uint8_t a, double p, const field_layout& layout);

/// The same from the likelihood factors of r and a already taken.
char* put_sample_field(char* out, uint8_t r, uint8_t a, const read_likelihoods& lik, double p,
                       const field_layout& layout);

/// The fields of the current marker, one per count pair met so far. A field
/// is kept in a slot of slot_size bytes; one that does not fit is formatted
/// again for each sample that has it. The likelihood factors of a pair do not
/// depend on the marker and are kept for the whole run.
struct field_cache {
    static constexpr size_t slot_size = 64;
    static_assert(slot_size <= sample_field_room, "a whole slot is copied where a field has room");
    read_likelihoods* likelihoods = nullptr;  // per pair, once taken
    uint8_t* likelihoods_taken = nullptr;     // per pair: 1 once its factors are in likelihoods
    uint32_t* known_for = nullptr;            // per pair: marker + 1 when its field is in a slot
    uint16_t* slot = nullptr;                 // per pair: its slot
    uint8_t* length = nullptr;                // per pair: its length; 0 when it does not fit a slot
    char* text = nullptr;                     // the slots
    uint32_t slots_used = 0;
    uint32_t marker_stamp = 0;  // current marker + 1
    double frequency = 0;       // of the current marker
};

/// A cache with a slot for every distinct pair that samples can hold.
field_cache make_field_cache(int32_t samples);
void free_field_cache(field_cache& cache);

/// Empties the cache for marker k at REF frequency p.
void start_marker(field_cache& cache, int32_t k, double p);

/// Computes and formats the field of pair for the current marker.
void learn_field(field_cache& cache, uint16_t pair, const field_layout& layout);

/// Writes the field of count pair r | a << 8 at out, which has room for
/// sample_field_room bytes; gives the end of the field.
inline char* put_cached_field(field_cache& cache, uint16_t pair, char* out, const field_layout& layout) {
    if (cache.known_for[pair] != cache.marker_stamp) learn_field(cache, pair, layout);
    const size_t length = cache.length[pair];
    if (length == 0)
        return put_sample_field(out, static_cast<uint8_t>(pair & 0xff), static_cast<uint8_t>(pair >> 8),
                                cache.frequency, layout);
    // A whole slot: one fixed-size copy; the bytes past the field are
    // overwritten by what follows.
    std::memcpy(out, cache.text + static_cast<size_t>(cache.slot[pair]) * field_cache::slot_size,
                field_cache::slot_size);
    return out + length;
}

}  // namespace genocall
