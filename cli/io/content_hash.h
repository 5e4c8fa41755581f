// A 64-bit fingerprint of bytes (FNV-1a): enough to tell a file or a settings record from a changed one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pwcli {

uint64_t HashBytes(const void* data, std::size_t size, uint64_t seed = 14695981039346656037ull);
inline uint64_t HashText(const std::string& text) { return HashBytes(text.data(), text.size()); }
// Sixteen lower-case hex digits.
std::string HexOf(uint64_t value);

}  // namespace pwcli
