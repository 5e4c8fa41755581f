// The three-weight composite of the 16-bit and float depths in AVX2 lanes, row by row: four 16-bit pixels in
// 4-lane doubles or eight float pixels in 8-lane floats, the definition's operations in its order, its branches
// as lane selections. The same bytes as Composite<Depth>(bottom, top, rule) for every pixel.
#pragma once

#include <cstdint>

#include "kernels/pixel_depth.h"

namespace pw {

// bottom[x] = Composite<Depth>(bottom[x], top[topFixed ? 0 : x], rule) for x in [0, width). Rules: AddRule,
// MultiplyRule, ScreenRule, OverlayRule, DodgeRule, BurnRule, AddScaledRule. Only where CpuHasAvx2().
template <typename Depth, typename Rule>
void CompositeRowAvx2(typename Depth::Pixel* bottom, const typename Depth::Pixel* top, bool topFixed, int32_t width,
                      const Rule& rule);

}  // namespace pw
