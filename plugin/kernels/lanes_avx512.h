// What the AVX-512 schedules share: the attribute that compiles a function for AVX-512 F and BW (only ever called
// where BestIsa() is Isa::Avx512Vbmi), a quiet region for GCC 12, which reads the deliberately undefined operands
// inside its AVX-512 intrinsics as uninitialised values, and a 16-bit channel as an exact double and back. Internal to the
// kernels.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define PW_HAVE_LANES_AVX512 1
#define PW_AVX512 __attribute__((target("avx2,avx512f,avx512bw")))
// A kernel's AVX-512 schedule: PW_AVX2_SCHEDULE's counterpart, for definitions with 512-bit lanes inside.
#define PW_AVX512_SCHEDULE __attribute__((target("avx2,avx512f,avx512bw"), flatten))
#if defined(__clang__)
#define PW_AVX512_BEGIN
#define PW_AVX512_END
#else
#define PW_AVX512_BEGIN                                                                                              \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")                      \
        _Pragma("GCC diagnostic ignored \"-Wuninitialized\"")
#define PW_AVX512_END _Pragma("GCC diagnostic pop")
#endif
#endif

#ifdef PW_HAVE_LANES_AVX512
namespace pw {
namespace lanes {
PW_AVX512_BEGIN

// The 16-bit value at bit `Shift` of each 64-bit lane as an exact double, as lanes::Channel16 takes it.
template <int Shift>
PW_AVX512 inline __m512d Channel16x8(__m512i pixels)
{
    const __m512i shifted = _mm512_srli_epi64(pixels, Shift);
    const __m512i value = Shift == 48 ? shifted : _mm512_and_si512(shifted, _mm512_set1_epi64(0xFFFF));
    const __m512i biased = _mm512_or_si512(value, _mm512_set1_epi64(0x4330000000000000ll));
    return _mm512_sub_pd(_mm512_castsi512_pd(biased), _mm512_set1_pd(4503599627370496.0));
}

// The way back: eight channel values, each in 0..32768 once truncated and none negative, at bit `Shift` of each
// 64-bit lane. 2^52 + v rounded toward zero holds trunc(v) in its low bits; a shift of 16 or more moves the exponent's
// bits out of the lane.
template <int Shift>
PW_AVX512 inline __m512i Words16x8(__m512d channel)
{
    const __m512i biased = _mm512_castpd_si512(
        _mm512_add_round_pd(channel, _mm512_set1_pd(4503599627370496.0), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
    return Shift == 0 ? _mm512_and_si512(biased, _mm512_set1_epi64(0xFFFF)) : _mm512_slli_epi64(biased, Shift);
}

PW_AVX512_END
}  // namespace lanes
}  // namespace pw
#endif
