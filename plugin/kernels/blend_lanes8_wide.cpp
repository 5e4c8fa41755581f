// The Color treatment's 8-bit blend (blend_lanes8.cpp) sixteen pixels a step where the processor has AVX-512: the same
// integer arithmetic and the same single-precision divisions in lanes twice as wide. Groups whose pixels are all
// opaque and what is left at a row's end go through the 256-bit row.
#include "kernels/composite_lanes.h"

#include <type_traits>

#include "kernels/blend_rules.h"
#include "kernels/lanes_avx512.h"

namespace pw {
namespace {

#ifdef PW_HAVE_LANES_AVX512
PW_AVX512_BEGIN

// lanes::DivideSmall sixteen lanes wide.
PW_AVX512 inline __m512i DivideSmall(__m512i x, __m512 inverse)
{
    return _mm512_cvttps_epi32(_mm512_mul_ps(_mm512_add_ps(_mm512_cvtepi32_ps(x), _mm512_set1_ps(0.5f)), inverse));
}

struct Top {
    __m512i q;
    __m512 by255, byComplement, byQ;  // 1 / 255, 1 / (255 - q), 1 / q (unused where they would be infinite)
};

PW_AVX512 inline __m512i Rule8(__m512i p, const Top& t, const AddRule&)
{
    return _mm512_min_epi32(_mm512_add_epi32(p, t.q), _mm512_set1_epi32(255));
}
PW_AVX512 inline __m512i Rule8(__m512i p, const Top& t, const MultiplyRule&)
{
    return DivideSmall(_mm512_mullo_epi32(p, t.q), t.by255);
}
PW_AVX512 inline __m512i Rule8(__m512i p, const Top& t, const ScreenRule&)
{
    return _mm512_sub_epi32(_mm512_add_epi32(p, t.q), DivideSmall(_mm512_mullo_epi32(p, t.q), t.by255));
}
PW_AVX512 inline __m512i Rule8(__m512i p, const Top& t, const OverlayRule&)
{
    const __m512i pq = _mm512_mullo_epi32(p, t.q);
    const __m512i dark = DivideSmall(_mm512_add_epi32(pq, pq), t.by255);
    const __m512i screen = _mm512_sub_epi32(_mm512_add_epi32(p, t.q), DivideSmall(pq, t.by255));
    const __m512i light = _mm512_sub_epi32(_mm512_add_epi32(screen, screen), _mm512_set1_epi32(255));
    return _mm512_mask_blend_epi32(_mm512_cmplt_epi32_mask(p, _mm512_set1_epi32(128)), light, dark);
}
PW_AVX512 inline __m512i Rule8(__m512i p, const Top& t, const DodgeRule&)
{
    const __m512i white = _mm512_set1_epi32(255);
    const __m512i v = _mm512_min_epi32(DivideSmall(_mm512_mullo_epi32(p, white), t.byComplement), white);
    return _mm512_mask_blend_epi32(_mm512_cmpeq_epi32_mask(t.q, white), v, white);
}
PW_AVX512 inline __m512i Rule8(__m512i p, const Top& t, const BurnRule&)
{
    const __m512i white = _mm512_set1_epi32(255), zero = _mm512_setzero_si512();
    const __m512i v = _mm512_sub_epi32(white, DivideSmall(_mm512_mullo_epi32(_mm512_sub_epi32(white, p), white), t.byQ));
    return _mm512_mask_blend_epi32(_mm512_cmpeq_epi32_mask(t.q, zero), _mm512_max_epi32(v, zero), zero);
}

template <typename Rule>
PW_AVX512 void Row(PF_Pixel8* row, int32_t width, const PF_Pixel8& tint, const Rule& rule)
{
    const __m512i low = _mm512_set1_epi32(0xFF), full = _mm512_set1_epi32(256), white = _mm512_set1_epi32(255);
    const __m512i zero = _mm512_setzero_si512(), aQ = _mm512_set1_epi32(tint.alpha);
    const __m512i Q = _mm512_set1_epi32(static_cast<int32_t>(WordFromPixel(tint)));
    const __mmask16 clearTop = _mm512_cmpeq_epi32_mask(aQ, zero);
    const A_u_char channels[3] = {tint.red, tint.green, tint.blue};
    Top tops[3];
    for (int c = 0; c < 3; ++c) {
        const int32_t q = channels[c];
        tops[c] = {_mm512_set1_epi32(q), _mm512_set1_ps(1.0f / 255.0f),
                   _mm512_set1_ps(1.0f / static_cast<float>(q == 255 ? 1 : 255 - q)),
                   _mm512_set1_ps(1.0f / static_cast<float>(q == 0 ? 1 : q))};
    }
    const __m512 one = _mm512_set1_ps(1.0f);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m512i P = _mm512_loadu_si512(row + x);
        const __m512i aP = _mm512_and_si512(P, low);
        const __mmask16 bare = _mm512_cmpeq_epi32_mask(aP, zero);
        if (bare == 0xFFFF) {
            _mm512_storeu_si512(row + x, Q);  // both forms below pick the tint
            continue;
        }
        if (_mm512_cmpneq_epi32_mask(aP, low) == 0) {
            BlendRow8Avx2(row + x, 16, tint, rule);  // the opaque bottoms' 16-bit lanes
            continue;
        }
        __m512i result;
        if constexpr (std::is_same_v<Rule, NormalRule>) {
            const __m512i d = _mm512_srli_epi32(_mm512_mullo_epi16(_mm512_sub_epi32(full, aQ), aP), 8);
            const __m512i alpha = _mm512_min_epi32(_mm512_add_epi32(aQ, d), white);
            const __m512 inverse = _mm512_div_ps(one, _mm512_cvtepi32_ps(alpha));
            result = alpha;
            for (int c = 0; c < 3; ++c) {
                const int shift = 8 * c + 8;
                const __m512i p = _mm512_and_si512(_mm512_srli_epi32(P, shift), low);
                const __m512i x0 = _mm512_add_epi32(_mm512_mullo_epi16(tops[c].q, aQ), _mm512_mullo_epi16(p, d));
                result = _mm512_or_si512(result, _mm512_slli_epi32(_mm512_min_epi32(DivideSmall(x0, inverse), white), shift));
            }
            result = _mm512_mask_blend_epi32(clearTop, result, P);
            result = _mm512_mask_blend_epi32(bare | _mm512_cmpeq_epi32_mask(aQ, white), result, Q);
        } else {
            const __m512i bottom = _mm512_mullo_epi16(_mm512_sub_epi32(full, aQ), aP);
            const __m512i alpha = _mm512_min_epi32(_mm512_add_epi32(aQ, _mm512_srli_epi32(bottom, 8)), white);
            const __m512i both = _mm512_mullo_epi16(aP, aQ);
            const __m512i top = _mm512_mullo_epi16(aQ, _mm512_sub_epi32(full, aP));
            const __m512 inverse = _mm512_div_ps(one, _mm512_cvtepi32_ps(alpha));  // alpha 0 only where a test wins
            result = alpha;
            for (int c = 0; c < 3; ++c) {
                const int shift = 8 * c + 8;
                const __m512i p = _mm512_and_si512(_mm512_srli_epi32(P, shift), low);
                const __m512i m = Rule8(p, tops[c], rule);
                const __m512i sum = _mm512_add_epi32(
                    _mm512_add_epi32(_mm512_mullo_epi32(m, both), _mm512_mullo_epi32(tops[c].q, top)),
                    _mm512_mullo_epi32(p, bottom));
                const __m512i v = DivideSmall(_mm512_srli_epi32(sum, 8), inverse);
                result = _mm512_or_si512(result, _mm512_slli_epi32(_mm512_min_epi32(v, white), shift));
            }
            result = _mm512_mask_blend_epi32(clearTop, result, P);
            result = _mm512_mask_blend_epi32(bare, result, Q);
        }
        _mm512_storeu_si512(row + x, result);
    }
    if (x < width) BlendRow8Avx2(row + x, width - x, tint, rule);
}

PW_AVX512_END
#endif

}  // namespace

template <typename Rule>
void BlendRow8Avx512(PF_Pixel8* row, int32_t width, const PF_Pixel8& tint, const Rule& rule)
{
#ifdef PW_HAVE_LANES_AVX512
    Row(row, width, tint, rule);
#else
    BlendRow8Avx2(row, width, tint, rule);
#endif
}

#define PW_BLEND_ROWS(Rule) template void BlendRow8Avx512<Rule>(PF_Pixel8*, int32_t, const PF_Pixel8&, const Rule&);
PW_BLEND_ROWS(NormalRule)
PW_BLEND_ROWS(AddRule)
PW_BLEND_ROWS(MultiplyRule)
PW_BLEND_ROWS(ScreenRule)
PW_BLEND_ROWS(OverlayRule)
PW_BLEND_ROWS(DodgeRule)
PW_BLEND_ROWS(BurnRule)
#undef PW_BLEND_ROWS

}  // namespace pw
