// What the AVX-512 schedules share: the attribute that compiles a function for AVX-512 F and BW (only ever called
// where BestIsa() is Isa::Avx512Vbmi), and a quiet region for GCC 12, which reads the deliberately undefined
// operands inside its AVX-512 intrinsics as uninitialised values. Internal to the kernels.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define PW_HAVE_LANES_AVX512 1
#define PW_AVX512 __attribute__((target("avx2,avx512f,avx512bw")))
#if defined(__clang__)
#define PW_AVX512_BEGIN
#define PW_AVX512_END
#else
#define PW_AVX512_BEGIN _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wmaybe-uninitialized\"")
#define PW_AVX512_END _Pragma("GCC diagnostic pop")
#endif
#endif
