// The effect's one source of randomness: a 32-bit linear congruential generator, reproducible from a seed.
#pragma once

#include <cstdint>

namespace pw {

struct RandomStream {
    uint32_t state;
};

inline int32_t NextInt(RandomStream& stream)
{
    stream.state = stream.state * 1103515245u + 12345u;
    return static_cast<int32_t>(stream.state & 0x7FFFFFFFu);
}

// 0 <= r < 1, in steps of 2^-31.
inline double NextReal(RandomStream& stream) { return NextInt(stream) * (1.0 / 2147483648.0); }

}  // namespace pw
