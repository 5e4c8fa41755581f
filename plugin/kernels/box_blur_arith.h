// The box blur's per-depth arithmetic, side by side: how a channel enters the running sums and how a
// window total leaves as a channel. Internal to the blur passes and their tests.
#pragma once

#include <cstdint>
#include <cstring>

#include "kernels/box_blur_prefix.h"
#include "kernels/pixel_depth.h"


namespace pw {
namespace blur {

// 8-bit and 16-bit totals are exact integers, so any exact floor of total / window is the truncated
// quotient; float totals follow the formula's order and a true double division.

// 8-bit with a window whose totals (at most 255 x window) fit 16 bits and whose quotient a 16-bit
// multiplier yields exactly: sums kept modulo 2^16 (every window total, being below 2^16, comes out
// exact from their differences), floor(total / window) = ((total x mul) >> 16) >> kShift. The shift is
// a template argument so that the compiler keeps every step in 16-bit lanes. Such a multiplier exists
// for every window up to 201 and for most up to 257 (FindNarrow).
struct NarrowDivisor {
    uint16_t mul;
    int shift;  // 1..8
};

inline bool FindNarrow(int64_t window, NarrowDivisor& out)
{
    if (window < 3 || window > 257) {
        return false;
    }
    const uint64_t w = static_cast<uint64_t>(window);
    for (int s = 24; s >= 17; --s) {
        const uint64_t m = ((uint64_t{1} << s) + w - 1) / w;
        // Exact for every total t <= 255 w when t x (m w - 2^s) < 2^s.
        if (m < 65536 && 255 * w * (m * w - (uint64_t{1} << s)) < (uint64_t{1} << s)) {
            out = {static_cast<uint16_t>(m), s - 16};
            return true;
        }
    }
    return false;
}

template <int kShift>
struct Arith8Narrow {
    using Channel = A_u_char;
    using Sum = uint16_t;
    using Total = uint16_t;
    static constexpr bool kCapAlpha = false;
    static constexpr bool kLanesAccumulate = false;
    static constexpr bool kNarrow = true;
    static constexpr int kNarrowShift = kShift;
    uint16_t mul;
    explicit Arith8Narrow(const NarrowDivisor& d) : mul(d.mul) {}
    static Sum Load(Channel c) { return c; }
    Channel Store(Total total) const
    {
        const uint16_t high = static_cast<uint16_t>((static_cast<uint32_t>(total) * static_cast<uint32_t>(mul)) >> 16);
        return static_cast<Channel>(high >> kShift);
    }
};

// 32-bit totals whose floor(total / window) comes from a float reciprocal plus half a step, held at kCap, for windows
// of at most kMaxWindow pixels; each use below says why that is exact.
template <typename C, int32_t kCap, int64_t kWindows>
struct ArithFloatReciprocal {
    using Channel = C;
    using Sum = int32_t;
    using Total = int32_t;
    static constexpr bool kCapAlpha = false;
    static constexpr bool kLanesAccumulate = false;
    static constexpr int64_t kMaxWindow = kWindows;
    float inverse;
    float half;
    explicit ArithFloatReciprocal(int64_t window)
        : inverse(1.0f / static_cast<float>(window)), half(0.5f / static_cast<float>(window))
    {
    }
    static Sum Load(Channel c) { return c; }
    Channel Store(Total total) const
    {
        const int32_t q = static_cast<int32_t>(static_cast<float>(total) * inverse + half);
        return static_cast<Channel>(q < kCap ? q : kCap);
    }
};

// 8-bit: exact while the float error (under 255 * 2^-22) stays below the 0.5 / window that separates
// (total + 0.5) / window from every integer.
using Arith8 = ArithFloatReciprocal<A_u_char, 255, 4095>;

// 8-bit with wider windows: the edge terms grow with r, so totals are 64-bit; a true division.
struct Arith8Wide {
    using Channel = A_u_char;
    using Sum = int32_t;
    using Total = int64_t;
    static constexpr bool kCapAlpha = false;
    static constexpr bool kLanesAccumulate = false;
    int64_t window;
    explicit Arith8Wide(int64_t w) : window(w) {}
    static Sum Load(Channel c) { return c; }
    Channel Store(Total total) const
    {
        const int64_t q = total / window;
        return static_cast<Channel>(q < 255 ? q : 255);
    }
};

// 16-bit: integer-valued double sums are exact, so floor(total / window) comes from a double reciprocal
// plus half a step (error below 2^-35, the gap at least 2^-33 for any int32 radius); capped at 32768.
struct Arith16 {
    using Channel = A_u_short;
    using Sum = double;
    using Total = double;
    static constexpr bool kCapAlpha = false;
    static constexpr bool kLanesAccumulate = false;
    double inverse;
    double half;
    explicit Arith16(int64_t window)
        : inverse(1.0 / static_cast<double>(window)), half(0.5 / static_cast<double>(window))
    {
    }
    static Sum Load(Channel c) { return c; }
    Channel Store(Total total) const
    {
        const double q = total * inverse + half;
        return static_cast<Channel>(q >= 32768 ? 32768 : static_cast<int32_t>(q));
    }
};

// 16-bit with sums in 32-bit integers, for lines and windows of at most kMaxLength pixels: every running sum, window
// total and edge term then stays below 2^31 even for channels of 65535, so the sums are the same integers as the
// doubles above, in half the memory and with one-cycle additions; the total leaves through the same division.
struct Arith16Int {
    using Channel = A_u_short;
    using Sum = int32_t;
    using Total = int32_t;
    static constexpr bool kCapAlpha = false;
    static constexpr bool kLanesAccumulate = false;
    static constexpr int64_t kMaxLength = 32767;
    Arith16 exact;
    explicit Arith16Int(int64_t window) : exact(window) {}
    static Sum Load(Channel c) { return c; }
    // Arith16::Store with the cap taken after the truncation (the quotient is below 2^16, so the same): integer
    // lanes from the conversion on.
    Channel Store(Total total) const
    {
        const int32_t q = static_cast<int32_t>(static_cast<double>(total) * exact.inverse + exact.half);
        return static_cast<Channel>(q < 32768 ? q : 32768);
    }
};

// Arith16Int for windows of at most 165 pixels, the total leaving through single precision in twice the lanes:
// floor(t / w) = trunc(t x inverse + half) as in Arith8. The computed quotient never falls as t grows, so it is exact
// for every t once it is exact at both ends of each quotient up to the cap (above which it only has to stay at least
// 32768). Totals below 32769 w are exact floats, and the three roundings (of 1 / w, the product and the sum) miss
// (t + 0.5) / w by about (3 t + 1) 2^-24 / w, under the 0.5 / w that keeps it from an integer for windows up to 83;
// the unit tests check the ends for every window up to 165, and the first window past it fails.
using Arith16Short = ArithFloatReciprocal<A_u_short, 32768, 165>;

// Float: double sums of the widened channels, a true division, the colour narrowed to single
// precision unclamped; alpha is capped at 1 afterwards (the same as capping before narrowing).
// A NaN or infinite channel would poison every running sum after it, and through them the rest of the
// line and, by the column pass, the frame: NaN enters the sums as 0, infinities as the largest float.
struct ArithFloat {
    using Channel = PF_FpShort;
    using Sum = double;
    using Total = double;
    static constexpr bool kCapAlpha = true;
    static constexpr bool kLanesAccumulate = true;
    double window;
    explicit ArithFloat(int64_t w) : window(static_cast<double>(w)) {}
    static Sum Load(Channel c)
    {
        // On the bits, with selects: no floating-point comparison the compiler must keep in order, so the running
        // sums vectorise. An infinity's bits less one are the largest float of its sign.
        uint32_t bits;
        std::memcpy(&bits, &c, sizeof bits);
        const uint32_t magnitude = bits & 0x7FFFFFFFu;
        bits = magnitude > 0x7F800000u ? 0u : magnitude == 0x7F800000u ? bits - 1u : bits;
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    Channel Store(Total total) const { return static_cast<float>(total / window); }
    // Load and add, four channels at a time in SSE2 lanes (the baseline of every build): the same conversions and
    // additions, the compiler left no comparison to keep in order.
    static void Accumulate(Sum* cur, const Sum* prev, const Channel* px, int32_t lanes)
    {
        int32_t j = 0;
#ifdef PW_BLUR_PREFIX_SSE2
        for (; j + 4 <= lanes; j += 4) {
            const __m128 v = LoadSums(px + j);
            _mm_storeu_pd(cur + j, _mm_add_pd(_mm_loadu_pd(prev + j), _mm_cvtps_pd(v)));
            _mm_storeu_pd(cur + j + 2, _mm_add_pd(_mm_loadu_pd(prev + j + 2), _mm_cvtps_pd(_mm_movehl_ps(v, v))));
        }
#endif
        for (; j < lanes; ++j) {
            cur[j] = prev[j] + Load(px[j]);
        }
    }
};

}  // namespace blur
}  // namespace pw
