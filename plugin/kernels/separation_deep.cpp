// RGB Separation's 16-bit and float rows in AVX2 lanes: four columns at a time, each channel of the four in one
// 4-lane double vector, the copies gathered with the definition's operations in its order ((c x a) x k, added to
// 0 then to each other, the alpha kept by the same comparison). Only the resolve differs, and gives the same bits:
//
// 16-bit: the sums are exact integers (below 2^42), so sum / alpha / 255 in double, truncated, is
// floor(sum / (255 alpha)): the true quotient is below 2^18 and at least 1 / (255 alpha) from any integer it is not,
// while the two roundings move it by under 2^-33, and an integer quotient comes out exact. That floor is taken
// from one reciprocal per pixel (Floor16).
//
// float: the definition rounds sum / alpha, then / 255, then to single precision. sum x (1 / (255 alpha)) lies within
// four double units in the last place of that double (each of the four roundings is within 2^-53 relative), so
// when the doubles sixteen steps either side of it round to the same float, that float is the definition's. Where
// they do not (a quotient within a hair of a float's rounding boundary, a NaN or infinite sum) the four columns
// run the definition instead.
//
// Where the processor has AVX-512, float takes eight columns a step, each channel an 8-lane double vector: the same
// operations and the same check.
#include "kernels/separation_row.h"

#include <type_traits>

#include "kernels/lanes_avx2.h"
#include "kernels/lanes_avx512.h"

namespace pw {
namespace separation {

#ifdef PW_HAVE_LANES_AVX2

namespace {

// Four pixels, one channel a vector.
struct Quad {
    __m256d alpha, red, green, blue;
};

PW_AVX2 inline Quad Load(const PF_Pixel16* p)
{
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return {lanes::Channel16<0>(v), lanes::Channel16<16>(v), lanes::Channel16<32>(v), lanes::Channel16<48>(v)};
}

PW_AVX2 inline Quad Load(const PF_PixelFloat* p)
{
    __m128 a = _mm_loadu_ps(&p[0].alpha), r = _mm_loadu_ps(&p[1].alpha), g = _mm_loadu_ps(&p[2].alpha),
           b = _mm_loadu_ps(&p[3].alpha);
    _MM_TRANSPOSE4_PS(a, r, g, b);
    return {_mm256_cvtps_pd(a), _mm256_cvtps_pd(r), _mm256_cvtps_pd(g), _mm256_cvtps_pd(b)};
}

// The three copies landing on four columns: alpha the largest (a NaN never wins), colours (c x a) x k summed from 0.
template <typename Pixel>
PW_AVX2 inline Quad Gather(const Pixel* const (&px)[3], const __m256d (&colour)[3][3])
{
    const __m256d zero = _mm256_setzero_pd();
    Quad sum{zero, zero, zero, zero};
    for (int k = 0; k < 3; ++k) {
        const Quad p = Load(px[k]);
        sum.alpha = _mm256_max_pd(p.alpha, sum.alpha);  // p > sum ? p : sum
        sum.red = _mm256_add_pd(sum.red, _mm256_mul_pd(_mm256_mul_pd(p.red, p.alpha), colour[k][0]));
        sum.green = _mm256_add_pd(sum.green, _mm256_mul_pd(_mm256_mul_pd(p.green, p.alpha), colour[k][1]));
        sum.blue = _mm256_add_pd(sum.blue, _mm256_mul_pd(_mm256_mul_pd(p.blue, p.alpha), colour[k][2]));
    }
    return sum;
}

// min(floor(sum / d), 32768) as int32 lanes, d = 255 alpha and inverse = 1 / d: sum x inverse is within 2^-34 of
// the quotient, below 2^18, and a quotient that is not an integer lies at least 1 / d > 2^-25 below the next one,
// so adding 2^-30 before truncating lands every quotient on its floor.
PW_AVX2 inline __m128i Floor16(__m256d sum, __m256d inverse)
{
    const __m256d q = _mm256_add_pd(_mm256_mul_pd(sum, inverse), _mm256_set1_pd(1.0 / 1073741824.0));
    return _mm_min_epi32(_mm256_cvttpd_epi32(q), _mm_set1_epi32(32768));
}

PW_AVX2 inline bool Resolve(const Quad& s, PF_Pixel16* out)
{
    const __m256d inverse = _mm256_div_pd(_mm256_set1_pd(1.0), _mm256_mul_pd(s.alpha, _mm256_set1_pd(255.0)));
    const __m128i a = _mm256_cvttpd_epi32(s.alpha);
    const __m128i clear = _mm_cmpeq_epi32(a, _mm_setzero_si128());  // no copy covers it: transparent black
    const __m128i r = _mm_andnot_si128(clear, Floor16(s.red, inverse));
    const __m128i g = _mm_andnot_si128(clear, Floor16(s.green, inverse));
    const __m128i b = _mm_andnot_si128(clear, Floor16(s.blue, inverse));
    const __m128i ag = _mm_packus_epi32(a, g), rb = _mm_packus_epi32(r, b);  // a0..a3 g0..g3, r0..r3 b0..b3
    const __m128i ar = _mm_unpacklo_epi16(ag, rb), gb = _mm_unpackhi_epi16(ag, rb);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(ar, gb));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2), _mm_unpackhi_epi32(ar, gb));
    return true;
}

