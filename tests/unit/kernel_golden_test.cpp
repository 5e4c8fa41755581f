// Every kernel over fixed frames, reduced to one hash per kernel and depth: the values are those of the
// native x86-64 build, and every other build (32-bit, mingw i686 with SSE2, mingw x86-64) must produce
// exactly the same bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "kernel_test_support.h"
#include "kernels/blend_frame.h"
#include "kernels/box_blur.h"
#include "kernels/glow.h"
#include "kernels/noise.h"

namespace pw {
namespace {

using test::TestImage;
using test::TestRandom;

uint64_t Fnv(const void* data, size_t bytes, uint64_t h = 1469598103934665603ull)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < bytes; ++i) {
        h = (h ^ p[i]) * 1099511628211ull;
    }
    return h;
}

template <typename Pixel>
uint64_t Hash(const TestImage<Pixel>& img)
{
    return Fnv(img.pixels.data(), img.pixels.size() * sizeof(Pixel));
}

template <typename Pixel>
TestImage<Pixel> Frame(uint64_t seed)
{
    TestRandom rnd(seed);
    TestImage<Pixel> img(67, 43);
    img.Randomise(rnd);
    return img;
}

template <typename Pixel>
uint64_t Blends(const Pixel& tint)
{
    uint64_t h = 0;
    for (int32_t mode = 1; mode <= 8; ++mode) {
        TestImage<Pixel> img = Frame<Pixel>(static_cast<uint64_t>(mode));
        BlendFrame(img.view, mode, tint);
        h = Fnv(&h, sizeof h, Hash(img));
    }
    return h;
}

template <typename Pixel>
uint64_t Blurs()
{
    uint64_t h = 0;
    std::vector<double> scratch(67 * 4 + 8);
    const BoxBlurSums sums{scratch.data(), scratch.size() * sizeof(double)};
    for (const int32_t r : {1, 5, 40, 101, 150}) {
        TestImage<Pixel> img = Frame<Pixel>(static_cast<uint64_t>(r) + 100);
        BoxBlurRows(sums, r, img.view);
        BoxBlurColumns(sums, r, img.view);
        h = Fnv(&h, sizeof h, Hash(img));
    }
    return h;
}

template <typename Pixel>
uint64_t Noises()
{
    uint64_t h = 0;
    for (const bool colour : {false, true}) {
        TestImage<Pixel> img = Frame<Pixel>(colour ? 201 : 200);
        RandomStream stream{12345};
        if (colour) {
            NoiseFrameColor(img.view, 0.37, stream);
        } else {
            NoiseFrameMono(img.view, 0.37, stream);
        }
        h = Fnv(&h, sizeof h, Hash(img));
        h = Fnv(&stream.state, sizeof stream.state, h);
    }
    return h;
}

template <typename Pixel>
uint64_t Glows()
{
    TestImage<Pixel> output = Frame<Pixel>(300);
    TestImage<Pixel> glow(output);
    std::vector<double> scratch(67 * 4 + 8);
    GlowBrightPass(output.view, glow.view, GlowThreshold(120, 0.8));
    GlowBlur(BoxBlurSums{scratch.data(), scratch.size() * sizeof(double)}, 6, glow.view);
    GlowComposite(output.view, glow.view, 0.7);
    return Fnv(&glow.pixels[0], glow.pixels.size() * sizeof(Pixel), Hash(output));
}

struct Golden {
    const char* name;
    std::function<uint64_t()> run;
    uint64_t expected;
};

TEST(KernelGolden, EveryBuildProducesTheSameBytes)
{
    const PF_Pixel8 tint{170, 230, 40, 128};
    const Golden golden[] = {
        {"blend 8", [&] { return Blends(tint); }, 0xcc971402ef572446ull},
        {"blend 16", [&] { return Blends(Pixel16From8(tint)); }, 0x8e62261f947a678dull},
        {"blend float", [&] { return Blends(PixelFloatFrom8(tint)); }, 0xbabdc58d1601c00aull},
        {"blur 8", [] { return Blurs<PF_Pixel8>(); }, 0x9ec8729373280425ull},
        {"blur 16", [] { return Blurs<PF_Pixel16>(); }, 0xce8d59443dc5472aull},
        {"blur float", [] { return Blurs<PF_PixelFloat>(); }, 0xb263d7b08f2edf6aull},
        {"noise 8", [] { return Noises<PF_Pixel8>(); }, 0x270de0333b9d8789ull},
        {"noise 16", [] { return Noises<PF_Pixel16>(); }, 0x38e0f7726578ea2bull},
        {"noise float", [] { return Noises<PF_PixelFloat>(); }, 0x8c02644f87200f6aull},
        {"glow 8", [] { return Glows<PF_Pixel8>(); }, 0xd772e9505ce054c4ull},
        {"glow 16", [] { return Glows<PF_Pixel16>(); }, 0xd4e8186e19996bedull},
        {"glow float", [] { return Glows<PF_PixelFloat>(); }, 0xd54ddd7fb3bce81cull},
    };
    for (const Golden& g : golden) {
        const uint64_t h = g.run();
        EXPECT_EQ(h, g.expected) << g.name << ": 0x" << std::hex << h;
    }
}

}  // namespace
}  // namespace pw
