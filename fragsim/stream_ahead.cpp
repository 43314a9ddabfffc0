#include "fragsim/stream_ahead.h"

#include <cstring>

namespace fragsim {

void produce_block_plain(unif2_state& s, int32_t* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        unif2(s);
        out[i] = s.lastout;
    }
}

void stream_ahead::refill(int32_t n) {
    const int32_t kept = end_ - next_;
    std::memmove(buffer_, buffer_ + next_, sizeof(int32_t) * static_cast<size_t>(kept));
    next_ = 0;
    end_ = kept;
    (void)n;  // a whole buffer always holds more than max_ahead
    produce_block(state_, buffer_ + end_, capacity - end_);
    end_ = capacity;
}

}  // namespace fragsim
