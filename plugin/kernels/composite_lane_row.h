// The row walk the 16-bit and float composite lanes share, over a lane layout L: L::kPixels pixels a group and static
// Load, Broadcast, Store, Blend, Pick (a where the mask is clear, b where it is set), Bare (the lanes whose alpha is
// 0), All (every lane of a mask set) and UnderBareTop (what a group whose top alphas are all 0 gives, done on the
// pixels as they lie in memory; false, and nothing written, for any other group). Internal to the composite lanes.
#pragma once

#include <cstdint>

#include "kernels/composite_lanes.h"
#include "kernels/lanes_avx2.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace lanes {

// One group at `bottom` under the top group Q (loaded, or a fixed top broadcast).
template <typename L, typename Pixel, typename Group, typename Rule>
PW_AVX2 inline void CompositeGroup(Pixel* bottom, const Group& Q, const Rule& rule)
{
    const auto P = L::Load(bottom);
    // Tops with no alpha leave the bottom as loaded, save where that has none either (it then takes the top): what
    // the blend gives there, without its arithmetic. Most of a glow is such groups.
    if (L::All(L::Bare(Q))) L::Store(bottom, L::Pick(P, Q, L::Bare(P)));
    // Bottoms with no alpha (a matte's outside) take the top as Blend picks it, without its arithmetic.
    else if (L::All(L::Bare(P))) L::Store(bottom, Q);
    else L::Store(bottom, L::Blend(P, Q, rule));
}

template <typename Depth, typename L, typename Rule>
PW_AVX2 void CompositeRow(typename Depth::Pixel* bottom, const typename Depth::Pixel* top, bool topFixed, int32_t width,
                          const Rule& rule)
{
    const auto fixed = L::Broadcast(top[0]);
    int32_t x = 0;
    for (; x + L::kPixels <= width; x += L::kPixels) {
        if (!topFixed && L::UnderBareTop(bottom + x, top + x)) continue;
        CompositeGroup<L>(bottom + x, topFixed ? fixed : L::Load(top + x), rule);
    }
    CompositeRowDefinition<Depth>(bottom, top, topFixed, x, width, rule);
}

}  // namespace lanes
}  // namespace pw

#endif
