// Binary record files: each record framed by its byte count before and
// after, a long one split into signed subrecords; the writer and the reader
// with its fatal ends.
#include "common/record_file.h"

#include <algorithm>
#include <cstring>

#include "common/run_end.h"
#include "common/unit_file.h"

namespace common {

namespace {
void put_count(unit_file& file, int64_t count) {
    char c[4];
    put_le(c, static_cast<int32_t>(count));
    file.write_bytes(c, 4);
}
}  // namespace

void write_record(unit_file& file, std::span<const out_bytes> parts, int64_t piece_limit) {
    int64_t total = 0;
    for (const auto& p : parts) total += static_cast<int64_t>(p.size);
    if (total <= piece_limit && framed_size(static_cast<size_t>(total)) <= unit_file::buffer_size) {
        record_room room(file, framed_size(static_cast<size_t>(total)));
        put_record(room.data(), parts);
        return;
    }
    if (total <= piece_limit) {
        put_count(file, total);
        for (const auto& p : parts) file.write_bytes(p.data, p.size);
        put_count(file, total);
        return;
    }
    // A chain of pieces, the data streamed from the parts in order.
    size_t part = 0, offset = 0;
    int64_t left = total;
    bool first = true;
    while (left > 0) {
        const int64_t piece = std::min(left, piece_limit);
        const bool last = piece == left;
        put_count(file, last ? piece : -piece);
        int64_t need = piece;
        while (need > 0) {
            const out_bytes& p = parts[part];
            const size_t take = static_cast<size_t>(std::min<int64_t>(need, static_cast<int64_t>(p.size - offset)));
            file.write_bytes(static_cast<const char*>(p.data) + offset, take);
            offset += take;
            need -= static_cast<int64_t>(take);
            if (offset == p.size) {
                ++part;
                offset = 0;
            }
        }
        put_count(file, first ? piece : -piece);
        first = false;
        left -= piece;
    }
}

void read_record(unit_file& file, std::span<const in_bytes> items) {
    size_t item = 0, offset = 0;
    while (item < items.size() && items[item].size == 0) ++item;
    for (;;) {
        int32_t lead = 0;
        const size_t got = file.read_bytes(&lead, 4);
        if (got < 4) fatal_end_of_file(file);
        int64_t size = lead < 0 ? -static_cast<int64_t>(lead) : lead;
        // Hand the piece to the items in order.
        while (size > 0 && item < items.size()) {
            const in_bytes& it = items[item];
            const size_t take = static_cast<size_t>(std::min<int64_t>(size, static_cast<int64_t>(it.size - offset)));
            if (file.read_bytes(static_cast<char*>(it.data) + offset, take) < take) fatal_end_of_file(file);
            offset += take;
            size -= static_cast<int64_t>(take);
            if (offset == it.size) {
                ++item;
                offset = 0;
                while (item < items.size() && items[item].size == 0) ++item;
            }
        }
        if (size > 0 && file.skip_bytes(static_cast<size_t>(size)) < static_cast<size_t>(size)) fatal_end_of_file(file);
        int32_t trail = 0;
        if (file.read_bytes(&trail, 4) < 4) fatal_end_of_file(file);
        if (lead >= 0) break;
    }
    if (item < items.size())
        fatal_io_error(error_record_too_short, "input statement requires too much data", file.unit(), file.path());
}

}  // namespace common
