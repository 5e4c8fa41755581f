// Glow's bright pass: the luma of each output pixel against the threshold, in the three depths, and the same in
// AVX2 lanes: 8-bit and 16-bit in integers (the double luma's test decided exactly from its integer numerator),
// float four pixels' luma at a time in 4-lane doubles, the same products added in the same order; the test as a mask
// on the glow pixels' alpha.
#include "kernels/glow.h"

#include "kernels/real_to_int.h"

#include "kernels/lanes_avx2.h"

namespace pw {
namespace {

// The luma weights; they add up to 1.000001, so white reads 255.000255 before truncation.
constexpr double kRed = 0.298912, kGreen = 0.586611, kBlue = 0.114478;

double Luma(double r, double g, double b) { return kRed * r + kGreen * g + kBlue * b; }

template <typename Pixel>
void BrightRow(const Pixel* out, Pixel* glow, int32_t from, int32_t width, int32_t q)
{
    for (int32_t x = from; x < width; ++x) {
        if (GlowLuma(out[x]) < q) glow[x].alpha = 0;
    }
}

#ifdef PW_HAVE_LANES_AVX2

PW_AVX2 inline __m256d LumaLanes(__m256d r, __m256d g, __m256d b)
{
    const __m256d red = _mm256_mul_pd(_mm256_set1_pd(kRed), r), green = _mm256_mul_pd(_mm256_set1_pd(kGreen), g);
    return _mm256_add_pd(_mm256_add_pd(red, green), _mm256_mul_pd(_mm256_set1_pd(kBlue), b));
}

// An 8-bit channel (at `Shift` in the 32-bit lanes of `v`) as an exact double.
template <int Shift>
PW_AVX2 inline __m256d Channel8(__m128i v)
{
    return _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(v, Shift), _mm_set1_epi32(0xFF)));
}

// TruncToInt32 in lanes: the conversion's out-of-range answer is INT32_MIN, right below the range; above it
// saturates to INT32_MAX and NaN gives 0.
PW_AVX2 inline __m128i TruncLanes(__m256d x)
{
    const __m256d above = _mm256_cmp_pd(x, _mm256_set1_pd(2147483648.0), _CMP_GE_OQ);
    const __m256d number = _mm256_cmp_pd(x, x, _CMP_ORD_Q);
    const __m256i pick = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    const __m128i aboveMask = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(above), pick));
    const __m128i numberMask = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(number), pick));
    __m128i t = _mm256_cvttpd_epi32(x);
    t = _mm_blendv_epi8(t, _mm_set1_epi32(INT32_MAX), aboveMask);
    return _mm_and_si128(t, numberMask);
}

// The luma test in integers: with N = 298912 R + 586611 G + 114478 B, the double luma lies within 1e-10 of N / 10^6,
// which is an integer or at least 10^-6 from every integer; so against an integer limit L the luma is below L exactly
// when N < L 10^6, save where N = L 10^6 (the double may fall a hair below L there): those pixels take the
// definition. L holds the lanes' layout: kPixels a vector, Numerator(v), the lanes equal to and below a limit, and
// kAlpha, the alpha's bits of a lane. Returns the pixels done.
template <typename L, typename Pixel>
PW_AVX2 int32_t BrightRunInIntegers(const Pixel* out, Pixel* glow, int32_t width, int32_t q, __m256i limit)
{
    int32_t x = 0;
    for (; x + L::kPixels <= width; x += L::kPixels) {
        const __m256i n = L::Numerator(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + x)));
        const __m256i onLimit = L::Equal(n, limit);
        if (!_mm256_testz_si256(onLimit, onLimit)) {
            BrightRow(out, glow, x, x + L::kPixels, q);
            continue;
        }
        const __m256i dim = _mm256_and_si256(L::Below(n, limit), L::Alpha());
        __m256i* gp = reinterpret_cast<__m256i*>(glow + x);
        _mm256_storeu_si256(gp, _mm256_andnot_si256(dim, _mm256_loadu_si256(gp)));
    }
    return x;
}

