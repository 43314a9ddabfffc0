// The plain block generator and the refilling of a stream's buffer.
#include "fragsim/stream_ahead.h"

#include <cstring>

namespace fragsim {

void produce_block_plain(unif2_state& s, int32_t* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        unif2(s);
        out[i] = s.lastout;
    }
}

void stream_ahead::refill() {
    const int32_t kept = end_ - next_;
    std::memmove(buffer_, buffer_ + next_, sizeof(int32_t) * static_cast<size_t>(kept));
    next_ = 0;
    end_ = kept;
    // At most max_ahead values are kept, so the new block is long enough for
    // the lanes and the buffer then shows at least max_ahead.
    produce_block(state_, buffer_ + end_, capacity - end_);
    end_ = capacity;
}

}  // namespace fragsim
