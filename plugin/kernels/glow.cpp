#include "kernels/glow.h"

#include <type_traits>

#include "kernels/blend_rules.h"
#include "kernels/cpu_features.h"
#include "kernels/composite.h"
#include "kernels/composite_lanes.h"
#include "kernels/pixel_depth.h"
#include "kernels/lanes_avx2.h"
#include "kernels/lanes_avx512.h"
#include "kernels/opaque_lanes8.h"
#include "kernels/real_to_int.h"

namespace pw {
namespace {

// 8-bit with a factor that is not negative: every overlap value lies in 0..255, so the divisions by the
// result alpha go through a table of reciprocals (exact, see ChannelByReciprocal), and trunc(p x k) of
// the overlap rule through a table over p. The steps are those of Composite() with AddScaledRule.
struct AddScaled8 {
    uint32_t reciprocal[256];
    int32_t scaled[256];

    explicit AddScaled8(double k)
    {
        reciprocal[0] = 0;
        for (int32_t a = 1; a < 256; ++a) reciprocal[a] = CompositeMath<Depth8>::Reciprocal(a);
        for (int32_t p = 0; p < 256; ++p) scaled[p] = TruncToInt32(p * k);  // as AddScaledRule forms it; not negative
    }

    PF_Pixel8 operator()(const PF_Pixel8& out, const PF_Pixel8& g) const
    {
        using Math = CompositeMath<Depth8>;
        if (out.alpha == 0) return g;
        if (g.alpha == 0) return out;
        Math::Weights w;
        Math::Form(out.alpha, g.alpha, w);
        const uint32_t r = reciprocal[w.alpha];
        const auto channel = [&](int32_t p, int32_t q) {
            const int32_t m = scaled[p] < 255 - q ? q + scaled[p] : 255;
            return Math::ChannelByReciprocal(m, p, q, w, r);
        };
        return {static_cast<A_u_char>(w.alpha), channel(out.red, g.red), channel(out.green, g.green),
                channel(out.blue, g.blue)};
    }
};

#ifdef PW_HAVE_LANES_AVX2

// The same per pixel in eight lanes, each pixel its 32-bit word (alpha lowest), with no table: trunc(p x k) formed in
// 4-lane doubles as the rule forms it (held at 255 first, where the rule's test gives 255 either way; k is finite
// and not negative here), and floor(x / alpha) of the channel's x <= 65280 through lanes::DivideSmall. Products of
// two 8-bit values and of a value with 256 minus one fit 16 bits; the overlap sum fits 32. The two alpha tests
// become lane selections.
PW_AVX2 inline __m256i ScaledLanes(__m256i p, __m256d k)
{
    const __m256d most = _mm256_set1_pd(255.0);
    const __m128i low = _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(p)), k), most));
    const __m128i high =
        _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(p, 1)), k), most));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// Over an opaque bottom (opaque8): m = min(q + trunc(p x k), 255) from the frame's fixed-point factor.
PW_AVX2 inline __m256i OverOpaque(__m256i P, __m256i Q, __m256i mul, __m128i shift)
{
    const __m256i white = _mm256_set1_epi16(255), full = _mm256_set1_epi16(256);
    return opaque8::Pixels(P, [&](__m256i p, int half) PW_AVX2 {
        const __m256i q = opaque8::Half(Q, half);
        const __m256i aQ = opaque8::SpreadAlpha(q);
        const __m256i scaled = _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(p, 8), mul), shift);
        const __m256i m = _mm256_min_epu16(_mm256_adds_epu16(q, scaled), white);
        const __m256i U = _mm256_add_epi16(_mm256_mullo_epi16(m, aQ), _mm256_mullo_epi16(p, _mm256_sub_epi16(full, aQ)));
        return opaque8::Channel(U, _mm256_mullo_epi16(q, aQ));
    });
}

