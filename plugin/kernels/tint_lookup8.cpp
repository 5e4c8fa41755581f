// Sixteen opaque 8-bit pixels a 512-bit vector: each byte table is four vectors, and two two-table byte permutes
// (VPERMI2B: index bits 0..6) and the index's bit 7 pick every channel's entry, of which each pixel keeps its own
// channel's. (Gathering other alphas' results from a table over every alpha and value was tried: slower than the
// AVX2 lanes' arithmetic.)
#include "kernels/tint_lookup8.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define PW_HAVE_LANES_AVX512VBMI 1
#define PW_AVX512VBMI __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi")))
#endif

namespace pw {

#ifdef PW_HAVE_LANES_AVX512VBMI

PW_AVX512VBMI int32_t LookupTintRun8(PF_Pixel8* row, int32_t width, const TintTables8& tables)
{
    __m512i quarter[3][4];
    for (int c = 0; c < 3; ++c) {
        for (int k = 0; k < 4; ++k) quarter[c][k] = _mm512_loadu_si512(tables.opaque[c] + 64 * k);
    }
    // The channels' bytes within each pixel: alpha first, then red, green, blue.
    const __mmask64 channelBytes[3] = {0x2222222222222222ull, 0x4444444444444444ull, 0x8888888888888888ull};
    const __m512i alphaBits = _mm512_set1_epi32(0xFF);
    const __m512i opaqueAlpha = _mm512_set1_epi32(tables.opaqueAlpha);
    int32_t x = 0;
    for (; x < width; x += 16) {
        const bool whole = width - x >= 16;  // masked moves cost more; only the row's end takes them
        const __mmask16 lanes = whole ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << (width - x)) - 1);
        const __m512i P = whole ? _mm512_loadu_si512(row + x) : _mm512_maskz_loadu_epi32(lanes, row + x);
        if (_mm512_mask_cmpneq_epi32_mask(lanes, _mm512_and_si512(P, alphaBits), alphaBits)) break;
        const __mmask64 upper = _mm512_movepi8_mask(P);  // index 128..255
        __m512i out = opaqueAlpha;
        for (int c = 0; c < 3; ++c) {
            const __m512i low = _mm512_permutex2var_epi8(quarter[c][0], P, quarter[c][1]);
            const __m512i high = _mm512_permutex2var_epi8(quarter[c][2], P, quarter[c][3]);
            out = _mm512_mask_mov_epi8(out, channelBytes[c], _mm512_mask_blend_epi8(upper, low, high));
        }
        if (whole) _mm512_storeu_si512(row + x, out);
        else _mm512_mask_storeu_epi32(row + x, lanes, out);
    }
    return x < width ? x : width;
}

#else

int32_t LookupTintRun8(PF_Pixel8*, int32_t, const TintTables8&) { return 0; }

#endif

}  // namespace pw
