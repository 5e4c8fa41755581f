// What the AVX2 schedules share: the attribute that compiles a function for AVX2 (only ever called where
// CpuHasAvx2()), a 16-bit channel as an exact double, and the exact small integer division through a float
// reciprocal. Internal to the kernels; include only where PW_HAVE_LANES_AVX2 is defined.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define PW_HAVE_LANES_AVX2 1
#define PW_AVX2 __attribute__((target("avx2")))

namespace pw {
namespace lanes {

// The 16-bit value at bit `Shift` of each 64-bit lane as an exact double: placed below the mantissa of 2^52, then
// 2^52 taken away.
template <int Shift>
PW_AVX2 inline __m256d Channel16(__m256i pixels)
{
    const __m256i value = _mm256_and_si256(_mm256_srli_epi64(pixels, Shift), _mm256_set1_epi64x(0xFFFF));
    const __m256i biased = _mm256_or_si256(value, _mm256_set1_epi64x(0x4330000000000000ll));
    return _mm256_sub_pd(_mm256_castsi256_pd(biased), _mm256_set1_pd(4503599627370496.0));
}

// floor(x / d) for integers 0 <= x < 2^17 and 1 <= d <= 255, `inverse` holding 1 / d as floats: (x + 0.5) / d lies
// more than 3.8e-6 of its size from any integer, and (x + 0.5) x inverse within 2^-22 of it, so the truncation is
// exact.
PW_AVX2 inline __m256i DivideSmall(__m256i x, __m256 inverse)
{
    return _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_add_ps(_mm256_cvtepi32_ps(x), _mm256_set1_ps(0.5f)), inverse));
}

}  // namespace lanes
}  // namespace pw

#endif
