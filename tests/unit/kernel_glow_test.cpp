// Glow steps: the threshold, the luma per depth (white at T = 254 and 255), the bright pass, hostile float
// values, and the composite against the per-pixel scaled Add.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "kernel_test_support.h"
#include "kernels/blend.h"
#include "kernels/glow.h"
#include "kernels/opaque_lanes8.h"

namespace pw {
namespace {

using test::TestImage;
using test::TestRandom;

TEST(KernelGlow, ThresholdFromLevelAndStrength)
{
    EXPECT_EQ(GlowThreshold(150, 1.0), 151);
    EXPECT_EQ(GlowThreshold(150, 0.0), 256);
    EXPECT_EQ(GlowThreshold(255, 1.0), 256);
    EXPECT_EQ(GlowThreshold(0, 1.0), 1);
    EXPECT_EQ(GlowThreshold(150, 0.5), 204);  // 256 - trunc(52.5)
    EXPECT_EQ(GlowThreshold(150, std::numeric_limits<double>::quiet_NaN()), 256);
    EXPECT_EQ(GlowThreshold(150, 1e300), 256 - static_cast<int64_t>(INT32_MAX));
}

TEST(KernelGlow, WhiteGlowsUpToThreshold254)
{
    const PF_Pixel8 w8{255, 255, 255, 255};
    const PF_Pixel16 w16{32768, 32768, 32768, 32768};
    const PF_PixelFloat wf{1, 1, 1, 1};
    EXPECT_EQ(GlowLuma(w8), 255);
    EXPECT_EQ(GlowLuma(w16), 255);
    EXPECT_EQ(GlowLuma(wf), 255);
    for (const int32_t t : {254, 255}) {
        const int32_t q = GlowThreshold(t, 1.0);
        EXPECT_EQ(GlowLuma(w8) < q, t == 255);
        EXPECT_EQ(GlowLuma(w16) < q, t == 255);
        EXPECT_EQ(GlowLuma(wf) < q, t == 255);
    }
}

TEST(KernelGlow, LumaPerDepth)
{
    EXPECT_EQ(GlowLuma(PF_Pixel8{0, 0, 0, 1}), 0);  // 0.114478
    EXPECT_EQ(GlowLuma(PF_Pixel8{0, 0, 0, 9}), 1);
    EXPECT_EQ(GlowLuma(PF_Pixel8{0, 100, 50, 200}), 82);  // 29.8912 + 29.33055 + 22.8956
    // 16-bit: the truncated luma brought to 0..255 with +16384 before / 32768.
    EXPECT_EQ(GlowLuma(PF_Pixel16{0, 128, 128, 128}), 1);  // (128 * 255 + 16384) / 32768
    EXPECT_EQ(GlowLuma(PF_Pixel16{0, 63, 63, 63}), 0);     // (63 * 255 + 16384) / 32768
    EXPECT_EQ(GlowLuma(PF_Pixel16{0, 65535, 65535, 65535}), 510);  // a careless host's values
    EXPECT_EQ(GlowLuma(PF_PixelFloat{0, 0.5f, 0.5f, 0.5f}), 127);
    EXPECT_EQ(GlowLuma(PF_PixelFloat{0, 2.0f, 2.0f, 2.0f}), 510);
}

TEST(KernelGlow, NonFiniteFloatLumaIsDefined)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(GlowLuma(PF_PixelFloat{1, nan, 0.5f, 0.5f}), 0);
    EXPECT_EQ(GlowLuma(PF_PixelFloat{1, inf, 0, 0}), INT32_MAX);
    EXPECT_EQ(GlowLuma(PF_PixelFloat{1, -inf, 0, 0}), INT32_MIN);
    EXPECT_EQ(GlowLuma(PF_PixelFloat{1, inf, -inf, 0}), 0);  // inf - inf is NaN
    EXPECT_EQ(GlowLuma(PF_PixelFloat{1, 3e38f, 3e38f, 3e38f}), INT32_MAX);
}

// The OUTPUT's luma decides; only the glow buffer's alpha changes. Every path this processor has, odd widths and
// padded rows, and the depth's hostile values among the random ones (16-bit above white, float NaN and infinities).
template <typename Pixel>
void CheckBrightPass(uint64_t seed, int32_t q, int32_t width)
{
    TestRandom rnd(seed);
    TestImage<Pixel> output(width, 11, 1 + width % 3), glow(width, 11, 2);
    output.Randomise(rnd);
    glow.Randomise(rnd);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (int32_t i = 0; i < width * 11; i += 5) {
        Pixel& p = output.At(i % width, i / width);
        if constexpr (std::is_same_v<Pixel, PF_Pixel16>) {
            // Grey 16384 lands its rescaled luma on a multiple of 32768 exactly.
            if (i % 2) p.red = p.green = static_cast<A_u_short>(rnd.Int(32768, 65535));
            else p.red = p.green = p.blue = 16384;
        } else if constexpr (std::is_same_v<Pixel, PF_PixelFloat>) {
            const float hostile[] = {nan, inf, -inf, 3e38f, -1.0f, 1e9f};
            p.red = hostile[rnd.Int(0, 5)];
            glow.At(i % width, i / width).alpha = hostile[rnd.Int(0, 5)];
        }
    }
    const TestImage<Pixel> output0(output), glow0(glow);
    for (const Isa isa : test::RunnableIsas()) {
        TestImage<Pixel> lanes(glow0);
        GlowBrightPass(output.view, lanes.view, q, isa);
        EXPECT_TRUE(output.SameBytes(output0));
        TestImage<Pixel> expected(glow0);
        for (int32_t y = 0; y < 11; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                if (GlowLuma(output.At(x, y)) < q) expected.At(x, y).alpha = 0;
            }
        }
        ASSERT_TRUE(lanes.SameBytes(expected)) << "q " << q << " width " << width << " isa " << static_cast<int>(isa);
    }
}

