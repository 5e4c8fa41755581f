// The 16-bit three-weight composite in AVX2 lanes: four pixels, each channel a 4-lane double vector; and the glow's rows
// eight pixels a step in 512-bit lanes where the CPU has them.
#include "kernels/composite_lanes.h"

#include <type_traits>

#include "kernels/composite.h"
#include "kernels/composite_lane_row.h"
#include "kernels/composite_lane_rules.h"
#include "kernels/composite_lanes16_wide.h"
#include "kernels/lanes_avx512.h"

namespace pw {
namespace {

#ifdef PW_HAVE_LANES_AVX2

using lanes::LaneRule;
using lanes::Channel16x8;
using lanes::Words16x8;

struct Deep4 {
    __m256d alpha, red, green, blue;
};

// Every word of four pixels capped at white, as Sanitize caps each channel.
PW_AVX2 inline __m256i CappedWords(const PF_Pixel16* p)
{
    return _mm256_min_epu16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                            _mm256_set1_epi16(static_cast<short>(0x8000)));
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

// The same where the result alpha is white: y / 32768 is exact, so the channel is its truncation, held in 0..32768.
PW_AVX2 inline __m256d WhiteChannel(__m256d y)
{
    const __m256d t =
        _mm256_round_pd(_mm256_mul_pd(y, _mm256_set1_pd(1.0 / 32768.0)), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
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
    if (w.white) return WhiteChannel(y);
    return Channel(y, w.alpha, w.inverse, w.live);
}

// A group of 4 pixels and its steps, as the shared row walk takes them.
struct Deep4Lanes {
    static constexpr int32_t kPixels = 4;

    PW_AVX2 static Deep4 Load(const PF_Pixel16* p)
    {
        const __m256i v = CappedWords(p);
        return {lanes::Channel16<0>(v), lanes::Channel16<16>(v), lanes::Channel16<32>(v), lanes::Channel16<48>(v)};
    }

    PW_AVX2 static Deep4 Broadcast(const PF_Pixel16& p)
    {
        const PF_Pixel16 s = Depth16::Sanitize(p);
        return {_mm256_set1_pd(s.alpha), _mm256_set1_pd(s.red), _mm256_set1_pd(s.green), _mm256_set1_pd(s.blue)};
    }

    PW_AVX2 static void Store(PF_Pixel16* out, const Deep4& v)
    {
        const __m128i a = _mm256_cvttpd_epi32(v.alpha), r = _mm256_cvttpd_epi32(v.red),
                      g = _mm256_cvttpd_epi32(v.green), b = _mm256_cvttpd_epi32(v.blue);
        const __m128i ag = _mm_packus_epi32(a, g), rb = _mm_packus_epi32(r, b);
        const __m128i ar = _mm_unpacklo_epi16(ag, rb), gb = _mm_unpackhi_epi16(ag, rb);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(ar, gb));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2), _mm_unpackhi_epi32(ar, gb));
    }

    // a where `take` is clear, b where it is set.
    PW_AVX2 static Deep4 Pick(const Deep4& a, const Deep4& b, __m256d take)
    {
        return {_mm256_blendv_pd(a.alpha, b.alpha, take), _mm256_blendv_pd(a.red, b.red, take),
                _mm256_blendv_pd(a.green, b.green, take), _mm256_blendv_pd(a.blue, b.blue, take)};
    }

