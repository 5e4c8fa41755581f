// The 8-bit passes with narrow sums (box_blur_arith.h, Arith8Narrow) in AVX2 lanes: a row's running sums eight
// pixels a step, a strip of columns' sums sixteen channels a step, the interior totals (positions r + 1 ..
// n - r - 1, where every window lies inside the line) thirty-two channels a step, alone or with the strip's sums, and a
// row's edge totals eight pixels a step. The sums are the same integers modulo 2^16 as PrefixRow's, and an interior total is
// (S[i - 1] - S[i - r - 1]) + (S[i + r] - S[i - 1]) = S[i + r] - S[i - r - 1] modulo 2^16, below 2^16 and so exact.
// Internal to the box blur passes; only where CpuHasAvx2().
#pragma once

#include <cstddef>
#include <cstdint>

#include "ae_basic.h"
#include "kernels/box_blur_prefix.h"
#include "kernels/lanes_avx2.h"

#ifdef PW_HAVE_LANES_AVX2

namespace pw {
namespace blur {

// A row's sums from pixel k on, a pixel at a time from the last sum (the low four words of `last`): what is left past
// the last whole step.
inline void PrefixTail(uint16_t* S, const A_u_char* px, int32_t k, int32_t n, __m128i last)
{
    for (; k < n; ++k) {
        int32_t word;
        __builtin_memcpy(&word, px + 4 * k, sizeof word);
        last = _mm_add_epi16(last, _mm_unpacklo_epi8(_mm_cvtsi32_si128(word), _mm_setzero_si128()));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(S + 4 * k), last);
    }
}

// S[4k + c] = P[0][c] + ... + P[k][c] modulo 2^16. Within each 128-bit half two pixels become [p0, p0 + p1], the
// next two add the first two's total; the upper half then adds the lower half's total, and everything the total
// of the steps before.
PW_AVX2 inline void PrefixRowAvx2(uint16_t* S, const A_u_char* px, int32_t n)
{
    const __m256i zero = _mm256_setzero_si256();
    __m256i carry = zero;  // the last sum, in all four quarters
    int32_t k = 0;
    for (; k + 8 <= n; k += 8) {
        PrefetchAhead(px + 4 * k);
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px + 4 * k));
        __m256i a = _mm256_unpacklo_epi8(bytes, zero), b = _mm256_unpackhi_epi8(bytes, zero);  // pixels 0 1 | 4 5; 2 3 | 6 7
        a = _mm256_add_epi16(a, _mm256_slli_si256(a, 8));
        b = _mm256_add_epi16(_mm256_add_epi16(b, _mm256_slli_si256(b, 8)), _mm256_shuffle_epi32(a, _MM_SHUFFLE(3, 2, 3, 2)));
        const __m256i lowTotal = _mm256_blend_epi32(zero, _mm256_permute4x64_epi64(b, _MM_SHUFFLE(1, 1, 1, 1)), 0xF0);
        a = _mm256_add_epi16(a, lowTotal);
        b = _mm256_add_epi16(b, lowTotal);
        // The step's own total joins the carry apart from the sums: one addition a step on the serial chain.
        const __m256i stepTotal = _mm256_permute4x64_epi64(b, _MM_SHUFFLE(3, 3, 3, 3));
        a = _mm256_add_epi16(a, carry);
        b = _mm256_add_epi16(b, carry);
        carry = _mm256_add_epi16(carry, stepTotal);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(S + 4 * k), _mm256_permute2x128_si256(a, b, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(S + 4 * k + 16), _mm256_permute2x128_si256(a, b, 0x31));
    }
    PrefixTail(S, px, k, n, _mm256_castsi256_si128(carry));
}

// Thirty-two totals (t0, t1: sixteen each, modulo 2^16) leave as bytes at out: ((t x mul) >> 16) >> Shift, packed in
// order.
template <int Shift>
PW_AVX2 inline void StoreQuotients(A_u_char* out, __m256i t0, __m256i t1, __m256i mul)
{
    const __m256i q0 = _mm256_srli_epi16(_mm256_mulhi_epu16(t0, mul), Shift);
    const __m256i q1 = _mm256_srli_epi16(_mm256_mulhi_epu16(t1, mul), Shift);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_permute4x64_epi64(_mm256_packus_epi16(q0, q1), _MM_SHUFFLE(3, 1, 2, 0)));
}

// out[k] = ((hi[k] - lo[k]) x mul >> 16) >> Shift for k in [0, channels), 32 at a time: the interior totals of a row
// (hi at S[i + r], lo at S[i - r - 1]) or of one position of a strip of columns. Returns how many were written (a
// multiple of 32); the caller finishes the rest.
template <int Shift>
PW_AVX2 inline int32_t NarrowTotalsAvx2(A_u_char* out, const uint16_t* hi, const uint16_t* lo, int32_t channels,
                                        uint16_t mul)
{
    const __m256i m = _mm256_set1_epi16(static_cast<short>(mul));
    int32_t k = 0;
    for (; k + 32 <= channels; k += 32) {
        const __m256i t0 = _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(hi + k)),
                                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lo + k)));
        const __m256i t1 = _mm256_sub_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(hi + k + 16)),
                                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lo + k + 16)));
        StoreQuotients<Shift>(out + k, t0, t1, m);
    }
    return k;
}

