// The overlap value M(p, q) of each blend mode, p the bottom channel and q the top, in the three depths
// side by side. 8-bit: 32-bit integers, divisions truncate. 16-bit: double where a product or quotient
// is formed. Float: single precision, no clamps.
#pragma once

#include <cstdint>

#include "kernels/pixel_depth.h"
#include "kernels/real_to_int.h"

namespace pw {

struct AddRule {
    int32_t operator()(Depth8, int32_t p, int32_t q) const { return p + q < 255 ? p + q : 255; }
    double operator()(Depth16, int32_t p, int32_t q) const { return p + q < 32768 ? p + q : 32768; }
    float operator()(DepthFloat, float p, float q) const { return p + q; }
};

struct MultiplyRule {
    int32_t operator()(Depth8, int32_t p, int32_t q) const { return p * q / 255; }
    double operator()(Depth16, int32_t p, int32_t q) const { return static_cast<double>(p) * q / 32768; }
    float operator()(DepthFloat, float p, float q) const { return p * q; }
};

struct ScreenRule {
    int32_t operator()(Depth8, int32_t p, int32_t q) const { return p + q - p * q / 255; }
    double operator()(Depth16, int32_t p, int32_t q) const
    {
        return p + q - static_cast<double>(p) * q / 32768;
    }
    float operator()(DepthFloat, float p, float q) const { return 1.0f - (1.0f - p) * (1.0f - q); }
};

// The branch follows the bottom channel; half of white takes the screen-like branch.
struct OverlayRule {
    int32_t operator()(Depth8, int32_t p, int32_t q) const
    {
        return p < 128 ? p * q * 2 / 255 : 2 * (p + q - p * q / 255) - 255;
    }
    double operator()(Depth16, int32_t p, int32_t q) const
    {
        return p < 16384 ? static_cast<double>(p) * q * 2 / 32768 : 2.0 * (p + q - p * q / 32768) - 32768;
    }
    float operator()(DepthFloat, float p, float q) const
    {
        return p < 0.5f ? p * q * 2.0f : 1.0f - 2.0f * (1.0f - p) * (1.0f - q);
    }
};

struct DodgeRule {
    int32_t operator()(Depth8, int32_t p, int32_t q) const
    {
        if (q == 255) {
            return 255;
        }
        const int32_t v = p * 255 / (255 - q);
        return v < 255 ? v : 255;
    }
    double operator()(Depth16, int32_t p, int32_t q) const
    {
        if (q == 32768) {
            return 32768;
        }
        const double v = static_cast<double>(p) * 32768 / (32768 - q);
        return v < 32768 ? v : 32768;
    }
    float operator()(DepthFloat, float p, float q) const { return q >= 1.0f ? 1.0f : p / (1.0f - q); }
};

// A zero top channel burns to black in 8-bit and float but to white in 16-bit.
struct BurnRule {
    int32_t operator()(Depth8, int32_t p, int32_t q) const
    {
        if (q == 0) {
            return 0;
        }
        const int32_t v = 255 - (255 - p) * 255 / q;
        return v > 0 ? v : 0;
    }
    double operator()(Depth16, int32_t p, int32_t q) const
    {
        if (q == 0) {
            return 32768;
        }
        const double v = 32768 - static_cast<double>(32768 - p) * 32768 / q;
        return v > 0 ? v : 0;
    }
    float operator()(DepthFloat, float p, float q) const { return q <= 0.0f ? 0.0f : 1.0f - (1.0f - p) / q; }
};

// The glow composite's overlap: 8-bit scales the bottom (layer) channel and truncates the product before
// adding; 16-bit and float scale the top (glow) channel. With k = 1 each equals AddRule.
struct AddScaledRule {
    double k;

    int64_t operator()(Depth8, int32_t p, int32_t q) const
    {
        const int64_t v = static_cast<int64_t>(q) + TruncToInt32(p * k);
        return v < 255 ? v : 255;
    }
    double operator()(Depth16, int32_t p, int32_t q) const
    {
        const double v = p + q * k;
        return v < 32768 ? v : 32768;
    }
    float operator()(DepthFloat, float p, float q) const { return p + q * static_cast<float>(k); }
};

// Normal in place of a blend rule: it has its own two-term form (Normal<Depth> in composite.h).
struct NormalRule {
};

// fn(rule) with the rule a "Color Blend Mode" popup value selects, as the blend tables do: the separator 2 blends
// Add, and any value outside 2..8 (0, 1, a damaged project's) Normal.
template <typename Fn>
void WithBlendRule(int32_t mode, const Fn& fn)
{
    switch (mode) {
    case 2:
    case 3:
        return fn(AddRule{});
    case 4:
        return fn(MultiplyRule{});
    case 5:
        return fn(ScreenRule{});
    case 6:
        return fn(OverlayRule{});
    case 7:
        return fn(DodgeRule{});
    case 8:
        return fn(BurnRule{});
    default:
        return fn(NormalRule{});
    }
}

}  // namespace pw
