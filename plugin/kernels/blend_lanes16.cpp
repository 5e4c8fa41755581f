// The Color treatment's 16-bit blend in 512-bit lanes: eight pixels, each channel an 8-lane double vector, the tint's
// channels broadcast. The same operations in the same order as the 4-lane form (composite_lanes16.cpp), whose rules
// it runs on each half; only the weights, the division by the result alpha and the stores are eight wide.
#include "kernels/composite_lanes.h"

#include "kernels/composite.h"
#include "kernels/composite_lane_rules.h"
#include "kernels/lanes_avx512.h"

namespace pw {
namespace {

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

using lanes::Channel16x8;
using lanes::Words16x8;

struct Deep8 {
    __m512d alpha, red, green, blue;
};

PW_AVX512 inline Deep8 Load(const PF_Pixel16* p)
{
    const __m512i v = _mm512_min_epu16(_mm512_loadu_si512(p), _mm512_set1_epi16(static_cast<short>(0x8000)));
    return {Channel16x8<0>(v), Channel16x8<16>(v), Channel16x8<32>(v), Channel16x8<48>(v)};
}

// Every value lies in 0..32768 here.
PW_AVX512 inline void Store(PF_Pixel16* out, const Deep8& v)
{
    _mm512_storeu_si512(out, _mm512_or_si512(_mm512_or_si512(Words16x8<0>(v.alpha), Words16x8<16>(v.red)),
                                             _mm512_or_si512(Words16x8<32>(v.green), Words16x8<48>(v.blue))));
}

// a where `take` is clear, b where it is set.
PW_AVX512 inline Deep8 Pick(const Deep8& a, const Deep8& b, __mmask8 take)
{
    return {_mm512_mask_blend_pd(take, a.alpha, b.alpha), _mm512_mask_blend_pd(take, a.red, b.red),
            _mm512_mask_blend_pd(take, a.green, b.green), _mm512_mask_blend_pd(take, a.blue, b.blue)};
}

template <typename Rule>
PW_AVX512 inline __m512d RuleOf(__m512d p, __m512d q, const Rule& rule)
{
    using R = lanes::LaneRule<Rule>;
    const __m256d low = R::Deep(_mm512_castpd512_pd256(p), _mm512_castpd512_pd256(q), rule);
    const __m256d high = R::Deep(_mm512_extractf64x4_pd(p, 1), _mm512_extractf64x4_pd(q, 1), rule);
    return _mm512_insertf64x4(_mm512_castpd256_pd512(low), high, 1);
}

PW_AVX512 inline __m512d Held(__m512d t)
{
    return _mm512_max_pd(_mm512_min_pd(t, _mm512_set1_pd(32768.0)), _mm512_setzero_pd());
}

PW_AVX512 inline __m512d WhiteChannel(__m512d y)
{
    return Held(_mm512_roundscale_pd(_mm512_mul_pd(y, _mm512_set1_pd(1.0 / 32768.0)),
                                     _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
}

// y / alpha truncated through the reciprocal, the lanes near an integer settled as the 4-lane Channel settles them.
PW_AVX512 inline __m512d Channel(__m512d y, __m512d alpha, __m512d inverse, __mmask8 live)
{
    const __m512d z = _mm512_mul_pd(y, inverse);
    const __m512d n = _mm512_roundscale_pd(z, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m512d distance = _mm512_abs_pd(_mm512_sub_pd(z, n));
    const __mmask8 near = _mm512_cmp_pd_mask(distance, _mm512_set1_pd(1.0 / 1073741824.0), _CMP_LE_OQ);
    const __mmask8 below = _mm512_cmp_pd_mask(y, _mm512_mul_pd(n, alpha), _CMP_LT_OQ);
    __m512d t = _mm512_mask_blend_pd(near, _mm512_roundscale_pd(z, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC), n);
    if ((near & below & live) != 0)
        t = _mm512_roundscale_pd(_mm512_div_pd(y, alpha), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    return Held(t);
}

template <typename Rule>
PW_AVX512 inline Deep8 Blend(const Deep8& P, const Deep8& Q, const Rule& rule)
{
    const __m512d white = _mm512_set1_pd(32768.0), scale = _mm512_set1_pd(1.0 / 32768.0);
    const __mmask8 bareQ = _mm512_cmp_pd_mask(Q.alpha, _mm512_setzero_pd(), _CMP_EQ_OQ);
    const __m512d bottomWeight = _mm512_mul_pd(_mm512_sub_pd(white, Q.alpha), P.alpha);
    const __m512d both = _mm512_mul_pd(P.alpha, Q.alpha);
    if (_mm512_cmp_pd_mask(P.alpha, white, _CMP_NEQ_UQ) == 0) {
        // Over opaque bottoms, as Deep4Lanes::OverOpaque: the top's own weight is 0 and its terms are left out.
        const auto channel = [&](__m512d p, __m512d q) PW_AVX512 {
            const __m512d m = RuleOf(p, q, rule);
            return WhiteChannel(
                _mm512_mul_pd(_mm512_add_pd(_mm512_mul_pd(m, both), _mm512_mul_pd(p, bottomWeight)), scale));
        };
        const Deep8 out{white, channel(P.red, Q.red), channel(P.green, Q.green), channel(P.blue, Q.blue)};
        return Pick(out, P, bareQ);
    }
    const __m512d alpha = _mm512_min_pd(
        _mm512_add_pd(Q.alpha, _mm512_roundscale_pd(_mm512_mul_pd(bottomWeight, scale), _MM_FROUND_TO_NEG_INF)),
        white);
    const __m512d topWeight = _mm512_mul_pd(Q.alpha, _mm512_sub_pd(white, P.alpha));
    const __mmask8 bareP = _mm512_cmp_pd_mask(P.alpha, _mm512_setzero_pd(), _CMP_EQ_OQ);
    const __mmask8 live = static_cast<__mmask8>(~(bareP | bareQ));
    const bool opaque = _mm512_cmp_pd_mask(alpha, white, _CMP_NEQ_UQ) == 0;
    const __m512d inverse = opaque ? white : _mm512_div_pd(_mm512_set1_pd(1.0), alpha);
    const auto channel = [&](__m512d p, __m512d q) PW_AVX512 {
        const __m512d m = RuleOf(p, q, rule);
        const __m512d x =
            _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(m, both), _mm512_mul_pd(q, topWeight)), _mm512_mul_pd(p, bottomWeight));
        const __m512d y = _mm512_mul_pd(x, scale);
        return opaque ? WhiteChannel(y) : Channel(y, alpha, inverse, live);
    };
    const Deep8 out{alpha, channel(P.red, Q.red), channel(P.green, Q.green), channel(P.blue, Q.blue)};
    // A transparent top leaves the bottom; a transparent bottom takes the top (tested first, so it wins).
    return Pick(Pick(out, P, bareQ), Q, bareP);
}

template <typename Rule>
PW_AVX512 void BlendRow(PF_Pixel16* row, int32_t width, const PF_Pixel16& tint, const Rule& rule)
{
    const PF_Pixel16 s = Depth16::Sanitize(tint);
    const Deep8 Q{_mm512_set1_pd(s.alpha), _mm512_set1_pd(s.red), _mm512_set1_pd(s.green), _mm512_set1_pd(s.blue)};
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) Store(row + x, Blend(Load(row + x), Q, rule));
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
