// Filling the render settings record from checked-out parameters, and the two helpers of the pre-render step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "params/param_table.h"
#include "schedule/render_settings.h"
#include "schedule/third_color.h"
#include "schedule/union_rect.h"

namespace pw {
namespace {

ParamKind KindOf(ParamId id) { return DeclaredParam(kBuildFlavour, id - 1).kind; }

TEST(CheckoutOrder, CoversEveryValueParameterOnce)
{
    std::set<int> expected;
    for (int i = 0; i < kDeclaredParamCount; ++i) {
        const ParamSpec spec = DeclaredParam(kBuildFlavour, i);
        if (spec.kind != ParamKind::GroupStart && spec.kind != ParamKind::GroupEnd) expected.insert(spec.id);
    }
    const std::set<int> listed(kSettingsCheckoutOrder, kSettingsCheckoutOrder + kSettingsParamCount);
    EXPECT_EQ(listed.size(), static_cast<size_t>(kSettingsParamCount));
    EXPECT_EQ(listed, expected);
}

int PositionOf(ParamId id)
{
    return static_cast<int>(std::find(kSettingsCheckoutOrder, kSettingsCheckoutOrder + kSettingsParamCount, id) -
                            kSettingsCheckoutOrder);
}

TEST(CheckoutOrder, TreatmentsAskTheirTrioFirst)
{
    EXPECT_EQ(kSettingsCheckoutOrder[0], PARAM_MODE);
    EXPECT_EQ(kSettingsCheckoutOrder[1], PARAM_BPM);
    EXPECT_EQ(kSettingsCheckoutOrder[2], PARAM_BEAT);
    EXPECT_EQ(kSettingsCheckoutOrder[kSettingsParamCount - 1], PARAM_SEED);
    struct Trio {
        ParamId first, second, third, next;
    };
    const Trio trios[] = {
        {PARAM_SCROLL_MANUAL_AUTO, PARAM_SCROLL_PROBABILITY, PARAM_SCROLL_MANUAL, PARAM_SCROLL_MODE},
        {PARAM_SLICE_MANUAL_AUTO, PARAM_SLICE_PROBABILITY, PARAM_SLICE_MANUAL, PARAM_SLICE_MODE},
        {PARAM_STRETCH_MANUAL_AUTO, PARAM_STRETCH_PROBABILITY, PARAM_STRETCH_MANUAL, PARAM_STRETCH_DIRECTION},
        {PARAM_RGB_SEPARATION_MANUAL_AUTO, PARAM_RGB_SEPARATION_PROBABILITY, PARAM_RGB_SEPARATION_MANUAL,
         PARAM_RGB_SEPARATION_MODE},
        {PARAM_COLOR_MANUAL_AUTO, PARAM_COLOR_PROBABILITY, PARAM_COLOR_MANUAL, PARAM_COLOR_BLEND_MODE},
        {PARAM_GLOW_MANUAL, PARAM_GLOW_PROBABILITY, PARAM_GLOW_MANUAL_AUTO, PARAM_GLOW_THRESHOLD},
        {PARAM_BLUR_MANUAL, PARAM_BLUR_PROBABILITY, PARAM_BLUR_MANUAL_AUTO, PARAM_BLUR_MODE},
        {PARAM_MOSAIC_MANUAL_AUTO, PARAM_MOSAIC_PROBABILITY, PARAM_MOSAIC_MANUAL, PARAM_MAX_MOSAIC_SIZE},
        {PARAM_NOISE_MANUAL_AUTO, PARAM_NOISE_PROBABILITY, PARAM_NOISE_MANUAL, PARAM_NOISE_MODE},
        {PARAM_TIME_MANUAL_AUTO, PARAM_TIME_PROBABILITY, PARAM_TIME_MANUAL, PARAM_TIME_MODE},
    };
    int previous = 2;
    for (const Trio& t : trios) {
        const int at = PositionOf(t.first);
        EXPECT_GT(at, previous) << t.first;
        EXPECT_EQ(PositionOf(t.second), at + 1) << t.first;
        EXPECT_EQ(PositionOf(t.third), at + 2) << t.first;
        EXPECT_EQ(PositionOf(t.next), at + 3) << t.first;
        previous = at;
    }
    // After its trio each treatment, and then the envelope block, follows declaration order.
    for (int i = 1; i < kSettingsParamCount; ++i) {
        const ParamId a = kSettingsCheckoutOrder[i - 1];
        const ParamId b = kSettingsCheckoutOrder[i];
        if (a > PARAM_AUTO_GROUP_END && b > PARAM_AUTO_GROUP_END) {
            EXPECT_LT(a, b) << i;
        }
    }
}

// Each parameter gets a value derived from its id, so a field read from the wrong parameter shows.
std::vector<PF_ParamDef> DistinctParams()
{
    std::vector<PF_ParamDef> params(PARAM_COUNT);
    for (PF_ParamDef& def : params) def = PF_ParamDef{};
    for (int id = 1; id < PARAM_COUNT; ++id) {
        PF_ParamDef& def = params[id];
        switch (KindOf(static_cast<ParamId>(id))) {
        case ParamKind::Popup: def.u.pd.value = id; break;
        case ParamKind::Checkbox: def.u.bd.value = id; break;
        case ParamKind::IntSlider: def.u.sd.value = id; break;
        case ParamKind::FloatSlider: def.u.fs_d.value = id + 0.25; break;
        case ParamKind::Percent: def.u.fd.value = id * 65536; break;
        case ParamKind::Colour:
            def.u.cd.value = {static_cast<A_u_char>(id), static_cast<A_u_char>(id / 2), static_cast<A_u_char>(id / 3),
                              static_cast<A_u_char>(id / 4)};
            break;
        default: break;
        }
    }
    return params;
}

TEST(FillRenderSettings, TakesEachFieldFromItsParameter)
{
    const std::vector<PF_ParamDef> params = DistinctParams();
    RenderSettings s;
    std::memset(&s, 0xAB, sizeof s);
    FillRenderSettings(params.data(), {1, 1}, s);
    auto fraction = [](int id) { return id * 65536 / 65536.0 * 0.01; };
    auto real = [](int id) { return id + 0.25; };

    EXPECT_EQ(s.downsampleX, 1.0);
    EXPECT_EQ(s.mode, PARAM_MODE);
    EXPECT_EQ(s.bpm, real(PARAM_BPM));
    EXPECT_EQ(s.beat, real(PARAM_BEAT));
    EXPECT_EQ(s.scrollManualAuto, PARAM_SCROLL_MANUAL_AUTO);
    EXPECT_EQ(s.scrollProbability, real(PARAM_SCROLL_PROBABILITY));
    EXPECT_EQ(s.scrollManual, PARAM_SCROLL_MANUAL);
    EXPECT_EQ(s.scrollMode, PARAM_SCROLL_MODE);
    EXPECT_EQ(s.scrollDirection, PARAM_SCROLL_DIRECTION);
    EXPECT_EQ(s.maxScrollLength, real(PARAM_MAX_SCROLL_LENGTH));
    EXPECT_EQ(s.minScrollLength, fraction(PARAM_MIN_SCROLL_LENGTH));
    EXPECT_EQ(s.sliceManualAuto, PARAM_SLICE_MANUAL_AUTO);
    EXPECT_EQ(s.sliceProbability, real(PARAM_SLICE_PROBABILITY));
    EXPECT_EQ(s.sliceManual, PARAM_SLICE_MANUAL);
    EXPECT_EQ(s.sliceMode, PARAM_SLICE_MODE);
    EXPECT_EQ(s.sliceDirection, PARAM_SLICE_DIRECTION);
    EXPECT_EQ(s.maxSliceWidth, real(PARAM_MAX_SLICE_WIDTH));
    EXPECT_EQ(s.minSliceWidth, fraction(PARAM_MIN_SLICE_WIDTH));
    EXPECT_EQ(s.maxSliceLength, real(PARAM_MAX_SLICE_LENGTH));
    EXPECT_EQ(s.minSliceLength, fraction(PARAM_MIN_SLICE_LENGTH));
    EXPECT_EQ(s.stretchManualAuto, PARAM_STRETCH_MANUAL_AUTO);
    EXPECT_EQ(s.stretchProbability, real(PARAM_STRETCH_PROBABILITY));
    EXPECT_EQ(s.stretchManual, PARAM_STRETCH_MANUAL);
    EXPECT_EQ(s.stretchDirection, PARAM_STRETCH_DIRECTION);
    EXPECT_EQ(s.maxStretchLength, real(PARAM_MAX_STRETCH_LENGTH));
    EXPECT_EQ(s.minStretchLength, fraction(PARAM_MIN_STRETCH_LENGTH));
    EXPECT_EQ(s.rgbSeparationManualAuto, PARAM_RGB_SEPARATION_MANUAL_AUTO);
    EXPECT_EQ(s.rgbSeparationProbability, real(PARAM_RGB_SEPARATION_PROBABILITY));
    EXPECT_EQ(s.rgbSeparationManual, PARAM_RGB_SEPARATION_MANUAL);
    EXPECT_EQ(s.rgbSeparationMode, PARAM_RGB_SEPARATION_MODE);
    EXPECT_EQ(s.maxRgbSeparationLength, real(PARAM_MAX_RGB_SEPARATION_LENGTH));
    EXPECT_EQ(s.minRgbSeparationLength, fraction(PARAM_MIN_RGB_SEPARATION_LENGTH));
    EXPECT_EQ(s.rgbSeparationColor, PARAM_RGB_SEPARATION_COLOR);
    // Colours 1 and 2 (64 and 65) sum below 255 per channel: only the alphas change.
    EXPECT_EQ(s.rgbSeparationColor1.red, 32);
    EXPECT_EQ(s.rgbSeparationColor2.red, 32);
    EXPECT_EQ(s.rgbSeparationColor1.green, 21);
    EXPECT_EQ(s.rgbSeparationColor2.blue, 16);
    EXPECT_EQ(s.rgbSeparationColor3.red, 255 - 64);
    EXPECT_EQ(s.rgbSeparationColor1.alpha, 255);
    EXPECT_EQ(s.colorManualAuto, PARAM_COLOR_MANUAL_AUTO);
    EXPECT_EQ(s.colorProbability, real(PARAM_COLOR_PROBABILITY));
    EXPECT_EQ(s.colorManual, PARAM_COLOR_MANUAL);
    EXPECT_EQ(s.colorBlendMode, PARAM_COLOR_BLEND_MODE);
    EXPECT_EQ(s.color.alpha, PARAM_COLOR);
    EXPECT_EQ(s.color.red, PARAM_COLOR / 2);
    EXPECT_EQ(s.colorVariance.alpha, PARAM_COLOR_VARIANCE);
    EXPECT_EQ(s.colorVariance.blue, PARAM_COLOR_VARIANCE / 4);
    EXPECT_EQ(s.maxColorOpacity, fraction(PARAM_MAX_COLOR_OPACITY));
    EXPECT_EQ(s.minColorOpacity, fraction(PARAM_MIN_COLOR_OPACITY));
    EXPECT_EQ(s.glowManualAuto, PARAM_GLOW_MANUAL_AUTO);
    EXPECT_EQ(s.glowProbability, real(PARAM_GLOW_PROBABILITY));
    EXPECT_EQ(s.glowManual, PARAM_GLOW_MANUAL);
    EXPECT_EQ(s.glowThreshold, PARAM_GLOW_THRESHOLD);
    EXPECT_EQ(s.glowRadius, PARAM_GLOW_RADIUS);
    EXPECT_EQ(s.maxGlowIntensity, real(PARAM_MAX_GLOW_INTENSITY));
    EXPECT_EQ(s.minGlowIntensity, fraction(PARAM_MIN_GLOW_INTENSITY));
    EXPECT_EQ(s.blurManualAuto, PARAM_BLUR_MANUAL_AUTO);
    EXPECT_EQ(s.blurProbability, real(PARAM_BLUR_PROBABILITY));
    EXPECT_EQ(s.blurManual, PARAM_BLUR_MANUAL);
    EXPECT_EQ(s.blurMode, PARAM_BLUR_MODE);
    EXPECT_EQ(s.maxBlurRadius, PARAM_MAX_BLUR_RADIUS);
    EXPECT_EQ(s.minBlurRadius, fraction(PARAM_MIN_BLUR_RADIUS));
    EXPECT_EQ(s.mosaicManualAuto, PARAM_MOSAIC_MANUAL_AUTO);
    EXPECT_EQ(s.mosaicProbability, real(PARAM_MOSAIC_PROBABILITY));
    EXPECT_EQ(s.mosaicManual, PARAM_MOSAIC_MANUAL);
    EXPECT_EQ(s.maxMosaicSize, real(PARAM_MAX_MOSAIC_SIZE));
    EXPECT_EQ(s.minMosaicSize, fraction(PARAM_MIN_MOSAIC_SIZE));
    EXPECT_EQ(s.noiseManualAuto, PARAM_NOISE_MANUAL_AUTO);
    EXPECT_EQ(s.noiseProbability, real(PARAM_NOISE_PROBABILITY));
    EXPECT_EQ(s.noiseManual, PARAM_NOISE_MANUAL);
    EXPECT_EQ(s.noiseMode, PARAM_NOISE_MODE);
    EXPECT_EQ(s.maxNoiseAmount, real(PARAM_MAX_NOISE_AMOUNT));
    EXPECT_EQ(s.minNoiseAmount, fraction(PARAM_MIN_NOISE_AMOUNT));
    EXPECT_EQ(s.timeManualAuto, PARAM_TIME_MANUAL_AUTO);
    EXPECT_EQ(s.timeProbability, real(PARAM_TIME_PROBABILITY));
    EXPECT_EQ(s.timeManual, PARAM_TIME_MANUAL);
    EXPECT_EQ(s.timeMode, PARAM_TIME_MODE);
    EXPECT_EQ(s.attack, real(PARAM_ATTACK));
    EXPECT_EQ(s.sustain, real(PARAM_SUSTAIN));
    EXPECT_EQ(s.release, real(PARAM_RELEASE));
    EXPECT_EQ(s.rest, fraction(PARAM_REST));
    EXPECT_EQ(s.ease, real(PARAM_EASE));
    EXPECT_EQ(s.seed, PARAM_SEED);
}

struct FractionCase {
    PF_Fixed value;
    double fraction;
};

class Fractions : public ::testing::TestWithParam<FractionCase> {};

TEST_P(Fractions, OfFixedPointPercent) { EXPECT_EQ(PercentFraction(GetParam().value), GetParam().fraction); }

INSTANTIATE_TEST_SUITE_P(Values, Fractions,
                         ::testing::Values(FractionCase{0, 0.0}, FractionCase{6553600, 1.0},
                                           FractionCase{3276800, 0.5}, FractionCase{32768, 0.005},
                                           FractionCase{2182349, 2182349 / 65536.0 * 0.01}));

struct RadiusCase {
    A_long glow;
    A_long blur;
    PF_RationalScale downsample;
    int32_t glowScaled;
    int32_t blurScaled;
};

class Radii : public ::testing::TestWithParam<RadiusCase> {};

TEST_P(Radii, FollowTheHorizontalDownsample)
{
    std::vector<PF_ParamDef> params = DistinctParams();
    params[PARAM_GLOW_RADIUS].u.sd.value = GetParam().glow;
    params[PARAM_MAX_BLUR_RADIUS].u.sd.value = GetParam().blur;
    RenderSettings s{};
    FillRenderSettings(params.data(), GetParam().downsample, s);
    EXPECT_EQ(s.glowRadius, GetParam().glowScaled);
    EXPECT_EQ(s.maxBlurRadius, GetParam().blurScaled);
}

INSTANTIATE_TEST_SUITE_P(
    Factors, Radii,
    ::testing::Values(RadiusCase{0, 0, {1, 1}, 0, 0}, RadiusCase{0, 0, {1, 4}, 0, 0},
                      RadiusCase{1, 15, {1, 4}, 1, 4}, RadiusCase{1, 15, {1, 2}, 1, 8},
                      RadiusCase{10, 15, {1, 1}, 10, 15}, RadiusCase{10, 25, {1, 2}, 5, 13},
                      RadiusCase{10, 250, {1, 4}, 3, 63}, RadiusCase{3, 1, {1, 4}, 1, 1},
                      RadiusCase{50, 250, {2, 4}, 25, 125}, RadiusCase{7, 7, {1, 8}, 1, 1},
                      // A zero denominator from a faulty host counts as full size.
                      RadiusCase{10, 15, {1, 0}, 10, 15}));

TEST(FillRenderSettings, DownsampleFactor)
{
    const std::vector<PF_ParamDef> params = DistinctParams();
    RenderSettings s{};
    FillRenderSettings(params.data(), {1, 4}, s);
    EXPECT_EQ(s.downsampleX, 0.25);
    FillRenderSettings(params.data(), {2, 3}, s);
    EXPECT_EQ(s.downsampleX, 2.0 / 3.0);
    FillRenderSettings(params.data(), {0, 0}, s);
    EXPECT_EQ(s.downsampleX, 1.0);
}

struct ColourCase {
    PF_Pixel8 c1, c2;
    PF_Pixel8 out1, out2, out3;
};

class ThirdColour : public ::testing::TestWithParam<ColourCase> {};

bool Same(const PF_Pixel8& a, const PF_Pixel8& b)
{
    return a.alpha == b.alpha && a.red == b.red && a.green == b.green && a.blue == b.blue;
}

TEST_P(ThirdColour, MakesTheThreeAddUpToWhite)
{
    PF_Pixel8 c1 = GetParam().c1;
    PF_Pixel8 c2 = GetParam().c2;
    PF_Pixel8 c3{1, 2, 3, 4};
    DeriveThirdColor(c1, c2, c3);
    EXPECT_TRUE(Same(c1, GetParam().out1));
    EXPECT_TRUE(Same(c2, GetParam().out2));
    EXPECT_TRUE(Same(c3, GetParam().out3));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ThirdColour,
    ::testing::Values(ColourCase{{255, 255, 0, 0}, {255, 0, 0, 255}, {255, 255, 0, 0}, {255, 0, 0, 255},
                                 {255, 0, 255, 0}},
                      ColourCase{{9, 200, 100, 0}, {0, 100, 100, 0}, {255, 170, 85, 0}, {255, 85, 85, 0},
                                 {255, 0, 85, 255}},
                      ColourCase{{255, 0, 0, 0}, {255, 0, 0, 0}, {255, 0, 0, 0}, {255, 0, 0, 0},
                                 {255, 255, 255, 255}},
                      ColourCase{{0, 255, 255, 255}, {0, 255, 255, 255}, {255, 127, 127, 127},
                                 {255, 127, 127, 127}, {255, 1, 1, 1}},
                      ColourCase{{255, 10, 20, 30}, {255, 1, 2, 3}, {255, 10, 20, 30}, {255, 1, 2, 3},
                                 {255, 244, 233, 222}}));

struct RectCase {
    PF_LRect source;
    PF_LRect destination;
    PF_LRect result;
};

class Union : public ::testing::TestWithParam<RectCase> {};

TEST_P(Union, OfTwoRectangles)
{
    PF_LRect destination = GetParam().destination;
    UnionRect(GetParam().source, destination);
    const PF_LRect& r = GetParam().result;
    EXPECT_EQ(destination.left, r.left);
    EXPECT_EQ(destination.top, r.top);
    EXPECT_EQ(destination.right, r.right);
    EXPECT_EQ(destination.bottom, r.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Union,
    ::testing::Values(RectCase{{0, 0, 10, 10}, {0, 0, 0, 0}, {0, 0, 10, 10}},           // empty destination
                      RectCase{{5, 5, 5, 9}, {0, 0, 0, 0}, {5, 5, 5, 9}},               // both empty: source
                      RectCase{{5, 5, 5, 9}, {1, 2, 3, 4}, {1, 2, 3, 4}},               // empty source
                      RectCase{{0, 0, 10, 10}, {5, -3, 20, 8}, {0, -3, 20, 10}},        // bounding box
                      RectCase{{2, 2, 4, 4}, {0, 0, 10, 10}, {0, 0, 10, 10}},           // contained
                      RectCase{{0, 0, 10, 10}, {3, 7, 9, 7}, {0, 0, 10, 10}},           // flat destination
                      RectCase{{-8, -8, -1, -1}, {1, 1, 2, 2}, {-8, -8, 2, 2}}));     // disjoint

}  // namespace
}  // namespace pw
