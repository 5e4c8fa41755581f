#include "kernels/separation_row.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define PW_HAVE_AVX2_SCHEDULE 1
#include "kernels/lanes_avx512.h"
#include "kernels/opaque_lanes8.h"
#endif

namespace pw {

#ifdef PW_HAVE_AVX2_SCHEDULE

namespace {

// floor(n / d) in eight lanes for 0 <= n < 2^26, 255 <= d < 2^16; dLess is d - 1 and inverse is 1 / d as a float.
// n as a float times inverse is within 3 x 2^-24 of n / d < 2^18 relative, under 0.05 absolute: its truncation is
// the quotient, one less or one more, and the remainder says which.
__attribute__((target("avx2"))) inline __m256i Quotient(__m256i n, __m256i d, __m256i dLess, __m256 inverse)
{
    __m256i q = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(n), inverse));
    const __m256i rem = _mm256_sub_epi32(n, _mm256_mullo_epi32(q, d));
    q = _mm256_sub_epi32(q, _mm256_cmpgt_epi32(rem, dLess));                  // rem >= d: one more
    return _mm256_add_epi32(q, _mm256_cmpgt_epi32(_mm256_setzero_si256(), rem));  // rem < 0: one less
}

__attribute__((target("avx2"))) inline __m256i Channel8(__m256i n, __m256i d, __m256i dLess, __m256 inverse)
{
    return _mm256_and_si256(Quotient(n, d, dLess, inverse), _mm256_set1_epi32(0xFF));  // the channel's eight bits
}

// Where every source pixel is opaque, the column's alpha is 255 and a channel is
// floor(255 x sum(p k) / (255 x 255)) = floor(sum(p k) / 255); with the copies' colours adding up to at most 255
// in each channel (as the derived third colour makes them), sum(p k) <= 65025: sixteen channels a vector in 16-bit
// lanes, the division by 255 the exact multiply-high of opaque8. Eight columns, their three sources given.
__attribute__((target("avx2"))) inline __m256i OpaqueColumns(const __m256i (&px)[3], const __m256i (&colour)[3])
{
    return opaque8::Pixels(px[0], [&](__m256i p0, int half) __attribute__((target("avx2"))) {
        __m256i sum = _mm256_mullo_epi16(p0, colour[0]);
        sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(opaque8::Half(px[1], half), colour[1]));
        sum = _mm256_add_epi16(sum, _mm256_mullo_epi16(opaque8::Half(px[2], half), colour[2]));
        return opaque8::Divide255(sum);
    });
}

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// Quotient in sixteen lanes, its two corrections as masked steps.
PW_AVX512 inline __m512i Quotient(__m512i n, __m512i d, __m512 inverse)
{
    const __m512i one = _mm512_set1_epi32(1);
    const __m512i q = _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_cvtepi32_ps(n), inverse));
    const __m512i rem = _mm512_sub_epi32(n, _mm512_mullo_epi32(q, d));
    const __m512i up = _mm512_mask_add_epi32(q, _mm512_cmpge_epi32_mask(rem, d), q, one);
    return _mm512_mask_sub_epi32(up, _mm512_cmplt_epi32_mask(rem, _mm512_setzero_si512()), up, one);
}

PW_AVX512 inline __m512i DivisorOf(__m512i alpha)
{
    const __m512i white = _mm512_set1_epi32(255);
    return _mm512_max_epi32(_mm512_mullo_epi16(alpha, white), white);
}

