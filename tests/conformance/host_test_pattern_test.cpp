// The built-in footage: the same in every build, the three depths agree, and it holds what the treatments need
// to show (opaque colour, bright spots, detail, zero and partial alpha) and moves with time.
#include <algorithm>
#include <cstdint>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/test_pattern.h"

namespace pwtest {
namespace {

using pwhost::Image;
using pwhost::TestPatternImage;

// FNV-1a over the bytes.
uint64_t Hash(const std::vector<uint8_t>& bytes)
{
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

struct GoldenCase {
    A_long time;
    A_u_long scale;
    A_long width, height;
    uint64_t hash;
};

class TestPatternGoldenTest : public ::testing::TestWithParam<GoldenCase> {};

// Recorded once; every build must produce exactly these frames.
TEST_P(TestPatternGoldenTest, FramesAreTheSameInEveryBuild)
{
    const GoldenCase c = GetParam();
    const Image image = TestPatternImage(c.time, c.scale, PF_PixelFormat_ARGB32, c.width, c.height);
    EXPECT_EQ(Hash(image.bytes), c.hash) << "time " << c.time << "/" << c.scale << " at " << c.width << " x "
                                         << c.height;
}

INSTANTIATE_TEST_SUITE_P(Frames, TestPatternGoldenTest,
                         ::testing::Values(GoldenCase{0, 30, 64, 48, 6409016634141454867ull},
                                           GoldenCase{17, 30, 64, 48, 7205914133813766295ull},
                                           GoldenCase{1001, 24000, 97, 31, 3675725369380313300ull},
                                           GoldenCase{299, 30, 320, 180, 3732377398684319935ull},
                                           GoldenCase{5, 30, 1, 1, 4924994485958936207ull}));

TEST(TestPattern, DepthsAgreeThroughTheHostsConversion)
{
    for (A_long t : {0, 40}) {
        const Image i8 = TestPatternImage(t, 30, PF_PixelFormat_ARGB32, 33, 21);
        const Image i16 = TestPatternImage(t, 30, PF_PixelFormat_ARGB64, 33, 21);
        const Image i32 = TestPatternImage(t, 30, PF_PixelFormat_ARGB128, 33, 21);
        for (A_long y = 0; y < 21; ++y) {
            for (A_long x = 0; x < 33; ++x) {
                const PF_Pixel p = i8.At<PF_Pixel>(x, y);
                const PF_Pixel16 q = i16.At<PF_Pixel16>(x, y);
                const PF_PixelFloat f = i32.At<PF_PixelFloat>(x, y);
                const PF_Pixel16 q8 = pwhost::Pixel8To16(p);
                const PF_PixelFloat f8 = pwhost::Pixel8ToFloat(p);
                ASSERT_TRUE(q.alpha == q8.alpha && q.red == q8.red && q.green == q8.green && q.blue == q8.blue);
                ASSERT_TRUE(f.alpha == f8.alpha && f.red == f8.red && f.green == f8.green && f.blue == f8.blue);
            }
        }
    }
    EXPECT_EQ(pwhost::Channel8To16(255), 32768);
    EXPECT_EQ(pwhost::Channel8To16(0), 0);
    EXPECT_EQ(pwhost::Channel8ToFloat(255), 1.0f);
}

TEST(TestPattern, HoldsEverythingTheTreatmentsShowAndMoves)
{
    const Image a = TestPatternImage(0, 30, PF_PixelFormat_ARGB32, 128, 96);
    const Image b = TestPatternImage(15, 30, PF_PixelFormat_ARGB32, 128, 96);
    int opaque = 0, clear = 0, partial = 0, white = 0, dark = 0, clearWithColour = 0;
    for (A_long y = 0; y < 96; ++y) {
        for (A_long x = 0; x < 128; ++x) {
            const PF_Pixel p = a.At<PF_Pixel>(x, y);
            opaque += p.alpha == 255;
            clear += p.alpha == 0;
            partial += p.alpha > 0 && p.alpha < 255;
            clearWithColour += p.alpha == 0 && (p.red | p.green | p.blue) != 0;
            white += p.alpha == 255 && p.red == 255 && p.green == 255 && p.blue == 255;
            dark += p.alpha == 255 && p.red < 32 && p.green < 32 && p.blue < 32;
        }
    }
    EXPECT_GT(opaque, 128 * 96 / 2);
    EXPECT_GT(clear, 100);
    EXPECT_GT(partial, 100);
    EXPECT_GT(clearWithColour, 100) << "colour kept under zero alpha";
    EXPECT_GT(white, 200) << "bright spots and bars";
    EXPECT_GT(dark, 500) << "the text band's ground";
    EXPECT_NE(a.bytes, b.bytes) << "half a second later the frame differs";
    // The text band has high-contrast detail: many horizontal neighbours differ strongly.
    int edges = 0;
    for (A_long y = 48; y < 72; ++y)
        for (A_long x = 1; x < 128; ++x) edges += std::abs(a.At<PF_Pixel>(x, y).red - a.At<PF_Pixel>(x - 1, y).red) > 200;
    EXPECT_GT(edges, 200);
}

}  // namespace
}  // namespace pwtest
