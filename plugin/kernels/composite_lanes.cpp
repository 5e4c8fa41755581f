#include "kernels/composite_lanes.h"

#include <type_traits>

#include "kernels/blend_rules.h"
#include "kernels/composite.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define PW_HAVE_COMPOSITE_LANES 1
#endif

namespace pw {
namespace {

template <typename Depth, typename Rule>
void CompositeTail(typename Depth::Pixel* bottom, const typename Depth::Pixel* top, bool topFixed, int32_t from,
                   int32_t width, const Rule& rule)
{
    for (int32_t x = from; x < width; ++x) bottom[x] = Composite<Depth>(bottom[x], top[topFixed ? 0 : x], rule);
}

#ifdef PW_HAVE_COMPOSITE_LANES

#define PW_AVX2 __attribute__((target("avx2")))

// ---- The blend rules in lanes: each the operations of its scalar form (blend_rules.h), in its order. A division by
// 32768 is a multiplication by 2^-15 (exact either way: every value here is far from the subnormals). ----

template <typename Rule>
struct LaneRule;

template <>
struct LaneRule<AddRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const AddRule&)
    {
        return _mm256_min_pd(_mm256_add_pd(p, q), _mm256_set1_pd(32768.0));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const AddRule&) { return _mm256_add_ps(p, q); }
};

template <>
struct LaneRule<MultiplyRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const MultiplyRule&)
    {
        return _mm256_mul_pd(_mm256_mul_pd(p, q), _mm256_set1_pd(1.0 / 32768.0));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const MultiplyRule&) { return _mm256_mul_ps(p, q); }
};

template <>
struct LaneRule<ScreenRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const ScreenRule&)
    {
        return _mm256_sub_pd(_mm256_add_pd(p, q), _mm256_mul_pd(_mm256_mul_pd(p, q), _mm256_set1_pd(1.0 / 32768.0)));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const ScreenRule&)
    {
        const __m256 one = _mm256_set1_ps(1.0f);
        return _mm256_sub_ps(one, _mm256_mul_ps(_mm256_sub_ps(one, p), _mm256_sub_ps(one, q)));
    }
};

template <>
struct LaneRule<OverlayRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const OverlayRule&)
    {
        const __m256d white = _mm256_set1_pd(32768.0), scale = _mm256_set1_pd(1.0 / 32768.0), pq = _mm256_mul_pd(p, q);
        const __m256d dark = _mm256_mul_pd(_mm256_mul_pd(pq, _mm256_set1_pd(2.0)), scale);
        // p * q / 32768 here is an integer division: the floor of the exact quotient.
        const __m256d screen = _mm256_sub_pd(_mm256_add_pd(p, q), _mm256_floor_pd(_mm256_mul_pd(pq, scale)));
        const __m256d light = _mm256_sub_pd(_mm256_mul_pd(_mm256_set1_pd(2.0), screen), white);
        return _mm256_blendv_pd(light, dark, _mm256_cmp_pd(p, _mm256_set1_pd(16384.0), _CMP_LT_OQ));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const OverlayRule&)
    {
        const __m256 one = _mm256_set1_ps(1.0f), two = _mm256_set1_ps(2.0f);
        const __m256 dark = _mm256_mul_ps(_mm256_mul_ps(p, q), two);
        const __m256 light =
            _mm256_sub_ps(one, _mm256_mul_ps(_mm256_mul_ps(two, _mm256_sub_ps(one, p)), _mm256_sub_ps(one, q)));
        return _mm256_blendv_ps(light, dark, _mm256_cmp_ps(p, _mm256_set1_ps(0.5f), _CMP_LT_OQ));
    }
};

template <>
struct LaneRule<DodgeRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const DodgeRule&)
    {
        const __m256d white = _mm256_set1_pd(32768.0);
        const __m256d v = _mm256_div_pd(_mm256_mul_pd(p, white), _mm256_sub_pd(white, q));
        return _mm256_blendv_pd(_mm256_min_pd(v, white), white, _mm256_cmp_pd(q, white, _CMP_EQ_OQ));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const DodgeRule&)
    {
        const __m256 one = _mm256_set1_ps(1.0f);
        return _mm256_blendv_ps(_mm256_div_ps(p, _mm256_sub_ps(one, q)), one, _mm256_cmp_ps(q, one, _CMP_GE_OQ));
    }
};

