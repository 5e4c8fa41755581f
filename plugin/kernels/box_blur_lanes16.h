// The 16-bit passes with 32-bit sums (box_blur_arith.h, Arith16Int and Arith16Short) in AVX2 lanes: a row's running
// sums four pixels a step, the same integers as PrefixRow's; for Arith16Short also a strip of columns' sums and the
// interior totals, sixteen channels a step. An interior total (S[i - 1] - S[i - r - 1]) + (S[i + r] - S[i - 1]) is
// S[i + r] - S[i - r - 1], every term below 2^31. Internal to the box blur passes; only where CpuHasAvx2().
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/box_blur_prefix.h"
#include "kernels/lanes_avx2.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace blur {

// A row's sums from pixel k on, a pixel at a time from the last sum (`last`): what is left past the last whole step.
PW_AVX2 inline void PrefixTail16(int32_t* S, const A_u_short* px, int32_t k, int32_t n, __m128i last)
{
    for (; k < n; ++k) {
        last = _mm_add_epi32(last, _mm_cvtepu16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(px + 4 * k))));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(S + 4 * k), last);
    }
}

// S[4k + c] = P[0][c] + ... + P[k][c]. Two pixels a vector become [p0, p0 + p1], the next two add the first two's
// total, and all four the sum of the steps before; only that last addition waits on the step before, so the serial
// chain is one addition every four pixels rather than one a pixel.
PW_AVX2 inline void PrefixRow16Avx2(int32_t* S, const A_u_short* px, int32_t n)
{
    __m256i carry = _mm256_setzero_si256();  // the last sum, in both halves
    int32_t k = 0;
    for (; k + 4 <= n; k += 4) {
        PrefetchAhead(px + 4 * k);
        const __m256i a = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 4 * k)));
        const __m256i b = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 4 * k + 8)));
        // [0, p0] and [0, p2]: the lower half moved up, the lower half zeroed.
        const __m256i a2 = _mm256_add_epi32(a, _mm256_permute2x128_si256(a, a, 0x08));
        const __m256i b2 = _mm256_add_epi32(b, _mm256_permute2x128_si256(b, b, 0x08));
        const __m256i b3 = _mm256_add_epi32(b2, _mm256_permute2x128_si256(a2, a2, 0x11));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(S + 4 * k), _mm256_add_epi32(a2, carry));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(S + 4 * k + 8), _mm256_add_epi32(b3, carry));
        carry = _mm256_add_epi32(carry, _mm256_permute2x128_si256(b3, b3, 0x11));
    }
    PrefixTail16(S, px, k, n, _mm256_castsi256_si128(carry));
}

// Arith16Short's Store of sixteen totals in the same single-precision steps, min(trunc(float(t) x inverse + half),
// 32768), packed in order into out[0 .. 15].
PW_AVX2 inline void StoreShortQuotients(A_u_short* out, __m256i t0, __m256i t1, __m256 scale, __m256 offset)
{
    const __m256i cap = _mm256_set1_epi32(32768);
    const auto quotient = [&](__m256i total) PW_AVX2 {
        const __m256 q = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(total), scale), offset);
        return _mm256_min_epi32(_mm256_cvttps_epi32(q), cap);
    };
    const __m256i packed = _mm256_packus_epi32(quotient(t0), quotient(t1));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute4x64_epi64(packed, _MM_SHUFFLE(3, 1, 2, 0)));
}

// out[k] = Store(hi[k] - lo[k]) for k in [0, channels), Arith16Short's. Returns how many were written (a multiple of
// 16); the caller finishes the rest.
PW_AVX2 inline int32_t ShortTotalsAvx2(A_u_short* out, const int32_t* hi, const int32_t* lo, int32_t channels,
                                       float inverse, float half)
{
    const __m256 scale = _mm256_set1_ps(inverse), offset = _mm256_set1_ps(half);
    const auto total = [&](int32_t at) PW_AVX2 {
        return _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(hi + at)),
                                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lo + at)));
    };
    int32_t k = 0;
    for (; k + 16 <= channels; k += 16) StoreShortQuotients(out + k, total(k), total(k + 8), scale, offset);
    return k;
}

// cur[k] = prev[k] + px[k] for k in [0, channels): one position's sums of a strip of columns. Returns how many were
// written (a multiple of 8).
PW_AVX2 inline int32_t AccumulateShortAvx2(int32_t* cur, const int32_t* prev, const A_u_short* px, int32_t channels)
{
    int32_t k = 0;
    for (; k + 8 <= channels; k += 8) {
        const __m256i v = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + k)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(cur + k),
                            _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(prev + k)), v));
    }
    return k;
}

// One interior position of a strip of columns in one walk, sixteen channels a step: cur[k] = prev[k] + px[k], the
// lead's sums, and out[k] = Store(cur[k] - lo[k]), the total of the window they close. Returns how many were done (a
// multiple of 16); the caller finishes the rest.
PW_AVX2 inline int32_t SlideShortAvx2(A_u_short* out, int32_t* cur, const int32_t* prev, const A_u_short* px,
                                      const int32_t* lo, int32_t channels, float inverse, float half)
{
    const __m256 scale = _mm256_set1_ps(inverse), offset = _mm256_set1_ps(half);
    const auto total = [&](int32_t at) PW_AVX2 {
        const __m256i v = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + at)));
        const __m256i sums = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(prev + at)), v);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(cur + at), sums);
        return _mm256_sub_epi32(sums, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lo + at)));
    };
    int32_t k = 0;
    for (; k + 16 <= channels; k += 16) StoreShortQuotients(out + k, total(k), total(k + 8), scale, offset);
    return k;
}

}  // namespace blur
}  // namespace pw

#endif
