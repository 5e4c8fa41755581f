// Integer division by a divisor known per render, done as a multiplication by a rounded-up reciprocal: for every
// numerator below 2^26 and every divisor below 2^16, m = ceil(2^42 / d) gives floor(n m / 2^42) = floor(n / d)
// exactly (Granlund and Montgomery). The table lives in the caller's frame: the plug-in keeps no state.
#pragma once

#include <cstdint>

namespace pw {

// floor(n / (255 a)) for a = 1 .. 255: RGB Separation's sum / alpha / 255 (floors of positive integers nest).
struct DivideBy255Alpha {
    static constexpr int kShift = 42;
    static constexpr uint32_t kNumeratorLimit = uint32_t{1} << 26;

    uint64_t reciprocal[256];

    DivideBy255Alpha()
    {
        reciprocal[0] = 0;
        for (uint64_t a = 1; a < 256; ++a) {
            const uint64_t d = 255 * a;
            reciprocal[a] = ((uint64_t{1} << kShift) + d - 1) / d;
        }
    }
    // n < kNumeratorLimit, 1 <= alpha <= 255.
    uint32_t operator()(uint32_t n, uint32_t alpha) const
    {
        return static_cast<uint32_t>((uint64_t{n} * reciprocal[alpha]) >> kShift);
    }
};

}  // namespace pw
