#pragma once
// Inputs of the map and simulation programs built as bytes: binary records
// framed as the record files frame them, reference.unf of given chromosome
// texts, and reproducible base texts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

/// The 4 little-endian bytes of a signed 32-bit value.
std::string le32(int32_t v);

/// One binary record: its data between two 4-byte byte counts.
std::string record_of(std::string_view data);

/// A record of one signed 32-bit value (12 bytes).
std::string int_record(int32_t v);

/// reference.unf of the given chromosomes: the count, one length record each,
/// one text record each.
std::string reference_unf_of(const std::vector<std::string>& chromosomes);

/// A reproducible text of n bases A, C, G and T.
std::string random_bases(size_t n, uint32_t seed);

}  // namespace test_support
