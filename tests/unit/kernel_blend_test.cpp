// Blend functions in the three depths: the worked examples, the shortcuts, the tables, the edge values of
// each mode, and agreement with a plain transcription for random pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kernel_reference.h"
#include "kernel_test_support.h"
#include "kernels/blend.h"

namespace pw {
namespace {

using test::SamePixel;
using test::TestRandom;

PF_Pixel8 Px8(int a, int r, int g, int b)
{
    return {static_cast<A_u_char>(a), static_cast<A_u_char>(r), static_cast<A_u_char>(g), static_cast<A_u_char>(b)};
}
PF_Pixel16 Px16(int a, int r, int g, int b)
{
    return {static_cast<A_u_short>(a), static_cast<A_u_short>(r), static_cast<A_u_short>(g),
            static_cast<A_u_short>(b)};
}

PF_Pixel8 Run8(BlendFunc8 f, PF_Pixel8 P, PF_Pixel8 Q) { return PixelFromWord(f(WordFromPixel(P), WordFromPixel(Q))); }
PF_Pixel16 Run16(BlendFunc16 f, PF_Pixel16 P, PF_Pixel16 Q)
{
    return PixelFromWord(f(WordFromPixel(P), WordFromPixel(Q)));
}
PF_Pixel8 Scaled8(PF_Pixel8 P, PF_Pixel8 Q, double k)
{
    return PixelFromWord(BlendAddScaled(WordFromPixel(P), WordFromPixel(Q), &k));
}
PF_Pixel16 Scaled16(PF_Pixel16 P, PF_Pixel16 Q, double k)
{
    return PixelFromWord(BlendAddScaled(WordFromPixel(P), WordFromPixel(Q), &k));
}

void Expect8(PF_Pixel8 got, int a, int r, int g, int b)
{
    EXPECT_EQ(got.alpha, a);
    EXPECT_EQ(got.red, r);
    EXPECT_EQ(got.green, g);
    EXPECT_EQ(got.blue, b);
}

TEST(KernelBlendWords, ChannelOrderIsAlphaRedGreenBlueFromTheLowBits)
{
    EXPECT_EQ(WordFromPixel(Px8(0x11, 0x22, 0x33, 0x44)), 0x44332211u);
    EXPECT_EQ(WordFromPixel(Px16(0x1111, 0x2222, 0x3333, 0x4444)), 0x4444333322221111ull);
    EXPECT_TRUE(SamePixel(PixelFromWord(Pixel8Word{0x44332211u}), Px8(0x11, 0x22, 0x33, 0x44)));
    EXPECT_TRUE(SamePixel(PixelFromWord(Pixel16Word{0x4444333322221111ull}), Px16(0x1111, 0x2222, 0x3333, 0x4444)));
}

TEST(KernelColorConvert, EightBitColoursCarriedIntoTheOtherDepths)
{
    EXPECT_EQ(Color16From8(255), 32768);
    EXPECT_EQ(Color16From8(128), 16448);
    EXPECT_EQ(Color16From8(0), 0);
    EXPECT_EQ(Color16From8(1), 129);  // (32768 + 128) / 255
    EXPECT_EQ(ColorFloatFrom8(255), 1.0f);
    EXPECT_EQ(ColorFloatFrom8(51), 51.0f / 255.0f);
    EXPECT_TRUE(SamePixel(Pixel16From8(Px8(255, 128, 0, 1)), Px16(32768, 16448, 0, 129)));
    const PF_PixelFloat f = PixelFloatFrom8(Px8(255, 128, 0, 1));
    EXPECT_EQ(f.alpha, 1.0f);
    EXPECT_EQ(f.red, 128.0f / 255.0f);
    EXPECT_EQ(f.green, 0.0f);
}

TEST(KernelBlend8, NormalExamples)
{
    Expect8(Run8(BlendNormal, Px8(255, 0, 0, 0), Px8(128, 255, 255, 255)), 255, 128, 128, 128);
    Expect8(Run8(BlendNormal, Px8(128, 0, 0, 0), Px8(128, 255, 255, 255)), 192, 170, 170, 170);
    // An opaque top wins outright, a transparent bottom under a transparent top yields the top.
    Expect8(Run8(BlendNormal, Px8(200, 1, 2, 3), Px8(255, 9, 8, 7)), 255, 9, 8, 7);
    Expect8(Run8(BlendNormal, Px8(0, 1, 2, 3), Px8(0, 9, 8, 7)), 0, 9, 8, 7);
}

TEST(KernelBlend8, OpaqueExamplesOfEachRule)
{
    const PF_Pixel8 P = Px8(255, 100, 200, 50), Q = Px8(255, 100, 100, 100);
    Expect8(Run8(BlendAdd, P, Q), 255, 200, 255, 150);
    Expect8(Run8(BlendMultiply, P, Q), 255, 39, 78, 19);
    Expect8(Run8(BlendScreen, P, Q), 255, 161, 222, 131);
    Expect8(Run8(BlendOverlay, P, Q), 255, 78, 189, 39);
    EXPECT_EQ(Run8(BlendMultiply, Px8(255, 255, 255, 255), Px8(255, 0, 0, 0)).red, 0);
}

TEST(KernelBlend8, HalfTransparentRedsAdd)
{
    Expect8(Run8(BlendAdd, Px8(128, 255, 0, 0), Px8(128, 255, 0, 0)), 192, 255, 0, 0);
}

// Every mode of the table, every depth: a transparent bottom takes the top exactly, a transparent top
// leaves the bottom exactly.
class KernelBlendShortcuts : public ::testing::TestWithParam<int> {};

TEST_P(KernelBlendShortcuts, TransparentBottomGivesTopAndTransparentTopGivesBottom)
{
    const int mode = GetParam();
    TestRandom rnd(static_cast<uint64_t>(mode) + 17);
    for (int i = 0; i < 200; ++i) {
        PF_Pixel8 p8 = test::RandomPixel8(rnd), q8 = test::RandomPixel8(rnd);
        PF_Pixel16 p16 = test::RandomPixel16(rnd), q16 = test::RandomPixel16(rnd);
        PF_PixelFloat pf = test::RandomPixelFloat(rnd), qf = test::RandomPixelFloat(rnd);
        const double k = rnd.Real() * 10;
        if (mode == ref::kAddScaled) {
            p8.alpha = 0, p16.alpha = 0, pf.alpha = 0.0f;
            EXPECT_TRUE(SamePixel(Scaled8(p8, q8, k), q8));
            EXPECT_TRUE(SamePixel(Scaled16(p16, q16, k), q16));
            EXPECT_TRUE(SamePixel(BlendAddScaled(pf, qf, &k), qf));
            p8.alpha = 7, p16.alpha = 7, pf.alpha = 0.5f;
            q8.alpha = 0, q16.alpha = 0, qf.alpha = 0.0f;
            EXPECT_TRUE(SamePixel(Scaled8(p8, q8, k), p8));
            EXPECT_TRUE(SamePixel(Scaled16(p16, q16, k), p16));
            EXPECT_TRUE(SamePixel(BlendAddScaled(pf, qf, &k), pf));
            continue;
        }
        p8.alpha = 0, p16.alpha = 0, pf.alpha = 0.0f;
        EXPECT_TRUE(SamePixel(Run8(BlendTable8[mode], p8, q8), q8));
        EXPECT_TRUE(SamePixel(Run16(BlendTable16[mode], p16, q16), q16));
        EXPECT_TRUE(SamePixel(BlendTableFloat[mode](pf, qf), qf));
        // Even under a transparent top, the transparent bottom yields the top.
        q8.alpha = 0, q16.alpha = 0, qf.alpha = 0.0f;
        EXPECT_TRUE(SamePixel(Run8(BlendTable8[mode], p8, q8), q8));
        p8.alpha = 7, p16.alpha = 7, pf.alpha = 0.5f;
        EXPECT_TRUE(SamePixel(Run8(BlendTable8[mode], p8, q8), p8));
        EXPECT_TRUE(SamePixel(Run16(BlendTable16[mode], p16, q16), p16));
        EXPECT_TRUE(SamePixel(BlendTableFloat[mode](pf, qf), pf));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, KernelBlendShortcuts, ::testing::Range(0, ref::kAddScaled + 1));

TEST(KernelBlendTables, PopupValuesSelectTheirFunctionsWithFillersAtZeroAndTwo)
{
    const BlendFunc8 f8[] = {BlendNormal, BlendNormal,  BlendAdd,   BlendAdd, BlendMultiply,
                             BlendScreen, BlendOverlay, BlendDodge, BlendBurn};
    const BlendFunc16 f16[] = {BlendNormal, BlendNormal,  BlendAdd,   BlendAdd, BlendMultiply,
                               BlendScreen, BlendOverlay, BlendDodge, BlendBurn};
    const BlendFuncFloat ff[] = {BlendNormal, BlendNormal,  BlendAdd,   BlendAdd, BlendMultiply,
                                 BlendScreen, BlendOverlay, BlendDodge, BlendBurn};
    for (int i = 0; i < kBlendTableSize; ++i) {
        EXPECT_EQ(BlendTable8[i], f8[i]) << i;
        EXPECT_EQ(BlendTable16[i], f16[i]) << i;
        EXPECT_EQ(BlendTableFloat[i], ff[i]) << i;
    }
    EXPECT_EQ(BlendTableIndex(5), 5);
    EXPECT_EQ(BlendTableIndex(9), 0);
    EXPECT_EQ(BlendTableIndex(-1), 0);
}

// Both pixels opaque: in 16-bit and float only the overlap term remains, so the result is the rule itself.
TEST(KernelBlendEdges, DodgeWithWhiteTopIsWhiteEvenOverBlack)
{
    Expect8(Run8(BlendDodge, Px8(255, 0, 100, 255), Px8(255, 255, 255, 255)), 255, 255, 255, 255);
    EXPECT_TRUE(SamePixel(Run16(BlendDodge, Px16(32768, 0, 100, 32768), Px16(32768, 32768, 32768, 32768)),
                          Px16(32768, 32768, 32768, 32768)));
    const PF_PixelFloat f = BlendDodge(PF_PixelFloat{1, 0, 0.5f, 1}, PF_PixelFloat{1, 1, 1, 1});
    EXPECT_EQ(f.red, 1.0f);
    EXPECT_EQ(f.green, 1.0f);
}

TEST(KernelBlendEdges, BurnWithZeroTopIsBlackExceptWhiteIn16Bit)
{
    Expect8(Run8(BlendBurn, Px8(255, 0, 200, 255), Px8(255, 0, 0, 0)), 255, 0, 0, 0);
    EXPECT_TRUE(SamePixel(Run16(BlendBurn, Px16(32768, 0, 20000, 32768), Px16(32768, 0, 0, 0)),
                          Px16(32768, 32768, 32768, 32768)));
    const PF_PixelFloat f = BlendBurn(PF_PixelFloat{1, 0, 0.8f, 1}, PF_PixelFloat{1, 0, 0, 0});
    EXPECT_EQ(f.red, 0.0f);
    EXPECT_EQ(f.green, 0.0f);
}

TEST(KernelBlendEdges, FloatDodgeAndBurnAreNotClamped)
{
    const PF_PixelFloat dodge = BlendDodge(PF_PixelFloat{1, 0.5f, 0.5f, 0.5f}, PF_PixelFloat{1, 0.999f, 0.999f, 0.999f});
    EXPECT_GT(dodge.red, 100.0f);
    const PF_PixelFloat burn = BlendBurn(PF_PixelFloat{1, 0.5f, 0.5f, 0.5f}, PF_PixelFloat{1, 0.01f, 0.01f, 0.01f});
    EXPECT_LT(burn.red, -10.0f);
    const PF_PixelFloat add = BlendAdd(PF_PixelFloat{1, 0.8f, 0, 0}, PF_PixelFloat{1, 0.7f, 0, 0});
    EXPECT_EQ(add.red, 0.8f + 0.7f);
}

TEST(KernelBlendEdges, SixteenBitOverlayBranchesAtHalfWhite)
{
    // Opaque over opaque in 16-bit leaves M itself. Against a top of 32767, the multiply branch gives
    // 16383 * 32767 * 2 / 32768 = 32765.00006, the screen branch 2 * (p + 32767 - p * 32767 / 32768) - 32768.
    const PF_Pixel16 top = Px16(32768, 32767, 32767, 32767);
    EXPECT_EQ(Run16(BlendOverlay, Px16(32768, 16383, 0, 0), top).red, 32765);
    EXPECT_EQ(Run16(BlendOverlay, Px16(32768, 16384, 0, 0), top).red, 32768);
    // 8-bit and float branch at 128 and 0.5.
    EXPECT_EQ(ref::Rule8(6, 127, 255, 1), 254);
    EXPECT_EQ(Run8(BlendOverlay, Px8(255, 128, 0, 0), Px8(255, 0, 0, 0)).red, 1);  // screen branch: 2 * 128 - 255
    const PF_PixelFloat f = BlendOverlay(PF_PixelFloat{1, 0.5f, 0, 0}, PF_PixelFloat{1, 0, 0, 0});
    EXPECT_EQ(f.red, 0.0f);  // 1 - 2 * 0.5 * 1
}

TEST(KernelBlendEdges, FloatResultAlphaCappedAndNonPositiveAlphaGivesZeroPixel)
{
    const PF_PixelFloat capped = BlendAdd(PF_PixelFloat{1.5f, 0.2f, 0.2f, 0.2f}, PF_PixelFloat{0.5f, 0.2f, 0.2f, 0.2f});
    EXPECT_EQ(capped.alpha, 1.0f);
    const PF_PixelFloat zero = BlendScreen(PF_PixelFloat{0.5f, 0.3f, 0.3f, 0.3f}, PF_PixelFloat{-1.0f, 0.4f, 0.4f, 0.4f});
    EXPECT_TRUE(SamePixel(zero, PF_PixelFloat{0, 0, 0, 0}));
    const PF_PixelFloat normal = BlendNormal(PF_PixelFloat{0.5f, 0.3f, 0.3f, 0.3f}, PF_PixelFloat{-1.0f, 0.4f, 0.4f, 0.4f});
    EXPECT_TRUE(SamePixel(normal, PF_PixelFloat{0, 0, 0, 0}));
}

TEST(KernelBlendAddScaled, FactorZeroShowsGlowIn8BitButLayerInTheOtherDepths)
{
    // 8-bit: overlap = top; the small top-only and bottom-only shares move the result only slightly.
    EXPECT_EQ(Scaled8(Px8(255, 200, 200, 200), Px8(255, 50, 50, 50), 0.0).red, 50);
    EXPECT_EQ(Scaled16(Px16(32768, 20000, 0, 0), Px16(32768, 5000, 0, 0), 0.0).red, 20000);
    const double zero = 0.0;
    EXPECT_EQ(BlendAddScaled(PF_PixelFloat{1, 0.75f, 0, 0}, PF_PixelFloat{1, 0.25f, 0, 0}, &zero).red, 0.75f);
}

TEST(KernelBlendAddScaled, FactorOneEqualsAddInEveryDepth)
{
    TestRandom rnd(5);
    const double one = 1.0;
    for (int i = 0; i < 5000; ++i) {
        const PF_Pixel8 p8 = test::RandomPixel8(rnd), q8 = test::RandomPixel8(rnd);
        EXPECT_TRUE(SamePixel(Scaled8(p8, q8, 1.0), Run8(BlendAdd, p8, q8)));
        const PF_Pixel16 p16 = test::RandomPixel16(rnd), q16 = test::RandomPixel16(rnd);
        EXPECT_TRUE(SamePixel(Scaled16(p16, q16, 1.0), Run16(BlendAdd, p16, q16)));
        const PF_PixelFloat pf = test::RandomPixelFloat(rnd), qf = test::RandomPixelFloat(rnd);
        EXPECT_TRUE(SamePixel(BlendAddScaled(pf, qf, &one), BlendAdd(pf, qf)));
    }
}

// Factors no intensity parameter can produce still give a defined, capped result (run under UBSan).
TEST(KernelBlendAddScaled, ExtremeFactorsStayDefined)
{
    const double factors[] = {-1e300, -3.0, 1e300, std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
    for (const double k : factors) {
        const PF_Pixel8 r8 = Scaled8(Px8(200, 255, 128, 0), Px8(100, 255, 10, 0), k);
        EXPECT_EQ(r8.alpha, 221);  // 100 + ((156 * 200) >> 8)
        const PF_Pixel16 r16 = Scaled16(Px16(20000, 32768, 100, 0), Px16(9000, 32768, 100, 0), k);
        EXPECT_LE(r16.red, 32768);
        EXPECT_LE(r16.green, 32768);
    }
    EXPECT_EQ(Scaled8(Px8(255, 200, 0, 0), Px8(255, 10, 0, 0), -1e300).red, 0);
    EXPECT_EQ(Scaled8(Px8(255, 200, 0, 0), Px8(255, 10, 0, 0), 1e300).red, 254);  // M = 255, shares of 10 and 200
}

// Each mode and the scaled Add against a plain transcription, for random pixels of every depth.
class KernelBlendReference : public ::testing::TestWithParam<int> {};

TEST_P(KernelBlendReference, MatchesTranscriptionBitForBit)
{
    const int mode = GetParam();
    TestRandom rnd(static_cast<uint64_t>(mode) * 7 + 3);
    for (int i = 0; i < 20000; ++i) {
        const double k = rnd.Int(0, 3) == 0 ? 1.0 : rnd.Real() * 10;
        const PF_Pixel8 p8 = test::RandomPixel8(rnd), q8 = test::RandomPixel8(rnd);
        const PF_Pixel16 p16 = test::RandomPixel16(rnd), q16 = test::RandomPixel16(rnd);
        const PF_PixelFloat pf = test::RandomPixelFloat(rnd), qf = test::RandomPixelFloat(rnd);
        if (mode == ref::kAddScaled) {
            ASSERT_TRUE(SamePixel(Scaled8(p8, q8, k), ref::Blend8(mode, p8, q8, k)));
            ASSERT_TRUE(SamePixel(Scaled16(p16, q16, k), ref::Blend16(mode, p16, q16, k)));
            ASSERT_TRUE(SamePixel(BlendAddScaled(pf, qf, &k), ref::BlendFloat(mode, pf, qf, k)));
        } else {
            ASSERT_TRUE(SamePixel(Run8(BlendTable8[mode], p8, q8), ref::Blend8(mode, p8, q8)));
            ASSERT_TRUE(SamePixel(Run16(BlendTable16[mode], p16, q16), ref::Blend16(mode, p16, q16)));
            ASSERT_TRUE(SamePixel(BlendTableFloat[mode](pf, qf), ref::BlendFloat(mode, pf, qf)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryMode, KernelBlendReference, ::testing::Range(1, ref::kAddScaled + 1));

// A careless host's 16-bit channels above 32768: no result channel leaves 0..32768.
TEST(KernelBlend16, ResultsNeverExceedWhiteEvenFromOutOfRangeInput)
{
    TestRandom rnd(99);
    for (int i = 0; i < 20000; ++i) {
        const auto any = [&] { return static_cast<A_u_short>(rnd.Int(0, 3) == 0 ? rnd.Int(32769, 65535) : rnd.Int(0, 32768)); };
        const PF_Pixel16 p{any(), any(), any(), any()}, q{any(), any(), any(), any()};
        const double k = rnd.Real() * 10;
        for (int mode = 0; mode <= ref::kAddScaled; ++mode) {
            const PF_Pixel16 r = mode == ref::kAddScaled ? Scaled16(p, q, k) : Run16(BlendTable16[mode], p, q);
            ASSERT_LE(r.alpha, 32768);
            ASSERT_LE(r.red, 32768);
            ASSERT_LE(r.green, 32768);
            ASSERT_LE(r.blue, 32768);
            // Out-of-range input reads as white.
            const PF_Pixel16 capped = Depth16::Sanitize(p), cappedTop = Depth16::Sanitize(q);
            const PF_Pixel16 expected =
                mode == ref::kAddScaled ? ref::Blend16(mode, capped, cappedTop, k) : ref::Blend16(mode, capped, cappedTop);
            ASSERT_TRUE(SamePixel(r, expected));
        }
    }
}

// The same colours in 8-bit and in 16-bit give the same result up to the 8-bit truncations. Alphas agree
// within one step always; colours within three steps once both alphas are at least 32 (below that the
// 8-bit weights, truncated to 1/256, lose the bottom's share and the two depths legitimately part).
TEST(KernelBlendDepths, EightAndSixteenBitAgreeWithinRounding)
{
    TestRandom rnd(1234);
    for (int mode = 0; mode <= ref::kAddScaled; ++mode) {
        int worstAlpha = 0, worstColour = 0, worstOpaque = 0;
        for (int i = 0; i < 20000; ++i) {
            PF_Pixel8 p = test::RandomPixel8(rnd), q = test::RandomPixel8(rnd);
            if (mode == 7) {  // Dodge and Burn amplify rounding next to their poles: keep away from them
                q.red = static_cast<A_u_char>(q.red % 200), q.green = static_cast<A_u_char>(q.green % 200),
                q.blue = static_cast<A_u_char>(q.blue % 200);
            } else if (mode == 8) {
                q.red = static_cast<A_u_char>(55 + q.red % 201), q.green = static_cast<A_u_char>(55 + q.green % 201),
                q.blue = static_cast<A_u_char>(55 + q.blue % 201);
            }
            const PF_Pixel8 r8 = mode == ref::kAddScaled ? Scaled8(p, q, 1.0) : Run8(BlendTable8[mode], p, q);
            const PF_Pixel16 r16 = mode == ref::kAddScaled ? Scaled16(Pixel16From8(p), Pixel16From8(q), 1.0)
                                                           : Run16(BlendTable16[mode], Pixel16From8(p), Pixel16From8(q));
            const A_u_char* a = &r8.alpha;
            const A_u_short* b = &r16.alpha;
            const bool weighty = (p.alpha == 0 || p.alpha >= 32) && (q.alpha == 0 || q.alpha >= 32);
            const bool opaque = p.alpha == 255 && q.alpha == 255;
            for (int c = 0; c < 4; ++c) {
                const int diff = std::abs(static_cast<int>(std::lround(b[c] * 255.0 / 32768.0)) - a[c]);
                if (c == 0) {
                    worstAlpha = std::max(worstAlpha, diff);
                } else if (weighty) {
                    worstColour = std::max(worstColour, diff);
                }
                if (opaque) {
                    worstOpaque = std::max(worstOpaque, diff);
                }
            }
        }
        EXPECT_LE(worstAlpha, 1) << "mode " << mode;
        EXPECT_LE(worstColour, 3) << "mode " << mode;
        EXPECT_LE(worstOpaque, 2) << "mode " << mode;
    }
}

}  // namespace
}  // namespace pw
