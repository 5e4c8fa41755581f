// Moving a RandomStream many steps at once: n steps of an LCG are one affine map, found in O(log n).
#pragma once

#include <cstdint>

#include "kernels/random_stream.h"

namespace pw {

// state -> state * multiplier + increment (mod 2^32) equals `steps` calls of NextInt.
struct StreamJump {
    uint32_t multiplier;
    uint32_t increment;
};

StreamJump JumpOf(uint64_t steps);

inline void ApplyJump(const StreamJump& jump, RandomStream& stream)
{
    stream.state = stream.state * jump.multiplier + jump.increment;
}

inline void AdvanceStream(RandomStream& stream, uint64_t steps) { ApplyJump(JumpOf(steps), stream); }

}  // namespace pw
