// The per-beat draws of Scroll, Stretch, Slice and RGB Separation.
#include <gtest/gtest.h>

#include <set>

#include "render/geometry_draws.h"

namespace pw {
namespace {

RenderSettings DefaultSettings()
{
    RenderSettings s{};
    s.maxScrollLength = 1.5;
    s.scrollMode = 1;
    s.scrollDirection = 1;
    s.maxSliceWidth = 0.2;
    s.maxSliceLength = 1;
    s.sliceMode = 1;
    s.sliceDirection = 1;
    s.stretchDirection = 1;
    s.maxStretchLength = 1;
    s.rgbSeparationMode = 1;
    s.maxRgbSeparationLength = 0.05;
    s.rgbSeparationColor = 1;
    s.rgbSeparationColor1 = {255, 255, 0, 0};
    s.rgbSeparationColor2 = {255, 0, 0, 255};
    s.rgbSeparationColor3 = {255, 0, 255, 0};
    return s;
}

BeatState Beat(double envelope, bool inAttack, uint32_t seed = 7)
{
    BeatState b{};
    b.envelope = envelope;
    b.inAttack = inAttack;
    b.sliceOn = b.rgbSeparationOn = true;
    b.scrollStream = b.sliceStream = b.stretchStream = b.rgbSeparationStream = RandomStream{seed};
    return b;
}

TEST(GeometryEasing, OneWayRunsOnToAnOddMultipleOfTheExtent)
{
    EXPECT_EQ(EaseOneWay(250, 100, 1.0), 250);  // full strength keeps the draw
    EXPECT_EQ(EaseOneWay(250, 100, 0.0), 500);  // 5 x 100: back in place after wrapping
    EXPECT_EQ(EaseOneWay(0, 100, 0.0), 100);
    EXPECT_EQ(EaseOneWay(40, 100, 0.5), 70);  // (1 - 0.5) x (100 - 40) + 40
    EXPECT_EQ(EaseReturn(250, 0.0), 0);
    EXPECT_EQ(EaseReturn(250, 0.5), 125);
}

TEST(GeometryEasing, WrapHandlesEverySign)
{
    EXPECT_EQ(Wrap(-1, 10), 9);
    EXPECT_EQ(Wrap(-20, 10), 0);
    EXPECT_EQ(Wrap(25, 10), 5);
    EXPECT_EQ(Wrap(int64_t(-3000000000LL), 7), int32_t(((-3000000000LL % 7) + 7) % 7));
}

TEST(ScrollDraw, StrengthZeroOutsideTheAttackPutsTheFrameBackInPlace)
{
    for (int mode : {1, 2, 3}) {
        for (uint32_t seed = 0; seed < 50; ++seed) {
            RenderSettings s = DefaultSettings();
            s.scrollMode = mode;
            BeatState b = Beat(0.0, false, seed);
            EXPECT_EQ(DrawScrollOffset(s, b, 90), 0) << "mode " << mode << " seed " << seed;
        }
    }
}

TEST(ScrollDraw, FullMinimumMakesTheLengthTheMaximum)
{
    // Max 1.5 heights with Min 100 %: One-way at full strength shows the frame shifted by half its height.
    RenderSettings s = DefaultSettings();
    s.minScrollLength = 1.0;
    s.scrollMode = 2;
    s.scrollDirection = 2;
    for (uint32_t seed = 0; seed < 20; ++seed) {
        BeatState b = Beat(1.0, false, seed);
        EXPECT_EQ(DrawScrollOffset(s, b, 100), 50);
    }
}

TEST(ScrollDraw, DownNegatesAndTheOffsetIsReduced)
{
    RenderSettings s = DefaultSettings();
    s.minScrollLength = 1.0;
    s.scrollMode = 2;
    s.scrollDirection = 3;
    BeatState b = Beat(1.0, false);
    EXPECT_EQ(DrawScrollOffset(s, b, 100), 50);  // -150 mod 100
    s.maxScrollLength = 0.3;
    b = Beat(1.0, false);
    EXPECT_EQ(DrawScrollOffset(s, b, 100), 70);  // -30 mod 100
    // A damaged project's length saturates the offset at -2^31, whose negation is 2^31: 2^31 mod 100.
    s.maxScrollLength = -1e12;
    s.scrollMode = 3;
    b = Beat(1.0, false);
    EXPECT_EQ(DrawScrollOffset(s, b, 100), 48);
}

TEST(ScrollDraw, DrawsTwoRealsInTheAttackAndThreeWithModeBoth)
{
    RenderSettings s = DefaultSettings();
    BeatState attack = Beat(0.5, true);
    DrawScrollOffset(s, attack, 100);
    BeatState release = Beat(0.5, false);
    DrawScrollOffset(s, release, 100);
    RandomStream expect{7};
    NextInt(expect);
    NextInt(expect);
    EXPECT_EQ(attack.scrollStream.state, expect.state);
    NextInt(expect);
    EXPECT_EQ(release.scrollStream.state, expect.state);
}

TEST(StretchDraw, StrengthZeroPicksTheEdgeColumn)
{
    RenderSettings s = DefaultSettings();
    for (uint32_t seed = 0; seed < 20; ++seed) {
        BeatState b = Beat(0.0, false, seed);
        const StretchPlan plan = DrawStretch(s, b, 64);
        EXPECT_EQ(plan.column, plan.after ? 63 : 0);
    }
    s.stretchDirection = 2;
    BeatState b = Beat(0.0, false);
    EXPECT_TRUE(DrawStretch(s, b, 64).after);
    s.stretchDirection = 3;
    b = Beat(0.0, false);
    EXPECT_FALSE(DrawStretch(s, b, 64).after);
}

TEST(StretchDraw, CarelessSettingsKeepTheColumnInTheFrame)
{
    RenderSettings s = DefaultSettings();
    s.maxStretchLength = 1e9;
    s.minStretchLength = 1.0;
    for (int direction : {1, 2, 3}) {
        s.stretchDirection = direction;
        BeatState b = Beat(1.0, false);
        const StretchPlan plan = DrawStretch(s, b, 64);
        EXPECT_GE(plan.column, 0);
        EXPECT_LE(plan.column, 63);
    }
}

TEST(SliceDraw, BandsTileTheFrameAndAreNeverEmpty)
{
    for (double width : {0.0, 0.01, 0.2, 1.0}) {
        RenderSettings s = DefaultSettings();
        s.maxSliceWidth = width;
        BeatState b = Beat(1.0, false);
        SliceAndSeparationDraws draws(s, b, 50, 37);
        draws.DrawSliceCoin();
        int32_t top = 0, bands = 0;
        while (top < 37) {
            const SliceBand band = draws.DrawBand(top);
            EXPECT_EQ(band.top, top);
            EXPECT_GE(band.height, 1);
            EXPECT_LE(band.top + band.height, 37);
            top += band.height;
            ++bands;
        }
        EXPECT_EQ(top, 37);
        if (width == 0.0) {
            EXPECT_EQ(bands, 37);
        }
    }
}

TEST(SliceDraw, BothTwoMovesEveryBandOneWayBothOneChoosesPerBand)
{
    auto signs = [](int direction, uint32_t seed) {
        RenderSettings s = DefaultSettings();
        s.sliceDirection = direction;
        s.minSliceLength = 0.5;  // never a zero shift
        s.sliceMode = 3;
        BeatState b = Beat(1.0, false, seed);
        SliceAndSeparationDraws draws(s, b, 100, 100);
        draws.DrawSliceCoin();
        std::set<bool> negative;
        for (int32_t top = 0; top < 100;) {
            const SliceBand band = draws.DrawBand(top);
            negative.insert(band.shift < 0);
            top += band.height;
        }
        return negative.size();
    };
    size_t mixed = 0;
    for (uint32_t seed = 0; seed < 20; ++seed) {
        EXPECT_EQ(signs(2, seed), 1u);
        mixed += signs(1, seed) == 2;
    }
    EXPECT_GT(mixed, 10u);
}

TEST(SliceDraw, SeparationAloneIsOneUnshiftedBand)
{
    RenderSettings s = DefaultSettings();
    BeatState b = Beat(1.0, false);
    b.sliceOn = false;
    SliceAndSeparationDraws draws(s, b, 80, 60);
    draws.DrawSliceCoin();
    const SliceBand band = draws.DrawBand(0);
    EXPECT_EQ(band.height, 60);
    EXPECT_EQ(band.shift, 0);
}

TEST(SeparationDraw, ThreeMovesTheOuterCopiesApartEvenly)
{
    RenderSettings s = DefaultSettings();
    s.rgbSeparationMode = 2;
    s.minRgbSeparationLength = 1.0;
    s.maxRgbSeparationLength = 0.1;
    BeatState b = Beat(1.0, false);
    SliceAndSeparationDraws draws(s, b, 200, 10);
    draws.DrawSliceCoin();
    const RgbSeparationPlan plan = draws.DrawSeparation();
    EXPECT_EQ(plan.offsetA, -20);
    EXPECT_EQ(plan.offsetB, 0);
    EXPECT_EQ(plan.offsetC, 20);
    EXPECT_EQ(plan.colourB.green, 255);  // the derived colour travels as copy B
}

TEST(SeparationDraw, TwoMovesExactlyOneCopy)
{
    RenderSettings s = DefaultSettings();
    s.rgbSeparationMode = 3;
    s.minRgbSeparationLength = 1.0;
    for (uint32_t seed = 0; seed < 30; ++seed) {
        BeatState b = Beat(1.0, false, seed);
        SliceAndSeparationDraws draws(s, b, 400, 10);
        const RgbSeparationPlan plan = draws.DrawSeparation();
        EXPECT_EQ((plan.offsetA != 0) + (plan.offsetB != 0) + (plan.offsetC != 0), 1) << seed;
    }
}

TEST(SeparationDraw, RandomColoursAreWrittenBackAndStillSumToWhite)
{
    RenderSettings s = DefaultSettings();
    s.rgbSeparationColor = 2;
    for (uint32_t seed = 0; seed < 30; ++seed) {
        BeatState b = Beat(1.0, false, seed);
        SliceAndSeparationDraws draws(s, b, 100, 10);
        const RgbSeparationPlan plan = draws.DrawSeparation();
        EXPECT_EQ(plan.colourA.red + plan.colourB.red + plan.colourC.red, 255);
        EXPECT_EQ(plan.colourA.green + plan.colourB.green + plan.colourC.green, 255);
        EXPECT_EQ(plan.colourA.blue + plan.colourB.blue + plan.colourC.blue, 255);
        EXPECT_EQ(s.rgbSeparationColor1.red, plan.colourA.red);
        EXPECT_EQ(s.rgbSeparationColor3.blue, plan.colourB.blue);
    }
}

}  // namespace
}  // namespace pw
