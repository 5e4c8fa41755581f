// The float passes (box_blur_arith.h, ArithFloat) in AVX2 lanes and, where the processor has them, AVX-512 lanes: a
// strip of columns' running sums and the interior totals (positions r + 1 .. n - r - 1, where every window lies
// inside the line), with the same conversions, additions, subtractions and division in the same order as one channel
// at a time. Internal to the box blur passes; each width only where BestIsa() offers it.
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/cpu_features.h"
#include "kernels/lanes_avx2.h"
#include "kernels/lanes_avx512.h"

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

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// AccumulateFloatAvx2 sixteen channels a step; returns how many were done (a multiple of 16).
PW_AVX512 inline int32_t AccumulateFloatAvx512(double* cur, const double* prev, const PF_FpShort* px, int32_t channels)
{
    const __m512i sign = _mm512_set1_epi32(0x7FFFFFFF), inf = _mm512_set1_epi32(0x7F800000);
    int32_t k = 0;
    for (; k + 16 <= channels; k += 16) {
        const __m512i bits = _mm512_loadu_si512(px + k);
        const __m512i magnitude = _mm512_and_si512(bits, sign);
        const __mmask16 finite = _mm512_cmple_epi32_mask(magnitude, inf);
        const __mmask16 infinite = _mm512_cmpeq_epi32_mask(magnitude, inf);
        const __m512i v = _mm512_maskz_mov_epi32(finite, _mm512_mask_sub_epi32(bits, infinite, bits, _mm512_set1_epi32(1)));
        const __m256 low = _mm256_castsi256_ps(_mm512_castsi512_si256(v));
        const __m256 high = _mm256_castsi256_ps(_mm512_extracti64x4_epi64(v, 1));
        _mm512_storeu_pd(cur + k, _mm512_add_pd(_mm512_loadu_pd(prev + k), _mm512_cvtps_pd(low)));
        _mm512_storeu_pd(cur + k + 8, _mm512_add_pd(_mm512_loadu_pd(prev + k + 8), _mm512_cvtps_pd(high)));
    }
    return k;
}

// FloatTotalsAvx2 with each division eight channels wide; returns how many were written (a multiple of 8).
PW_AVX512 inline int32_t FloatTotalsAvx512(PF_FpShort* out, const double* hi, const double* mid, const double* lo,
                                           int32_t channels, double window)
{
    const float inf = __builtin_inff();
    const __m256 cap = _mm256_setr_ps(1.0f, inf, inf, inf, 1.0f, inf, inf, inf);
    const __m512d w = _mm512_set1_pd(window);
    int32_t k = 0;
    for (; k + 8 <= channels; k += 8) {
        const __m512d m = _mm512_loadu_pd(mid + k);
        const __m512d left = _mm512_sub_pd(m, _mm512_loadu_pd(lo + k));
        const __m512d right = _mm512_sub_pd(_mm512_loadu_pd(hi + k), m);
        _mm256_storeu_ps(out + k, _mm256_min_ps(cap, _mm512_cvtpd_ps(_mm512_div_pd(_mm512_add_pd(left, right), w))));
    }
    return k;
}

PW_AVX512_END
#endif

// The widest of the above that kLanes allows, then the narrower for what is left: how many channels were done.
template <Isa kLanes>
PW_AVX2 inline int32_t AccumulateFloat(double* cur, const double* prev, const PF_FpShort* px, int32_t channels)
{
    int32_t done = 0;
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) done = AccumulateFloatAvx512(cur, prev, px, channels);
#endif
    return done + AccumulateFloatAvx2(cur + done, prev + done, px + done, channels - done);
}

template <Isa kLanes>
PW_AVX2 inline int32_t FloatTotals(PF_FpShort* out, const double* hi, const double* mid, const double* lo,
                                   int32_t channels, double window)
{
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) return FloatTotalsAvx512(out, hi, mid, lo, channels, window);
#endif
    return FloatTotalsAvx2(out, hi, mid, lo, channels, window);
}

}  // namespace blur
}  // namespace pw

#endif
