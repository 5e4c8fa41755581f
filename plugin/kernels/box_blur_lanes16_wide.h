// The 16-bit lanes of box_blur_lanes16.h twice as wide where the processor has AVX-512 (a row's running sums, and for
// Arith16Short a strip's sums and the interior totals, alone or together), and for each the widest form kLanes allows,
// the narrower ones finishing what is left. Internal to the box blur passes; each width only where BestIsa() offers
// it.
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/box_blur_lanes16.h"
#include "kernels/box_blur_prefix.h"
#include "kernels/cpu_features.h"
#include "kernels/lanes_avx512.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace blur {

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// PrefixRow16Avx2 four pixels a vector: each vector's four sums by two shifts across the whole register (one and two
// pixels), then the total of the vectors before, which the carry holds in every pixel; the carry takes the vector's
// own total apart from the sums, so that its chain is one addition a vector.
PW_AVX512 inline void PrefixRow16Avx512(int32_t* S, const A_u_short* px, int32_t n)
{
    const __m512i zero = _mm512_setzero_si512();
    __m512i carry = zero;
    const auto four = [&](int32_t at) PW_AVX512 {
        __m512i x = _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + 4 * at)));
        x = _mm512_add_epi32(x, _mm512_alignr_epi64(x, zero, 6));
        x = _mm512_add_epi32(x, _mm512_alignr_epi64(x, zero, 4));
        _mm512_storeu_si512(S + 4 * at, _mm512_add_epi32(x, carry));
        carry = _mm512_add_epi32(carry, _mm512_shuffle_i32x4(x, x, _MM_SHUFFLE(3, 3, 3, 3)));
    };
    int32_t k = 0;
    for (; k + 8 <= n; k += 8) {
        PrefetchAhead(px + 4 * k);  // once a cache line
        four(k);
        four(k + 4);
    }
    if (k + 4 <= n) {
        four(k);
        k += 4;
    }
    PrefixTail16(S, px, k, n, _mm512_castsi512_si128(carry));
}

// StoreShortQuotients thirty-two totals at a time.
PW_AVX512 inline void StoreShortQuotients(A_u_short* out, __m512i t0, __m512i t1, __m512 scale, __m512 offset)
{
    const __m512i cap = _mm512_set1_epi32(32768);
    const auto quotient = [&](__m512i total) PW_AVX512 {
        const __m512 q = _mm512_add_ps(_mm512_mul_ps(_mm512_cvtepi32_ps(total), scale), offset);
        return _mm512_min_epi32(_mm512_cvttps_epi32(q), cap);
    };
    const __m512i order = _mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7);  // packing pairs 128-bit lanes of the two
    _mm512_storeu_si512(out, _mm512_permutexvar_epi64(order, _mm512_packus_epi32(quotient(t0), quotient(t1))));
}

// ShortTotalsAvx2 thirty-two channels a step; returns how many were written (a multiple of 32).
PW_AVX512 inline int32_t ShortTotalsAvx512(A_u_short* out, const int32_t* hi, const int32_t* lo, int32_t channels,
                                           float inverse, float half)
{
    const __m512 scale = _mm512_set1_ps(inverse), offset = _mm512_set1_ps(half);
    const auto total = [&](int32_t at) PW_AVX512 {
        return _mm512_sub_epi32(_mm512_loadu_si512(hi + at), _mm512_loadu_si512(lo + at));
    };
    int32_t k = 0;
    for (; k + 32 <= channels; k += 32) StoreShortQuotients(out + k, total(k), total(k + 16), scale, offset);
    return k;
}

// AccumulateShortAvx2 sixteen channels a step; returns how many were done (a multiple of 16).
PW_AVX512 inline int32_t AccumulateShortAvx512(int32_t* cur, const int32_t* prev, const A_u_short* px,
                                               int32_t channels)
{
    int32_t k = 0;
    for (; k + 16 <= channels; k += 16) {
        const __m512i v = _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + k)));
        _mm512_storeu_si512(cur + k, _mm512_add_epi32(_mm512_loadu_si512(prev + k), v));
    }
    return k;
}

// SlideShortAvx2 thirty-two channels a step; returns how many were done (a multiple of 32).
PW_AVX512 inline int32_t SlideShortAvx512(A_u_short* out, int32_t* cur, const int32_t* prev, const A_u_short* px,
                                          const int32_t* lo, int32_t channels, float inverse, float half)
{
    const __m512 scale = _mm512_set1_ps(inverse), offset = _mm512_set1_ps(half);
    const auto total = [&](int32_t at) PW_AVX512 {
        const __m512i v = _mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + at)));
        const __m512i sums = _mm512_add_epi32(_mm512_loadu_si512(prev + at), v);
        _mm512_storeu_si512(cur + at, sums);
        return _mm512_sub_epi32(sums, _mm512_loadu_si512(lo + at));
    };
    int32_t k = 0;
    for (; k + 32 <= channels; k += 32) {
        const __m512i t0 = total(k), t1 = total(k + 16);
        StoreShortQuotients(out + k, t0, t1, scale, offset);
    }
    return k;
}

PW_AVX512_END
#endif

template <Isa kLanes>
inline void PrefixRow16(int32_t* S, const A_u_short* px, int32_t n)
{
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) return PrefixRow16Avx512(S, px, n);
#endif
    PrefixRow16Avx2(S, px, n);
}

template <Isa kLanes>
inline int32_t ShortTotals(A_u_short* out, const int32_t* hi, const int32_t* lo, int32_t channels, float inverse,
                           float half)
{
    int32_t done = 0;
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) done = ShortTotalsAvx512(out, hi, lo, channels, inverse, half);
#endif
    return done + ShortTotalsAvx2(out + done, hi + done, lo + done, channels - done, inverse, half);
}

template <Isa kLanes>
inline int32_t AccumulateShort(int32_t* cur, const int32_t* prev, const A_u_short* px, int32_t channels)
{
    int32_t done = 0;
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) done = AccumulateShortAvx512(cur, prev, px, channels);
#endif
    return done + AccumulateShortAvx2(cur + done, prev + done, px + done, channels - done);
}

}  // namespace blur
}  // namespace pw

#endif