// sum x reciprocal as a float, and in `bad` the lanes where the definition's float might differ.
PW_AVX2 inline __m128 Narrow(__m256d sum, __m256d reciprocal, int& bad)
{
    const __m256d z = _mm256_mul_pd(sum, reciprocal);
    const __m256i bits = _mm256_castpd_si256(z), steps = _mm256_set1_epi64x(16);
    const __m128 below = _mm256_cvtpd_ps(_mm256_castsi256_pd(_mm256_sub_epi64(bits, steps)));
    const __m128 above = _mm256_cvtpd_ps(_mm256_castsi256_pd(_mm256_add_epi64(bits, steps)));
    // A zero quotient (a zero sum, or an infinite alpha) is the definition's zero, sign and all.
    const int sure = _mm_movemask_ps(_mm_cmpeq_ps(below, above)) |
                     _mm256_movemask_pd(_mm256_cmp_pd(z, _mm256_setzero_pd(), _CMP_EQ_OQ));
    bad |= ~sure & 0xF;
    return _mm256_cvtpd_ps(z);
}

PW_AVX2 inline bool Resolve(const Quad& s, PF_PixelFloat* out)
{
    const __m256d reciprocal = _mm256_div_pd(_mm256_set1_pd(1.0), _mm256_mul_pd(s.alpha, _mm256_set1_pd(255.0)));
    int bad = 0;
    __m128 a = _mm256_cvtpd_ps(s.alpha);
    const __m128 clear = _mm_cmpeq_ps(a, _mm_setzero_ps());
    __m128 r = _mm_andnot_ps(clear, Narrow(s.red, reciprocal, bad));
    __m128 g = _mm_andnot_ps(clear, Narrow(s.green, reciprocal, bad));
    __m128 b = _mm_andnot_ps(clear, Narrow(s.blue, reciprocal, bad));
    if (bad & ~_mm_movemask_ps(clear)) return false;
    _MM_TRANSPOSE4_PS(a, r, g, b);
    _mm_storeu_ps(&out[0].alpha, a);
    _mm_storeu_ps(&out[1].alpha, r);
    _mm_storeu_ps(&out[2].alpha, g);
    _mm_storeu_ps(&out[3].alpha, b);
    return true;
}

