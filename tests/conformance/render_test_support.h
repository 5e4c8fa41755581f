// Helpers of the smart render tests: a small padded frame at 120 BPM (15 frames a beat at 30 fps), treatments
// switched by name, and pixel access that works in any of the three depths.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace pwtest {

constexpr A_long kRenderWidth = 48;
constexpr A_long kRenderHeight = 32;
constexpr int kFramesPerBeat = 15;
// Phase 7/15 of a beat lies in the sustain of the default envelope: full strength.
constexpr A_long kFullStrengthFrame = 7;

inline const std::array<const char*, 10>& TreatmentNames()
{
    static const std::array<const char*, 10> names{"Scroll", "Slice", "Stretch", "RGB Separation", "Color",
                                                   "Glow",   "Blur",  "Mosaic",  "Noise",          "Time"};
    return names;
}

inline const char* DepthName(PF_PixelFormat format)
{
    return format == PF_PixelFormat_ARGB32 ? "8bit" : format == PF_PixelFormat_ARGB64 ? "16bit" : "float";
}

inline std::string FormatParamName(const ::testing::TestParamInfo<PF_PixelFormat>& info)
{
    return DepthName(info.param);
}

// The depth's name of a per-depth host operation: 8-bit, 16-bit, float.
inline std::string ByDepth(PF_PixelFormat format, const char* op8, const char* op16, const char* opFloat)
{
    return format == PF_PixelFormat_ARGB32 ? op8 : format == PF_PixelFormat_ARGB64 ? op16 : opFloat;
}

// The frame within its beat as the beat clock computes it: fmod of the double quotient, then truncation.
inline int FrameInBeat(A_long frame)
{
    return static_cast<int>(kFramesPerBeat * std::fmod(frame / double(kFramesPerBeat), 1.0));
}

inline uint64_t Fnv1a64(const std::vector<uint8_t>& bytes)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

// Alpha, red, green, blue of a pixel as stored (0..255, 0..32768 or float).
inline std::array<double, 4> Channels(const pwhost::Image& im, A_long x, A_long y)
{
    switch (im.format) {
    case PF_PixelFormat_ARGB32: {
        const auto& p = im.At<PF_Pixel>(x, y);
        return {double(p.alpha), double(p.red), double(p.green), double(p.blue)};
    }
    case PF_PixelFormat_ARGB64: {
        const auto& p = im.At<PF_Pixel16>(x, y);
        return {double(p.alpha), double(p.red), double(p.green), double(p.blue)};
    }
    default: {
        const auto& p = im.At<PF_PixelFloat>(x, y);
        return {double(p.alpha), double(p.red), double(p.green), double(p.blue)};
    }
    }
}

inline double MaxChannel(PF_PixelFormat format)
{
    return format == PF_PixelFormat_ARGB32 ? 255.0 : format == PF_PixelFormat_ARGB64 ? 32768.0 : 1.0;
}

inline bool SamePixel(const pwhost::Image& a, A_long ax, A_long ay, const pwhost::Image& b, A_long bx, A_long by)
{
    const std::size_t n = static_cast<std::size_t>(pwhost::PixelBytes(a.format));
    return std::memcmp(a.bytes.data() + (std::size_t(ay) * a.width + ax) * n,
                       b.bytes.data() + (std::size_t(by) * b.width + bx) * n, n) == 0;
}

// out(x, y) == in(column(x), (y + scroll) mod height) for every pixel; column(x) = x unless a stretch holds the
// pixel at column q from q on (after) or up to q (before).
inline bool MatchesScrollStretch(const pwhost::Image& in, const pwhost::Image& out, A_long scroll, A_long q,
                                 bool after)
{
    for (A_long y = 0; y < out.height; ++y) {
        const A_long sy = (y + scroll) % in.height;
        for (A_long x = 0; x < out.width; ++x) {
            A_long sx = x;
            if (q >= 0 && (after ? x >= q : x <= q)) sx = q;
            if (!SamePixel(out, x, y, in, sx, sy)) return false;
        }
    }
    return true;
}

class RenderFixture : public PluginTest {
protected:
    void Prepare(PF_PixelFormat format)
    {
        host_.Settings().width = kRenderWidth;
        host_.Settings().height = kRenderHeight;
        host_.Settings().rowPaddingPixels = 3;
        host_.Settings().pixelFormat = format;
        SetUpInstance();
        host_.SetParam("BPM", pwhost::ParamValue::Number(120));
    }

    // Manual mode with the treatment's checkbox on.
    void TurnOn(const std::string& treatment) { host_.SetParam(treatment + " Manual", pwhost::ParamValue::Integer(1)); }
    // Auto mode with the given probability.
    void Auto(const std::string& treatment, double probability)
    {
        host_.SetParam(treatment + " Manual/Auto", pwhost::ParamValue::Integer(2));
        host_.SetParam(treatment + " Probability", pwhost::ParamValue::Number(probability));
    }
    void ZeroStrength()
    {
        for (const char* name : {"Attack", "Sustain", "Release"}) host_.SetParam(name, pwhost::ParamValue::Number(0));
    }

    // A frame that must render; its output.
    pwhost::Image Rendered(A_long time)
    {
        const pwhost::FrameResult r = RenderFrame(time);
        EXPECT_EQ(r.Err(), PF_Err_NONE) << "frame " << time << ": " << r.render.command.ReturnMessage();
        EXPECT_TRUE(r.rendered);
        EXPECT_TRUE(host_.UnaccountedHandles().empty());
        return r.render.output;
    }
};

}  // namespace pwtest
