// What the processor running the plug-in offers, asked each time a kernel chooses its path: the answer is the
// same on every call, costs a few hundred cycles against a frame's millions, and keeps the plug-in free of state.
#pragma once

#include <cstdint>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <cpuid.h>
#endif

namespace pw {

// AVX2 instructions, and an operating system that saves their registers.
inline bool CpuHasAvx2()
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    if (!(c & (1u << 27)) || !(c & (1u << 28))) return false;  // OSXSAVE, AVX
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    if ((lo & 6u) != 6u) return false;  // XMM and YMM state
    if (__get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(7, 0, a, b, c, d);
    return (b & (1u << 5)) != 0;
#else
    return false;
#endif
}

// AVX-512 byte permutes (F, BW and VBMI), and an operating system that saves the opmask and ZMM registers.
inline bool CpuHasAvx512Vbmi()
{
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    if (!CpuHasAvx2()) return false;  // which also asked for cpuid leaf 7 and the YMM state
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    if ((lo & 0xE6u) != 0xE6u) return false;  // XMM, YMM, opmask and both halves of the ZMM state
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(7, 0, a, b, c, d);
    return (b & (1u << 16)) != 0 && (b & (1u << 30)) != 0 && (c & (1u << 1)) != 0;
#else
    return false;
#endif
}

// A kernel's AVX2 schedule: a function that calls the definition, with every call inlined and compiled for AVX2
// lanes. One source, so one arithmetic (no contraction, IEEE operations in the same order); only the compiler's
// schedule differs. Call it only where BestIsa() says so.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PW_AVX2_SCHEDULE __attribute__((target("avx2"), flatten))
#else
#define PW_AVX2_SCHEDULE
#endif

// The widest lanes a kernel may use here: the baseline (SSE2, as every build is compiled), AVX2, or AVX2 and the
// AVX-512 byte permutes. Each level includes the ones below it, so kernels without a wider path ask `>= Avx2`.
enum class Isa { Baseline, Avx2, Avx512Vbmi };
inline Isa BestIsa() { return CpuHasAvx512Vbmi() ? Isa::Avx512Vbmi : CpuHasAvx2() ? Isa::Avx2 : Isa::Baseline; }

}  // namespace pw
