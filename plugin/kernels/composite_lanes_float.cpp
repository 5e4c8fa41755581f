// The float three-weight composite in AVX2 lanes: eight pixels, each channel an 8-lane float vector (lanes in the
// order 0 2 4 6 1 3 5 7).
#include "kernels/composite_lanes.h"

#include "kernels/composite.h"
#include "kernels/composite_lane_row.h"
#include "kernels/composite_lane_rules.h"

namespace pw {
namespace {

#ifdef PW_HAVE_LANES_AVX2

using lanes::LaneRule;

struct Float8 {
    __m256 alpha, red, green, blue;
};

// Pairs of floats interleaved, per 128-bit half: the second step of the 4 x 4 transposes.
PW_AVX2 inline __m256 PairsLow(__m256 a, __m256 b)
{
    return _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(a), _mm256_castps_pd(b)));
}

PW_AVX2 inline __m256 PairsHigh(__m256 a, __m256 b)
{
    return _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(a), _mm256_castps_pd(b)));
}

struct Weights8 {
    __m256 both, top, bottom, alpha, dead;
};

// (m x both + q x top + p x bottom) / alpha; 0 where the result alpha is not positive.
template <typename Rule>
PW_AVX2 inline __m256 FloatChannel(__m256 p, __m256 q, const Weights8& w, const Rule& rule)
{
    const __m256 m = LaneRule<Rule>::Float(p, q, rule);
    const __m256 x = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(m, w.both), _mm256_mul_ps(q, w.top)),
                                   _mm256_mul_ps(p, w.bottom));
    return _mm256_andnot_ps(w.dead, _mm256_div_ps(x, w.alpha));
}

// A group of 8 pixels and its steps, as the shared row walk takes them.
struct Float8Lanes {
    static constexpr int32_t kPixels = 8;

    PW_AVX2 static Float8 Load(const PF_PixelFloat* p)
    {
        const float* f = &p->alpha;
        const __m256 p01 = _mm256_loadu_ps(f), p23 = _mm256_loadu_ps(f + 8), p45 = _mm256_loadu_ps(f + 16),
                     p67 = _mm256_loadu_ps(f + 24);
        const __m256 t0 = _mm256_unpacklo_ps(p01, p23), t1 = _mm256_unpackhi_ps(p01, p23);
        const __m256 t2 = _mm256_unpacklo_ps(p45, p67), t3 = _mm256_unpackhi_ps(p45, p67);
        return {PairsLow(t0, t2), PairsHigh(t0, t2), PairsLow(t1, t3), PairsHigh(t1, t3)};
    }

    PW_AVX2 static Float8 Broadcast(const PF_PixelFloat& p)
    {
        return {_mm256_set1_ps(p.alpha), _mm256_set1_ps(p.red), _mm256_set1_ps(p.green), _mm256_set1_ps(p.blue)};
    }

    PW_AVX2 static void Store(PF_PixelFloat* p, const Float8& v)
    {
        float* f = &p->alpha;
        const __m256 t0 = _mm256_unpacklo_ps(v.alpha, v.red), t1 = _mm256_unpackhi_ps(v.alpha, v.red);
        const __m256 t2 = _mm256_unpacklo_ps(v.green, v.blue), t3 = _mm256_unpackhi_ps(v.green, v.blue);
        _mm256_storeu_ps(f, PairsLow(t0, t2));
        _mm256_storeu_ps(f + 8, PairsHigh(t0, t2));
        _mm256_storeu_ps(f + 16, PairsLow(t1, t3));
        _mm256_storeu_ps(f + 24, PairsHigh(t1, t3));
    }

    // a where `take` is clear, b where it is set.
    PW_AVX2 static Float8 Pick(const Float8& a, const Float8& b, __m256 take)
    {
        return {_mm256_blendv_ps(a.alpha, b.alpha, take), _mm256_blendv_ps(a.red, b.red, take),
                _mm256_blendv_ps(a.green, b.green, take), _mm256_blendv_ps(a.blue, b.blue, take)};
    }

