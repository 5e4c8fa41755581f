// Noise kernels: the worked offsets, the consumption of two reals per call, and the whole-frame passes
// (several generator lanes) against a pixel-by-pixel transcription, stream state included.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "kernel_reference.h"
#include "kernel_test_support.h"
#include "kernels/noise.h"

namespace pw {
namespace {

using test::TestImage;
using test::TestRandom;

// The state that makes the next NextInt return `value` (bit 31 of the state set as asked).
uint32_t StateBefore(uint32_t state)
{
    uint32_t inverse = 1103515245u;  // Newton's iteration for the inverse of the odd multiplier mod 2^32
    for (int i = 0; i < 5; ++i) {
        inverse *= 2u - 1103515245u * inverse;
    }
    return (state - 12345u) * inverse;
}

TEST(KernelNoise, StateBeforeInvertsTheGenerator)
{
    RandomStream s{StateBefore(0xDEADBEEFu)};
    NextInt(s);
    EXPECT_EQ(s.state, 0xDEADBEEFu);
}

TEST(KernelNoise, AmountZeroChangesNothingButDrawsTwoRealsPerCall)
{
    RandomStream s{42}, t{42};
    PF_Pixel8 p8{9, 10, 200, 255};
    PF_Pixel16 p16{9, 10, 20000, 32768};
    PF_PixelFloat pf{0.5f, 0.25f, 1.5f, -0.0f};
    A_u_char c8 = 77;
    NoiseMono(p8, 0.0, s);
    NoiseMono(p16, 0.0, s);
    NoiseMono(pf, 0.0, s);
    NoiseChannel(c8, 0.0, s);
    for (int i = 0; i < 8; ++i) {
        NextReal(t);
    }
    EXPECT_EQ(s.state, t.state);
    EXPECT_TRUE(test::SamePixel(p8, PF_Pixel8{9, 10, 200, 255}));
    EXPECT_TRUE(test::SamePixel(p16, PF_Pixel16{9, 10, 20000, 32768}));
    EXPECT_TRUE(test::SamePixel(pf, PF_PixelFloat{0.5f, 0.25f, 1.5f, 0.0f}));
    EXPECT_EQ(c8, 77);
}

TEST(KernelNoise, FirstRealZeroDarkensToBlackAtFullAmount)
{
    // r1 = 0: u = -1, d = -510 / -65536 / -2.
    RandomStream s{StateBefore(0)};
    PF_Pixel8 p8{100, 255, 255, 255};
    NoiseMono(p8, 1.0, s);
    EXPECT_TRUE(test::SamePixel(p8, PF_Pixel8{100, 0, 0, 0}));
    s.state = StateBefore(0x80000000u);  // bit 31 is dropped: still r1 = 0
    PF_Pixel16 p16{7, 32768, 1, 0};
    NoiseMono(p16, 1.0, s);
    EXPECT_TRUE(test::SamePixel(p16, PF_Pixel16{7, 0, 0, 0}));
    s.state = StateBefore(0);
    PF_PixelFloat pf{0, 1.5f, 2.5f, 0.1f};
    NoiseMono(pf, 1.0, s);
    EXPECT_EQ(pf.red, 0.0f);   // 1.5 - 2, lifted to 0
    EXPECT_EQ(pf.green, 0.5f);  // no floor needed
    EXPECT_EQ(pf.blue, 0.0f);
    EXPECT_EQ(pf.alpha, 0.0f);  // transparent pixels get noise in colour only
}

TEST(KernelNoise, RealsNearOneBrightenToWhite)
{
    // Find a state whose next two reals are both above 0.999: d close to +510 saturates 8-bit.
    uint32_t start = 0;
    for (uint32_t k = 0; k < (1u << 22); ++k) {
        const uint32_t second = 0x7FFFFFFFu - k;
        const uint32_t first = StateBefore(second);
        if ((first & 0x7FFFFFFFu) > 0x7FDF0000u) {
            start = StateBefore(first);
            break;
        }
    }
    ASSERT_NE(start, 0u);
    RandomStream s{start};
    PF_Pixel8 p{255, 0, 1, 128};
    NoiseMono(p, 1.0, s);
    EXPECT_EQ(p.red, 255);  // d is about +507
    EXPECT_EQ(p.green, 255);
    EXPECT_EQ(p.blue, 255);
    s.state = start;
    PF_PixelFloat f{1, 0.9f, 0, 0};
    NoiseMono(f, 1.0, s);
    EXPECT_GT(f.red, 2.5f);  // float has no upper cap
}

TEST(KernelNoise, SmallOffsetsTruncateToNothing)
{
    // |u x 510| < 1 changes nothing in 8-bit; the same u moves float.
    RandomStream s{StateBefore(0)};
    A_u_char c = 100;
    NoiseChannel(c, 0.0015, s);  // u = -0.0015, u x 510 = -0.765
    EXPECT_EQ(c, 100);
    s.state = StateBefore(0);
    A_u_short c16 = 100;
    NoiseChannel(c16, 0.0015, s);  // u x 65536 = -98.3
    EXPECT_EQ(c16, 2);
}

// Extreme or invalid amounts are defined (UBSan) and only saturate.
TEST(KernelNoise, ExtremeAmountsSaturate)
{
    for (const double a : {1e300, -1e300, std::numeric_limits<double>::quiet_NaN()}) {
        RandomStream s{5};
        PF_Pixel8 p{1, 2, 3, 4};
        PF_Pixel16 q{1, 2, 3, 40000};
        NoiseMono(p, a, s);
        NoiseMono(q, a, s);
        EXPECT_LE(q.blue, 32768);
    }
}

// Whole frames against the per-pixel definition: same bytes, same stream state afterwards.
template <typename Pixel>
void CompareFrame(uint64_t seed, int32_t width, int32_t height, double amount, bool colour)
{
    TestRandom rnd(seed);
    TestImage<Pixel> img(width, height, static_cast<int32_t>(seed % 4));
    img.Randomise(rnd);
    TestImage<Pixel> expected(img);
    RandomStream mine{static_cast<uint32_t>(rnd.Next())};
    RandomStream theirs = mine;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            Pixel& p = expected.At(x, y);
            if (colour) {
                ref::Noise(p.red, ref::NoiseU(amount, theirs));
                ref::Noise(p.green, ref::NoiseU(amount, theirs));
                ref::Noise(p.blue, ref::NoiseU(amount, theirs));
            } else {
                const double u = ref::NoiseU(amount, theirs);
                ref::Noise(p.red, u);
                ref::Noise(p.green, u);
                ref::Noise(p.blue, u);
            }
        }
    }
    for (const Isa isa : test::RunnableIsas()) {
        TestImage<Pixel> frame(img);
        RandomStream stream = mine;
        if (colour) {
            NoiseFrameColor(frame.view, amount, stream, isa);
        } else {
            NoiseFrameMono(frame.view, amount, stream, isa);
        }
        ASSERT_TRUE(frame.SameBytes(expected)) << width << "x" << height << " amount " << amount << " colour " << colour
                                              << " isa " << static_cast<int>(isa);
        ASSERT_EQ(stream.state, theirs.state);
    }
}

