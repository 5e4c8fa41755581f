// The running sums of one contiguous row (four channels a pixel) in SSE2 lanes, the baseline of every build, kept in
// registers from one pixel to the next: S[4k + c] = P[0][c] + ... + P[k][c], the same integers (16-bit ones wrapping
// as they do) as one channel at a time. Internal to the box blur passes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ae_basic.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define PW_BLUR_PREFIX_SSE2 1
#endif

namespace pw {
namespace blur {

// A row walks its channels once, a dependent addition a pixel: the loads are asked for this far ahead, which the
// hardware prefetcher alone did not (the row pass ran a quarter slower).
constexpr ptrdiff_t kRowPrefetchBytes = 8192;

inline void PrefetchAhead(const void* p)
{
#if defined(__GNUC__)
    __builtin_prefetch(static_cast<const char*>(p) + kRowPrefetchBytes);
#else
    (void)p;
#endif
}

// A strip of columns' next rows lie a row apart, beyond the hardware prefetcher's reach: they are asked for this many
// rows ahead.
constexpr int32_t kPrefetchRows = 16;

#if defined(__GNUC__)
// Always inlined: a call left standing reads to GCC as one without effects, and goes.
inline __attribute__((always_inline)) void PrefetchSpan(const void* p, ptrdiff_t bytes)
{
    // Every cache line the span touches, aligned or not.
    const char* c = static_cast<const char*>(p);
    const char* const end = c + bytes;
    for (c -= reinterpret_cast<uintptr_t>(c) & 63; c < end; c += 64) {
        __builtin_prefetch(c);
    }
}
#else
inline void PrefetchSpan(const void*, ptrdiff_t) {}
#endif

// Sums and channels without a lane schedule: the caller walks them itself.
template <typename Sum, typename Channel>
bool PrefixRow(Sum*, const Channel*, int32_t)
{
    return false;
}

#ifdef PW_BLUR_PREFIX_SSE2

// 8-bit channels into 16-bit sums, four pixels a step: [p0, p1] + [0, p0] is [p0, p0 + p1], the second pair's the
// same plus p0 + p1, and both plus the sum so far; only that last addition waits on the step before.
inline bool PrefixRow(uint16_t* S, const A_u_char* px, int32_t n)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i carry = zero;  // the last sum, in both halves
    int32_t k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 4 * k));
        __m128i a = _mm_unpacklo_epi8(bytes, zero), b = _mm_unpackhi_epi8(bytes, zero);
        a = _mm_add_epi16(a, _mm_slli_si128(a, 8));
        b = _mm_add_epi16(_mm_add_epi16(b, _mm_slli_si128(b, 8)), _mm_shuffle_epi32(a, _MM_SHUFFLE(3, 2, 3, 2)));
        const __m128i high = _mm_add_epi16(b, carry);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(S + 4 * k), _mm_add_epi16(a, carry));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(S + 4 * k + 8), high);
        carry = _mm_shuffle_epi32(high, _MM_SHUFFLE(3, 2, 3, 2));
    }
    for (; k < n; ++k) {
        int32_t word;
        __builtin_memcpy(&word, px + 4 * k, sizeof word);
        carry = _mm_add_epi16(carry, _mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(S + 4 * k), carry);
    }
    return true;
}

// 8-bit or 16-bit channels into 32-bit sums, a pixel a step.
inline bool PrefixRow(int32_t* S, const A_u_char* px, int32_t n)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i s = zero;
    for (int32_t k = 0; k < n; ++k) {
        int32_t word;
        __builtin_memcpy(&word, px + 4 * k, sizeof word);
        const __m128i v = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero);
        s = _mm_add_epi32(s, v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(S + 4 * k), s);
    }
    return true;
}

inline bool PrefixRow(int32_t* S, const A_u_short* px, int32_t n)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i s = zero;
    int32_t k = 0;
    for (; k + 2 <= n; k += 2) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 4 * k));
        const __m128i a = _mm_unpacklo_epi16(v, zero), b = _mm_unpackhi_epi16(v, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(S + 4 * k), _mm_add_epi32(s, a));
        s = _mm_add_epi32(s, _mm_add_epi32(a, b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(S + 4 * k + 4), s);
    }
    for (; k < n; ++k) {
        const __m128i v = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(px + 4 * k)), zero);
        s = _mm_add_epi32(s, v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(S + 4 * k), s);
    }
    return true;
}

// Four float channels as they enter double sums (ArithFloat::Load): NaN as 0, an infinity as the largest float of
// its sign.
inline __m128 LoadSums(const PF_FpShort* p)
{
    const __m128i sign = _mm_set1_epi32(0x7FFFFFFF), inf = _mm_set1_epi32(0x7F800000);
    const __m128i bits = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i magnitude = _mm_and_si128(bits, sign);
    const __m128i nan = _mm_cmpgt_epi32(magnitude, inf);
    const __m128i infinite = _mm_cmpeq_epi32(magnitude, inf);
    return _mm_castsi128_ps(_mm_andnot_si128(nan, _mm_add_epi32(bits, infinite)));  // infinite is -1
}

// Float channels into double sums, a pixel a step, the sums kept in registers: the same additions in the same order as
// one channel at a time, without a trip through memory on the chain from one pixel to the next.
inline bool PrefixRow(double* S, const PF_FpShort* px, int32_t n)
{
    // The first pixel is the first sum as it stands: 0 + (-0) would turn a negative zero positive.
    const __m128 first = LoadSums(px);
    __m128d low = _mm_cvtps_pd(first), high = _mm_cvtps_pd(_mm_movehl_ps(first, first));
    _mm_storeu_pd(S, low);
    _mm_storeu_pd(S + 2, high);
    for (int32_t k = 1; k < n; ++k) {
        PrefetchAhead(px + 4 * k);
        const __m128 v = LoadSums(px + 4 * k);
        low = _mm_add_pd(low, _mm_cvtps_pd(v));
        high = _mm_add_pd(high, _mm_cvtps_pd(_mm_movehl_ps(v, v)));
        _mm_storeu_pd(S + 4 * k, low);
        _mm_storeu_pd(S + 4 * k + 2, high);
    }
    return true;
}

#endif

}  // namespace blur
}  // namespace pw