// 16-bit over opaque sources. With all three alphas 32768 the column's alpha is 32768 and sum / alpha is the exact
// integer x = sum(p k) (below 2^26, careless channels up to 65535 included), whose quotient by 255 in double
// truncates to floor(x / 255): in 32-bit integer lanes, the products and sums exact, the division as the exact
// multiply-high x 0x80808081 >> 39 (floor(x / 255) for every 32-bit x). Four columns; false where a source is not
// opaque.
PW_AVX2 inline __m256i Divide255Wide(__m256i x)
{
    const __m256i magic = _mm256_set1_epi32(static_cast<int32_t>(0x80808081u));
    const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(x, magic), 39);
    const __m256i odd = _mm256_slli_epi64(_mm256_srli_epi64(_mm256_mul_epu32(_mm256_srli_epi64(x, 32), magic), 39), 32);
    return _mm256_blend_epi32(even, odd, 0xAA);
}

PW_AVX2 inline bool OpaqueColumns16(const PF_Pixel16* const (&px)[3], const __m256i (&colour)[3], PF_Pixel16* out)
{
    const __m256i alphaWords = _mm256_set1_epi64x(0xFFFF), opaque = _mm256_set1_epi64x(32768);
    __m256i v[3];
    __m256i same = _mm256_set1_epi32(-1);
    for (int k = 0; k < 3; ++k) {
        v[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px[k]));
        same = _mm256_and_si256(same, _mm256_cmpeq_epi64(_mm256_and_si256(v[k], alphaWords), opaque));
    }
    if (!_mm256_testc_si256(same, _mm256_set1_epi32(-1))) return false;
    __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();  // columns 0 1 and 2 3, a channel a lane
    for (int k = 0; k < 3; ++k) {
        low = _mm256_add_epi32(low, _mm256_mullo_epi32(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(v[k])), colour[k]));
        high = _mm256_add_epi32(high,
                                _mm256_mullo_epi32(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(v[k], 1)), colour[k]));
    }
    const __m256i white = _mm256_set1_epi32(32768);
    low = _mm256_min_epi32(Divide255Wide(low), white);
    high = _mm256_min_epi32(Divide255Wide(high), white);
    // The alpha lanes hold 0 (colour 0 there): the column's alpha is 32768.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(low, high), _MM_SHUFFLE(3, 1, 2, 0));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(packed, opaque));
    return true;
}

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// Eight pixels, one channel a vector.
struct Oct {
    __m512d alpha, red, green, blue;
};

PW_AVX512 inline __m256 Upper(__m512 v) { return _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(v), 1)); }

PW_AVX512 inline __m512 Pair(__m256 low, __m256 high)
{
    return _mm512_castpd_ps(_mm512_insertf64x4(_mm512_castpd256_pd512(_mm256_castps_pd(low)), _mm256_castps_pd(high), 1));
}

PW_AVX512 inline Oct Load8(const PF_PixelFloat* p)
{
    // Channel c of pixel j is float 4j + c of the 32 loaded; two permutes sort them by channel.
    const __m512 low = _mm512_loadu_ps(&p[0].alpha), high = _mm512_loadu_ps(&p[4].alpha);
    const __m512 ar = _mm512_permutex2var_ps(
        low, _mm512_setr_epi32(0, 4, 8, 12, 16, 20, 24, 28, 1, 5, 9, 13, 17, 21, 25, 29), high);
    const __m512 gb = _mm512_permutex2var_ps(
        low, _mm512_setr_epi32(2, 6, 10, 14, 18, 22, 26, 30, 3, 7, 11, 15, 19, 23, 27, 31), high);
    return {_mm512_cvtps_pd(_mm512_castps512_ps256(ar)), _mm512_cvtps_pd(Upper(ar)),
            _mm512_cvtps_pd(_mm512_castps512_ps256(gb)), _mm512_cvtps_pd(Upper(gb))};
}

PW_AVX512 inline Oct Gather8(const PF_PixelFloat* const (&px)[3], const __m512d (&colour)[3][3])
{
    const __m512d zero = _mm512_setzero_pd();
    Oct sum{zero, zero, zero, zero};
    for (int k = 0; k < 3; ++k) {
        const Oct p = Load8(px[k]);
        sum.alpha = _mm512_max_pd(p.alpha, sum.alpha);  // p > sum ? p : sum
        sum.red = _mm512_add_pd(sum.red, _mm512_mul_pd(_mm512_mul_pd(p.red, p.alpha), colour[k][0]));
        sum.green = _mm512_add_pd(sum.green, _mm512_mul_pd(_mm512_mul_pd(p.green, p.alpha), colour[k][1]));
        sum.blue = _mm512_add_pd(sum.blue, _mm512_mul_pd(_mm512_mul_pd(p.blue, p.alpha), colour[k][2]));
    }
    return sum;
}