TEST(KernelGlow, BrightPassClearsAlphaOfDimPixelsOnly)
{
    for (const int32_t q : {INT32_MIN, 0, 1, 100, 128, 151, 256, 511, INT32_MAX}) {
        for (const int32_t width : {1, 7, 23, 64}) {
            CheckBrightPass<PF_Pixel8>(static_cast<uint64_t>(q) + width, q, width);
            CheckBrightPass<PF_Pixel16>(static_cast<uint64_t>(q) + width + 1, q, width);
            CheckBrightPass<PF_PixelFloat>(static_cast<uint64_t>(q) + width + 2, q, width);
        }
    }
}

// The bright pass and row blur band by band: the bytes of the two whole passes, for frames of one band and of many
// (rows past 128 KB make a band each), on every path.
template <typename Pixel>
void CheckBrightRows(int32_t width, int32_t height, int32_t r)
{
    TestRandom rnd(static_cast<uint64_t>(width) * 7 + height);
    TestImage<Pixel> output(width, height), glow(width, height, 1);
    output.Randomise(rnd);
    glow.Randomise(rnd);
    std::vector<double> scratch(4 * static_cast<size_t>(width > height ? width : height) + 8);
    const BoxBlurSums sums{scratch.data(), scratch.size() * sizeof(double)};
    for (const Isa isa : test::RunnableIsas()) {
        TestImage<Pixel> banded(glow), whole(glow);
        GlowBrightRows(output.view, banded.view, 140, sums, r, isa);
        GlowBrightPass(output.view, whole.view, 140, isa);
        BoxBlurRows(sums, r, whole.view, isa);
        ASSERT_TRUE(test::SameBytesOrNaN(banded, whole)) << width << "x" << height << " r " << r;
    }
}

TEST(KernelGlow, BrightPassAndRowsBandByBandEqualTheWholePasses)
{
    for (const int32_t r : {0, 3}) {
        CheckBrightRows<PF_Pixel8>(37, 300, r);
        CheckBrightRows<PF_Pixel16>(300, 70, r);
        CheckBrightRows<PF_PixelFloat>(9000, 5, r);
        CheckBrightRows<PF_PixelFloat>(2, 2, r);
    }
}

