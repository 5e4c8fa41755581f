// The float passes (box_blur_arith.h, ArithFloat) in AVX2 lanes: a strip of columns' running sums and the interior
// totals (positions r + 1 .. n - r - 1, where every window lies inside the line) eight channels a step, with the
// same conversions, additions, subtractions and division in the same order as one channel at a time. Internal to the
// box blur passes; only where CpuHasAvx2().
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/lanes_avx2.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace blur {

// cur[k] = prev[k] + ArithFloat::Load(px[k]) for k in [0, channels), eight at a time: NaN enters as 0 and an
// infinity as the largest float of its sign (its bits less one). Returns how many were done (a multiple of 8); the
// caller finishes the rest.
PW_AVX2 inline int32_t AccumulateFloatAvx2(double* cur, const double* prev, const PF_FpShort* px, int32_t channels)
{
    const __m256i sign = _mm256_set1_epi32(0x7FFFFFFF), inf = _mm256_set1_epi32(0x7F800000);
    int32_t k = 0;
    for (; k + 8 <= channels; k += 8) {
        const __m256i bits = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + k));
        const __m256i magnitude = _mm256_and_si256(bits, sign);
        const __m256i nan = _mm256_cmpgt_epi32(magnitude, inf);
        const __m256i infinite = _mm256_cmpeq_epi32(magnitude, inf);  // -1 where infinite
        const __m256 v = _mm256_castsi256_ps(_mm256_andnot_si256(nan, _mm256_add_epi32(bits, infinite)));
        _mm256_storeu_pd(cur + k, _mm256_add_pd(_mm256_loadu_pd(prev + k), _mm256_cvtps_pd(_mm256_castps256_ps128(v))));
        _mm256_storeu_pd(cur + k + 4,
                         _mm256_add_pd(_mm256_loadu_pd(prev + k + 4), _mm256_cvtps_pd(_mm256_extractf128_ps(v, 1))));
    }
    return k;
}

// out[k] = (float)(((mid[k] - lo[k]) + (hi[k] - mid[k])) / window) for k in [0, channels), eight at a time, where
// mid holds S[i - 1], lo S[i - r - 1] and hi S[i + r]; the alphas (k a multiple of 4, out starting at a pixel) capped
// at 1 as v > 1 ? 1 : v, which is min(1, v) (a NaN kept), the colours through min(+inf, v), which is v. Returns how
// many were written (a multiple of 8); the caller finishes the rest.
PW_AVX2 inline int32_t FloatTotalsAvx2(PF_FpShort* out, const double* hi, const double* mid, const double* lo,
                                       int32_t channels, double window)
{
    const float inf = __builtin_inff();
    const __m256 cap = _mm256_setr_ps(1.0f, inf, inf, inf, 1.0f, inf, inf, inf);
    const __m256d w = _mm256_set1_pd(window);
    const auto quotient = [&](int32_t k) PW_AVX2 {
        const __m256d m = _mm256_loadu_pd(mid + k);
        const __m256d left = _mm256_sub_pd(m, _mm256_loadu_pd(lo + k));
        const __m256d right = _mm256_sub_pd(_mm256_loadu_pd(hi + k), m);
        return _mm256_cvtpd_ps(_mm256_div_pd(_mm256_add_pd(left, right), w));
    };
    int32_t k = 0;
    for (; k + 8 <= channels; k += 8) {
        const __m256 v = _mm256_insertf128_ps(_mm256_castps128_ps256(quotient(k)), quotient(k + 4), 1);
        _mm256_storeu_ps(out + k, _mm256_min_ps(cap, v));
    }
    return k;
}

}  // namespace blur
}  // namespace pw

#endif