// Eight pixels of a row.
PW_AVX2 inline void Group8(PF_Pixel8* out, const PF_Pixel8* glow, double k, const opaque8::ScaledFactor& fixed)
{
    const __m256i low = _mm256_set1_epi32(0xFF), full = _mm256_set1_epi32(256), white = _mm256_set1_epi32(255);
    const __m256i zero = _mm256_setzero_si256();
    const __m256d factor = _mm256_set1_pd(k);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256i factorMul = _mm256_set1_epi16(static_cast<short>(fixed.mul));
    const __m128i factorShift = _mm_cvtsi32_si128(fixed.shift);
    const __m256i P = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
    const __m256i Q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(glow));
    // Glow with no alpha leaves the bottom, save where the bottom has none either (it then takes the glow).
    if (_mm256_testz_si256(Q, low)) {
        const __m256i bareP = _mm256_cmpeq_epi32(_mm256_and_si256(P, low), zero);
        if (!_mm256_testz_si256(bareP, bareP))
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_blendv_epi8(P, Q, bareP));
        return;
    }
    // A bottom with no alpha takes the glow as it is.
    if (_mm256_testz_si256(P, low)) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), Q);
        return;
    }
    if (fixed.exact && opaque8::AllOpaque(P)) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), OverOpaque(P, Q, factorMul, factorShift));
        return;
    }
    const __m256i aP = _mm256_and_si256(P, low), aQ = _mm256_and_si256(Q, low);
    const __m256i bottom = _mm256_mullo_epi16(_mm256_sub_epi32(full, aQ), aP);
    const __m256i alpha = _mm256_min_epi32(_mm256_add_epi32(aQ, _mm256_srli_epi32(bottom, 8)), white);
    const __m256i both = _mm256_mullo_epi16(aP, aQ);
    const __m256i top = _mm256_mullo_epi16(aQ, _mm256_sub_epi32(full, aP));
    const __m256 inverse = _mm256_div_ps(one, _mm256_cvtepi32_ps(alpha));  // alpha 0 only where a test wins
    __m256i result = alpha;
    for (int shift = 8; shift <= 24; shift += 8) {
        const __m256i p = _mm256_and_si256(_mm256_srli_epi32(P, shift), low);
        const __m256i q = _mm256_and_si256(_mm256_srli_epi32(Q, shift), low);
        const __m256i sp = ScaledLanes(p, factor);
        const __m256i under = _mm256_cmpgt_epi32(_mm256_sub_epi32(white, q), sp);
        const __m256i m = _mm256_blendv_epi8(white, _mm256_add_epi32(q, sp), under);
        const __m256i sum = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_mullo_epi32(m, both), _mm256_mullo_epi32(q, top)), _mm256_mullo_epi32(p, bottom));
        const __m256i c = lanes::DivideSmall(_mm256_srli_epi32(sum, 8), inverse);
        result = _mm256_or_si256(result, _mm256_slli_epi32(_mm256_min_epi32(c, white), shift));
    }
    result = _mm256_blendv_epi8(result, P, _mm256_cmpeq_epi32(aQ, zero));
    result = _mm256_blendv_epi8(result, Q, _mm256_cmpeq_epi32(aP, zero));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), result);
}

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

PW_AVX512 inline __m512i OverOpaque(__m512i P, __m512i Q, __m512i mul, __m128i shift)
{
    const __m512i white = _mm512_set1_epi16(255), full = _mm512_set1_epi16(256);
    return opaque8::Pixels(P, [&](__m512i p, int half) PW_AVX512 {
        const __m512i q = opaque8::Half(Q, half);
        const __m512i aQ = opaque8::SpreadAlpha(q);
        const __m512i scaled = _mm512_srl_epi16(_mm512_mulhi_epu16(_mm512_slli_epi16(p, 8), mul), shift);
        const __m512i m = _mm512_min_epu16(_mm512_adds_epu16(q, scaled), white);
        const __m512i U =
            _mm512_add_epi16(_mm512_mullo_epi16(m, aQ), _mm512_mullo_epi16(p, _mm512_sub_epi16(full, aQ)));
        return opaque8::Channel(U, _mm512_mullo_epi16(q, aQ));
    });
}

// Sixteen pixels a step where all sixteen take one of Group8's first three ways, the two halves through Group8
// otherwise; returns the first pixel left (fewer than sixteen remain).
PW_AVX512 int32_t Groups16(PF_Pixel8* out, const PF_Pixel8* glow, int32_t width, double k,
                           const opaque8::ScaledFactor& fixed)
{
    const __m512i low = _mm512_set1_epi32(0xFF);
    const __m512i factorMul = _mm512_set1_epi16(static_cast<short>(fixed.mul));
    const __m128i factorShift = _mm_cvtsi32_si128(fixed.shift);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m512i P = _mm512_loadu_si512(out + x);
        const __m512i Q = _mm512_loadu_si512(glow + x);
        if (_mm512_test_epi32_mask(Q, low) == 0) {
            const __mmask16 bareP = _mm512_testn_epi32_mask(P, low);
            if (bareP) _mm512_storeu_si512(out + x, _mm512_mask_blend_epi32(bareP, P, Q));
        } else if (_mm512_test_epi32_mask(P, low) == 0) {
            _mm512_storeu_si512(out + x, Q);
        } else if (fixed.exact && opaque8::AllOpaque(P)) {
            _mm512_storeu_si512(out + x, OverOpaque(P, Q, factorMul, factorShift));
        } else {
            Group8(out + x, glow + x, k, fixed);
            Group8(out + x + 8, glow + x + 8, k, fixed);
        }
    }
    return x;
}