// The totals of a row's positions whose window reaches past one end only, eight pixels a step. Modulo 2^16 the
// definition's left and right parts add up to
//   past the start (i <= r):  S[i + r] + (r - i) x P[0],
//   past the end (i > r):     S[n - 1] - S[i - r - 1] + (i + r - n + 1) x P[n - 1],
// and the true total lies below 2^16, so both give the span's exact total. sums: the first pixel's S[i + r] or
// S[i - r - 1]; edge: P[0] or P[n - 1] and last: S[n - 1], four channels each; count: the first pixel's multiple of
// the edge, which falls by one a pixel past the start and rises past the end. Returns the pixels written (a
// multiple of 8); the caller finishes the rest.
template <int Shift, bool kPastEnd>
PW_AVX2 inline int32_t NarrowEdgeTotalsAvx2(A_u_char* out, const uint16_t* sums, const uint16_t* edge,
                                            const uint16_t* last, int32_t pixels, int32_t count, uint16_t mul)
{
    const __m256i m = _mm256_set1_epi16(static_cast<short>(mul));
    long long words[2];
    __builtin_memcpy(&words[0], edge, sizeof words[0]);
    __builtin_memcpy(&words[1], last, sizeof words[1]);
    const __m256i e = _mm256_set1_epi64x(words[0]);
    const __m256i l = _mm256_set1_epi64x(words[1]);
    constexpr short d = kPastEnd ? 1 : -1;
    __m256i c0 = _mm256_add_epi16(_mm256_set1_epi16(static_cast<short>(count)),
                                  _mm256_setr_epi16(0, 0, 0, 0, d, d, d, d, 2 * d, 2 * d, 2 * d, 2 * d, 3 * d, 3 * d,
                                                    3 * d, 3 * d));
    __m256i c1 = _mm256_add_epi16(c0, _mm256_set1_epi16(4 * d));
    const __m256i step = _mm256_set1_epi16(8 * d);
    int32_t k = 0;
    for (; k + 8 <= pixels; k += 8) {
        const __m256i s0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + 4 * k));
        const __m256i s1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(sums + 4 * k + 16));
        __m256i t0 = _mm256_mullo_epi16(c0, e), t1 = _mm256_mullo_epi16(c1, e);
        if constexpr (kPastEnd) {
            t0 = _mm256_add_epi16(t0, _mm256_sub_epi16(l, s0));
            t1 = _mm256_add_epi16(t1, _mm256_sub_epi16(l, s1));
        } else {
            t0 = _mm256_add_epi16(t0, s0);
            t1 = _mm256_add_epi16(t1, s1);
        }
        StoreQuotients<Shift>(out + 4 * k, t0, t1, m);
        c0 = _mm256_add_epi16(c0, step);
        c1 = _mm256_add_epi16(c1, step);
    }
    return k;
}

// cur[k] = prev[k] + px[k] for k in [0, channels), modulo 2^16: one position's sums of a strip of columns.
PW_AVX2 inline void AccumulateNarrowAvx2(uint16_t* cur, const uint16_t* prev, const A_u_char* px, int32_t channels)
{
    int32_t k = 0;
    for (; k + 16 <= channels; k += 16) {
        const __m256i v = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + k)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(cur + k),
                            _mm256_add_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(prev + k)), v));
    }
    for (; k < channels; ++k) cur[k] = static_cast<uint16_t>(prev[k] + px[k]);
}

// One interior position of a strip of columns in one walk, thirty-two channels a step: cur[k] = prev[k] + px[k], the
// lead's sums, and out[k] = ((cur[k] - lo[k]) x mul >> 16) >> Shift, the total of the window they close. Returns how
// many were done (a multiple of 32); the caller finishes the rest.
template <int Shift>
PW_AVX2 inline int32_t SlideNarrowAvx2(A_u_char* out, uint16_t* cur, const uint16_t* prev, const A_u_char* px,
                                       const uint16_t* lo, int32_t channels, uint16_t mul)
{
    const __m256i m = _mm256_set1_epi16(static_cast<short>(mul));
    const auto totals = [&](int32_t at) PW_AVX2 {
        const __m256i v = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(px + at)));
        const __m256i sums = _mm256_add_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(prev + at)), v);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(cur + at), sums);
        return _mm256_sub_epi16(sums, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lo + at)));
    };
    int32_t k = 0;
    for (; k + 32 <= channels; k += 32) {
        const __m256i t0 = totals(k), t1 = totals(k + 16);
        StoreQuotients<Shift>(out + k, t0, t1, m);
    }
    return k;
}

}  // namespace blur
}  // namespace pw

#endif
