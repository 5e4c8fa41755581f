// The 8-bit narrow-sum lanes of box_blur_lanes8.h twice as wide where the processor has AVX-512 (the running sums of a
// row, a strip's sums and the interior totals, alone or together), and for each the widest form kLanes allows, the
// narrower ones finishing what is left. Internal to the box blur passes; each width only where BestIsa() offers it.
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/box_blur_lanes8.h"
#include "kernels/box_blur_prefix.h"
#include "kernels/cpu_features.h"
#include "kernels/lanes_avx512.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace blur {

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// PrefixRowAvx2 eight pixels a vector: each vector's eight sums by three shifts across the whole register (one, two
// and four pixels), then the total of the vectors before; the carry takes the vector's own total apart from the sums.
PW_AVX512 inline void PrefixRowAvx512(uint16_t* S, const A_u_char* px, int32_t n)
{
    const __m512i zero = _mm512_setzero_si512();
    const __m512i lastPixel = _mm512_set1_epi64(7);
    __m512i carry = zero;
    int32_t k = 0;
    const auto eight = [&](int32_t at) PW_AVX512 {
        __m512i x = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + 4 * at)));
        x = _mm512_add_epi16(x, _mm512_alignr_epi64(x, zero, 7));
        x = _mm512_add_epi16(x, _mm512_alignr_epi64(x, zero, 6));
        x = _mm512_add_epi16(x, _mm512_alignr_epi64(x, zero, 4));
        _mm512_storeu_si512(S + 4 * at, _mm512_add_epi16(x, carry));
        carry = _mm512_add_epi16(carry, _mm512_permutexvar_epi64(lastPixel, x));
    };
    for (; k + 16 <= n; k += 16) {
        PrefetchAhead(px + 4 * k);  // once a cache line
        eight(k);
        eight(k + 8);
    }
    if (k + 8 <= n) {
        eight(k);
        k += 8;
    }
    PrefixTail(S, px, k, n, _mm512_castsi512_si128(carry));
}

// StoreQuotients sixty-four totals at a time.
template <int Shift>
PW_AVX512 inline void StoreQuotients(A_u_char* out, __m512i t0, __m512i t1, __m512i mul)
{
    const __m512i q0 = _mm512_srli_epi16(_mm512_mulhi_epu16(t0, mul), Shift);
    const __m512i q1 = _mm512_srli_epi16(_mm512_mulhi_epu16(t1, mul), Shift);
    const __m512i order = _mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7);  // packing pairs 128-bit lanes of q0 and q1
    _mm512_storeu_si512(out, _mm512_permutexvar_epi64(order, _mm512_packus_epi16(q0, q1)));
}

// NarrowTotalsAvx2 sixty-four channels a step; returns how many were written (a multiple of 64).
template <int Shift>
PW_AVX512 inline int32_t NarrowTotalsAvx512(A_u_char* out, const uint16_t* hi, const uint16_t* lo, int32_t channels,
                                            uint16_t mul)
{
    const __m512i m = _mm512_set1_epi16(static_cast<short>(mul));
    int32_t k = 0;
    for (; k + 64 <= channels; k += 64) {
        const __m512i t0 = _mm512_sub_epi16(_mm512_loadu_si512(hi + k), _mm512_loadu_si512(lo + k));
        const __m512i t1 = _mm512_sub_epi16(_mm512_loadu_si512(hi + k + 32), _mm512_loadu_si512(lo + k + 32));
        StoreQuotients<Shift>(out + k, t0, t1, m);
    }
    return k;
}

// AccumulateNarrowAvx2 thirty-two channels a step; returns how many were done (a multiple of 32).
PW_AVX512 inline int32_t AccumulateNarrowAvx512(uint16_t* cur, const uint16_t* prev, const A_u_char* px,
                                                int32_t channels)
{
    int32_t k = 0;
    for (; k + 32 <= channels; k += 32) {
        const __m512i v = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + k)));
        _mm512_storeu_si512(cur + k, _mm512_add_epi16(_mm512_loadu_si512(prev + k), v));
    }
    return k;
}

// SlideNarrowAvx2 sixty-four channels a step; returns how many were done (a multiple of 64).
template <int Shift>
PW_AVX512 inline int32_t SlideNarrowAvx512(A_u_char* out, uint16_t* cur, const uint16_t* prev, const A_u_char* px,
                                           const uint16_t* lo, int32_t channels, uint16_t mul)
{
    const __m512i m = _mm512_set1_epi16(static_cast<short>(mul));
    const auto totals = [&](int32_t at) PW_AVX512 {
        const __m512i v = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + at)));
        const __m512i sums = _mm512_add_epi16(_mm512_loadu_si512(prev + at), v);
        _mm512_storeu_si512(cur + at, sums);
        return _mm512_sub_epi16(sums, _mm512_loadu_si512(lo + at));
    };
    int32_t k = 0;
    for (; k + 64 <= channels; k += 64) {
        const __m512i t0 = totals(k), t1 = totals(k + 32);
        StoreQuotients<Shift>(out + k, t0, t1, m);
    }
    return k;
}

PW_AVX512_END
#endif

template <Isa kLanes>
inline void PrefixRowNarrow(uint16_t* S, const A_u_char* px, int32_t n)
{
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) return PrefixRowAvx512(S, px, n);
#endif
    PrefixRowAvx2(S, px, n);
}

template <Isa kLanes, int Shift>
inline int32_t NarrowTotals(A_u_char* out, const uint16_t* hi, const uint16_t* lo, int32_t channels, uint16_t mul)
{
    int32_t done = 0;
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) done = NarrowTotalsAvx512<Shift>(out, hi, lo, channels, mul);
#endif
    return done + NarrowTotalsAvx2<Shift>(out + done, hi + done, lo + done, channels - done, mul);
}

template <Isa kLanes>
inline void AccumulateNarrow(uint16_t* cur, const uint16_t* prev, const A_u_char* px, int32_t channels)
{
    int32_t done = 0;
#ifdef PW_HAVE_LANES_AVX512
    if constexpr (kLanes >= Isa::Avx512Vbmi) done = AccumulateNarrowAvx512(cur, prev, px, channels);
#endif
    AccumulateNarrowAvx2(cur + done, prev + done, px + done, channels - done);
}

}  // namespace blur
}  // namespace pw

#endif
