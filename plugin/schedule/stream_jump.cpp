#include "schedule/stream_jump.h"

namespace pw {

StreamJump JumpOf(uint64_t steps)
{
    // The step map for 2^i steps, squared each round, composed into the result for each set bit of steps.
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

}  // namespace pw