template <typename Pixel>
void CheckComposite(uint64_t seed, double k, int32_t width = 31)
{
    TestRandom rnd(seed);
    // The glow unpadded: a read past its last row leaves the buffer.
    TestImage<Pixel> output(width, 9, 1 + width % 4), glow(width, 9, 0);
    output.Randomise(rnd);
    glow.Randomise(rnd);
    test::AddHostileValues(output, rnd);
    test::AddHostileValues(glow, rnd);
    // Glow without alpha over whole lane groups (most of a real frame), over bottoms with and without alpha.
    for (int32_t y = 0; y < 9; y += 3) {
        for (int32_t x = 8; x < std::min(width, 40); ++x) glow.At(x, y).alpha = 0;
        for (const int32_t x : {9, 17}) if (x < width) output.At(x, y).alpha = 0;
    }
    // Opaque bottoms (the usual footage) under glow of every alpha; 16-bit alphas past white count as white.
    for (int32_t x = 0; x < width; ++x) {
        using Channel = decltype(Pixel{}.alpha);
        output.At(x, 1).alpha = sizeof(Channel) == 2 && x % 3 == 0 ? Channel(65535) : Channel(DepthOf<Pixel>::kWhite);
    }
    // Bottoms with no alpha (a matte's outside) under glow of every alpha.
    for (int32_t x = 0; x < width; ++x) output.At(x, 4).alpha = 0;
    // Bottoms nearly opaque: 8-bit 127 shares the low seven bits of white.
    for (int32_t x = 0; x < width; ++x) {
        using Channel = decltype(Pixel{}.alpha);
        output.At(x, 7).alpha = Channel(x % 16 == 5 ? DepthOf<Pixel>::kWhite / 2 : DepthOf<Pixel>::kWhite);
    }
    TestImage<Pixel> expected(output);
    for (int32_t y = 0; y < 9; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            Pixel& p = expected.At(x, y);
            if constexpr (std::is_same_v<Pixel, PF_PixelFloat>) {
                p = BlendAddScaled(p, glow.At(x, y), &k);
            } else {
                p = PixelFromWord(BlendAddScaled(WordFromPixel(p), WordFromPixel(glow.At(x, y)), &k));
            }
        }
    }
    for (const Isa isa : test::RunnableIsas()) {
        TestImage<Pixel> lanes(output);
        GlowComposite(lanes.view, glow.view, k, isa);
        ASSERT_TRUE(test::SameBytesOrNaN(lanes, expected)) << "k " << k << " width " << width << " isa " << static_cast<int>(isa)
                                               << " pixel bytes " << sizeof(Pixel);
    }
}

TEST(KernelGlow, CompositeIsTheScaledAddOfEveryPixel)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const double k : {0.0, 0.37, 1.0, 7.5, 1e10, 1e-310, -0.0, -0.5, inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
        for (const int32_t width : {1, 7, 8, 31, 64, 301}) {
            CheckComposite<PF_Pixel8>(3 + width, k, width);
            CheckComposite<PF_Pixel16>(4 + width, k, width);
            CheckComposite<PF_PixelFloat>(5 + width, k, width);
        }
    }
}

// 16-bit channels whose quotient by the result alpha lies within 1e-9 of an integer, where the product with the
// reciprocal may round across it: below it and truncated down (the first two), or on it after the product fell below
// (the third). In rows long enough for every lane width and a tail.
TEST(KernelGlow, SixteenBitQuotientsNearAnIntegerTruncateAsDivided)
{
    const struct {
        A_u_short bottomAlpha, bottom, glowAlpha, glow;
        double k;
    } cases[] = {{15256, 1415, 9285, 7729, 0.6180339887}, {12174, 20944, 14052, 8094, 0.6180339887},
                 {1475, 14022, 1993, 8604, 1.0}};
    for (const auto& c : cases) {
        TestImage<PF_Pixel16> output(21, 1, 0), glow(21, 1, 0);
        for (PF_Pixel16& p : output.pixels) p = {c.bottomAlpha, c.bottom, c.bottom, c.bottom};
        for (PF_Pixel16& p : glow.pixels) p = {c.glowAlpha, c.glow, c.glow, c.glow};
        const Pixel16Word expected = BlendAddScaled(WordFromPixel(output.pixels[0]), WordFromPixel(glow.pixels[0]), &c.k);
        for (const Isa isa : test::RunnableIsas()) {
            TestImage<PF_Pixel16> lanes(output);
            GlowComposite(lanes.view, glow.view, c.k, isa);
            for (const PF_Pixel16& p : lanes.pixels)
                ASSERT_EQ(WordFromPixel(p), expected) << c.bottom << " isa " << static_cast<int>(isa);
        }
    }
}

