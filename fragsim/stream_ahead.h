#pragma once
// A random stream produced ahead: the values unif2 would return, in order,
// computed in blocks into a buffer and taken from it one by one or as runs.
// The values depend only on the stream's state at set-up, never on how they
// are taken.
#include <cstdint>

#include "fragsim/random_stream.h"

namespace fragsim {

/// The value unif2 returns for the integer lastout = out.
inline double value_of(int32_t out) {
    const double u = static_cast<double>(out) * unif2_constants::scale;
    return u < unif2_constants::cap ? u : unif2_constants::cap;
}

/// Fills out[0..n-1] with the lastout values of the next n unif2 calls on s
/// and leaves s as those calls would. The generator for this CPU is chosen
/// once, at the first call.
void produce_block(unif2_state& s, int32_t* out, int32_t n);

/// The same by n plain unif2 calls: the reference for produce_block.
void produce_block_plain(unif2_state& s, int32_t* out, int32_t n);

/// One stream's buffer of values produced ahead.
class stream_ahead {
public:
    /// The longest run ahead() can show at once.
    static constexpr int32_t max_ahead = 4096;
    /// Every refill produces a block of at least 32768 values: long enough
    /// chunks for the lanes of the block generator.
    static constexpr int32_t capacity = 32768 + max_ahead;

    /// Stream set-up, as set_up_stream: the buffer starts empty.
    void set_up(int32_t lcg1) {
        set_up_stream(state_, lcg1);
        next_ = end_ = 0;
    }

    /// The lastout of the next draw; the draw is taken.
    int32_t next_out() {
        if (next_ == end_) refill();
        return buffer_[next_++];
    }

    /// The next draw's value, as unif2 would return it.
    double next() { return value_of(next_out()); }

    /// The lastouts of the next n draws (n <= max_ahead), without taking them.
    const int32_t* ahead(int32_t n) {
        if (end_ - next_ < n) refill();
        return buffer_ + next_;
    }

    /// Takes n draws that ahead() has shown.
    void take(int32_t n) { next_ += n; }

private:
    // Moves the untaken values (fewer than max_ahead) to the front and fills
    // the rest of the buffer.
    void refill();

    unif2_state state_;  // the stream after the last value in the buffer
    int32_t next_ = 0, end_ = 0;
    alignas(64) int32_t buffer_[capacity];
};

}  // namespace fragsim
