// The 8-bit three-weight composite over an opaque bottom, in 16-bit lanes (sixteen channels a vector). With the
// bottom's alpha 255 the result alpha is 255 for every top alpha aQ, and the weights are 255 aQ, aQ and
// 255 (256 - aQ), so a channel is ((255 U + V) >> 8) / 255 = floor((255 U + V) / 65280) with
// U = M aQ + p (256 - aQ) <= 65280 (M, p <= 255) and V = q aQ <= 65025. Writing U = 256 a + b, that floor is
// a + [255 b + V >= 65280] (255 b + V < 2 x 65280): 16-bit arithmetic throughout, no division, no clamp. The
// transparent-top shortcut gives what the formula gives (U = 256 p, V = 0). Normal over an opaque bottom is
// (q aQ + p (255 - aQ)) / 255 for every aQ, its two shortcuts included. Internal to the 8-bit composites; include
// only where PW_HAVE_LANES_AVX2 is defined.
#pragma once

#include <cstdint>

#include "kernels/lanes_avx2.h"
#include "kernels/lanes_avx512.h"
#include "kernels/real_to_int.h"

namespace pw {
namespace opaque8 {

// trunc(p x k) held at 255, for p = 0..255, as floor(p M / 2^(8 + shift)): found per frame for the scaled Add's
// factor and checked against the rule's own double product for every p; `exact` false where no such pair works.
struct ScaledFactor {
    uint16_t mul = 0;
    int shift = 0;
    bool exact = false;
};

inline int32_t ScaledHeld(int32_t p, double k)
{
    const double v = p * k;  // as the scaled Add forms it
    return v >= 255.0 ? 255 : TruncToInt32(v);
}

inline ScaledFactor FindScaledFactor(double k)
{
    ScaledFactor f;
    if (!(k >= 0.0) || !(k <= 1e9)) return f;
    for (int shift = 8; shift >= 0; --shift) {
        const int64_t scale = int64_t{1} << (8 + shift);
        // The least multiplier that reaches every target, then checked whole.
        int64_t mul = 0;
        for (int32_t p = 1; p < 256; ++p) {
            const int64_t need = (ScaledHeld(p, k) * scale + p - 1) / p;
            if (need > mul) mul = need;
        }
        if (mul > 65535) continue;
        bool exact = true;
        for (int32_t p = 0; p < 256 && exact; ++p) {
            const int64_t e = (static_cast<int64_t>(p) * mul) >> (8 + shift);
            exact = (e < 255 ? e : 255) == ScaledHeld(p, k);
        }
        if (exact) return {static_cast<uint16_t>(mul), shift, true};
    }
    return f;
}

#ifdef PW_HAVE_LANES_AVX2

// Eight pixels' alphas all 255.
PW_AVX2 inline bool AllOpaque(__m256i pixels)
{
    return _mm256_testc_si256(pixels, _mm256_set1_epi32(0xFF)) != 0;
}

// floor(x / 255) for every 16-bit x: x 32897 / 2^23 lies within 0.004 above x / 255, whose fraction is at most
// 254 / 255.
PW_AVX2 inline __m256i Divide255(__m256i x)
{
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<short>(32897))), 7);
}

// floor((255 U + V) / 65280) as above.
PW_AVX2 inline __m256i Channel(__m256i U, __m256i V)
{
    const __m256i b = _mm256_and_si256(U, _mm256_set1_epi16(0xFF));
    const __m256i limit = _mm256_add_epi16(_mm256_sub_epi16(_mm256_set1_epi16(static_cast<short>(65280)),
                                                            _mm256_slli_epi16(b, 8)), b);  // 65280 - 255 b
    const __m256i carry = _mm256_cmpeq_epi16(_mm256_max_epu16(V, limit), V);          // V >= limit: all ones
    return _mm256_sub_epi16(_mm256_srli_epi16(U, 8), carry);
}

// One pixel's four words (alpha first) in every pixel of the vector: a colour as Pixels() hands channels over.
PW_AVX2 inline __m256i Words(int64_t a, int64_t r, int64_t g, int64_t b)
{
    return _mm256_set1_epi64x(a | r << 16 | g << 32 | b << 48);
}

// The alpha of each pixel (its first word) in all four of its words.
PW_AVX2 inline __m256i SpreadAlpha(__m256i words)
{
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(words, 0), 0);
}

// Eight pixels through `channels`, which maps four pixels' words (alpha first, one 16-bit lane a channel) to their
// result channels (0..255; the alpha lanes' values are dropped): the result is opaque.
template <typename Channels>
PW_AVX2 inline __m256i Pixels(__m256i pixels, const Channels& channels)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = channels(_mm256_unpacklo_epi8(pixels, zero), 0);
    const __m256i high = channels(_mm256_unpackhi_epi8(pixels, zero), 1);
    return _mm256_or_si256(_mm256_packus_epi16(low, high), _mm256_set1_epi32(0xFF));
}

// The top's words in the same lanes as Pixels() hands the bottom's (half 0 or 1).
PW_AVX2 inline __m256i Half(__m256i pixels, int half)
{
    const __m256i zero = _mm256_setzero_si256();
    return half == 0 ? _mm256_unpacklo_epi8(pixels, zero) : _mm256_unpackhi_epi8(pixels, zero);
}

#endif

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// The same sixteen pixels a vector, for the AVX-512 schedules: unpacking and packing stay within 128-bit lanes, so
// the channels pair up as in the 256-bit forms.
PW_AVX512 inline bool AllOpaque(__m512i pixels)
{
    const __m512i alpha = _mm512_set1_epi32(0xFF);
    return _mm512_cmpneq_epi32_mask(_mm512_and_si512(pixels, alpha), alpha) == 0;
}

PW_AVX512 inline __m512i Divide255(__m512i x)
{
    return _mm512_srli_epi16(_mm512_mulhi_epu16(x, _mm512_set1_epi16(static_cast<short>(32897))), 7);
}

PW_AVX512 inline __m512i Channel(__m512i U, __m512i V)
{
    const __m512i b = _mm512_and_si512(U, _mm512_set1_epi16(0xFF));
    const __m512i limit = _mm512_add_epi16(_mm512_sub_epi16(_mm512_set1_epi16(static_cast<short>(65280)),
                                                            _mm512_slli_epi16(b, 8)), b);
    const __m512i high = _mm512_srli_epi16(U, 8);
    return _mm512_mask_add_epi16(high, _mm512_cmpge_epu16_mask(V, limit), high, _mm512_set1_epi16(1));
}

PW_AVX512 inline __m512i SpreadAlpha(__m512i words)
{
    return _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(words, 0), 0);
}

template <typename Channels>
PW_AVX512 inline __m512i Pixels(__m512i pixels, const Channels& channels)
{
    const __m512i zero = _mm512_setzero_si512();
    const __m512i low = channels(_mm512_unpacklo_epi8(pixels, zero), 0);
    const __m512i high = channels(_mm512_unpackhi_epi8(pixels, zero), 1);
    return _mm512_or_si512(_mm512_packus_epi16(low, high), _mm512_set1_epi32(0xFF));
}

PW_AVX512 inline __m512i Half(__m512i pixels, int half)
{
    const __m512i zero = _mm512_setzero_si512();
    return half == 0 ? _mm512_unpacklo_epi8(pixels, zero) : _mm512_unpackhi_epi8(pixels, zero);
}

PW_AVX512_END
#endif

}  // namespace opaque8
}  // namespace pw
