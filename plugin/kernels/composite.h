// Top pixel over bottom pixel: the Normal composite and the three-weight skeleton every other blend runs.
#pragma once

#include <cstdint>

#include "kernels/pixel_depth.h"
#include "kernels/real_to_int.h"

namespace pw {

// The depth-specific arithmetic of the three-weight composite; the steps themselves are in Composite().
// Form() builds the weights and the result alpha (false: the all-zero pixel); Channel() forms one colour.
template <typename Depth>
struct CompositeMath;

template <>
struct CompositeMath<Depth8> {
    struct Weights {
        int32_t both, top, bottom, alpha;
    };
    static bool Form(int32_t aP, int32_t aQ, Weights& w)
    {
        const int32_t bottom = (256 - aQ) * aP;
        int32_t alpha = aQ + (bottom >> 8);
        if (alpha > 255) {
            alpha = 255;
        }
        w = {aP * aQ, aQ * (256 - aP), bottom, alpha};
        return true;  // aQ >= 1 here, so alpha >= 1
    }
    // The scaled Add hands a 64-bit overlap value when its factor is out of range; sum in that width.
    template <typename M>
    static A_u_char Channel(M m, int32_t p, int32_t q, const Weights& w)
    {
        const M c = ((m * w.both + q * w.top + p * w.bottom) >> 8) / w.alpha;
        return c < 0 ? 0 : c > 255 ? 255 : static_cast<A_u_char>(c);
    }
    // The same for an overlap value in 0..255, with the division by the result alpha done as a
    // multiplication by Reciprocal(alpha): the dividend is then at most 65280, and dividend x alpha
    // < 2^24 makes the truncated product the exact quotient.
    static uint32_t Reciprocal(int32_t alpha) { return static_cast<uint32_t>(((1u << 24) + alpha - 1) / alpha); }
    static A_u_char ChannelByReciprocal(int32_t m, int32_t p, int32_t q, const Weights& w, uint32_t reciprocal)
    {
        const uint32_t x = static_cast<uint32_t>((m * w.both + q * w.top + p * w.bottom) >> 8);
        const uint32_t c = static_cast<uint32_t>((static_cast<uint64_t>(x) * reciprocal) >> 24);
        return static_cast<A_u_char>(c < 255 ? c : 255);
    }
};

template <>
struct CompositeMath<Depth16> {
    struct Weights {
        double both, top, bottom;
        int32_t alpha;
    };
    static bool Form(int32_t aP, int32_t aQ, Weights& w)
    {
        int32_t alpha = aQ + ((32768 - aQ) * aP) / 32768;
        if (alpha > 32768) {
            alpha = 32768;
        }
        w = {static_cast<double>(aP) * aQ, static_cast<double>(aQ) * (32768 - aP),
             static_cast<double>(32768 - aQ) * aP, alpha};
        return true;
    }
    // The channel before truncation.
    static double Value(double m, int32_t p, int32_t q, const Weights& w)
    {
        return (m * w.both + q * w.top + p * w.bottom) / 32768 / w.alpha;
    }
    static A_u_short Channel(double m, int32_t p, int32_t q, const Weights& w)
    {
        const double c = Value(m, p, q, w);
        return static_cast<A_u_short>(c > 32768 ? 32768 : TruncClamped(c, 0, 32768));
    }
};

template <>
struct CompositeMath<DepthFloat> {
    struct Weights {
        float both, top, bottom, alpha;
    };
    static bool Form(float aP, float aQ, Weights& w)
    {
        const float bottom = (1.0f - aQ) * aP;
        float alpha = aQ + bottom;
        if (alpha > 1.0f) {
            alpha = 1.0f;
        }
        if (alpha <= 0.0f) {
            return false;
        }
        w = {aP * aQ, aQ * (1.0f - aP), bottom, alpha};
        return true;
    }
    static float Channel(float m, float p, float q, const Weights& w)
    {
        return (m * w.both + q * w.top + p * w.bottom) / w.alpha;
    }
};

// P is the bottom (the layer's pixel), Q the top; rule(Depth{}, p, q) is the overlap value M.
template <typename Depth, typename Rule>
typename Depth::Pixel Composite(const typename Depth::Pixel& bottom, const typename Depth::Pixel& top,
                                const Rule& rule)
{
    using Math = CompositeMath<Depth>;
    using Channel = typename Depth::Channel;
    const typename Depth::Pixel P = Depth::Sanitize(bottom);
    const typename Depth::Pixel Q = Depth::Sanitize(top);
    if (P.alpha == 0) {
        return Q;
    }
    if (Q.alpha == 0) {
        return P;
    }
    typename Math::Weights w;
    if (!Math::Form(P.alpha, Q.alpha, w)) {
        return {};
    }
    typename Depth::Pixel out;
    out.alpha = static_cast<Channel>(w.alpha);
    out.red = Math::Channel(rule(Depth{}, P.red, Q.red), P.red, Q.red, w);
    out.green = Math::Channel(rule(Depth{}, P.green, Q.green), P.green, Q.green, w);
    out.blue = Math::Channel(rule(Depth{}, P.blue, Q.blue), P.blue, Q.blue, w);
    return out;
}

// Normal's weight of the bottom and its result alpha in the integer depths:
// 8-bit ((256 - aQ) * aP) >> 8, 16-bit ((32768 - aQ) * aP) >> 15; the alpha capped at white.
struct NormalWeights {
    int32_t bottom, alpha;
};

template <typename Depth>
NormalWeights NormalWeightsOf(int32_t aP, int32_t aQ)
{
    const int32_t d = ((Depth::kWeightOne - aQ) * aP) >> Depth::kWeightShift;
    return {d, aQ + d < Depth::kWhite ? aQ + d : Depth::kWhite};
}

// Plain top over bottom, two terms only; an opaque top wins outright.
template <typename Depth>
typename Depth::Pixel Normal(const typename Depth::Pixel& bottom, const typename Depth::Pixel& top)
{
    using Channel = typename Depth::Channel;
    const typename Depth::Pixel P = Depth::Sanitize(bottom);
    const typename Depth::Pixel Q = Depth::Sanitize(top);
    if (P.alpha == 0 || Q.alpha == Depth::kWhite) {
        return Q;
    }
    if (Q.alpha == 0) {
        return P;
    }
    typename Depth::Pixel out;
    if constexpr (Depth::kIntegral) {
        const int32_t aQ = Q.alpha;
        const NormalWeights w = NormalWeightsOf<Depth>(P.alpha, aQ);
        const int32_t d = w.bottom;
        const int32_t alpha = w.alpha;
        const auto channel = [&](int32_t p, int32_t q) {
            const int32_t c = (q * aQ + p * d) / alpha;
            return static_cast<Channel>(c < 0 ? 0 : c > Depth::kWhite ? Depth::kWhite : c);
        };
        out.alpha = static_cast<Channel>(alpha);
        out.red = channel(P.red, Q.red);
        out.green = channel(P.green, Q.green);
        out.blue = channel(P.blue, Q.blue);
    } else {
        const float d = (1.0f - Q.alpha) * P.alpha;
        float alpha = Q.alpha + d;
        if (alpha > 1.0f) {
            alpha = 1.0f;
        }
        if (alpha <= 0.0f) {
            return {};
        }
        const auto channel = [&](float p, float q) { return (q * Q.alpha + p * d) / alpha; };
        out.alpha = alpha;
        out.red = channel(P.red, Q.red);
        out.green = channel(P.green, Q.green);
        out.blue = channel(P.blue, Q.blue);
    }
    return out;
}

}  // namespace pw