    // Over an opaque bottom the result alpha is white and the top's own weight aQ (32768 - aP) is 0: Blend with the
    // terms it would add as +0 left out. A sum with +0 is the sum, save that -0 + 0 is +0; such a channel truncates to
    // 0 either way.
    template <typename Rule>
    PW_AVX2 static Deep4 OverOpaque(const Deep4& P, const Deep4& Q, const Rule& rule)
    {
        const __m256d white = _mm256_set1_pd(32768.0), scale = _mm256_set1_pd(1.0 / 32768.0);
        const __m256d both = _mm256_mul_pd(P.alpha, Q.alpha);
        const __m256d bottomWeight = _mm256_mul_pd(_mm256_sub_pd(white, Q.alpha), P.alpha);
        if constexpr (std::is_same_v<Rule, AddScaledRule>) {
            // Glow: with k >= 0 (or +inf) every m lies in 0..32768, so each sum lies in 0..2^30 and its channel in
            // 0..32768 without the clamps; the two scalings by 2^-15 are one by 2^-30 (exact, save below 1, where
            // the truncation is 0 either way), the truncation is Store's; and a bare top (weights 0 and 2^30) gives
            // the bottom as Pick would.
            if (rule.k >= 0) {
                const __m256d fine = _mm256_set1_pd(1.0 / 1073741824.0);
                const auto channel = [&](__m256d p, __m256d q) PW_AVX2 {
                    const __m256d m = LaneRule<Rule>::Deep(p, q, rule);
                    return _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(m, both), _mm256_mul_pd(p, bottomWeight)), fine);
                };
                return {white, channel(P.red, Q.red), channel(P.green, Q.green), channel(P.blue, Q.blue)};
            }
        }
        const auto channel = [&](__m256d p, __m256d q) PW_AVX2 {
            const __m256d m = LaneRule<Rule>::Deep(p, q, rule);
            return WhiteChannel(
                _mm256_mul_pd(_mm256_add_pd(_mm256_mul_pd(m, both), _mm256_mul_pd(p, bottomWeight)), scale));
        };
        const Deep4 out{white, channel(P.red, Q.red), channel(P.green, Q.green), channel(P.blue, Q.blue)};
        return Pick(out, P, Bare(Q));
    }

    template <typename Rule>
    PW_AVX2 static Deep4 Blend(const Deep4& P, const Deep4& Q, const Rule& rule)
    {
        const __m256d white = _mm256_set1_pd(32768.0), scale = _mm256_set1_pd(1.0 / 32768.0);
        if (_mm256_movemask_pd(_mm256_cmp_pd(P.alpha, white, _CMP_NEQ_UQ)) == 0) return OverOpaque(P, Q, rule);
        const __m256d bottomWeight = _mm256_mul_pd(_mm256_sub_pd(white, Q.alpha), P.alpha);
        const __m256d alpha =
            _mm256_min_pd(_mm256_add_pd(Q.alpha, _mm256_floor_pd(_mm256_mul_pd(bottomWeight, scale))), white);
        const __m256d both = _mm256_mul_pd(P.alpha, Q.alpha);
        const __m256d topWeight = _mm256_mul_pd(Q.alpha, _mm256_sub_pd(white, P.alpha));
        const __m256d bareP = Bare(P), bareQ = Bare(Q);
        const __m256d live = _mm256_andnot_pd(_mm256_or_pd(bareP, bareQ), _mm256_castsi256_pd(_mm256_set1_epi64x(-1)));
        const bool opaque = _mm256_movemask_pd(_mm256_cmp_pd(alpha, white, _CMP_NEQ_UQ)) == 0;
        const Weights4 w{both, topWeight, bottomWeight, alpha,
                         opaque ? white : _mm256_div_pd(_mm256_set1_pd(1.0), alpha), live, opaque};
        Deep4 out{alpha, DeepChannel(P.red, Q.red, w, rule), DeepChannel(P.green, Q.green, w, rule),
                  DeepChannel(P.blue, Q.blue, w, rule)};
        // A transparent top leaves the bottom; a transparent bottom takes the top (tested first, so it wins).
        return Pick(Pick(out, P, bareQ), Q, bareP);
    }

    // Pick(P, Q, Bare(P)) on the words: each channel capped at white as Load caps it, a bottom with no alpha taking
    // the top; a group that comes out as it went in is not written.
    PW_AVX2 static bool UnderBareTop(PF_Pixel16* bottom, const PF_Pixel16* top)
    {
        const __m256i alphas = _mm256_set1_epi64x(0xFFFF);
        const __m256i Q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(top));
        if (!_mm256_testz_si256(Q, alphas)) return false;
        const __m256i P = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bottom));
        const __m256i bareP = _mm256_cmpeq_epi64(_mm256_and_si256(P, alphas), _mm256_setzero_si256());
        const __m256i kept =
            _mm256_min_epu16(_mm256_blendv_epi8(P, Q, bareP), _mm256_set1_epi16(static_cast<short>(0x8000)));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(kept, P)) != -1)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(bottom), kept);
        return true;
    }

    PW_AVX2 static __m256d Bare(const Deep4& v) { return _mm256_cmp_pd(v.alpha, _mm256_setzero_pd(), _CMP_EQ_OQ); }
    PW_AVX2 static bool All(__m256d mask) { return _mm256_movemask_pd(mask) == 0xF; }
};

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// Deep4Lanes::OverOpaque's lean glow form (k >= 0) over eight pixels whose bottoms P are all opaque, P and the tops Q
// capped as loaded: the same operations in the same order, eight lanes wide.
PW_AVX512 inline __m512i GlowOverOpaque8(__m512i P, __m512i Q, const AddScaledRule& rule)
{
    const __m512d white = _mm512_set1_pd(32768.0), fine = _mm512_set1_pd(1.0 / 1073741824.0);
    const __m512d qa = Channel16x8<0>(Q);
    const __m512d both = _mm512_mul_pd(white, qa), bottomWeight = _mm512_mul_pd(_mm512_sub_pd(white, qa), white);
    const auto channel = [&](__m512d p, __m512d q) PW_AVX512 {
        const __m512d m = deep8::RuleOf(p, q, rule);
        return _mm512_mul_pd(_mm512_add_pd(_mm512_mul_pd(m, both), _mm512_mul_pd(p, bottomWeight)), fine);
    };
    const __m512d red = channel(Channel16x8<16>(P), Channel16x8<16>(Q));
    const __m512d green = channel(Channel16x8<32>(P), Channel16x8<32>(Q));
    const __m512d blue = channel(Channel16x8<48>(P), Channel16x8<48>(Q));
    return _mm512_or_si512(_mm512_or_si512(_mm512_set1_epi64(0x8000), Words16x8<16>(red)),
                           _mm512_or_si512(Words16x8<32>(green), Words16x8<48>(blue)));
}

