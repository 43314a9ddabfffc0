// The variant record of variants.prior and variants.true: its header, its
// free-format read, the kind of its type text, and a base in lower case.
#include "common/variant_record.h"

#include <cstring>

#include "common/free_format_reader.h"

namespace common {

bool skip_variant_header(free_format_reader& in) { return in.skip_line(true); }

bool read_variant_record(free_format_reader& in, variant_record& r, char* allele, int32_t capacity) {
    return in.read({item(r.chromosome), item(r.location), text_item(r.type, 3), item(r.unused), item(r.length),
                    text_item(allele, &r.length, capacity)},
                   true);
}

variant_kind kind_of_type(const char* three) {
    if (std::memcmp(three, "SNP", 3) == 0) return variant_kind::snp;
    if (std::memcmp(three, "INS", 3) == 0) return variant_kind::ins;
    if (std::memcmp(three, "DEL", 3) == 0) return variant_kind::del;
    return variant_kind::other;
}

char lower_base(char c) {
    switch (c) {
        case 'A': return 'a';
        case 'C': return 'c';
        case 'G': return 'g';
        case 'T': return 't';
        default: return c;
    }
}

}  // namespace common
