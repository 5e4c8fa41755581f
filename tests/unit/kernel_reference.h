// Plain transcriptions of the kernels' definitions, one pixel or one line at a time, written without the
// kernels' shared templates: the optimised paths must reproduce them byte for byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ae_basic.h"
#include "kernels/random_stream.h"

namespace pw {
namespace ref {

// Table modes 0..8 as the popup indexes them, and the glow's scaled Add.
constexpr int kAddScaled = 9;

inline int Mode(int mode) { return mode == 0 ? 1 : mode == 2 ? 3 : mode; }

inline int32_t Rule8(int mode, int32_t p, int32_t q, double k)
{
    switch (mode) {
    case 3:
        return std::min(p + q, 255);
    case 4:
        return p * q / 255;
    case 5:
        return p + q - p * q / 255;
    case 6:
        return p < 128 ? p * q * 2 / 255 : 2 * (p + q - p * q / 255) - 255;
    case 7:
        return q == 255 ? 255 : std::min(p * 255 / (255 - q), 255);
    case 8:
        return q == 0 ? 0 : std::max(255 - (255 - p) * 255 / q, 0);
    default:
        return std::min(q + static_cast<int32_t>(p * k), 255);
    }
}

inline PF_Pixel8 Blend8(int mode, PF_Pixel8 P, PF_Pixel8 Q, double k = 1.0)
{
    mode = Mode(mode);
    const int32_t aP = P.alpha, aQ = Q.alpha;
    const int32_t pc[3] = {P.red, P.green, P.blue}, qc[3] = {Q.red, Q.green, Q.blue};
    int32_t out[3];
    int32_t alpha;
    if (mode == 1) {
        if (aP == 0 || aQ == 255) {
            return Q;
        }
        if (aQ == 0) {
            return P;
        }
        const int32_t d = ((256 - aQ) * aP) >> 8;
        alpha = std::min(aQ + d, 255);
        for (int c = 0; c < 3; ++c) {
            out[c] = std::clamp((qc[c] * aQ + pc[c] * d) / alpha, 0, 255);
        }
    } else {
        if (aP == 0) {
            return Q;
        }
        if (aQ == 0) {
            return P;
        }
        const int32_t wBot = (256 - aQ) * aP;
        alpha = std::min(aQ + (wBot >> 8), 255);
        const int32_t wBoth = aP * aQ, wTop = aQ * (256 - aP);
        for (int c = 0; c < 3; ++c) {
            const int32_t m = Rule8(mode, pc[c], qc[c], k);
            out[c] = std::clamp(((m * wBoth + qc[c] * wTop + pc[c] * wBot) >> 8) / alpha, 0, 255);
        }
    }
    return {static_cast<A_u_char>(alpha), static_cast<A_u_char>(out[0]), static_cast<A_u_char>(out[1]),
            static_cast<A_u_char>(out[2])};
}

inline double Rule16(int mode, int32_t p, int32_t q, double k)
{
    switch (mode) {
    case 3:
        return std::min(p + q, 32768);
    case 4:
        return static_cast<double>(p) * q / 32768;
    case 5:
        return p + q - static_cast<double>(p) * q / 32768;
    case 6:
        return p < 16384 ? static_cast<double>(p) * q * 2 / 32768 : 2.0 * (p + q - p * q / 32768) - 32768;
    case 7:
        return q == 32768 ? 32768.0 : std::min(static_cast<double>(p) * 32768 / (32768 - q), 32768.0);
    case 8:
        return q == 0 ? 32768.0 : std::max(32768 - static_cast<double>(32768 - p) * 32768 / q, 0.0);
    default:
        return std::min(p + q * k, 32768.0);
    }
}

inline PF_Pixel16 Blend16(int mode, PF_Pixel16 P, PF_Pixel16 Q, double k = 1.0)
{
    mode = Mode(mode);
    const int32_t aP = P.alpha, aQ = Q.alpha;
    const int32_t pc[3] = {P.red, P.green, P.blue}, qc[3] = {Q.red, Q.green, Q.blue};
    int32_t out[3];
    int32_t alpha;
    if (mode == 1) {
        if (aP == 0 || aQ == 32768) {
            return Q;
        }
        if (aQ == 0) {
            return P;
        }
        const int32_t d = ((32768 - aQ) * aP) >> 15;
        alpha = std::min(aQ + d, 32768);
        for (int c = 0; c < 3; ++c) {
            out[c] = std::clamp((qc[c] * aQ + pc[c] * d) / alpha, 0, 32768);
        }
    } else {
        if (aP == 0) {
            return Q;
        }
        if (aQ == 0) {
            return P;
        }
        alpha = std::min(aQ + ((32768 - aQ) * aP) / 32768, 32768);
        const double wBoth = static_cast<double>(aP) * aQ;
        const double wTop = static_cast<double>(aQ) * (32768 - aP);
        const double wBot = static_cast<double>(32768 - aQ) * aP;
        for (int c = 0; c < 3; ++c) {
            const double m = Rule16(mode, pc[c], qc[c], k);
            const double v = (m * wBoth + qc[c] * wTop + pc[c] * wBot) / 32768 / alpha;
            out[c] = v > 32768 ? 32768 : static_cast<int32_t>(v);
        }
    }
    return {static_cast<A_u_short>(alpha), static_cast<A_u_short>(out[0]), static_cast<A_u_short>(out[1]),
            static_cast<A_u_short>(out[2])};
}

inline float RuleFloat(int mode, float p, float q, double k)
{
    switch (mode) {
    case 3:
        return p + q;
    case 4:
        return p * q;
    case 5:
        return 1.0f - (1.0f - p) * (1.0f - q);
    case 6:
        return p < 0.5f ? p * q * 2.0f : 1.0f - 2.0f * (1.0f - p) * (1.0f - q);
    case 7:
        return q >= 1.0f ? 1.0f : p / (1.0f - q);
    case 8:
        return q <= 0.0f ? 0.0f : 1.0f - (1.0f - p) / q;
    default:
        return p + q * static_cast<float>(k);
    }
}

inline PF_PixelFloat BlendFloat(int mode, PF_PixelFloat P, PF_PixelFloat Q, double k = 1.0)
{
    mode = Mode(mode);
    const float aP = P.alpha, aQ = Q.alpha;
    const float pc[3] = {P.red, P.green, P.blue}, qc[3] = {Q.red, Q.green, Q.blue};
    float out[3];
    float alpha;
    if (mode == 1) {
        if (aP == 0.0f || aQ == 1.0f) {
            return Q;
        }
        if (aQ == 0.0f) {
            return P;
        }
        const float d = (1.0f - aQ) * aP;
        alpha = std::min(aQ + d, 1.0f);
        if (alpha <= 0.0f) {
            return {0, 0, 0, 0};
        }
        for (int c = 0; c < 3; ++c) {
            out[c] = (qc[c] * aQ + pc[c] * d) / alpha;
        }
    } else {
        if (aP == 0.0f) {
            return Q;
        }
        if (aQ == 0.0f) {
            return P;
        }
        const float wBot = (1.0f - aQ) * aP;
        alpha = std::min(aQ + wBot, 1.0f);
        if (alpha <= 0.0f) {
            return {0, 0, 0, 0};
        }
        const float wBoth = aP * aQ, wTop = aQ * (1.0f - aP);
        for (int c = 0; c < 3; ++c) {
            out[c] = (RuleFloat(mode, pc[c], qc[c], k) * wBoth + qc[c] * wTop + pc[c] * wBot) / alpha;
        }
    }
    return {alpha, out[0], out[1], out[2]};
}

// One line pass of one channel, step by step as defined: running sums, left part plus right part, the
// pixels taken back from the sums. Sum is the depth's accumulator (64-bit here for 8-bit, which agrees
// with 32 bits wherever those do not overflow); Store turns the total / (2r + 1) into the channel.
template <typename Sum, typename Store>
void BlurChannel(std::vector<Sum>& line, int32_t r, const Store& store)
{
    const int64_t n = static_cast<int64_t>(line.size());
    if (r <= 0 || n == 0) {
        return;
    }
    std::vector<Sum> S(line.size());
    S[0] = line[0];
    for (int64_t i = 1; i < n; ++i) {
        S[i] = S[i - 1] + line[i];
    }
    const Sum first = S[0];
    const Sum last = n >= 2 ? S[n - 1] - S[n - 2] : S[0];
    for (int64_t i = 0; i < n; ++i) {
        Sum left;
        if (i < r) {
            left = static_cast<Sum>(r - i) * first;
            if (i > 0) {
                left = left + S[i - 1];
            }
        } else if (i == r) {
            left = S[i - 1];
        } else {
            left = S[i - 1] - S[i - r - 1];
        }
        Sum right;
        if (i + r < n) {
            right = i == 0 ? S[r] : S[i + r] - S[i - 1];
        } else {
            right = (i == 0 ? S[n - 1] : S[n - 1] - S[i - 1]) + static_cast<Sum>(i + r - n + 1) * last;
        }
        line[i] = store(left + right, 2 * static_cast<int64_t>(r) + 1);
    }
}

// The same line by brute force: each output the clamped-edge window total, then / (2r + 1) truncated.
inline std::vector<int64_t> NaiveWindow(const std::vector<int64_t>& line, int32_t r, int64_t cap)
{
    const int64_t n = static_cast<int64_t>(line.size());
    std::vector<int64_t> out(line.size());
    for (int64_t i = 0; i < n; ++i) {
        int64_t total = 0;
        for (int64_t k = i - r; k <= i + r; ++k) {
            total += line[std::clamp<int64_t>(k, 0, n - 1)];
        }
        out[i] = std::min(total / (2 * static_cast<int64_t>(r) + 1), cap);
    }
    return out;
}

// Pixel lines through BlurChannel, per depth.
inline void BlurLine(std::vector<PF_Pixel8>& px, int32_t r)
{
    for (int c = 0; c < 4; ++c) {
        std::vector<int64_t> line;
        for (const PF_Pixel8& p : px) {
            line.push_back((&p.alpha)[c]);
        }
        BlurChannel(line, r, [](int64_t total, int64_t w) { return std::min<int64_t>(total / w, 255); });
        for (size_t i = 0; i < px.size(); ++i) {
            (&px[i].alpha)[c] = static_cast<A_u_char>(line[i]);
        }
    }
}

inline void BlurLine(std::vector<PF_Pixel16>& px, int32_t r)
{
    for (int c = 0; c < 4; ++c) {
        std::vector<double> line;
        for (const PF_Pixel16& p : px) {
            line.push_back((&p.alpha)[c]);
        }
        BlurChannel(line, r, [](double total, int64_t w) {
            const double v = total / static_cast<double>(w);
            return v > 32768 ? 32768.0 : static_cast<double>(static_cast<int64_t>(v));
        });
        for (size_t i = 0; i < px.size(); ++i) {
            (&px[i].alpha)[c] = static_cast<A_u_short>(line[i]);
        }
    }
}

inline void BlurLine(std::vector<PF_PixelFloat>& px, int32_t r)
{
    for (int c = 0; c < 4; ++c) {
        std::vector<double> line;
        for (const PF_PixelFloat& p : px) {
            line.push_back((&p.alpha)[c]);
        }
        BlurChannel(line, r, [c](double total, int64_t w) {
            const double v = total / static_cast<double>(w);
            return c == 0 && v > 1.0 ? 1.0 : v;
        });
        for (size_t i = 0; i < px.size(); ++i) {
            (&px[i].alpha)[c] = static_cast<float>(line[i]);
        }
    }
}

// Noise, one call: two reals, u = r1 r2 a 2 - a, the depth's offset and clamp.
inline double NoiseU(double amount, RandomStream& stream)
{
    const double r1 = NextReal(stream);
    const double r2 = NextReal(stream);
    return r1 * r2 * amount * 2 - amount;
}

inline void Noise(A_u_char& v, double u) { v = static_cast<A_u_char>(std::clamp(v + static_cast<int32_t>(u * 510), 0, 255)); }
inline void Noise(A_u_short& v, double u)
{
    v = static_cast<A_u_short>(std::clamp(v + static_cast<int32_t>(u * 65536), 0, 32768));
}
inline void Noise(float& v, double u)
{
    const float s = v + static_cast<float>(u * 2);
    v = s < 0.0f ? 0.0f : s;
}

}  // namespace ref
}  // namespace pw
