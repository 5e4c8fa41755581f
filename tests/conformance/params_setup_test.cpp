// The parameter declaration, checked through what the host received: structure, ranges, encodings and the
// few values that are easy to get wrong, rather than a second copy of the table.
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace pwtest {
namespace {

constexpr int kCount = 103;
constexpr PF_Fixed kHundredPercent = 100 << 16;
const std::vector<std::string> kTreatments = {"Scroll", "Slice", "Stretch", "RGB Separation", "Color",
                                              "Glow",   "Blur",  "Mosaic",  "Noise",          "Time"};

bool AllZero(const char* bytes, std::size_t size)
{
    return std::all_of(bytes, bytes + size, [](char c) { return c == 0; });
}

class ParamsSetupTest : public PluginTest {
protected:
    void SetUp() override
    {
        result_ = RunPrefilled(PF_Cmd_PARAMS_SETUP);
        ASSERT_EQ(result_.err, PF_Err_NONE);
        ASSERT_EQ(host_.Params().Count(), static_cast<std::size_t>(kCount));
    }

    const PF_ParamDef& P(int i) const { return host_.Params().At(static_cast<std::size_t>(i)); }
    std::string Name(int i) const { return host_.Params().Name(static_cast<std::size_t>(i)); }
    const std::string& Text(int i) const { return host_.Params().Text(static_cast<std::size_t>(i)); }
    int IndexOf(const std::string& name) const
    {
        for (int i = 1; i < kCount; ++i)
            if (Name(i) == name) return i;
        ADD_FAILURE() << "no parameter named " << name;
        return 0;
    }
    std::vector<int> OfType(PF_ParamType type) const
    {
        std::vector<int> found;
        for (int i = 1; i < kCount; ++i)
            if (P(i).param_type == type) found.push_back(i);
        return found;
    }

    pwhost::CommandResult result_;
};

TEST_F(ParamsSetupTest, DeclaresEveryParameterAfterTheInputLayer)
{
    EXPECT_EQ(result_.after.num_params, kCount);
    EXPECT_EQ(result_.Count("add_param"), static_cast<std::size_t>(kCount - 1));
    EXPECT_EQ(P(0).param_type, PF_Param_LAYER) << "position 0 stays the host's input layer";
    EXPECT_TRUE(result_.ReturnMessageUntouched());
}

TEST_F(ParamsSetupTest, PersistentIdsAreThePositionsButScrollDirectionSharesScrollModes)
{
    std::multiset<A_long> ids;
    for (int i = 1; i < kCount; ++i) {
        ids.insert(P(i).uu.id);
        EXPECT_EQ(P(i).uu.id, i == 42 ? 41 : i) << Name(i);
    }
    EXPECT_EQ(ids.count(41), 2u);
    EXPECT_EQ(ids.count(42), 0u);
    EXPECT_EQ(Name(41), "Scroll Mode");
    EXPECT_EQ(Name(42), "Scroll Direction");
}

TEST_F(ParamsSetupTest, NamesFitTheirFieldAndAreUnique)
{
    std::set<std::string> names;
    for (int i = 1; i < kCount; ++i) {
        const PF_ParamDef& p = P(i);
        ASSERT_NE(std::memchr(p.name, 0, sizeof p.name), nullptr) << "name of " << i << " not terminated";
        EXPECT_LE(std::strlen(p.name), static_cast<std::size_t>(PF_MAX_EFFECT_PARAM_NAME_LEN));
        if (p.param_type == PF_Param_GROUP_END) {
            EXPECT_EQ(Name(i), "") << "group end " << i << " has no name of its own";
        } else {
            EXPECT_NE(Name(i), "") << i;
            EXPECT_TRUE(names.insert(Name(i)).second) << "duplicate name " << Name(i);
        }
    }
}

TEST_F(ParamsSetupTest, FieldsNotNamedForAKindAreZero)
{
    for (int i = 1; i < kCount; ++i) {
        const PF_ParamDef& p = P(i);
        EXPECT_EQ(p.ui_flags, 0) << Name(i);
        EXPECT_EQ(p.flags, 0) << Name(i) << ": nothing supervised, hidden or barred from keyframing";
        EXPECT_EQ(p.ui_width, 0) << Name(i);
        EXPECT_EQ(p.ui_height, 0) << Name(i);
        EXPECT_EQ(p.unused, 0) << Name(i);
    }
}

TEST_F(ParamsSetupTest, GroupsAreFlatAndBalanced)
{
    int depth = 0;
    int groups = 0;
    for (int i = 1; i < kCount; ++i) {
        if (P(i).param_type == PF_Param_GROUP_START) {
            EXPECT_EQ(depth, 0) << "group " << Name(i) << " opens inside another";
            ++depth;
            ++groups;
        } else if (P(i).param_type == PF_Param_GROUP_END) {
            EXPECT_EQ(depth, 1) << "group end " << i << " closes nothing";
            --depth;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(groups, 13);
}

// The three switch groups and the treatment groups list the treatments in the one fixed order.
TEST_F(ParamsSetupTest, TreatmentsAppearInTheirFixedOrder)
{
    struct Group {
        const char* name;
        const char* suffix;
        PF_ParamType type;
    };
    for (const Group& g : {Group{"Manual/Auto", " Manual/Auto", PF_Param_POPUP},
                           Group{"Manual", " Manual", PF_Param_CHECKBOX},
                           Group{"Auto", " Probability", PF_Param_FLOAT_SLIDER}}) {
        const int start = IndexOf(g.name);
        ASSERT_EQ(P(start).param_type, PF_Param_GROUP_START) << g.name;
        for (std::size_t t = 0; t < kTreatments.size(); ++t) {
            const int i = start + 1 + static_cast<int>(t);
            EXPECT_EQ(Name(i), kTreatments[t] + g.suffix);
            EXPECT_EQ(P(i).param_type, g.type) << Name(i);
        }
        EXPECT_EQ(P(start + 11).param_type, PF_Param_GROUP_END) << g.name;
    }
    int previous = 0;
    for (const std::string& t : kTreatments) {
        const int start = IndexOf(t + " Parameters");
        EXPECT_GT(start, previous) << t;
        EXPECT_EQ(P(start).param_type, PF_Param_GROUP_START);
        previous = start;
    }
    const std::vector<std::string> tail = {"Attack", "Sustain", "Release", "Rest", "Ease", "Seed"};
    for (std::size_t k = 0; k < tail.size(); ++k) EXPECT_EQ(Name(kCount - 6 + static_cast<int>(k)), tail[k]);
    EXPECT_EQ(Name(1), "Mode");
    EXPECT_EQ(Name(2), "BPM");
    EXPECT_EQ(Name(3), "Beat");
}

TEST_F(ParamsSetupTest, PopupsCountTheChoicesTheyList)
{
    const std::vector<int> popups = OfType(PF_Param_POPUP);
    EXPECT_EQ(popups.size(), 22u);
    for (int i : popups) {
        const auto& pd = P(i).u.pd;
        ASSERT_NE(pd.u.namesptr, nullptr) << Name(i);
        const std::vector<std::string> choices = pwhost::SplitChoices(Text(i));
        EXPECT_EQ(pd.num_choices, static_cast<A_short>(choices.size())) << Name(i) << ": " << Text(i);
        for (const auto& choice : choices) EXPECT_FALSE(choice.empty()) << Name(i) << ": " << Text(i);
        EXPECT_GE(pd.dephault, 1) << Name(i);
        EXPECT_LE(pd.dephault, pd.num_choices) << Name(i);
        EXPECT_EQ(pd.value, pd.dephault) << Name(i);
    }
}

TEST_F(ParamsSetupTest, ColorBlendModeKeepsTheSeparatorAsChoiceTwo)
{
    const int i = IndexOf("Color Blend Mode");
    const std::vector<std::string> choices = pwhost::SplitChoices(Text(i));
    ASSERT_EQ(P(i).u.pd.num_choices, 8);
    ASSERT_EQ(choices.size(), 8u);
    EXPECT_EQ(choices[1], "(-");
    EXPECT_EQ(P(i).u.pd.dephault, 5);
    EXPECT_EQ(choices[4], "Screen");
}

// Float sliders carry single-precision values; the double value is the float default widened, not a decimal.
TEST_F(ParamsSetupTest, FloatSlidersAreSinglePrecisionAndInRange)
{
    const std::vector<int> sliders = OfType(PF_Param_FLOAT_SLIDER);
    EXPECT_EQ(sliders.size(), 24u);
    for (int i : sliders) {
        const PF_FloatSliderDef& fs = P(i).u.fs_d;
        EXPECT_EQ(fs.value, static_cast<double>(fs.dephault)) << Name(i);
        EXPECT_LE(fs.valid_min, fs.dephault) << Name(i);
        EXPECT_LE(fs.dephault, fs.valid_max) << Name(i);
        EXPECT_LE(fs.valid_min, fs.slider_min) << Name(i);
        EXPECT_LT(fs.slider_min, fs.slider_max) << Name(i);
        EXPECT_LE(fs.slider_max, fs.valid_max) << Name(i);
        EXPECT_EQ(fs.curve_tolerance, 0.05f) << Name(i);
        EXPECT_EQ(fs.display_flags, PF_ValueDisplayFlag_NONE) << Name(i);
        EXPECT_EQ(fs.fs_flags, 0u) << Name(i);
        EXPECT_EQ(fs.phase, 0.0) << Name(i);
        EXPECT_TRUE(AllZero(fs.value_desc, sizeof fs.value_desc)) << Name(i);
        EXPECT_EQ(fs.precision, Name(i) == "Ease" ? PF_Precision_TENTHS : PF_Precision_HUNDREDTHS) << Name(i);
    }
    const PF_FloatSliderDef& bpm = P(IndexOf("BPM")).u.fs_d;
    EXPECT_EQ(bpm.valid_max, 1800.0f);
    EXPECT_EQ(bpm.slider_max, 300.0f);
    EXPECT_EQ(bpm.dephault, 180.0f);
    EXPECT_EQ(P(IndexOf("Scroll Probability")).u.fs_d.value, static_cast<double>(0.333f));
}

TEST_F(ParamsSetupTest, EaseRangesFollowTheFlavour)
{
    const PF_FloatSliderDef& ease = P(IndexOf("Ease")).u.fs_d;
    EXPECT_EQ(ease.valid_min, 0.0f);
    EXPECT_EQ(ease.valid_max, Facts().easeValidMax);
    EXPECT_EQ(ease.slider_min, 0.0f);
    EXPECT_EQ(ease.slider_max, Facts().easeSliderMax);
    EXPECT_EQ(ease.dephault, 2.0f);
    EXPECT_EQ(ease.value, 2.0);
    EXPECT_EQ(ease.precision, PF_Precision_TENTHS);
}

TEST_F(ParamsSetupTest, PercentsAreFixedPointPercent)
{
    const std::vector<int> percents = OfType(PF_Param_FIX_SLIDER);
    EXPECT_EQ(percents.size(), 12u);
    for (int i : percents) {
        const PF_FixedSliderDef& fd = P(i).u.fd;
        EXPECT_EQ(fd.valid_min, 0) << Name(i);
        EXPECT_EQ(fd.valid_max, kHundredPercent) << Name(i);
        EXPECT_EQ(fd.slider_min, 0) << Name(i);
        EXPECT_EQ(fd.slider_max, kHundredPercent) << Name(i);
        EXPECT_EQ(fd.precision, 1) << Name(i);
        EXPECT_EQ(fd.display_flags, PF_ValueDisplayFlag_PERCENT) << Name(i);
        EXPECT_EQ(fd.value, fd.dephault) << Name(i);
        const bool opacity = Name(i) == "Max Color Opacity" || Name(i) == "Min Color Opacity";
        EXPECT_EQ(fd.dephault, opacity ? kHundredPercent : 0) << Name(i);
        EXPECT_TRUE(AllZero(fd.value_str, sizeof fd.value_str)) << Name(i);
        EXPECT_TRUE(AllZero(fd.value_desc, sizeof fd.value_desc)) << Name(i);
    }
}

TEST_F(ParamsSetupTest, IntegerSlidersAreInRange)
{
    const std::vector<int> sliders = OfType(PF_Param_SLIDER);
    EXPECT_EQ(sliders.size(), 4u);
    for (int i : sliders) {
        const PF_SliderDef& sd = P(i).u.sd;
        EXPECT_EQ(sd.value, sd.dephault) << Name(i);
        EXPECT_LE(sd.valid_min, sd.dephault) << Name(i);
        EXPECT_LE(sd.dephault, sd.valid_max) << Name(i);
        EXPECT_LE(sd.valid_min, sd.slider_min) << Name(i);
        EXPECT_LT(sd.slider_min, sd.slider_max) << Name(i);
        EXPECT_LE(sd.slider_max, sd.valid_max) << Name(i);
        EXPECT_TRUE(AllZero(sd.value_str, sizeof sd.value_str)) << Name(i);
        EXPECT_TRUE(AllZero(sd.value_desc, sizeof sd.value_desc)) << Name(i);
    }
    // Typed down to 0 although the slider starts at 1.
    const PF_SliderDef& radius = P(IndexOf("Glow Radius")).u.sd;
    EXPECT_EQ(radius.valid_min, 0);
    EXPECT_EQ(radius.valid_max, 50);
    EXPECT_EQ(radius.slider_min, 1);
    EXPECT_EQ(radius.slider_max, 25);
    EXPECT_EQ(radius.dephault, 10);
    const PF_SliderDef& seed = P(IndexOf("Seed")).u.sd;
    EXPECT_EQ(seed.valid_max, 30000);
    EXPECT_EQ(seed.slider_max, 200);
}

TEST_F(ParamsSetupTest, CheckboxesStartOffWithoutLabel)
{
    const std::vector<int> boxes = OfType(PF_Param_CHECKBOX);
    EXPECT_EQ(boxes.size(), 10u);
    for (int i : boxes) {
        EXPECT_EQ(P(i).u.bd.value, 0) << Name(i);
        EXPECT_EQ(P(i).u.bd.dephault, 0) << Name(i);
        EXPECT_NE(P(i).u.bd.u.nameptr, nullptr) << Name(i);
        EXPECT_EQ(Text(i), "") << Name(i);
    }
}

TEST_F(ParamsSetupTest, ColoursAreOpaqueWithTheirDefaults)
{
    const std::vector<int> colours = OfType(PF_Param_COLOR);
    EXPECT_EQ(colours.size(), 4u);
    for (int i : colours) {
        const PF_ColorDef& cd = P(i).u.cd;
        EXPECT_EQ(cd.dephault.alpha, 255) << Name(i);
        EXPECT_EQ(std::memcmp(&cd.value, &cd.dephault, sizeof cd.value), 0) << Name(i);
    }
    auto rgb = [&](const char* name) {
        const PF_Pixel& p = P(IndexOf(name)).u.cd.dephault;
        return std::vector<int>{p.red, p.green, p.blue};
    };
    EXPECT_EQ(rgb("RGB Separation Color 1"), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(rgb("RGB Separation Color 2"), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(rgb("Color"), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(rgb("Color Variance"), (std::vector<int>{255, 255, 255}));
}

// The first refusal ends the declaration: its code is the result, what came before stays, num_params is not set.
class ParamsSetupFailureTest : public PluginTest, public ::testing::WithParamInterface<std::tuple<int, PF_Err>> {};

TEST_P(ParamsSetupFailureTest, FirstRefusalEndsTheDeclaration)
{
    const auto [n, code] = GetParam();
    host_.Faults().FailNth("add_param", n, code);
    const auto r = RunPrefilled(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(r.err, code);
    EXPECT_EQ(r.Count("add_param"), static_cast<std::size_t>(n)) << "no add_param after the refusal";
    EXPECT_EQ(host_.Params().Count(), static_cast<std::size_t>(n)) << "input layer and the " << n - 1 << " before";
    EXPECT_EQ(r.after.num_params, kPattern32) << "num_params untouched";
    EXPECT_TRUE(r.ReturnMessageUntouched());
}

INSTANTIATE_TEST_SUITE_P(Refusals, ParamsSetupFailureTest,
                         ::testing::Combine(::testing::Values(1, 50, 102),
                                            ::testing::Values(PF_Err_OUT_OF_MEMORY, PF_Err_INVALID_INDEX, 0x7ABC1234)),
                         [](const auto& info) {
                             return "Param" + std::to_string(std::get<0>(info.param)) + "_Code" +
                                    std::to_string(std::get<1>(info.param));
                         });

// The declaration needs no suite, so a missing broker does not stop it.
TEST(ParamsSetupWithoutBroker, StillDeclaresEverything)
{
    pwhost::Host host(Env().entry);
    host.Faults().SetNoBroker(true);
    const auto r = host.Call(PF_Cmd_PARAMS_SETUP);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(host.Params().Count(), static_cast<std::size_t>(kCount));
    EXPECT_EQ(r.Count("AcquireSuite"), 0u);
    EXPECT_THAT(host.Violations(), ::testing::IsEmpty());
    EXPECT_EQ(host.Handles().LiveCount(), 0u);
}

}  // namespace
}  // namespace pwtest