PW_AVX512 inline __m256 Narrow8(__m512d sum, __m512d reciprocal, int& bad)
{
    const __m512d z = _mm512_mul_pd(sum, reciprocal);
    const __m512i bits = _mm512_castpd_si512(z), steps = _mm512_set1_epi64(16);
    const __m256 below = _mm512_cvtpd_ps(_mm512_castsi512_pd(_mm512_sub_epi64(bits, steps)));
    const __m256 above = _mm512_cvtpd_ps(_mm512_castsi512_pd(_mm512_add_epi64(bits, steps)));
    const int sure = _mm256_movemask_ps(_mm256_cmp_ps(below, above, _CMP_EQ_OQ)) |
                     _mm512_cmp_pd_mask(z, _mm512_setzero_pd(), _CMP_EQ_OQ);
    bad |= ~sure & 0xFF;
    return _mm512_cvtpd_ps(z);
}

PW_AVX512 inline bool Resolve8(const Oct& s, PF_PixelFloat* out)
{
    const __m512d reciprocal = _mm512_div_pd(_mm512_set1_pd(1.0), _mm512_mul_pd(s.alpha, _mm512_set1_pd(255.0)));
    int bad = 0;
    const __m256 a = _mm512_cvtpd_ps(s.alpha);
    const __m256 clear = _mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_EQ_OQ);
    const __m256 r = _mm256_andnot_ps(clear, Narrow8(s.red, reciprocal, bad));
    const __m256 g = _mm256_andnot_ps(clear, Narrow8(s.green, reciprocal, bad));
    const __m256 b = _mm256_andnot_ps(clear, Narrow8(s.blue, reciprocal, bad));
    if (bad & ~_mm256_movemask_ps(clear)) return false;
    const __m512 ar = Pair(a, r), gb = Pair(g, b);
    // Back to pixels: float 4j + c of the output is channel c of pixel j.
    _mm512_storeu_ps(&out[0].alpha, _mm512_permutex2var_ps(ar, _mm512_setr_epi32(0, 8, 16, 24, 1, 9, 17, 25, 2, 10,
                                                                                 18, 26, 3, 11, 19, 27), gb));
    _mm512_storeu_ps(&out[4].alpha, _mm512_permutex2var_ps(ar, _mm512_setr_epi32(4, 12, 20, 28, 5, 13, 21, 29, 6, 14,
                                                                                 22, 30, 7, 15, 23, 31), gb));
    return true;
}

// A segment's float columns from `begin`, eight a step, the definition for a group whose check fails; returns the
// first column left (fewer than eight remain).
PW_AVX512 int32_t FloatGroupsAvx512(const SeparationSegment<PF_PixelFloat>& seg, int32_t begin,
                                    const SeparationCopy (&copies)[3], PF_PixelFloat* dst,
                                    const DivideBy255Alpha& divide)
{
    __m512d colour[3][3];
    for (int k = 0; k < 3; ++k) {
        colour[k][0] = _mm512_set1_pd(copies[k].colour.red);
        colour[k][1] = _mm512_set1_pd(copies[k].colour.green);
        colour[k][2] = _mm512_set1_pd(copies[k].colour.blue);
    }
    int32_t c = begin;
    for (; c + 8 <= seg.end; c += 8) {
        const PF_PixelFloat* const px[3] = {seg.base[0] + c, seg.base[1] + c, seg.base[2] + c};
        if (Resolve8(Gather8(px, colour), dst + c)) continue;
        for (int i = 0; i < 8; ++i) {
            const PF_PixelFloat* const one[3] = {px[0] + i, px[1] + i, px[2] + i};
            dst[c + i] = Column<DepthFloat>(one, copies, divide);
        }
    }
    return c;
}

