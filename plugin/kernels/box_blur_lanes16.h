// The 16-bit rows with 32-bit sums (box_blur_arith.h, Arith16Int and Arith16Short) in AVX2 lanes: a row's running
// sums four pixels a step, the same integers as PrefixRow's. Internal to the box blur passes; only where
// CpuHasAvx2().
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/box_blur_prefix.h"
#include "kernels/lanes_avx2.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace blur {

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
    __m128i last = _mm256_castsi256_si128(carry);
    for (; k < n; ++k) {
        last = _mm_add_epi32(last, _mm_cvtepu16_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(px + 4 * k))));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(S + 4 * k), last);
    }
}

}  // namespace blur
}  // namespace pw

#endif