PW_AVX512 void GlowRow16(PF_Pixel16* bottom, const PF_Pixel16* top, int32_t width, const AddScaledRule& rule)
{
    // A negative factor (or NaN) leaves the overlap values unbounded: the general groups take it.
    if (!(rule.k >= 0)) return lanes::CompositeRow<Depth16, Deep4Lanes>(bottom, top, false, width, rule);
    const __m512i white16 = _mm512_set1_epi16(static_cast<short>(0x8000)), alphas = _mm512_set1_epi64(0xFFFF);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m512i loaded = _mm512_loadu_si512(bottom + x);
        const __m512i P = _mm512_min_epu16(loaded, white16), Q = _mm512_min_epu16(_mm512_loadu_si512(top + x), white16);
        __m512i out;
        if (_mm512_test_epi64_mask(Q, alphas) == 0) {
            // Most of a glow: the bottom stays as loaded (capped), or takes the top where it is bare too; a group
            // that comes out as it went in is not written.
            out = _mm512_mask_blend_epi64(_mm512_testn_epi64_mask(P, alphas), P, Q);
            if (_mm512_cmpneq_epi64_mask(out, loaded) == 0) continue;
        } else if (_mm512_cmpneq_epi64_mask(_mm512_and_si512(P, alphas), _mm512_set1_epi64(0x8000)) == 0) {
            out = GlowOverOpaque8(P, Q, rule);
        } else {
            out = deep8::Pack(deep8::Blend(deep8::Unpack(P), deep8::Unpack(Q), rule));
        }
        _mm512_storeu_si512(bottom + x, out);
    }
    // The walk reads its top's first pixel whatever the width: only where one is left.
    if (x < width) lanes::CompositeRow<Depth16, Deep4Lanes>(bottom + x, top + x, false, width - x, rule);
}
PW_AVX512_END
#endif

#endif

}  // namespace

void GlowRow16Avx512(PF_Pixel16* bottom, const PF_Pixel16* top, int32_t width, double k)
{
    if (width <= 0) return;
#ifdef PW_HAVE_LANES_AVX512
    GlowRow16(bottom, top, width, AddScaledRule{k});
#else
    CompositeRowDefinition<Depth16>(bottom, top, false, 0, width, AddScaledRule{k});
#endif
}

template <typename Depth, typename Rule>
void CompositeRowAvx2(typename Depth::Pixel* bottom, const typename Depth::Pixel* top, bool topFixed, int32_t width,
                      const Rule& rule)
{
    if (width <= 0) return;
#ifdef PW_HAVE_LANES_AVX2
    lanes::CompositeRow<Depth, Deep4Lanes>(bottom, top, topFixed, width, rule);
#else
    CompositeRowDefinition<Depth>(bottom, top, topFixed, 0, width, rule);
#endif
}

#define PW_COMPOSITE_ROWS(Rule) \
    template void CompositeRowAvx2<Depth16, Rule>(PF_Pixel16*, const PF_Pixel16*, bool, int32_t, const Rule&);
PW_COMPOSITE_ROWS(AddRule)
PW_COMPOSITE_ROWS(MultiplyRule)
PW_COMPOSITE_ROWS(ScreenRule)
PW_COMPOSITE_ROWS(OverlayRule)
PW_COMPOSITE_ROWS(DodgeRule)
PW_COMPOSITE_ROWS(BurnRule)
PW_COMPOSITE_ROWS(AddScaledRule)
#undef PW_COMPOSITE_ROWS

}  // namespace pw