PW_AVX512_END
#endif

template <typename D>
PW_AVX2 void Row(const typename D::Pixel* src, typename D::Pixel* dst, int32_t width, const SeparationCopy (&copies)[3],
                 Isa isa, const DivideBy255Alpha& divide)
{
    using Pixel = typename D::Pixel;
    __m256d colour[3][3];
    for (int k = 0; k < 3; ++k) {
        colour[k][0] = _mm256_set1_pd(copies[k].colour.red);
        colour[k][1] = _mm256_set1_pd(copies[k].colour.green);
        colour[k][2] = _mm256_set1_pd(copies[k].colour.blue);
    }
    __m256i wide[3];  // each copy's colour in a pixel's four 32-bit lanes, 0 for alpha
    for (int k = 0; k < 3; ++k) {
        const PF_Pixel8& k8 = copies[k].colour;
        wide[k] = _mm256_setr_epi32(0, k8.red, k8.green, k8.blue, 0, k8.red, k8.green, k8.blue);
    }
    SeparationSegment<Pixel> segments[4];
    const int count = SegmentsOf(src, width, copies, segments);
    for (int s = 0; s < count; ++s) {
        const SeparationSegment<Pixel>& seg = segments[s];
        int32_t c = seg.begin;
#ifdef PW_HAVE_LANES_AVX512
        if constexpr (std::is_same_v<D, DepthFloat>) {
            if (isa >= Isa::Avx512Vbmi) c = FloatGroupsAvx512(seg, c, copies, dst, divide);
        }
#endif
        for (; c + 4 <= seg.end; c += 4) {
            const Pixel* const px[3] = {seg.base[0] + c, seg.base[1] + c, seg.base[2] + c};
            if constexpr (std::is_same_v<D, Depth16>) {
                if (OpaqueColumns16(px, wide, dst + c)) continue;
            }
            if (Resolve(Gather(px, colour), dst + c)) continue;
            for (int i = 0; i < 4; ++i) {
                const Pixel* const one[3] = {px[0] + i, px[1] + i, px[2] + i};
                dst[c + i] = Column<D>(one, copies, divide);
            }
        }
        for (; c < seg.end; ++c) {
            const Pixel* const px[3] = {seg.base[0] + c, seg.base[1] + c, seg.base[2] + c};
            dst[c] = Column<D>(px, copies, divide);
        }
    }
}

}  // namespace

template <typename D>
void DeepRowLanes(const typename D::Pixel* src, typename D::Pixel* dst, int32_t width, const SeparationCopy (&copies)[3],
                  Isa isa, const DivideBy255Alpha& divide)
{
    Row<D>(src, dst, width, copies, isa, divide);
}

#else

template <typename D>
void DeepRowLanes(const typename D::Pixel* src, typename D::Pixel* dst, int32_t width, const SeparationCopy (&copies)[3],
                  Isa, const DivideBy255Alpha& divide)
{
    SeparationSegment<typename D::Pixel> segments[4];
    const int count = SegmentsOf(src, width, copies, segments);
    for (int s = 0; s < count; ++s) {
        for (int32_t c = segments[s].begin; c < segments[s].end; ++c) {
            const typename D::Pixel* const px[3] = {segments[s].base[0] + c, segments[s].base[1] + c,
                                                    segments[s].base[2] + c};
            dst[c] = Column<D>(px, copies, divide);
        }
    }
}

#endif

template void DeepRowLanes<Depth16>(const PF_Pixel16*, PF_Pixel16*, int32_t, const SeparationCopy (&)[3], Isa,
                                    const DivideBy255Alpha&);
template void DeepRowLanes<DepthFloat>(const PF_PixelFloat*, PF_PixelFloat*, int32_t, const SeparationCopy (&)[3], Isa,
                                       const DivideBy255Alpha&);

}  // namespace separation
}  // namespace pw