// The colours among random ones, the bright pass's lanes against the definition for every threshold from -1 to
// `last`.
template <typename Pixel>
void CheckLumaColours(const std::vector<Pixel>& colours, int32_t last)
{
    TestRandom rnd(12);
    TestImage<Pixel> output(static_cast<int32_t>(colours.size()) * 3, 4, 1), glow(output.view.width, 4);
    output.Randomise(rnd);
    glow.Randomise(rnd);
    for (size_t i = 0; i < colours.size(); ++i) output.At(static_cast<int32_t>(i * 3 + i % 3), static_cast<int32_t>(i % 4)) = colours[i];
    for (int32_t q = -1; q <= last; ++q) {
        TestImage<Pixel> expected(glow);
        GlowBrightPass(output.view, expected.view, q, Isa::Baseline);
        for (const Isa isa : test::RunnableIsas()) {
            TestImage<Pixel> lanes(glow);
            GlowBrightPass(output.view, lanes.view, q, isa);
            ASSERT_TRUE(lanes.SameBytes(expected)) << "threshold " << q << " isa " << static_cast<int>(isa);
        }
    }
}

// The 8-bit lanes test the luma in integers: trunc(luma) is floor(N / 10^6) of N = 298912 R + 586611 G + 114478 B
// for every colour whose N is not a multiple of 10^6; those colours, and others, against every threshold.
TEST(KernelGlow, EightBitLumaInIntegers)
{
    if (!CpuHasAvx2()) GTEST_SKIP() << "only the AVX2 lanes take the luma in integers";
    std::vector<PF_Pixel8> onMultiple;
    for (int32_t r = 0; r < 256; ++r) {
        for (int32_t g = 0; g < 256; ++g) {
            for (int32_t b = 0; b < 256; ++b) {
                const int64_t n = 298912 * r + 586611 * g + 114478 * b;
                const PF_Pixel8 p{255, static_cast<A_u_char>(r), static_cast<A_u_char>(g), static_cast<A_u_char>(b)};
                if (n % 1000000 == 0) onMultiple.push_back(p);
                else ASSERT_EQ(GlowLuma(p), n / 1000000) << r << " " << g << " " << b;
            }
        }
    }
    CheckLumaColours(onMultiple, 258);
}

// The 16-bit lanes test N = 298912 R + 586611 G + 114478 B against L 10^6, L the least truncated luma that rescales to
// q: colours with N on that limit, one either side of it, and every threshold's rescale boundary.
TEST(KernelGlow, SixteenBitLumaInIntegers)
{
    if (!CpuHasAvx2()) GTEST_SKIP() << "only the AVX2 lanes take the luma in integers";
    const int64_t wr = 298912, wg = 586611, wb = 114478;
    int64_t inverse = 1;  // of wg modulo wb
    while (wg * inverse % wb != 1) ++inverse;
    std::vector<PF_Pixel16> colours;
    for (const int32_t q : {1, 2, 100, 128, 129, 255, 256, 300, 510, 511}) {
        const int64_t least = (static_cast<int64_t>(q) * 32768 - 16384 + 254) / 255;
        for (const int64_t n : {least * 1000000 - 1, least * 1000000, least * 1000000 + 1}) {
            int32_t found = 0;  // few or none for the darkest limits
            for (int64_t r = 0; r < 65536 && found < 40; ++r) {
                const int64_t g = (((n - wr * r) % wb + wb) % wb) * inverse % wb, rest = n - wr * r - wg * g;
                if (g > 65535 || rest < 0 || rest / wb > 65535) continue;
                colours.push_back({0, static_cast<A_u_short>(r), static_cast<A_u_short>(g), static_cast<A_u_short>(rest / wb)});
                ++found;
            }
        }
    }
    ASSERT_GT(colours.size(), 600u);
    CheckLumaColours(colours, 512);
}