// Sixteen columns a step, from `c` to within sixteen of the segment's end: Row8's steps below at twice the width,
// the quotient's corrections as masked adds. Returns the first column left.
PW_AVX512 int32_t Columns16(const SeparationSegment<PF_Pixel8>& seg, int32_t c, PF_Pixel8* dst,
                            const SeparationCopy (&copies)[3], bool narrow)
{
    const __m512i low = _mm512_set1_epi32(0xFF), zero = _mm512_setzero_si512();
    __m512i cr[3], cg[3], cb[3], colour[3];
    for (int k = 0; k < 3; ++k) {
        const PF_Pixel8& k8 = copies[k].colour;
        cr[k] = _mm512_set1_epi32(k8.red);
        cg[k] = _mm512_set1_epi32(k8.green);
        cb[k] = _mm512_set1_epi32(k8.blue);
        colour[k] = _mm512_broadcast_i64x4(opaque8::Words(0, k8.red, k8.green, k8.blue));
    }
    for (; c + 16 <= seg.end; c += 16) {
        const __m512i px[3] = {_mm512_loadu_si512(seg.base[0] + c), _mm512_loadu_si512(seg.base[1] + c),
                               _mm512_loadu_si512(seg.base[2] + c)};
        if (narrow && opaque8::AllOpaque(_mm512_and_si512(_mm512_and_si512(px[0], px[1]), px[2]))) {
            _mm512_storeu_si512(dst + c, opaque8::Pixels(px[0], [&](__m512i p0, int half) PW_AVX512 {
                __m512i sum = _mm512_mullo_epi16(p0, colour[0]);
                sum = _mm512_add_epi16(sum, _mm512_mullo_epi16(opaque8::Half(px[1], half), colour[1]));
                sum = _mm512_add_epi16(sum, _mm512_mullo_epi16(opaque8::Half(px[2], half), colour[2]));
                return opaque8::Divide255(sum);
            }));
            continue;
        }
        __m512i alpha = zero, red = zero, green = zero, blue = zero;
        for (int k = 0; k < 3; ++k) {
            const __m512i a = _mm512_and_si512(px[k], low);
            const __m512i r = _mm512_and_si512(_mm512_srli_epi32(px[k], 8), low);
            const __m512i g = _mm512_and_si512(_mm512_srli_epi32(px[k], 16), low);
            const __m512i b = _mm512_srli_epi32(px[k], 24);
            alpha = _mm512_max_epu32(alpha, a);
            red = _mm512_add_epi32(red, _mm512_mullo_epi32(_mm512_mullo_epi16(r, a), cr[k]));
            green = _mm512_add_epi32(green, _mm512_mullo_epi32(_mm512_mullo_epi16(g, a), cg[k]));
            blue = _mm512_add_epi32(blue, _mm512_mullo_epi32(_mm512_mullo_epi16(b, a), cb[k]));
        }
        const __m512i d = DivisorOf(alpha);
        const __m512 inverse = _mm512_div_ps(_mm512_set1_ps(1.0f), _mm512_cvtepi32_ps(d));
        __m512i out = _mm512_or_si512(alpha, _mm512_slli_epi32(_mm512_and_si512(Quotient(red, d, inverse), low), 8));
        out = _mm512_or_si512(out, _mm512_slli_epi32(_mm512_and_si512(Quotient(green, d, inverse), low), 16));
        out = _mm512_or_si512(out, _mm512_slli_epi32(_mm512_and_si512(Quotient(blue, d, inverse), low), 24));
        _mm512_storeu_si512(dst + c, out);
    }
    return c;
}

PW_AVX512_END
#endif

// Eight columns at a time, after sixteen at a time where isa allows. Each lane holds a pixel as its 32-bit word
// (alpha lowest). Products: channel x alpha fits 16 bits (mullo_epi16 on lanes whose high halves are 0), x colour
// fits 32. The quotient n / (255 alpha), n < 2^26, comes from one single-precision reciprocal a pixel (Quotient)
// corrected by the remainder; alpha 0 has sums 0 and divides by 255 to 0.
__attribute__((target("avx2"))) void Row8(const PF_Pixel8* src, PF_Pixel8* dst, int32_t width,
                                          const SeparationCopy (&copies)[3], Isa isa, const DivideBy255Alpha& divide)
{
    const __m256i low = _mm256_set1_epi32(0xFF), zero = _mm256_setzero_si256(), one = _mm256_set1_epi32(1);
    const __m256i white = _mm256_set1_epi32(255);
    __m256i cr[3], cg[3], cb[3];
    for (int k = 0; k < 3; ++k) {
        cr[k] = _mm256_set1_epi32(copies[k].colour.red);
        cg[k] = _mm256_set1_epi32(copies[k].colour.green);
        cb[k] = _mm256_set1_epi32(copies[k].colour.blue);
    }
    __m256i colour[3];
    bool narrow = true;
    for (int k = 0; k < 3; ++k) {
        const SeparationCopy& copy = copies[k];
        colour[k] = opaque8::Words(0, copy.colour.red, copy.colour.green, copy.colour.blue);
    }
    for (const auto channel : {&PF_Pixel8::red, &PF_Pixel8::green, &PF_Pixel8::blue}) {
        narrow = narrow && copies[0].colour.*channel + copies[1].colour.*channel + copies[2].colour.*channel <= 255;
    }
    SeparationSegment<PF_Pixel8> segments[4];
    const int count = SegmentsOf(src, width, copies, segments);
    for (int s = 0; s < count; ++s) {
        const int32_t end = segments[s].end;
        const PF_Pixel8* const(&base)[3] = segments[s].base;
        int32_t c = segments[s].begin;
        if (isa >= Isa::Avx512Vbmi) c = Columns16(segments[s], c, dst, copies, narrow);
        for (; c + 8 <= end; c += 8) {
            if (narrow) {
                const __m256i px[3] = {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(base[0] + c)),
                                       _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base[1] + c)),
                                       _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base[2] + c))};
                if (opaque8::AllOpaque(_mm256_and_si256(_mm256_and_si256(px[0], px[1]), px[2]))) {
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + c), OpaqueColumns(px, colour));
                    continue;
                }
            }
            __m256i alpha = zero, red = zero, green = zero, blue = zero;
            for (int k = 0; k < 3; ++k) {
                const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base[k] + c));
                const __m256i a = _mm256_and_si256(px, low);
                const __m256i r = _mm256_and_si256(_mm256_srli_epi32(px, 8), low);
                const __m256i g = _mm256_and_si256(_mm256_srli_epi32(px, 16), low);
                const __m256i b = _mm256_srli_epi32(px, 24);
                alpha = _mm256_max_epu32(alpha, a);
                red = _mm256_add_epi32(red, _mm256_mullo_epi32(_mm256_mullo_epi16(r, a), cr[k]));
                green = _mm256_add_epi32(green, _mm256_mullo_epi32(_mm256_mullo_epi16(g, a), cg[k]));
                blue = _mm256_add_epi32(blue, _mm256_mullo_epi32(_mm256_mullo_epi16(b, a), cb[k]));
            }
            const __m256i d = _mm256_max_epi32(_mm256_mullo_epi16(alpha, white), white);
            const __m256i dLess = _mm256_sub_epi32(d, one);
            const __m256 inverse = _mm256_div_ps(_mm256_set1_ps(1.0f), _mm256_cvtepi32_ps(d));
            __m256i out = _mm256_or_si256(alpha, _mm256_slli_epi32(Channel8(red, d, dLess, inverse), 8));
            out = _mm256_or_si256(out, _mm256_slli_epi32(Channel8(green, d, dLess, inverse), 16));
            out = _mm256_or_si256(out, _mm256_slli_epi32(Channel8(blue, d, dLess, inverse), 24));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + c), out);
        }
        for (; c < end; ++c) {
            const PF_Pixel8* const px[3] = {base[0] + c, base[1] + c, base[2] + c};
            dst[c] = separation::Column<Depth8>(px, copies, divide);
        }
    }
}

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN
PW_AVX512 int32_t DivideBy255Alpha16(const int32_t* n, const int32_t* alpha, int32_t* q, int32_t count)
{
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m512i d = DivisorOf(_mm512_loadu_si512(alpha + i));
        _mm512_storeu_si512(q + i, Quotient(_mm512_loadu_si512(n + i), d,
                                            _mm512_div_ps(_mm512_set1_ps(1.0f), _mm512_cvtepi32_ps(d))));
    }
    return i;
}
PW_AVX512_END
#endif

}  // namespace