PW_AVX512_END
#endif

PW_AVX2 void CompositeRow8Lanes(PF_Pixel8* out, const PF_Pixel8* glow, int32_t width, const AddScaled8& blend,
                               double k, const opaque8::ScaledFactor& fixed, Isa isa)
{
    int32_t x = 0;
#ifdef PW_HAVE_LANES_AVX512
    if (isa >= Isa::Avx512Vbmi) x = Groups16(out, glow, width, k, fixed);
#else
    (void)isa;
#endif
    for (; x + 8 <= width; x += 8) Group8(out + x, glow + x, k, fixed);
    for (; x < width; ++x) out[x] = blend(out[x], glow[x]);
}

#endif

// One row's composite, with what it needs made once a frame: the depth's lanes where the CPU has them, the definition
// otherwise.
template <typename Pixel>
class GlowRows {
public:
    GlowRows(double k, Isa isa) : k_(k), isa_(isa) {}
    void operator()(Pixel* out, const Pixel* glow, int32_t width) const
    {
        using Depth = DepthOf<Pixel>;
        const AddScaledRule rule{k_};
#ifdef PW_HAVE_LANES_AVX2
        if (isa_ >= Isa::Avx2) {
            if constexpr (std::is_same_v<Pixel, PF_Pixel16>) {
                if (isa_ == Isa::Avx512Vbmi) return GlowRow16Avx512(out, glow, width, k_);
            }
            return CompositeRowAvx2<Depth>(out, glow, false, width, rule);
        }
#endif
        CompositeRowDefinition<Depth>(out, glow, false, 0, width, rule);
    }

private:
    double k_;
    Isa isa_;
};

template <>
class GlowRows<PF_Pixel8> {
public:
    GlowRows(double k, Isa isa) : k_(k), isa_(isa), blend_(k < 0 ? 0 : k), fixed_(opaque8::FindScaledFactor(k)) {}
    void operator()(PF_Pixel8* out, const PF_Pixel8* glow, int32_t width) const
    {
        if (k_ < 0) return CompositeRowDefinition<Depth8>(out, glow, false, 0, width, AddScaledRule{k_});
#ifdef PW_HAVE_LANES_AVX2
        if (isa_ >= Isa::Avx2 && k_ <= 1e300) return CompositeRow8Lanes(out, glow, width, blend_, k_, fixed_, isa_);
#endif
        for (int32_t x = 0; x < width; ++x) out[x] = blend_(out[x], glow[x]);
    }

private:
    double k_;
    Isa isa_;
    AddScaled8 blend_;
    opaque8::ScaledFactor fixed_;
};

}  // namespace

int32_t GlowThreshold(int32_t threshold, double strength)
{
    const int64_t q = 256 - static_cast<int64_t>(TruncToInt32((255 - static_cast<int64_t>(threshold)) * strength));
    return q > INT32_MAX ? INT32_MAX : q < INT32_MIN ? INT32_MIN : static_cast<int32_t>(q);
}

template <typename Pixel>
void GlowBlur(const BoxBlurSums& sums, int32_t r, const ImageView<Pixel>& glow)
{
    BoxBlurRows(sums, r, glow);
    BoxBlurColumns(sums, r, glow);
}

template <typename Pixel>
void GlowComposite(const ImageView<Pixel>& output, const ImageView<Pixel>& glow, double k, Isa isa)
{
    const GlowRows<Pixel> rows(k, isa);
    const int32_t width = output.width < glow.width ? output.width : glow.width;
    const int32_t height = output.height < glow.height ? output.height : glow.height;
    for (int32_t y = 0; y < height; ++y) rows(output.Row(y), glow.Row(y), width);
}

template void GlowBlur(const BoxBlurSums&, int32_t, const ImageView<PF_Pixel8>&);
template void GlowBlur(const BoxBlurSums&, int32_t, const ImageView<PF_Pixel16>&);
template void GlowBlur(const BoxBlurSums&, int32_t, const ImageView<PF_PixelFloat>&);
template void GlowComposite(const ImageView<PF_Pixel8>&, const ImageView<PF_Pixel8>&, double, Isa);
template void GlowComposite(const ImageView<PF_Pixel16>&, const ImageView<PF_Pixel16>&, double, Isa);
template void GlowComposite(const ImageView<PF_PixelFloat>&, const ImageView<PF_PixelFloat>&, double, Isa);

}  // namespace pw
