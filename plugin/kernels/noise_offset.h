// The noise offset of one kernel call and how it lands on a channel, in the three depths. Shared by the
// per-pixel kernels and the whole-frame passes.
#pragma once

#include <cstdint>

#include "kernels/pixel_depth.h"
#include "kernels/real_to_int.h"

namespace pw {
namespace noise {

// Offsets past this size saturate every channel anyway; bounding them keeps v + d in range.
inline constexpr int32_t kOffsetBound = 1 << 20;

// The offset of one call from its two reals: u = r1 x r2 x a x 2 - a, then per depth d = trunc(u x 510)
// for 8-bit, trunc(u x 65536) for 16-bit, single-precision u x 2 for float (twice white each time).
// A NaN u (from an amount that is not a finite number) adds nothing in any depth.
template <typename Depth>
auto OffsetOf(double r1, double r2, double amount)
{
    const double u = r1 * r2 * amount * 2 - amount;
    if constexpr (Depth::kIntegral) {
        return TruncClamped(u * Depth::kNoiseScale, -kOffsetBound, kOffsetBound);
    } else {
        return u == u ? static_cast<float>(u * Depth::kNoiseScale) : 0.0f;
    }
}

// Integer depths clamp to 0..white; float only lifts negatives to 0 and has no upper cap.
template <typename Depth, typename D>
typename Depth::Channel Offset(typename Depth::Channel v, D d)
{
    if constexpr (Depth::kIntegral) {
        const int32_t s = v + d;
        return static_cast<typename Depth::Channel>(s < 0 ? 0 : s > Depth::kWhite ? Depth::kWhite : s);
    } else {
        const float s = v + d;
        return s < 0.0f ? 0.0f : s;
    }
}

}  // namespace noise
}  // namespace pw
