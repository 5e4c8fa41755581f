#include "kernels/tint_line16.h"

#include <cmath>

#include "kernels/lanes_avx512.h"
#include "kernels/pixel_depth.h"

namespace pw {

bool FitTintLine16(const A_u_short* tables, const double (&slope)[3], const double (&offset)[3], A_u_short alpha,
                   TintLine16& line)
{
    constexpr int32_t kValues = Depth16::kWhite + 1;
    const double unit = std::ldexp(1.0, TintLine16::kShift);
    for (int c = 0; c < 3; ++c) {
        // p x slope and the offset each below 2^60, so their sum fits; a NaN fails these tests too.
        if (!(slope[c] >= 0 && slope[c] < 2 && offset[c] >= 0 && offset[c] < kValues)) return false;
        // Over an opaque pixel every mode's value but Dodge's and Burn's is a multiple of 2^-30, and so are its slope
        // and offset: the line is then exact. Elsewhere rounding may move a value across an integer; the check below
        // finds it.
        line.slope[c] = static_cast<uint64_t>(std::llround(slope[c] * unit));
        line.offset[c] = static_cast<uint64_t>(std::llround(offset[c] * unit));
        const A_u_short* table = tables + c * kValues;
        for (int32_t p = 0; p < kValues; ++p) {
            if ((static_cast<uint64_t>(p) * line.slope[c] + line.offset[c]) >> TintLine16::kShift != table[p])
                return false;
        }
    }
    line.alpha = alpha;
    return true;
}

#ifdef PW_HAVE_LANES_AVX512

PW_AVX512_BEGIN

PW_AVX512 int32_t LineRun16(PF_Pixel16* row, int32_t width, const TintLine16& line)
{
    const __m512i word = _mm512_set1_epi64(0xFFFF), white = _mm512_set1_epi64(0x8000);
    const __m512i white16 = _mm512_set1_epi16(static_cast<short>(0x8000));
    __m512i low[3], high[3], offset[3];
    for (int c = 0; c < 3; ++c) {
        low[c] = _mm512_set1_epi64(static_cast<long long>(line.slope[c] & 0xFFFFFFFFu));
        high[c] = _mm512_set1_epi64(static_cast<long long>(line.slope[c] >> 32));
        offset[c] = _mm512_set1_epi64(static_cast<long long>(line.offset[c]));
    }
    // p x slope as two 32 x 32-bit products: p < 2^16 and the slope's high half < 2^13.
    const auto channel = [&](__m512i p, int c) PW_AVX512 {
        const __m512i product =
            _mm512_add_epi64(_mm512_mul_epu32(p, low[c]), _mm512_slli_epi64(_mm512_mul_epu32(p, high[c]), 32));
        return _mm512_srli_epi64(_mm512_add_epi64(product, offset[c]), TintLine16::kShift);
    };
    const __m512i alpha = _mm512_set1_epi64(line.alpha);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m512i P = _mm512_loadu_si512(row + x);
        if (_mm512_cmpneq_epi64_mask(_mm512_and_si512(P, word), white) != 0) break;
        const __m512i above = _mm512_subs_epu16(P, white16);
        if (_mm512_test_epi16_mask(above, above) != 0) break;
        const __m512i red = channel(_mm512_and_si512(_mm512_srli_epi64(P, 16), word), 0);
        const __m512i green = channel(_mm512_and_si512(_mm512_srli_epi64(P, 32), word), 1);
        const __m512i blue = channel(_mm512_srli_epi64(P, 48), 2);
        const __m512i out = _mm512_or_si512(_mm512_or_si512(alpha, _mm512_slli_epi64(red, 16)),
                                            _mm512_or_si512(_mm512_slli_epi64(green, 32), _mm512_slli_epi64(blue, 48)));
        _mm512_storeu_si512(row + x, out);
    }
    return x;
}

PW_AVX512_END

#else

int32_t LineRun16(PF_Pixel16*, int32_t, const TintLine16&) { return 0; }

#endif

}  // namespace pw