template <>
struct LaneRule<BurnRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const BurnRule&)
    {
        const __m256d white = _mm256_set1_pd(32768.0);
        const __m256d v = _mm256_sub_pd(white, _mm256_div_pd(_mm256_mul_pd(_mm256_sub_pd(white, p), white), q));
        return _mm256_blendv_pd(_mm256_max_pd(v, _mm256_setzero_pd()), white,
                                _mm256_cmp_pd(q, _mm256_setzero_pd(), _CMP_EQ_OQ));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const BurnRule&)
    {
        const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps();
        const __m256 v = _mm256_sub_ps(one, _mm256_div_ps(_mm256_sub_ps(one, p), q));
        return _mm256_blendv_ps(v, zero, _mm256_cmp_ps(q, zero, _CMP_LE_OQ));
    }
};

template <>
struct LaneRule<AddScaledRule> {
    PW_AVX2 static __m256d Deep(__m256d p, __m256d q, const AddScaledRule& r)
    {
        // v < 32768 ? v : 32768, a NaN sum included.
        return _mm256_min_pd(_mm256_add_pd(p, _mm256_mul_pd(q, _mm256_set1_pd(r.k))), _mm256_set1_pd(32768.0));
    }
    PW_AVX2 static __m256 Float(__m256 p, __m256 q, const AddScaledRule& r)
    {
        return _mm256_add_ps(p, _mm256_mul_ps(q, _mm256_set1_ps(static_cast<float>(r.k))));
    }
};

// ---- 16-bit: four pixels, each channel a 4-lane double vector. ----

struct Deep4 {
    __m256d alpha, red, green, blue;
};

// A 16-bit channel capped at white (Sanitize), as an exact double.
template <int Shift>
PW_AVX2 inline __m256d Channel16(__m256i pixels)
{
    const __m256i value = _mm256_and_si256(_mm256_srli_epi64(pixels, Shift), _mm256_set1_epi64x(0xFFFF));
    const __m256i biased = _mm256_or_si256(value, _mm256_set1_epi64x(0x4330000000000000ll));
    const __m256d exact = _mm256_sub_pd(_mm256_castsi256_pd(biased), _mm256_set1_pd(4503599627370496.0));
    return _mm256_min_pd(exact, _mm256_set1_pd(32768.0));
}

PW_AVX2 inline Deep4 Load(const PF_Pixel16* p)
{
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return {Channel16<0>(v), Channel16<16>(v), Channel16<32>(v), Channel16<48>(v)};
}

PW_AVX2 inline Deep4 Broadcast(const PF_Pixel16& p)
{
    const PF_Pixel16 s = Depth16::Sanitize(p);
    return {_mm256_set1_pd(s.alpha), _mm256_set1_pd(s.red), _mm256_set1_pd(s.green), _mm256_set1_pd(s.blue)};
}

PW_AVX2 inline void Store(PF_Pixel16* out, const Deep4& v)
{
    const __m128i a = _mm256_cvttpd_epi32(v.alpha), r = _mm256_cvttpd_epi32(v.red), g = _mm256_cvttpd_epi32(v.green),
                  b = _mm256_cvttpd_epi32(v.blue);
    const __m128i ag = _mm_packus_epi32(a, g), rb = _mm_packus_epi32(r, b);
    const __m128i ar = _mm_unpacklo_epi16(ag, rb), gb = _mm_unpackhi_epi16(ag, rb);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(ar, gb));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2), _mm_unpackhi_epi32(ar, gb));
}

