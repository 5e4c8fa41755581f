// The box blur's per-depth arithmetic, side by side: how a channel enters the running sums and how a
// window total leaves as a channel. Internal to the blur passes and their tests.
#pragma once

#include <cstdint>
#include <limits>

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
    uint16_t mul;
    explicit Arith8Narrow(const NarrowDivisor& d) : mul(d.mul) {}
    static Sum Load(Channel c) { return c; }
    Channel Store(Total total) const
    {
        const uint16_t high = static_cast<uint16_t>((static_cast<uint32_t>(total) * static_cast<uint32_t>(mul)) >> 16);
        return static_cast<Channel>(high >> kShift);
    }
};

// 8-bit with a window of at most kMaxWindow pixels: 32-bit totals, floor(total / window) through a
// float reciprocal plus half a step. Exact while the float error (under 255 * 2^-22) stays below the
// 0.5 / window that separates (total + 0.5) / window from every integer.
struct Arith8 {
    using Channel = A_u_char;
    using Sum = int32_t;
    using Total = int32_t;
    static constexpr bool kCapAlpha = false;
    static constexpr int64_t kMaxWindow = 4095;
    float inverse;
    float half;
    explicit Arith8(int64_t window)
        : inverse(1.0f / static_cast<float>(window)), half(0.5f / static_cast<float>(window))
    {
    }
    static Sum Load(Channel c) { return c; }
    Channel Store(Total total) const
    {
        const int32_t q = static_cast<int32_t>(static_cast<float>(total) * inverse + half);
        return static_cast<Channel>(q < 255 ? q : 255);
    }
};

// 8-bit with wider windows: the edge terms grow with r, so totals are 64-bit; a true division.
struct Arith8Wide {
    using Channel = A_u_char;
    using Sum = int32_t;
    using Total = int64_t;
    static constexpr bool kCapAlpha = false;
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

// Float: double sums of the widened channels, a true division, the colour narrowed to single
// precision unclamped; alpha is capped at 1 afterwards (the same as capping before narrowing).
// A NaN or infinite channel would poison every running sum after it, and through them the rest of the
// line and, by the column pass, the frame: NaN enters the sums as 0, infinities as the largest float.
struct ArithFloat {
    using Channel = PF_FpShort;
    using Sum = double;
    using Total = double;
    static constexpr bool kCapAlpha = true;
    double window;
    explicit ArithFloat(int64_t w) : window(static_cast<double>(w)) {}
    static Sum Load(Channel c)
    {
        constexpr float kLargest = std::numeric_limits<float>::max();
        return c >= -kLargest && c <= kLargest ? c : c > kLargest ? kLargest : c < -kLargest ? -kLargest : 0.0f;
    }
    Channel Store(Total total) const { return static_cast<float>(total / window); }
};

}  // namespace blur
}  // namespace pw
