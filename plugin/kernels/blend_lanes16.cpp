// The Color treatment's 16-bit blend in 512-bit lanes (composite_lanes16_wide.h), the tint's channels broadcast.
#include "kernels/composite_lanes.h"

#include "kernels/composite.h"
#include "kernels/composite_lanes16_wide.h"

namespace pw {
namespace {

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

template <typename Rule>
PW_AVX512 void BlendRow(PF_Pixel16* row, int32_t width, const PF_Pixel16& tint, const Rule& rule)
{
    const PF_Pixel16 s = Depth16::Sanitize(tint);
    const deep8::Pixels Q{_mm512_set1_pd(s.alpha), _mm512_set1_pd(s.red), _mm512_set1_pd(s.green),
                          _mm512_set1_pd(s.blue)};
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) deep8::Store(row + x, deep8::Blend(deep8::Load(row + x), Q, rule));
    CompositeRowAvx2<Depth16>(row + x, &tint, true, width - x, rule);
}

PW_AVX512_END
#endif

}  // namespace

template <typename Rule>
void BlendRow16Avx512(PF_Pixel16* row, int32_t width, const PF_Pixel16& tint, const Rule& rule)
{
    if (width <= 0) return;
#ifdef PW_HAVE_LANES_AVX512
    BlendRow(row, width, tint, rule);
#else
    CompositeRowDefinition<Depth16>(row, &tint, true, 0, width, rule);
#endif
}

#define PW_BLEND_ROWS(Rule) template void BlendRow16Avx512<Rule>(PF_Pixel16*, int32_t, const PF_Pixel16&, const Rule&);
PW_BLEND_ROWS(AddRule)
PW_BLEND_ROWS(MultiplyRule)
PW_BLEND_ROWS(ScreenRule)
PW_BLEND_ROWS(OverlayRule)
PW_BLEND_ROWS(DodgeRule)
PW_BLEND_ROWS(BurnRule)
#undef PW_BLEND_ROWS

}  // namespace pw
