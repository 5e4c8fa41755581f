// The smart pre-render through the entry point: the record it hands over holds every parameter at the current
// time, the checkouts come in their fixed order, the input is asked for over exactly the requested area, and the
// output rectangles follow the input's.
#include <cstring>
#include <string>
#include <vector>

#include "params/param_ids.h"
#include "plugin_fixture.h"
#include "schedule/render_settings.h"
#include "settings_oracle.h"

namespace pwtest {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using pwhost::ParamValue;

constexpr PF_Field kLowerField = 2;

bool SameRect(const PF_LRect& a, const PF_LRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string RectString(const PF_LRect& r)
{
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

class PreRenderTest : public PluginTest {
protected:
    void SetUp() override
    {
        host_.Settings().width = 64;
        host_.Settings().height = 48;
        host_.Settings().currentTime = 30;
        SetUpInstance();
    }

    // The record handed over, checked against what the host's parameters say it must hold.
    pw::RenderSettings ExpectRecordMatches(const pwhost::PreRenderResult& r)
    {
        EXPECT_EQ(r.command.err, PF_Err_NONE);
        EXPECT_TRUE(r.pending);
        EXPECT_GE(r.data.size(), sizeof(pw::RenderSettings));
        const pw::RenderSettings got = SettingsFromData(r.data);
        EXPECT_THAT(SettingsDifferences(got, ExpectedSettings(host_, host_.Settings().downsampleX)), IsEmpty());
        return got;
    }

    // A value other than the declared default, inside the declared range.
    ParamValue NonDefault(int index) const
    {
        const PF_ParamDef& d = host_.Params().At(static_cast<std::size_t>(index));
        switch (d.param_type) {
        case PF_Param_FLOAT_SLIDER: {
            const double v = d.u.fs_d.valid_min + (d.u.fs_d.valid_max - d.u.fs_d.valid_min) * 0.375;
            return ParamValue::Number(v == d.u.fs_d.dephault ? d.u.fs_d.valid_max : v);
        }
        case PF_Param_FIX_SLIDER: {
            const PF_Fixed v = d.u.fd.valid_min + (d.u.fd.valid_max - d.u.fd.valid_min) / 8 * 3;
            return ParamValue::Fixed(v == d.u.fd.dephault ? d.u.fd.valid_min : v);
        }
        case PF_Param_SLIDER: {
            const int32_t v = d.u.sd.valid_min + (d.u.sd.valid_max - d.u.sd.valid_min) / 8 * 3;
            return ParamValue::Integer(v == d.u.sd.dephault ? d.u.sd.valid_max : v);
        }
        case PF_Param_POPUP:
            return ParamValue::Integer(d.u.pd.dephault == d.u.pd.num_choices ? 1 : d.u.pd.num_choices);
        case PF_Param_CHECKBOX: return ParamValue::Integer(d.u.bd.dephault ? 0 : 1);
        case PF_Param_COLOR:
            return ParamValue::Color(static_cast<A_u_char>(200 + index % 50), static_cast<A_u_char>(index * 2),
                                     static_cast<A_u_char>(255 - index), static_cast<A_u_char>(index * 7 % 256));
        default: return ParamValue::Integer(0);
        }
    }
};

TEST_F(PreRenderTest, RecordHoldsTheDefaults)
{
    const pw::RenderSettings s = ExpectRecordMatches(PreRender());
    EXPECT_EQ(s.mode, 1);
    EXPECT_EQ(s.bpm, 180.0);
    EXPECT_EQ(s.downsampleX, 1.0);
    EXPECT_EQ(s.maxColorOpacity, 1.0) << "100 %";
    EXPECT_EQ(s.glowRadius, 10);
    EXPECT_EQ(s.maxBlurRadius, 15);
}

TEST_F(PreRenderTest, RecordHoldsValuesOtherThanTheDefaults)
{
    for (int i = 0; i < pw::kSettingsParamCount; ++i)
        host_.SetParam(pw::kSettingsCheckoutOrder[i], NonDefault(pw::kSettingsCheckoutOrder[i]));
    host_.Settings().downsampleX = PF_RationalScale{1, 2};
    const pw::RenderSettings s = ExpectRecordMatches(PreRender());
    EXPECT_EQ(s.mode, 2);
    EXPECT_EQ(s.downsampleX, 0.5);
}

// Sliders follow their keyframes linearly; popups, checkboxes and colours hold the last keyframe's value.
TEST_F(PreRenderTest, AnimatedParametersAreTakenAtTheCurrentTime)
{
    host_.SetKeyframes(pw::PARAM_BPM, {host_.Key(0, ParamValue::Number(60)), host_.Key(60, ParamValue::Number(120))});
    host_.SetKeyframes(pw::PARAM_MIN_SCROLL_LENGTH,
                       {host_.Key(0, ParamValue::Percent(20)), host_.Key(60, ParamValue::Percent(60))});
    host_.SetKeyframes(pw::PARAM_GLOW_RADIUS, {host_.Key(0, ParamValue::Integer(0)), host_.Key(40, ParamValue::Integer(10))});
    host_.SetKeyframes(pw::PARAM_MODE, {host_.Key(0, ParamValue::Integer(1)), host_.Key(20, ParamValue::Integer(2))});
    host_.SetKeyframes(pw::PARAM_SCROLL_MANUAL, {host_.Key(0, ParamValue::Integer(0)), host_.Key(40, ParamValue::Integer(1))});
    host_.SetKeyframes(pw::PARAM_COLOR, {host_.Key(0, ParamValue::Color(255, 10, 20, 30)),
                                         host_.Key(20, ParamValue::Color(255, 200, 100, 50))});

    struct Case {
        A_long time;
        double bpm, minScroll;
        int32_t glowRadius, mode, scrollManual;
        A_u_char colorRed;
    };
    const Case cases[] = {{10, 70, 0.26666666666666666, 3, 1, 0, 10},  // 2.5 rounds away from zero
                          {30, 90, 0.4, 8, 2, 0, 200},                 // 7.5 likewise
                          {70, 120, 0.6, 10, 2, 1, 200}};              // after the last key
    for (const Case& c : cases) {
        host_.Settings().currentTime = c.time;
        const pw::RenderSettings s = ExpectRecordMatches(PreRender());
        EXPECT_EQ(s.bpm, c.bpm) << "at " << c.time;
        EXPECT_NEAR(s.minScrollLength, c.minScroll, 1e-4) << "at " << c.time;
        EXPECT_EQ(s.glowRadius, c.glowRadius) << "at " << c.time;
        EXPECT_EQ(s.mode, c.mode) << "at " << c.time;
        EXPECT_EQ(s.scrollManual, c.scrollManual) << "at " << c.time;
        EXPECT_EQ(s.color.red, c.colorRed) << "at " << c.time;
        host_.DropPreRender();
    }
}

TEST_F(PreRenderTest, PercentSlidersBecomeFractions)
{
    host_.SetParam("Rest", ParamValue::Percent(100));
    host_.SetParam("Min Scroll Length", ParamValue::Percent(50));
    host_.SetParam("Max Color Opacity", ParamValue::Percent(0));
    host_.SetParam("Min Noise Amount", ParamValue::Percent(25));
    const pw::RenderSettings s = ExpectRecordMatches(PreRender());
    EXPECT_EQ(s.rest, 1.0);
    EXPECT_EQ(s.minScrollLength, 0.5);
    EXPECT_EQ(s.maxColorOpacity, 0.0);
    EXPECT_EQ(s.minNoiseAmount, 0.25);
}

struct RadiusCase {
    const char* param;
    int32_t value;
    PF_RationalScale downsample;
    int32_t expected;
};

class PreRenderRadiusTest : public PreRenderTest, public ::testing::WithParamInterface<RadiusCase> {};

TEST_P(PreRenderRadiusTest, RadiiFollowTheHorizontalDownsampleButNeverDropToZero)
{
    const RadiusCase& c = GetParam();
    host_.SetParam(c.param, ParamValue::Integer(c.value));
    host_.Settings().downsampleX = c.downsample;
    host_.Settings().downsampleY = PF_RationalScale{1, 1};
    const pw::RenderSettings s = ExpectRecordMatches(PreRender());
    EXPECT_EQ(std::string(c.param) == "Glow Radius" ? s.glowRadius : s.maxBlurRadius, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, PreRenderRadiusTest,
                         ::testing::Values(RadiusCase{"Glow Radius", 1, {1, 4}, 1},
                                           RadiusCase{"Glow Radius", 0, {1, 4}, 0},
                                           RadiusCase{"Glow Radius", 0, {1, 1}, 0},
                                           RadiusCase{"Glow Radius", 10, {1, 1}, 10},
                                           RadiusCase{"Glow Radius", 10, {1, 4}, 3},
                                           RadiusCase{"Max Blur Radius", 15, {1, 2}, 8},
                                           RadiusCase{"Max Blur Radius", 15, {1, 4}, 4},
                                           RadiusCase{"Max Blur Radius", 1, {1, 2}, 1},
                                           RadiusCase{"Max Blur Radius", 250, {1, 1}, 250}));

TEST_F(PreRenderTest, ChecksOutEveryParameterInOrderThenTheLayerThenChecksThemIn)
{
    const auto r = PreRender();
    ASSERT_EQ(r.command.err, PF_Err_NONE);
    std::vector<std::string> expected;
    for (int id : pw::kSettingsCheckoutOrder) expected.push_back("checkout_param " + std::to_string(id) + " 30 1 30");
    expected.push_back("checkout_layer");
    for (int i = 0; i < pw::kSettingsParamCount; ++i) expected.push_back("checkin_param");
    std::vector<std::string> seen;
    for (const auto& call : r.command.calls) {
        if (call.op == "checkout_param") seen.push_back(call.Text());
        if (call.op == "checkout_layer" || call.op == "checkin_param") seen.push_back(call.op);
    }
    EXPECT_THAT(seen, ElementsAreArray(expected));
}

TEST_F(PreRenderTest, AsksForTheInputOverExactlyTheRequestedArea)
{
    host_.Settings().requestRect = PF_LRect{5, 6, 40, 30};
    host_.Settings().field = kLowerField;
    host_.Settings().timeStep = 2;
    const auto r = PreRender();
    ASSERT_EQ(r.command.err, PF_Err_NONE);
    ASSERT_EQ(r.layerCheckouts.size(), 1u);
    const pwhost::LayerCheckoutRecord& c = r.layerCheckouts[0];
    EXPECT_EQ(c.index, 0);
    EXPECT_EQ(c.checkoutId, 0);
    EXPECT_TRUE(SameRect(c.request.rect, PF_LRect{5, 6, 40, 30})) << RectString(c.request.rect);
    EXPECT_EQ(c.request.field, kLowerField);
    EXPECT_EQ(c.request.channel_mask, PF_ChannelMask_ARGB);
    EXPECT_EQ(c.request.preserve_rgb_of_zero_alpha, 1);
    EXPECT_EQ(c.time, 30);
    EXPECT_EQ(c.step, 2);
    EXPECT_EQ(c.scale, 30u);
    EXPECT_EQ(r.output.flags, 0) << "no output flags, in particular not RETURNS_EXTRA_PIXELS";
    EXPECT_EQ(r.output.solid, 0);
    EXPECT_TRUE(SameRect(r.output.result_rect, PF_LRect{5, 6, 40, 30})) << RectString(r.output.result_rect);
    EXPECT_TRUE(SameRect(r.output.max_result_rect, PF_LRect{0, 0, 64, 48})) << RectString(r.output.max_result_rect);
}

struct RectCase {
    PF_LRect output;  // as the host passes it in
    PF_LRect input;   // as the input's checkout reports it
    PF_LRect expected;
};

class PreRenderRectTest : public PreRenderTest, public ::testing::WithParamInterface<RectCase> {};

TEST_P(PreRenderRectTest, OutputRectanglesTakeInTheInputs)
{
    const RectCase& c = GetParam();
    // The same rule for both rectangles, so each gets the case once with the other left trivial.
    for (bool max : {false, true}) {
        host_.Settings().outputResultRect = max ? PF_LRect{0, 0, 0, 0} : c.output;
        host_.Settings().outputMaxResultRect = max ? c.output : PF_LRect{0, 0, 0, 0};
        host_.Settings().layerResultRect = max ? PF_LRect{1, 1, 2, 2} : c.input;
        host_.Settings().layerMaxResultRect = max ? c.input : PF_LRect{1, 1, 2, 2};
        const auto r = PreRender();
        ASSERT_EQ(r.command.err, PF_Err_NONE);
        const PF_LRect got = max ? r.output.max_result_rect : r.output.result_rect;
        EXPECT_TRUE(SameRect(got, c.expected)) << (max ? "max_result_rect " : "result_rect ") << RectString(got);
        host_.DropPreRender();
    }
}

INSTANTIATE_TEST_SUITE_P(
    UnionRect, PreRenderRectTest,
    ::testing::Values(RectCase{{0, 0, 0, 0}, {0, 0, 64, 48}, {0, 0, 64, 48}},       // empty takes the input's
                      RectCase{{10, 10, 10, 20}, {1, 2, 3, 4}, {1, 2, 3, 4}},       // empty by width
                      RectCase{{0, 0, 0, 0}, {3, 3, 1, 1}, {3, 3, 1, 1}},           // even an empty input's
                      RectCase{{10, 10, 20, 20}, {0, 0, 15, 15}, {0, 0, 20, 20}},   // bounding box
                      RectCase{{-5, 0, 5, 5}, {0, -3, 2, 10}, {-5, -3, 5, 10}},     // on every side
                      RectCase{{10, 10, 20, 20}, {5, 5, 5, 9}, {10, 10, 20, 20}}));  // empty input leaves it

}  // namespace
}  // namespace pwtest
