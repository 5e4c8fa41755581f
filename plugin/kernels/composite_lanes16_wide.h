// The 16-bit three-weight composite eight pixels to a 512-bit vector, each channel an 8-lane double vector: the same
// operations in the same order as the 4-lane form (composite_lanes16.cpp), whose rules it runs on each half (the glow's
// scaled Add eight wide); the weights, the division by the result alpha and the stores are eight wide. Internal to the
// composite lanes.
#pragma once

#include <type_traits>

#include "kernels/blend_rules.h"
#include "kernels/composite_lane_rules.h"
#include "kernels/lanes_avx512.h"

#ifdef PW_HAVE_LANES_AVX512

namespace pw {
namespace deep8 {
PW_AVX512_BEGIN

using lanes::Channel16x8;
using lanes::Words16x8;

struct Pixels {
    __m512d alpha, red, green, blue;
};

// Eight pixels' words, each already capped at white.
PW_AVX512 inline Pixels Unpack(__m512i v)
{
    return {Channel16x8<0>(v), Channel16x8<16>(v), Channel16x8<32>(v), Channel16x8<48>(v)};
}

PW_AVX512 inline Pixels Load(const PF_Pixel16* p)
{
    return Unpack(_mm512_min_epu16(_mm512_loadu_si512(p), _mm512_set1_epi16(static_cast<short>(0x8000))));
}

// Every value lies in 0..32768 here.
PW_AVX512 inline __m512i Pack(const Pixels& v)
{
    return _mm512_or_si512(_mm512_or_si512(Words16x8<0>(v.alpha), Words16x8<16>(v.red)),
                           _mm512_or_si512(Words16x8<32>(v.green), Words16x8<48>(v.blue)));
}

PW_AVX512 inline void Store(PF_Pixel16* out, const Pixels& v) { _mm512_storeu_si512(out, Pack(v)); }

// a where `take` is clear, b where it is set.
PW_AVX512 inline Pixels Pick(const Pixels& a, const Pixels& b, __mmask8 take)
{
    return {_mm512_mask_blend_pd(take, a.alpha, b.alpha), _mm512_mask_blend_pd(take, a.red, b.red),
            _mm512_mask_blend_pd(take, a.green, b.green), _mm512_mask_blend_pd(take, a.blue, b.blue)};
}

// The rule's overlap value: the glow's scaled Add eight wide (LaneRule's operations), the others on each half.
template <typename Rule>
PW_AVX512 inline __m512d RuleOf(__m512d p, __m512d q, const Rule& rule)
{
    if constexpr (std::is_same_v<Rule, AddScaledRule>) {
        return _mm512_min_pd(_mm512_add_pd(p, _mm512_mul_pd(q, _mm512_set1_pd(rule.k))), _mm512_set1_pd(32768.0));
    } else {
        using R = lanes::LaneRule<Rule>;
        const __m256d low = R::Deep(_mm512_castpd512_pd256(p), _mm512_castpd512_pd256(q), rule);
        const __m256d high = R::Deep(_mm512_extractf64x4_pd(p, 1), _mm512_extractf64x4_pd(q, 1), rule);
        return _mm512_insertf64x4(_mm512_castpd256_pd512(low), high, 1);
    }
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
PW_AVX512 inline Pixels Blend(const Pixels& P, const Pixels& Q, const Rule& rule)
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
        const Pixels out{white, channel(P.red, Q.red), channel(P.green, Q.green), channel(P.blue, Q.blue)};
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
    const Pixels out{alpha, channel(P.red, Q.red), channel(P.green, Q.green), channel(P.blue, Q.blue)};
    // A transparent top leaves the bottom; a transparent bottom takes the top (tested first, so it wins).
    return Pick(Pick(out, P, bareQ), Q, bareP);
}

PW_AVX512_END
}  // namespace deep8
}  // namespace pw

#endif