// The channel c = X / 32768 / alpha, capped at 32768 and truncated (no lower clamp but 0). y = X / 32768 exactly (a
// power of two); the definition then rounds y / alpha once. y x (1 / alpha) lies within 2^-34 of the true quotient
// (below 2^17): away from an integer its truncation is the definition's; within 2^-30 of an integer n the exact
// comparison y >= n alpha (both sides exact doubles) says the quotient, and so its rounding, is at least n; the lanes
// where it is below n by so little (the rounding may or may not reach n) take the division itself.
PW_AVX2 inline __m256d Channel(__m256d y, __m256d alpha, __m256d inverse, __m256d live)
{
    const __m256d z = _mm256_mul_pd(y, inverse);
    const __m256d n = _mm256_round_pd(z, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256d distance = _mm256_andnot_pd(_mm256_set1_pd(-0.0), _mm256_sub_pd(z, n));
    const __m256d near = _mm256_cmp_pd(distance, _mm256_set1_pd(1.0 / 1073741824.0), _CMP_LE_OQ);
    const __m256d below = _mm256_cmp_pd(y, _mm256_mul_pd(n, alpha), _CMP_LT_OQ);
    __m256d t = _mm256_blendv_pd(_mm256_round_pd(z, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC), n, near);
    if (_mm256_movemask_pd(_mm256_and_pd(_mm256_and_pd(near, below), live)) != 0) {
        t = _mm256_round_pd(_mm256_div_pd(y, alpha), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    }
    return _mm256_max_pd(_mm256_min_pd(t, _mm256_set1_pd(32768.0)), _mm256_setzero_pd());
}

struct Weights4 {
    __m256d both, top, bottom, alpha, inverse, live;
    bool white;  // every result alpha 32768 (an opaque bottom makes it so): the division is by a power of two
};

// (m x both + q x top + p x bottom) / 32768 / alpha, m the rule's overlap value.
template <typename Rule>
PW_AVX2 inline __m256d DeepChannel(__m256d p, __m256d q, const Weights4& w, const Rule& rule)
{
    const __m256d scale = _mm256_set1_pd(1.0 / 32768.0);
    const __m256d m = LaneRule<Rule>::Deep(p, q, rule);
    const __m256d x = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(m, w.both), _mm256_mul_pd(q, w.top)),
                                    _mm256_mul_pd(p, w.bottom));
    const __m256d y = _mm256_mul_pd(x, scale);
    if (w.white) {
        const __m256d t = _mm256_round_pd(_mm256_mul_pd(y, scale), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        return _mm256_max_pd(_mm256_min_pd(t, _mm256_set1_pd(32768.0)), _mm256_setzero_pd());
    }
    return Channel(y, w.alpha, w.inverse, w.live);
}

template <typename Rule>
PW_AVX2 inline Deep4 Blend(const Deep4& P, const Deep4& Q, const Rule& rule)
{
    const __m256d white = _mm256_set1_pd(32768.0), zero = _mm256_setzero_pd(), scale = _mm256_set1_pd(1.0 / 32768.0);
    const __m256d bottomWeight = _mm256_mul_pd(_mm256_sub_pd(white, Q.alpha), P.alpha);
    const __m256d alpha = _mm256_min_pd(_mm256_add_pd(Q.alpha, _mm256_floor_pd(_mm256_mul_pd(bottomWeight, scale))), white);
    const __m256d both = _mm256_mul_pd(P.alpha, Q.alpha), topWeight = _mm256_mul_pd(Q.alpha, _mm256_sub_pd(white, P.alpha));
    const __m256d bareP = _mm256_cmp_pd(P.alpha, zero, _CMP_EQ_OQ), bareQ = _mm256_cmp_pd(Q.alpha, zero, _CMP_EQ_OQ);
    const __m256d live = _mm256_andnot_pd(_mm256_or_pd(bareP, bareQ), _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
    const bool opaque = _mm256_movemask_pd(_mm256_cmp_pd(alpha, white, _CMP_NEQ_UQ)) == 0;
    const Weights4 w{both, topWeight, bottomWeight, alpha,
                     opaque ? white : _mm256_div_pd(_mm256_set1_pd(1.0), alpha), live, opaque};
    Deep4 out{alpha, DeepChannel(P.red, Q.red, w, rule), DeepChannel(P.green, Q.green, w, rule),
              DeepChannel(P.blue, Q.blue, w, rule)};
    // A transparent top leaves the bottom; a transparent bottom takes the top (tested first, so it wins).
    out.alpha = _mm256_blendv_pd(_mm256_blendv_pd(out.alpha, P.alpha, bareQ), Q.alpha, bareP);
    out.red = _mm256_blendv_pd(_mm256_blendv_pd(out.red, P.red, bareQ), Q.red, bareP);
    out.green = _mm256_blendv_pd(_mm256_blendv_pd(out.green, P.green, bareQ), Q.green, bareP);
    out.blue = _mm256_blendv_pd(_mm256_blendv_pd(out.blue, P.blue, bareQ), Q.blue, bareP);
    return out;
}

template <typename Rule>
PW_AVX2 void Row(PF_Pixel16* bottom, const PF_Pixel16* top, bool topFixed, int32_t width, const Rule& rule)
{
    const Deep4 fixed = Broadcast(top[0]);
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        Store(bottom + x, Blend(Load(bottom + x), topFixed ? fixed : Load(top + x), rule));
    }
    CompositeTail<Depth16>(bottom, top, topFixed, x, width, rule);
}

// ---- Float: eight pixels, each channel an 8-lane float vector (lanes in the order 0 2 4 6 1 3 5 7). ----

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

PW_AVX2 inline Float8 Load(const PF_PixelFloat* p)
{
    const float* f = &p->alpha;
    const __m256 p01 = _mm256_loadu_ps(f), p23 = _mm256_loadu_ps(f + 8), p45 = _mm256_loadu_ps(f + 16),
                 p67 = _mm256_loadu_ps(f + 24);
    const __m256 t0 = _mm256_unpacklo_ps(p01, p23), t1 = _mm256_unpackhi_ps(p01, p23);
    const __m256 t2 = _mm256_unpacklo_ps(p45, p67), t3 = _mm256_unpackhi_ps(p45, p67);
    return {PairsLow(t0, t2), PairsHigh(t0, t2), PairsLow(t1, t3), PairsHigh(t1, t3)};
}

PW_AVX2 inline Float8 Broadcast(const PF_PixelFloat& p)
{
    return {_mm256_set1_ps(p.alpha), _mm256_set1_ps(p.red), _mm256_set1_ps(p.green), _mm256_set1_ps(p.blue)};
}

PW_AVX2 inline void Store(PF_PixelFloat* p, const Float8& v)
{
    float* f = &p->alpha;
    const __m256 t0 = _mm256_unpacklo_ps(v.alpha, v.red), t1 = _mm256_unpackhi_ps(v.alpha, v.red);
    const __m256 t2 = _mm256_unpacklo_ps(v.green, v.blue), t3 = _mm256_unpackhi_ps(v.green, v.blue);
    _mm256_storeu_ps(f, PairsLow(t0, t2));
    _mm256_storeu_ps(f + 8, PairsHigh(t0, t2));
    _mm256_storeu_ps(f + 16, PairsLow(t1, t3));
    _mm256_storeu_ps(f + 24, PairsHigh(t1, t3));
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

template <typename Rule>
PW_AVX2 inline Float8 Blend(const Float8& P, const Float8& Q, const Rule& rule)
{
    const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps();
    const __m256 bottomWeight = _mm256_mul_ps(_mm256_sub_ps(one, Q.alpha), P.alpha);
    __m256 alpha = _mm256_add_ps(Q.alpha, bottomWeight);
    alpha = _mm256_blendv_ps(alpha, one, _mm256_cmp_ps(alpha, one, _CMP_GT_OQ));
    const __m256 dead = _mm256_cmp_ps(alpha, zero, _CMP_LE_OQ);  // the all-zero pixel
    const __m256 both = _mm256_mul_ps(P.alpha, Q.alpha), topWeight = _mm256_mul_ps(Q.alpha, _mm256_sub_ps(one, P.alpha));
    const Weights8 w{both, topWeight, bottomWeight, alpha, dead};
    Float8 out{_mm256_andnot_ps(dead, alpha), FloatChannel(P.red, Q.red, w, rule), FloatChannel(P.green, Q.green, w, rule),
               FloatChannel(P.blue, Q.blue, w, rule)};
    const __m256 bareP = _mm256_cmp_ps(P.alpha, zero, _CMP_EQ_OQ), bareQ = _mm256_cmp_ps(Q.alpha, zero, _CMP_EQ_OQ);
    out.alpha = _mm256_blendv_ps(_mm256_blendv_ps(out.alpha, P.alpha, bareQ), Q.alpha, bareP);
    out.red = _mm256_blendv_ps(_mm256_blendv_ps(out.red, P.red, bareQ), Q.red, bareP);
    out.green = _mm256_blendv_ps(_mm256_blendv_ps(out.green, P.green, bareQ), Q.green, bareP);
    out.blue = _mm256_blendv_ps(_mm256_blendv_ps(out.blue, P.blue, bareQ), Q.blue, bareP);
    return out;
}

template <typename Rule>
PW_AVX2 void Row(PF_PixelFloat* bottom, const PF_PixelFloat* top, bool topFixed, int32_t width, const Rule& rule)
{
    const Float8 fixed = Broadcast(top[0]);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        Store(bottom + x, Blend(Load(bottom + x), topFixed ? fixed : Load(top + x), rule));
    }
    CompositeTail<DepthFloat>(bottom, top, topFixed, x, width, rule);
}

#undef PW_AVX2

#endif

}  // namespace

template <typename Depth, typename Rule>
void CompositeRowAvx2(typename Depth::Pixel* bottom, const typename Depth::Pixel* top, bool topFixed, int32_t width,
                      const Rule& rule)
{
    if (width <= 0) return;
#ifdef PW_HAVE_COMPOSITE_LANES
    Row(bottom, top, topFixed, width, rule);
#else
    CompositeTail<Depth>(bottom, top, topFixed, 0, width, rule);
#endif
}

#define PW_COMPOSITE_ROWS(Rule)                                                                                        \
    template void CompositeRowAvx2<Depth16, Rule>(PF_Pixel16*, const PF_Pixel16*, bool, int32_t, const Rule&);       \
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
