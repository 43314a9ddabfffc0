#include "binary_inputs.h"

namespace test_support {

std::string le32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string record_of(std::string_view data) {
    const std::string count = le32(static_cast<int32_t>(data.size()));
    return count + std::string(data) + count;
}

std::string int_record(int32_t v) { return record_of(le32(v)); }

std::string reference_unf_of(const std::vector<std::string>& chromosomes) {
    std::string out = int_record(static_cast<int32_t>(chromosomes.size()));
    for (const auto& c : chromosomes) out += int_record(static_cast<int32_t>(c.size()));
    for (const auto& c : chromosomes) out += record_of(c);
    return out;
}

std::string random_bases(size_t n, uint32_t seed) {
    std::string s(n, 'A');
    for (auto& ch : s) {
        seed = seed * 1664525u + 1013904223u;
        ch = "ACGT"[seed >> 30];
    }
    return s;
}

}  // namespace test_support