TEST(KernelNoiseFrames, MatchThePixelByPixelDefinitionAndLeaveTheStreamAlike)
{
    TestRandom rnd(404);
    const int32_t sizes[][2] = {{1, 1}, {1, 9}, {3, 2}, {63, 3}, {64, 2}, {65, 3}, {130, 5}, {200, 7}};
    for (const auto& size : sizes) {
        for (const double amount : {0.0, 0.01, 0.3, 1.0, 2.5}) {
            for (const bool colour : {false, true}) {
                const uint64_t seed = rnd.Next();
                CompareFrame<PF_Pixel8>(seed, size[0], size[1], amount, colour);
                CompareFrame<PF_Pixel16>(seed, size[0], size[1], amount, colour);
                CompareFrame<PF_PixelFloat>(seed, size[0], size[1], amount, colour);
            }
        }
    }
}

// Amounts beyond the parameters' range (the frame passes bound offsets differently there) and amounts
// that are not numbers, on pixels with each depth's hostile values: the same bytes as the per-pixel kernels.
template <typename Pixel>
void CompareWithKernels(double amount, bool colour)
{
    TestRandom rnd(17);
    TestImage<Pixel> img(37, 5), expected(37, 5);
    img.Randomise(rnd);
    test::AddHostileValues(img, rnd);
    expected.pixels = img.pixels;
    RandomStream mine{99}, theirs{99};
    for (int32_t y = 0; y < 5; ++y) {
        for (int32_t x = 0; x < 37; ++x) {
            Pixel& p = expected.At(x, y);
            if (colour) {
                NoiseChannel(p.red, amount, theirs);
                NoiseChannel(p.green, amount, theirs);
                NoiseChannel(p.blue, amount, theirs);
            } else {
                NoiseMono(p, amount, theirs);
            }
        }
    }
    for (const Isa isa : test::RunnableIsas()) {
        TestImage<Pixel> frame(img);
        RandomStream stream = mine;
        if (colour) {
            NoiseFrameColor(frame.view, amount, stream, isa);
        } else {
            NoiseFrameMono(frame.view, amount, stream, isa);
        }
        EXPECT_TRUE(frame.SameBytes(expected)) << amount << " isa " << static_cast<int>(isa);
        EXPECT_EQ(stream.state, theirs.state);
    }
}

TEST(KernelNoiseFrames, ExtremeAmountsMatchThePerPixelKernels)
{
    const double amounts[] = {64.0,   64.5,  100.0, -3.0, 1e300, -1e300, std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN(), 1e-310};
    for (const double a : amounts) {
        for (const bool colour : {false, true}) {
            CompareWithKernels<PF_Pixel8>(a, colour);
            CompareWithKernels<PF_Pixel16>(a, colour);
            CompareWithKernels<PF_PixelFloat>(a, colour);
        }
    }
}

TEST(KernelNoiseFrames, EmptyFrameDrawsNothing)
{
    TestImage<PF_Pixel8> img(0, 0);
    RandomStream s{123};
    NoiseFrameMono(img.view, 1.0, s);
    NoiseFrameColor(img.view, 1.0, s);
    EXPECT_EQ(s.state, 123u);
}

}  // namespace
}  // namespace pw