__attribute__((target("avx2"))) void DivideBy255AlphaLanes(const int32_t* n, const int32_t* alpha, int32_t* q,
                                                             int32_t count, Isa isa)
{
    const __m256i white = _mm256_set1_epi32(255), one = _mm256_set1_epi32(1);
    int32_t i = isa >= Isa::Avx512Vbmi ? DivideBy255Alpha16(n, alpha, q, count) : 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(alpha + i));
        const __m256i d = _mm256_max_epi32(_mm256_mullo_epi16(a, white), white);
        const __m256i nv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(q + i),
                            Quotient(nv, d, _mm256_sub_epi32(d, one),
                                     _mm256_div_ps(_mm256_set1_ps(1.0f), _mm256_cvtepi32_ps(d))));
    }
    for (; i < count; ++i) q[i] = n[i] / (255 * (alpha[i] > 0 ? alpha[i] : 1));
}

#else

void DivideBy255AlphaLanes(const int32_t* n, const int32_t* alpha, int32_t* q, int32_t count, Isa)
{
    for (int32_t i = 0; i < count; ++i) q[i] = n[i] / (255 * (alpha[i] > 0 ? alpha[i] : 1));
}

namespace {

// Without AVX2 lanes to schedule for, the definition column by column.
void Row8(const PF_Pixel8* src, PF_Pixel8* dst, int32_t width, const SeparationCopy (&copies)[3], Isa,
          const DivideBy255Alpha& divide)
{
    SeparationSegment<PF_Pixel8> segments[4];
    const int count = SegmentsOf(src, width, copies, segments);
    for (int s = 0; s < count; ++s) {
        for (int32_t c = segments[s].begin; c < segments[s].end; ++c) {
            const PF_Pixel8* const px[3] = {segments[s].base[0] + c, segments[s].base[1] + c, segments[s].base[2] + c};
            dst[c] = separation::Column<Depth8>(px, copies, divide);
        }
    }
}

}  // namespace

#endif

template <typename D>
void SeparateRowLanes(const typename D::Pixel* src, typename D::Pixel* dst, int32_t width,
                      const SeparationCopy (&copies)[3], Isa isa, const DivideBy255Alpha& divide)
{
    if (width <= 0) return;
    if constexpr (std::is_same_v<D, Depth8>) Row8(src, dst, width, copies, isa, divide);
    else separation::DeepRowLanes<D>(src, dst, width, copies, isa, divide);
}

template void SeparateRowLanes<Depth8>(const PF_Pixel8*, PF_Pixel8*, int32_t, const SeparationCopy (&)[3], Isa,
                                      const DivideBy255Alpha&);
template void SeparateRowLanes<Depth16>(const PF_Pixel16*, PF_Pixel16*, int32_t, const SeparationCopy (&)[3], Isa,
                                      const DivideBy255Alpha&);
template void SeparateRowLanes<DepthFloat>(const PF_PixelFloat*, PF_PixelFloat*, int32_t, const SeparationCopy (&)[3],
                                           Isa, const DivideBy255Alpha&);

}  // namespace pw