// Opaque layers (the usual footage) take 16-bit lanes with trunc(p x k) in fixed point where a multiplier gives the
// double product's truncation for every channel value, and the 32-bit lanes where none does (0.7: some p x 0.7 round
// up to an integer in double, others down). Every bottom value against every glow alpha, several glow values each.
TEST(KernelGlow, OpaqueLayersEqualTheScaledAdd)
{
    const struct {
        double k;
        bool fixedPoint;
    } cases[] = {{0.0, true}, {0.5, true}, {1.0, true}, {0.37, true}, {1.0 / 3, true}, {0.6180339887, true},
                 {2.2, true}, {7.5, true}, {10.0, true}, {300.0, true}, {0.7, false}, {-0.5, false}};
    TestImage<PF_Pixel8> output(256, 256, 3), glow(256, 256);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            output.At(x, y) = {255, static_cast<A_u_char>(x), static_cast<A_u_char>(255 - x), static_cast<A_u_char>(x * 7 + y)};
            glow.At(x, y) = {static_cast<A_u_char>(y), static_cast<A_u_char>(x * 13 + y), static_cast<A_u_char>(255 - y),
                             static_cast<A_u_char>(x ^ y)};
        }
    }
    for (const auto& c : cases) {
        EXPECT_EQ(opaque8::FindScaledFactor(c.k).exact, c.fixedPoint) << c.k;
        TestImage<PF_Pixel8> expected(output);
        for (int32_t y = 0; y < 256; ++y) {
            for (int32_t x = 0; x < 256; ++x) {
                PF_Pixel8& p = expected.At(x, y);
                p = PixelFromWord(BlendAddScaled(WordFromPixel(p), WordFromPixel(glow.At(x, y)), &c.k));
            }
        }
        for (const Isa isa : test::RunnableIsas()) {
            TestImage<PF_Pixel8> lanes(output);
            GlowComposite(lanes.view, glow.view, c.k, isa);
            ASSERT_TRUE(lanes.SameBytes(expected)) << "k " << c.k << " isa " << static_cast<int>(isa);
        }
    }
}

// Strength 0: nothing glows; opaque output stays, transparent output takes the (transparent) glow pixel.
TEST(KernelGlow, ZeroStrengthAddsNothing)
{
    TestRandom rnd(6);
    TestImage<PF_Pixel8> output(20, 10);
    output.Randomise(rnd);
    TestImage<PF_Pixel8> glow(output);
    const TestImage<PF_Pixel8> before(output);
    GlowBrightPass(output.view, glow.view, GlowThreshold(100, 0.0));
    std::vector<double> scratch(20 * 2 + 8);
    GlowBlur(BoxBlurSums{scratch.data(), scratch.size() * sizeof(double)}, 3, glow.view);
    GlowComposite(output.view, glow.view, 2.0);
    for (int32_t y = 0; y < 10; ++y) {
        for (int32_t x = 0; x < 20; ++x) {
            EXPECT_EQ(glow.At(x, y).alpha, 0);
            if (before.pixels[static_cast<size_t>(y * before.view.stride + x)].alpha != 0) {
                EXPECT_TRUE(test::SamePixel(output.At(x, y), before.pixels[static_cast<size_t>(y * before.view.stride + x)]));
            } else {
                EXPECT_TRUE(test::SamePixel(output.At(x, y), glow.At(x, y)));
            }
        }
    }
}

// A transparent area beside a bright one receives the blurred glow, with its blurred alpha.
TEST(KernelGlow, TransparentNeighboursReceiveTheBlurredGlow)
{
    TestImage<PF_Pixel8> output(10, 1);
    for (int32_t x = 0; x < 10; ++x) {
        output.At(x, 0) = x < 5 ? PF_Pixel8{255, 255, 255, 255} : PF_Pixel8{0, 0, 0, 0};
    }
    TestImage<PF_Pixel8> glow(output);
    GlowBrightPass(output.view, glow.view, GlowThreshold(200, 1.0));
    std::vector<double> scratch(10 * 2 + 8);
    GlowBlur(BoxBlurSums{scratch.data(), scratch.size() * sizeof(double)}, 2, glow.view);
    GlowComposite(output.view, glow.view, 1.0);
    EXPECT_TRUE(test::SamePixel(output.At(5, 0), PF_Pixel8{102, 102, 102, 102}));  // two white of five
    EXPECT_TRUE(test::SamePixel(output.At(6, 0), PF_Pixel8{51, 51, 51, 51}));
    EXPECT_TRUE(test::SamePixel(output.At(7, 0), PF_Pixel8{0, 0, 0, 0}));
    EXPECT_EQ(output.At(4, 0).alpha, 255);
}

}  // namespace
}  // namespace pw
