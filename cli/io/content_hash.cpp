#include "io/content_hash.h"

#include <cstdio>

namespace pwcli {

uint64_t HashBytes(const void* data, std::size_t size, uint64_t seed)
{
    const auto* p = static_cast<const unsigned char*>(data);
    uint64_t h = seed;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

std::string HexOf(uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace pwcli
