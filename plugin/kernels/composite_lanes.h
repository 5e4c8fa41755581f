// The composites in AVX2 lanes, row by row: four 16-bit pixels in 4-lane doubles, eight float pixels in 8-lane
// floats, eight 8-bit pixels in 32-bit integer lanes; the definition's operations in its order, its branches as lane
// selections. The same bytes as Composite<Depth>(bottom, top, rule) (or Normal<Depth>) for every pixel.
#pragma once

#include <cstdint>

#include "kernels/composite.h"
#include "kernels/pixel_depth.h"

namespace pw {

// The definition over [from, width) of a row: what the lanes leave over, and all of it where there are none.
template <typename Depth, typename Rule>
void CompositeRowDefinition(typename Depth::Pixel* bottom, const typename Depth::Pixel* top, bool topFixed,
                            int32_t from, int32_t width, const Rule& rule)
{
    for (int32_t x = from; x < width; ++x) bottom[x] = Composite<Depth>(bottom[x], top[topFixed ? 0 : x], rule);
}

// bottom[x] = Composite<Depth>(bottom[x], top[topFixed ? 0 : x], rule) for x in [0, width). Rules: AddRule,
// MultiplyRule, ScreenRule, OverlayRule, DodgeRule, BurnRule, AddScaledRule. Only where CpuHasAvx2().
template <typename Depth, typename Rule>
void CompositeRowAvx2(typename Depth::Pixel* bottom, const typename Depth::Pixel* top, bool topFixed, int32_t width,
                      const Rule& rule);

// CompositeRowAvx2<Depth16>(bottom, top, false, width, AddScaledRule{k}) eight pixels to a 512-bit vector where k is not
// negative. Only where BestIsa() is Isa::Avx512Vbmi.
void GlowRow16Avx512(PF_Pixel16* bottom, const PF_Pixel16* top, int32_t width, double k);

// row[x] = Composite<Depth16>(row[x], tint, rule) for the rules CompositeRowAvx2 takes but AddScaledRule
// (blend_lanes16.cpp). Only where BestIsa() is Isa::Avx512Vbmi.
template <typename Rule>
void BlendRow16Avx512(PF_Pixel16* row, int32_t width, const PF_Pixel16& tint, const Rule& rule);

// row[x] = Composite<Depth8>(row[x], tint, rule), or Normal<Depth8> for NormalRule (blend_lanes8.cpp). Only where
// CpuHasAvx2().
template <typename Rule>
void BlendRow8Avx2(PF_Pixel8* row, int32_t width, const PF_Pixel8& tint, const Rule& rule);

// BlendRow8Avx2 sixteen pixels a step (blend_lanes8_wide.cpp). Only where BestIsa() is Isa::Avx512Vbmi.
template <typename Rule>
void BlendRow8Avx512(PF_Pixel8* row, int32_t width, const PF_Pixel8& tint, const Rule& rule);

}  // namespace pw
