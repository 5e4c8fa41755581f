// The three pixel depths side by side: what a kernel needs to know to be written once for all of them.
#pragma once

#include <cstdint>
#include <type_traits>

#include "ae_basic.h"

namespace pw {

// How the blend functions pass integer pixels: alpha in the lowest bits, then red, green, blue.
using Pixel8Word = uint32_t;
using Pixel16Word = uint64_t;

// 8 bits per channel: 32-bit integer arithmetic; alpha weights on a scale of 256 brought back with >> 8.
struct Depth8 {
    using Pixel = PF_Pixel8;
    using Channel = A_u_char;
    using Sum = int32_t;    // box blur running sums
    static constexpr bool kIntegral = true;
    static constexpr int32_t kWhite = 255;
    static constexpr int32_t kWeightOne = 256;
    static constexpr int kWeightShift = 8;
    static constexpr int32_t kNoiseScale = 510;  // twice white
    static Pixel Sanitize(const Pixel& p) { return p; }
};

// 16 bits per channel, white 32768: blend rules and blur in double, everything capped at 32768.
struct Depth16 {
    using Pixel = PF_Pixel16;
    using Channel = A_u_short;
    using Sum = double;
    static constexpr bool kIntegral = true;
    static constexpr int32_t kWhite = 32768;
    static constexpr int32_t kWeightOne = 32768;
    static constexpr int kWeightShift = 15;
    static constexpr int32_t kNoiseScale = 65536;
    // A careless host may hand channels above white; every kernel sees them capped.
    static Pixel Sanitize(const Pixel& p)
    {
        return {Cap(p.alpha), Cap(p.red), Cap(p.green), Cap(p.blue)};
    }
    static Channel Cap(Channel c) { return c > kWhite ? static_cast<Channel>(kWhite) : c; }
};

// 32-bit float per channel: single precision, colours never clamped, alpha capped at 1 where formed.
struct DepthFloat {
    using Pixel = PF_PixelFloat;
    using Channel = PF_FpShort;
    using Sum = double;
    static constexpr bool kIntegral = false;
    static constexpr float kWhite = 1.0f;
    static constexpr double kNoiseScale = 2.0;
    static Pixel Sanitize(const Pixel& p) { return p; }
};

// The depth whose pixel type is Pixel.
template <typename Pixel>
struct DepthOfPixel;
template <>
struct DepthOfPixel<PF_Pixel8> {
    using type = Depth8;
};
template <>
struct DepthOfPixel<PF_Pixel16> {
    using type = Depth16;
};
template <>
struct DepthOfPixel<PF_PixelFloat> {
    using type = DepthFloat;
};
template <typename Pixel>
using DepthOf = typename DepthOfPixel<Pixel>::type;

// The depth whose channel type is Channel.
template <typename Channel>
using DepthOfChannel =
    std::conditional_t<std::is_same_v<Channel, A_u_char>, Depth8,
                       std::conditional_t<std::is_same_v<Channel, A_u_short>, Depth16, DepthFloat>>;

// Blend-function words (little-endian channel order alpha, red, green, blue).
inline PF_Pixel8 PixelFromWord(Pixel8Word w)
{
    return {static_cast<A_u_char>(w), static_cast<A_u_char>(w >> 8), static_cast<A_u_char>(w >> 16),
            static_cast<A_u_char>(w >> 24)};
}

inline Pixel8Word WordFromPixel(const PF_Pixel8& p)
{
    return static_cast<Pixel8Word>(p.alpha) | static_cast<Pixel8Word>(p.red) << 8 |
           static_cast<Pixel8Word>(p.green) << 16 | static_cast<Pixel8Word>(p.blue) << 24;
}

inline PF_Pixel16 PixelFromWord(Pixel16Word w)
{
    return {static_cast<A_u_short>(w), static_cast<A_u_short>(w >> 16), static_cast<A_u_short>(w >> 32),
            static_cast<A_u_short>(w >> 48)};
}

inline Pixel16Word WordFromPixel(const PF_Pixel16& p)
{
    return static_cast<Pixel16Word>(p.alpha) | static_cast<Pixel16Word>(p.red) << 16 |
           static_cast<Pixel16Word>(p.green) << 32 | static_cast<Pixel16Word>(p.blue) << 48;
}

// 8-bit colour parameters carried into the other depths (255 -> 32768 and 1.0, 128 -> 16448).
inline A_u_short Color16From8(A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); }
inline PF_FpShort ColorFloatFrom8(A_u_char v) { return static_cast<float>(v) / 255.0f; }

inline PF_Pixel16 Pixel16From8(const PF_Pixel8& p)
{
    return {Color16From8(p.alpha), Color16From8(p.red), Color16From8(p.green), Color16From8(p.blue)};
}

inline PF_PixelFloat PixelFloatFrom8(const PF_Pixel8& p)
{
    return {ColorFloatFrom8(p.alpha), ColorFloatFrom8(p.red), ColorFloatFrom8(p.green), ColorFloatFrom8(p.blue)};
}

// The same for whichever depth a kernel runs in.
template <typename Depth>
typename Depth::Pixel PixelFrom8(const PF_Pixel8& p)
{
    if constexpr (std::is_same_v<typename Depth::Pixel, PF_Pixel16>) return Pixel16From8(p);
    else if constexpr (std::is_same_v<typename Depth::Pixel, PF_PixelFloat>) return PixelFloatFrom8(p);
    else return p;
}

}  // namespace pw