    template <typename Rule>
    PW_AVX2 static Float8 Blend(const Float8& P, const Float8& Q, const Rule& rule)
    {
        const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps();
        const __m256 bottomWeight = _mm256_mul_ps(_mm256_sub_ps(one, Q.alpha), P.alpha);
        __m256 alpha = _mm256_add_ps(Q.alpha, bottomWeight);
        alpha = _mm256_blendv_ps(alpha, one, _mm256_cmp_ps(alpha, one, _CMP_GT_OQ));
        const __m256 dead = _mm256_cmp_ps(alpha, zero, _CMP_LE_OQ);  // the all-zero pixel
        const __m256 both = _mm256_mul_ps(P.alpha, Q.alpha);
        const __m256 topWeight = _mm256_mul_ps(Q.alpha, _mm256_sub_ps(one, P.alpha));
        const Weights8 w{both, topWeight, bottomWeight, alpha, dead};
        Float8 out{_mm256_andnot_ps(dead, alpha), FloatChannel(P.red, Q.red, w, rule),
                   FloatChannel(P.green, Q.green, w, rule), FloatChannel(P.blue, Q.blue, w, rule)};
        const __m256 bareP = Bare(P), bareQ = Bare(Q);
        return Pick(Pick(out, P, bareQ), Q, bareP);
    }

    // Pick(P, Q, Bare(P)) on the pixels as they lie, two to a vector (an alpha of +0 or -0 is bare, as Bare finds):
    // a group none of whose bottoms is bare is left unwritten.
    PW_AVX2 static bool UnderBareTop(PF_PixelFloat* bottom, const PF_PixelFloat* top)
    {
        const __m256i alphas = _mm256_setr_epi32(0x7FFFFFFF, 0, 0, 0, 0x7FFFFFFF, 0, 0, 0), zero = _mm256_setzero_si256();
        const auto* q = reinterpret_cast<const __m256i*>(top);
        const __m256i Q0 = _mm256_loadu_si256(q), Q1 = _mm256_loadu_si256(q + 1), Q2 = _mm256_loadu_si256(q + 2),
                      Q3 = _mm256_loadu_si256(q + 3);
        if (!_mm256_testz_si256(_mm256_or_si256(_mm256_or_si256(Q0, Q1), _mm256_or_si256(Q2, Q3)), alphas)) return false;
        auto* p = reinterpret_cast<__m256i*>(bottom);
        const __m256i Qs[4] = {Q0, Q1, Q2, Q3};
        for (int k = 0; k < 4; ++k) {
            const __m256i P = _mm256_loadu_si256(p + k);
            // Each pixel's alpha test spread over its four floats (the colour lanes test true by the mask).
            const __m256i bareP = _mm256_shuffle_epi32(_mm256_cmpeq_epi32(_mm256_and_si256(P, alphas), zero), 0);
            if (!_mm256_testz_si256(bareP, bareP)) _mm256_storeu_si256(p + k, _mm256_blendv_epi8(P, Qs[k], bareP));
        }
        return true;
    }

    PW_AVX2 static __m256 Bare(const Float8& v) { return _mm256_cmp_ps(v.alpha, _mm256_setzero_ps(), _CMP_EQ_OQ); }
    PW_AVX2 static bool All(__m256 mask) { return _mm256_movemask_ps(mask) == 0xFF; }
};

#endif

}  // namespace

template <typename Depth, typename Rule>
void CompositeRowAvx2(typename Depth::Pixel* bottom, const typename Depth::Pixel* top, bool topFixed, int32_t width,
                      const Rule& rule)
{
    if (width <= 0) return;
#ifdef PW_HAVE_LANES_AVX2
    lanes::CompositeRow<Depth, Float8Lanes>(bottom, top, topFixed, width, rule);
#else
    CompositeRowDefinition<Depth>(bottom, top, topFixed, 0, width, rule);
#endif
}

#define PW_COMPOSITE_ROWS(Rule) \
    template void CompositeRowAvx2<DepthFloat, Rule>(PF_PixelFloat*, const PF_PixelFloat*, bool, int32_t, const Rule&);
PW_COMPOSITE_ROWS(AddRule)
PW_COMPOSITE_ROWS(MultiplyRule)
PW_COMPOSITE_ROWS(ScreenRule)
PW_COMPOSITE_ROWS(OverlayRule)
PW_COMPOSITE_ROWS(DodgeRule)
PW_COMPOSITE_ROWS(BurnRule)
PW_COMPOSITE_ROWS(AddScaledRule)
#undef PW_COMPOSITE_ROWS

}  // namespace pw
