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

// Many steps at once: n steps of the generator are one affine map, state -> state * multiplier + increment
// (mod 2^32), found in O(log n) by squaring the map of 2^i steps and composing it in for each set bit of n.
struct StreamJump {
    uint32_t multiplier;
    uint32_t increment;
};

constexpr StreamJump JumpOf(uint64_t steps)
{
    uint32_t stepMultiplier = 1103515245u;
    uint32_t stepIncrement = 12345u;
    StreamJump jump{1u, 0u};
    while (steps != 0) {
        if (steps & 1u) {
            jump.multiplier *= stepMultiplier;
            jump.increment = jump.increment * stepMultiplier + stepIncrement;
        }
        stepIncrement = (stepMultiplier + 1u) * stepIncrement;
        stepMultiplier *= stepMultiplier;
        steps >>= 1;
    }
    return jump;
}

inline void ApplyJump(const StreamJump& jump, RandomStream& stream)
{
    stream.state = stream.state * jump.multiplier + jump.increment;
}

inline void AdvanceStream(RandomStream& stream, uint64_t steps) { ApplyJump(JumpOf(steps), stream); }

}  // namespace pw