// 8-bit: eight pixels in 32-bit lanes (N below 2^28); the limit is q itself.
struct Luma8Lanes {
    static constexpr int32_t kPixels = 8;
    PW_AVX2 static __m256i Alpha() { return _mm256_set1_epi32(0xFF); }
    PW_AVX2 static __m256i Numerator(__m256i v)
    {
        const __m256i r = _mm256_and_si256(_mm256_srli_epi32(v, 8), Alpha());
        const __m256i g = _mm256_and_si256(_mm256_srli_epi32(v, 16), Alpha());
        const __m256i b = _mm256_srli_epi32(v, 24);
        return _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(r, _mm256_set1_epi32(298912)),
                                                 _mm256_mullo_epi32(g, _mm256_set1_epi32(586611))),
                                _mm256_mullo_epi32(b, _mm256_set1_epi32(114478)));
    }
    PW_AVX2 static __m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi32(a, b); }
    PW_AVX2 static __m256i Below(__m256i n, __m256i limit) { return _mm256_cmpgt_epi32(limit, n); }
};

// 16-bit: four pixels in 64-bit lanes (N below 2^36). (l x 255 + 16384) / 32768 < q for the truncated luma l exactly
// when l is below the least l that rescales to q or more, and so when the luma is: that l is the limit.
struct Luma16Lanes {
    static constexpr int32_t kPixels = 4;
    PW_AVX2 static __m256i Alpha() { return _mm256_set1_epi64x(0xFFFF); }
    PW_AVX2 static __m256i Numerator(__m256i v)
    {
        const __m256i r = _mm256_and_si256(_mm256_srli_epi64(v, 16), Alpha());
        const __m256i g = _mm256_and_si256(_mm256_srli_epi64(v, 32), Alpha());
        const __m256i b = _mm256_srli_epi64(v, 48);
        return _mm256_add_epi64(_mm256_add_epi64(_mm256_mul_epu32(r, _mm256_set1_epi64x(298912)),
                                                 _mm256_mul_epu32(g, _mm256_set1_epi64x(586611))),
                                _mm256_mul_epu32(b, _mm256_set1_epi64x(114478)));
    }
    PW_AVX2 static __m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi64(a, b); }
    PW_AVX2 static __m256i Below(__m256i n, __m256i limit) { return _mm256_cmpgt_epi64(limit, n); }
};

PW_AVX2 void BrightRowLanes(const PF_Pixel8* out, PF_Pixel8* glow, int32_t width, int32_t q)
{
    int32_t x = 0;
    if (q >= 0 && q <= 256) x = BrightRunInIntegers<Luma8Lanes>(out, glow, width, q, _mm256_set1_epi32(q * 1000000));
    const __m128i threshold = _mm_set1_epi32(q);
    for (; x + 4 <= width; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + x));
        const __m128i luma = _mm256_cvttpd_epi32(LumaLanes(Channel8<8>(v), Channel8<16>(v), Channel8<24>(v)));
        const __m128i dim = _mm_and_si128(_mm_cmplt_epi32(luma, threshold), _mm_set1_epi32(0xFF));
        __m128i* g = reinterpret_cast<__m128i*>(glow + x);
        _mm_storeu_si128(g, _mm_andnot_si128(dim, _mm_loadu_si128(g)));
    }
    BrightRow(out, glow, x, width, q);
}

PW_AVX2 void BrightRowLanes(const PF_Pixel16* out, PF_Pixel16* glow, int32_t width, int32_t q)
{
    // No luma is below 0: a limit of -1 is never met nor passed.
    const int64_t least = q <= 0 ? -1 : (static_cast<int64_t>(q) * 32768 - 16384 + 254) / 255;
    const int32_t x =
        BrightRunInIntegers<Luma16Lanes>(out, glow, width, q, _mm256_set1_epi64x(least < 0 ? -1 : least * 1000000));
    BrightRow(out, glow, x, width, q);
}

