#pragma once
// The variant list layout shared by variants.prior and variants.true: one
// header line, then records of six free-format values: chromosome (8-bit),
// location, type (3 characters), an unused integer, allele length and the
// allele text of that many characters.
#include <cstdint>

namespace common {

class free_format_reader;

struct variant_record {
    int8_t chromosome = 0;
    int32_t location = 0;
    char type[3] = {' ', ' ', ' '};
    int32_t unused = 0;
    int32_t length = 0;
};

/// Passes over the header line; false when the file ends there.
bool skip_variant_header(free_format_reader& in);

/// Reads the next record; the allele text of max(length, 0) characters goes
/// to allele (at most capacity characters are stored; a record of length 0
/// or less leaves allele as it was and takes no sixth value). False at the
/// end of the file; a record cut short by the end of the file is dropped.
bool read_variant_record(free_format_reader& in, variant_record& record, char* allele, int32_t capacity);

/// What a record's type text names; any other text is `other`, which is
/// counted but changes no map.
enum class variant_kind : int8_t { snp, ins, del, other };

/// The kind of a type text of three characters (case-sensitive).
variant_kind kind_of_type(const char* three);
inline variant_kind kind_of(const variant_record& record) { return kind_of_type(record.type); }

/// The lower-case letter of an upper-case base A, C, G or T; any other byte
/// unchanged. An allele put into a soft-masked stretch takes the mask.
char lower_base(char c);

}  // namespace common
