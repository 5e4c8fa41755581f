// The Color treatment's 8-bit blend in AVX2 lanes: eight pixels at a time, each its 32-bit word (alpha lowest), the
// tint's channels broadcast. The composite's and the rules' integer arithmetic as it stands; every integer division
// (by 255, by the tint's 255 - q or q, by the result alpha) has a numerator below 2^17 and a divisor of 1..255, and
// goes through lanes::DivideSmall.
#include "kernels/composite_lanes.h"

#include <type_traits>

#include "kernels/blend_rules.h"
#include "kernels/composite.h"

#include "kernels/lanes_avx2.h"
#include "kernels/opaque_lanes8.h"

namespace pw {
namespace {

template <typename Rule>
PF_Pixel8 BlendOne(const PF_Pixel8& p, const PF_Pixel8& tint, const Rule& rule)
{
    if constexpr (std::is_same_v<Rule, NormalRule>) return Normal<Depth8>(p, tint);
    else return Composite<Depth8>(p, tint, rule);
}

#ifdef PW_HAVE_LANES_AVX2

using lanes::DivideSmall;

// The tint's channel q and what its rules divide by, broadcast.
struct Top {
    __m256i q;
    __m256 by255, byComplement, byQ;  // 1 / 255, 1 / (255 - q), 1 / q (unused where they would be infinite)
};

PW_AVX2 inline __m256i Rule8(__m256i p, const Top& t, const AddRule&)
{
    return _mm256_min_epi32(_mm256_add_epi32(p, t.q), _mm256_set1_epi32(255));
}
PW_AVX2 inline __m256i Rule8(__m256i p, const Top& t, const MultiplyRule&)
{
    return DivideSmall(_mm256_mullo_epi32(p, t.q), t.by255);
}
PW_AVX2 inline __m256i Rule8(__m256i p, const Top& t, const ScreenRule&)
{
    return _mm256_sub_epi32(_mm256_add_epi32(p, t.q), DivideSmall(_mm256_mullo_epi32(p, t.q), t.by255));
}
PW_AVX2 inline __m256i Rule8(__m256i p, const Top& t, const OverlayRule&)
{
    const __m256i pq = _mm256_mullo_epi32(p, t.q);
    const __m256i dark = DivideSmall(_mm256_add_epi32(pq, pq), t.by255);
    const __m256i screen = _mm256_sub_epi32(_mm256_add_epi32(p, t.q), DivideSmall(pq, t.by255));
    const __m256i light = _mm256_sub_epi32(_mm256_add_epi32(screen, screen), _mm256_set1_epi32(255));
    return _mm256_blendv_epi8(light, dark, _mm256_cmpgt_epi32(_mm256_set1_epi32(128), p));
}
PW_AVX2 inline __m256i Rule8(__m256i p, const Top& t, const DodgeRule&)
{
    const __m256i white = _mm256_set1_epi32(255);
    const __m256i v = _mm256_min_epi32(DivideSmall(_mm256_mullo_epi32(p, white), t.byComplement), white);
    return _mm256_blendv_epi8(v, white, _mm256_cmpeq_epi32(t.q, white));
}
PW_AVX2 inline __m256i Rule8(__m256i p, const Top& t, const BurnRule&)
{
    const __m256i white = _mm256_set1_epi32(255), zero = _mm256_setzero_si256();
    const __m256i v = _mm256_sub_epi32(white, DivideSmall(_mm256_mullo_epi32(_mm256_sub_epi32(white, p), white), t.byQ));
    return _mm256_blendv_epi8(_mm256_max_epi32(v, zero), zero, _mm256_cmpeq_epi32(t.q, zero));
}

// The rules over an opaque bottom in 16-bit lanes (opaque8): p, q <= 255, so p q <= 65025 and, below 128, 2 p q too.
// Dodge and Burn divide by the tint and stay in 32-bit lanes.
template <typename Rule>
constexpr bool kOpaqueLanes = std::is_same_v<Rule, NormalRule> || std::is_same_v<Rule, AddRule> ||
                              std::is_same_v<Rule, MultiplyRule> || std::is_same_v<Rule, ScreenRule> ||
                              std::is_same_v<Rule, OverlayRule>;

PW_AVX2 inline __m256i Rule16(__m256i p, __m256i q, const AddRule&)
{
    return _mm256_min_epu16(_mm256_add_epi16(p, q), _mm256_set1_epi16(255));
}
PW_AVX2 inline __m256i Rule16(__m256i p, __m256i q, const MultiplyRule&)
{
    return opaque8::Divide255(_mm256_mullo_epi16(p, q));
}
PW_AVX2 inline __m256i Rule16(__m256i p, __m256i q, const ScreenRule&)
{
    return _mm256_sub_epi16(_mm256_add_epi16(p, q), opaque8::Divide255(_mm256_mullo_epi16(p, q)));
}
PW_AVX2 inline __m256i Rule16(__m256i p, __m256i q, const OverlayRule&)
{
    const __m256i pq = _mm256_mullo_epi16(p, q);
    const __m256i dark = opaque8::Divide255(_mm256_add_epi16(pq, pq));
    const __m256i screen = _mm256_sub_epi16(_mm256_add_epi16(p, q), opaque8::Divide255(pq));
    const __m256i light = _mm256_sub_epi16(_mm256_add_epi16(screen, screen), _mm256_set1_epi16(255));
    return _mm256_blendv_epi8(light, dark, _mm256_cmpgt_epi16(_mm256_set1_epi16(128), p));
}

// The tint in every pixel's four words (alpha first) and what the opaque lanes need of it.
struct OpaqueTop {
    __m256i q, aQ, rest, product;  // q; aQ; 256 - aQ (Normal: 255 - aQ); q aQ
};

PW_AVX2 inline OpaqueTop OpaqueTopOf(const PF_Pixel8& tint, bool normal)
{
    const int64_t aQ = tint.alpha;
    return {opaque8::Words(0, tint.red, tint.green, tint.blue), _mm256_set1_epi16(static_cast<short>(aQ)),
            _mm256_set1_epi16(static_cast<short>((normal ? 255 : 256) - aQ)),
            opaque8::Words(0, tint.red * aQ, tint.green * aQ, tint.blue * aQ)};
}

template <typename Rule>
PW_AVX2 inline __m256i OverOpaque(__m256i P, const OpaqueTop& t, const Rule& rule)
{
    return opaque8::Pixels(P, [&](__m256i p, int) PW_AVX2 {
        if constexpr (std::is_same_v<Rule, NormalRule>) {
            return opaque8::Divide255(_mm256_add_epi16(t.product, _mm256_mullo_epi16(p, t.rest)));
        } else {
            const __m256i m = Rule16(p, t.q, rule);
            const __m256i U = _mm256_add_epi16(_mm256_mullo_epi16(m, t.aQ), _mm256_mullo_epi16(p, t.rest));
            return opaque8::Channel(U, t.product);
        }
    });
}

template <typename Rule>
PW_AVX2 void Row(PF_Pixel8* row, int32_t width, const PF_Pixel8& tint, const Rule& rule)
{
    [[maybe_unused]] const OpaqueTop opaqueTop = OpaqueTopOf(tint, std::is_same_v<Rule, NormalRule>);
    const __m256i low = _mm256_set1_epi32(0xFF), full = _mm256_set1_epi32(256), white = _mm256_set1_epi32(255);
    const __m256i zero = _mm256_setzero_si256(), aQ = _mm256_set1_epi32(tint.alpha);
    const __m256i Q = _mm256_set1_epi32(static_cast<int32_t>(WordFromPixel(tint)));
    const A_u_char channels[3] = {tint.red, tint.green, tint.blue};
    Top tops[3];
    for (int c = 0; c < 3; ++c) {
        const int32_t q = channels[c];
        tops[c] = {_mm256_set1_epi32(q), _mm256_set1_ps(1.0f / 255.0f), _mm256_set1_ps(1.0f / static_cast<float>(q == 255 ? 1 : 255 - q)),
                   _mm256_set1_ps(1.0f / static_cast<float>(q == 0 ? 1 : q))};
    }
    const __m256 one = _mm256_set1_ps(1.0f);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i P = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
        if constexpr (kOpaqueLanes<Rule>) {
            if (opaque8::AllOpaque(P)) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), OverOpaque(P, opaqueTop, rule));
                continue;
            }
        }
        // Bottoms with no alpha take the tint, as both forms below pick it.
        if (_mm256_testz_si256(P, low)) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), Q);
            continue;
        }
        const __m256i aP = _mm256_and_si256(P, low);
        __m256i result;
        if constexpr (std::is_same_v<Rule, NormalRule>) {
            // d = ((256 - aQ) aP) >> 8, A = min(aQ + d, 255), c = (q aQ + p d) / A.
            const __m256i d = _mm256_srli_epi32(_mm256_mullo_epi16(_mm256_sub_epi32(full, aQ), aP), 8);
            const __m256i alpha = _mm256_min_epi32(_mm256_add_epi32(aQ, d), white);
            const __m256 inverse = _mm256_div_ps(one, _mm256_cvtepi32_ps(alpha));
            result = alpha;
            for (int c = 0; c < 3; ++c) {
                const int shift = 8 * c + 8;
                const __m256i p = _mm256_and_si256(_mm256_srli_epi32(P, shift), low);
                const __m256i x0 = _mm256_add_epi32(_mm256_mullo_epi16(tops[c].q, aQ), _mm256_mullo_epi16(p, d));
                result = _mm256_or_si256(result, _mm256_slli_epi32(_mm256_min_epi32(DivideSmall(x0, inverse), white), shift));
            }
            result = _mm256_blendv_epi8(result, P, _mm256_cmpeq_epi32(aQ, zero));
            const __m256i takeTop = _mm256_or_si256(_mm256_cmpeq_epi32(aP, zero), _mm256_cmpeq_epi32(aQ, white));
            result = _mm256_blendv_epi8(result, Q, takeTop);
        } else {
            const __m256i bottom = _mm256_mullo_epi16(_mm256_sub_epi32(full, aQ), aP);
            const __m256i alpha = _mm256_min_epi32(_mm256_add_epi32(aQ, _mm256_srli_epi32(bottom, 8)), white);
            const __m256i both = _mm256_mullo_epi16(aP, aQ);
            const __m256i top = _mm256_mullo_epi16(aQ, _mm256_sub_epi32(full, aP));
            const __m256 inverse = _mm256_div_ps(one, _mm256_cvtepi32_ps(alpha));  // alpha 0 only where a test wins
            result = alpha;
            for (int c = 0; c < 3; ++c) {
                const int shift = 8 * c + 8;
                const __m256i p = _mm256_and_si256(_mm256_srli_epi32(P, shift), low);
                const __m256i m = Rule8(p, tops[c], rule);
                const __m256i sum = _mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi32(m, both), _mm256_mullo_epi32(tops[c].q, top)),
                                                     _mm256_mullo_epi32(p, bottom));
                const __m256i v = DivideSmall(_mm256_srli_epi32(sum, 8), inverse);
                result = _mm256_or_si256(result, _mm256_slli_epi32(_mm256_min_epi32(v, white), shift));
            }
            result = _mm256_blendv_epi8(result, P, _mm256_cmpeq_epi32(aQ, zero));
            result = _mm256_blendv_epi8(result, Q, _mm256_cmpeq_epi32(aP, zero));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), result);
    }
    for (; x < width; ++x) row[x] = BlendOne(row[x], tint, rule);
}

#endif

}  // namespace

template <typename Rule>
void BlendRow8Avx2(PF_Pixel8* row, int32_t width, const PF_Pixel8& tint, const Rule& rule)
{
#ifdef PW_HAVE_LANES_AVX2
    Row(row, width, tint, rule);
#else
    for (int32_t x = 0; x < width; ++x) row[x] = BlendOne(row[x], tint, rule);
#endif
}

template void BlendRow8Avx2(PF_Pixel8*, int32_t, const PF_Pixel8&, const NormalRule&);
template void BlendRow8Avx2(PF_Pixel8*, int32_t, const PF_Pixel8&, const AddRule&);
template void BlendRow8Avx2(PF_Pixel8*, int32_t, const PF_Pixel8&, const MultiplyRule&);
template void BlendRow8Avx2(PF_Pixel8*, int32_t, const PF_Pixel8&, const ScreenRule&);
template void BlendRow8Avx2(PF_Pixel8*, int32_t, const PF_Pixel8&, const OverlayRule&);
template void BlendRow8Avx2(PF_Pixel8*, int32_t, const PF_Pixel8&, const DodgeRule&);
template void BlendRow8Avx2(PF_Pixel8*, int32_t, const PF_Pixel8&, const BurnRule&);

}  // namespace pw