PW_AVX2 void BrightRowLanes(const PF_PixelFloat* out, PF_PixelFloat* glow, int32_t width, int32_t q)
{
    const __m128i threshold = _mm_set1_epi32(q);
    const __m256i first = _mm256_setr_epi32(0, 4, 4, 4, 1, 4, 4, 4), second = _mm256_setr_epi32(2, 4, 4, 4, 3, 4, 4, 4);
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        __m128 a = _mm_loadu_ps(&out[x].alpha), r = _mm_loadu_ps(&out[x + 1].alpha), g = _mm_loadu_ps(&out[x + 2].alpha),
               b = _mm_loadu_ps(&out[x + 3].alpha);
        _MM_TRANSPOSE4_PS(a, r, g, b);
        const __m256d luma = LumaLanes(_mm256_cvtps_pd(r), _mm256_cvtps_pd(g), _mm256_cvtps_pd(b));
        const __m128i dim = _mm_cmplt_epi32(TruncLanes(_mm256_mul_pd(luma, _mm256_set1_pd(255.0))), threshold);
        // Each pair of pixels is one vector; its alphas are lanes 0 and 4.
        const __m256i wide = _mm256_zextsi128_si256(dim);
        float* pair = &glow[x].alpha;
        _mm256_storeu_ps(pair, _mm256_andnot_ps(_mm256_castsi256_ps(_mm256_permutevar8x32_epi32(wide, first)),
                                                 _mm256_loadu_ps(pair)));
        _mm256_storeu_ps(pair + 8, _mm256_andnot_ps(_mm256_castsi256_ps(_mm256_permutevar8x32_epi32(wide, second)),
                                                     _mm256_loadu_ps(pair + 8)));
    }
    BrightRow(out, glow, x, width, q);
}

#endif

}  // namespace

int32_t GlowLuma(const PF_Pixel8& p) { return static_cast<int32_t>(Luma(p.red, p.green, p.blue)); }

int32_t GlowLuma(const PF_Pixel16& p)
{
    return (static_cast<int32_t>(Luma(p.red, p.green, p.blue)) * 255 + 16384) / 32768;
}

int32_t GlowLuma(const PF_PixelFloat& p) { return TruncToInt32(Luma(p.red, p.green, p.blue) * 255); }

template <typename Pixel>
void GlowBrightPass(const ImageView<Pixel>& output, const ImageView<Pixel>& glow, int32_t q, Isa isa)
{
    const int32_t width = output.width < glow.width ? output.width : glow.width;
    const int32_t height = output.height < glow.height ? output.height : glow.height;
    for (int32_t y = 0; y < height; ++y) {
#ifdef PW_HAVE_LANES_AVX2
        if (isa >= Isa::Avx2) {
            BrightRowLanes(output.Row(y), glow.Row(y), width, q);
            continue;
        }
#endif
        BrightRow(output.Row(y), glow.Row(y), 0, width, q);
    }
    (void)isa;
}

template <typename Pixel>
void GlowBrightRows(const ImageView<Pixel>& output, const ImageView<Pixel>& glow, int32_t q, const BoxBlurSums& sums,
                    int32_t r, Isa isa)
{
    // About 128 KB of glow rows a band: well inside the second-level cache with the output's rows beside them.
    const int64_t rowBytes = static_cast<int64_t>(glow.width > 0 ? glow.width : 1) * static_cast<int64_t>(sizeof(Pixel));
    const int32_t band = static_cast<int32_t>(rowBytes >= (1 << 17) ? 1 : (1 << 17) / rowBytes);
    for (int32_t top = 0; top < glow.height; top += band) {
        const int32_t rows = glow.height - top < band ? glow.height - top : band;
        const int32_t outputRows = output.height - top < rows ? (output.height > top ? output.height - top : 0) : rows;
        const ImageView<Pixel> out{outputRows > 0 ? output.Row(top) : output.base, output.width, outputRows,
                                   output.stride};
        const ImageView<Pixel> g{glow.Row(top), glow.width, rows, glow.stride};
        GlowBrightPass(out, g, q, isa);
        BoxBlurRows(sums, r, g, isa);
    }
}

template void GlowBrightRows(const ImageView<PF_Pixel8>&, const ImageView<PF_Pixel8>&, int32_t, const BoxBlurSums&,
                             int32_t, Isa);
template void GlowBrightRows(const ImageView<PF_Pixel16>&, const ImageView<PF_Pixel16>&, int32_t, const BoxBlurSums&,
                             int32_t, Isa);
template void GlowBrightRows(const ImageView<PF_PixelFloat>&, const ImageView<PF_PixelFloat>&, int32_t,
                             const BoxBlurSums&, int32_t, Isa);
template void GlowBrightPass(const ImageView<PF_Pixel8>&, const ImageView<PF_Pixel8>&, int32_t, Isa);
template void GlowBrightPass(const ImageView<PF_Pixel16>&, const ImageView<PF_Pixel16>&, int32_t, Isa);
template void GlowBrightPass(const ImageView<PF_PixelFloat>&, const ImageView<PF_PixelFloat>&, int32_t, Isa);

}  // namespace pw
