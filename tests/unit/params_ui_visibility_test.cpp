// Which parameter streams the panel update hides, and the exact host conversation of one run.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "params_ui_fake_host.h"

namespace pw {
namespace {

using panel_test::FakePanelHost;

constexpr int kTreatments = 10;
constexpr int kManagedStreams = 24;

// Every stream the plug-in manages, with its expected hidden flag.
struct Visibility {
    bool manualHidden[kTreatments];
    bool probabilityHidden[kTreatments];
    bool bpmHidden, beatHidden, colorsHidden;
};

Visibility Defaults()
{
    Visibility v{};
    for (int t = 0; t < kTreatments; ++t) v.probabilityHidden[t] = true;
    v.beatHidden = true;
    return v;
}

void ExpectVisibility(const FakePanelHost& host, const Visibility& v)
{
    for (int t = 0; t < kTreatments; ++t) {
        EXPECT_EQ(host.Hidden(PARAM_SCROLL_MANUAL + t), v.manualHidden[t]) << "Manual checkbox of treatment " << t;
        EXPECT_EQ(host.Hidden(PARAM_SCROLL_PROBABILITY + t), v.probabilityHidden[t]) << "Probability " << t;
    }
    EXPECT_EQ(host.Hidden(PARAM_BPM), v.bpmHidden);
    EXPECT_EQ(host.Hidden(PARAM_BEAT), v.beatHidden);
    EXPECT_EQ(host.Hidden(PARAM_RGB_SEPARATION_COLOR_1), v.colorsHidden);
    EXPECT_EQ(host.Hidden(PARAM_RGB_SEPARATION_COLOR_2), v.colorsHidden);
    EXPECT_EQ(host.hidden.size(), std::size_t(kManagedStreams)) << "no other stream is touched";
}

// A run that went through cleanly: nothing held, nothing misused, the panel refreshed.
void ExpectCleanRun(const FakePanelHost& host, PF_Err err)
{
    EXPECT_EQ(err, PF_Err_NONE);
    EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_REFRESH_UI);
    EXPECT_STREQ(host.out_data.return_msg, "");
    EXPECT_EQ(host.LiveEffects(), 0);
    EXPECT_EQ(host.LiveStreams(), 0);
    EXPECT_EQ(host.LiveSuites(), 0);
    EXPECT_TRUE(host.misuse.empty()) << host.misuse.front();
}

class PanelVisibilityTest : public ::testing::TestWithParam<const Flavour*> {
protected:
    FakePanelHost host{*GetParam()};
};

TEST_P(PanelVisibilityTest, DefaultsShowTempoCheckboxesAndColours)
{
    ExpectCleanRun(host, host.Run());
    ExpectVisibility(host, Defaults());
}

TEST_P(PanelVisibilityTest, ManualModeShowsBeatInsteadOfBpm)
{
    host.SetChoice(PARAM_MODE, 2);
    ExpectCleanRun(host, host.Run());
    Visibility v = Defaults();
    v.bpmHidden = true;
    v.beatHidden = false;
    ExpectVisibility(host, v);
}

TEST_P(PanelVisibilityTest, RandomColoursHideBothFixedColours)
{
    host.SetChoice(PARAM_RGB_SEPARATION_COLOR, 2);
    ExpectCleanRun(host, host.Run());
    Visibility v = Defaults();
    v.colorsHidden = true;
    ExpectVisibility(host, v);
}

TEST_P(PanelVisibilityTest, FlagsFollowTheChoicesBackAndForth)
{
    host.SetChoice(PARAM_MODE, 2);
    host.SetChoice(PARAM_RGB_SEPARATION_COLOR, 2);
    for (int t = 0; t < kTreatments; ++t) host.SetChoice(PARAM_SCROLL_MANUAL_AUTO + t, 2);
    ExpectCleanRun(host, host.Run());

    host.SetChoice(PARAM_MODE, 1);
    host.SetChoice(PARAM_RGB_SEPARATION_COLOR, 1);
    for (int t = 0; t < kTreatments; ++t) host.SetChoice(PARAM_SCROLL_MANUAL_AUTO + t, 1);
    ExpectCleanRun(host, host.Run());
    ExpectVisibility(host, Defaults());  // every flag is set on every run, not only when it changes
}

TEST_P(PanelVisibilityTest, UserChangedParamRunsTheSameUpdate)
{
    host.SetChoice(PARAM_MODE, 2);
    ExpectCleanRun(host, host.Run(PF_Cmd_USER_CHANGED_PARAM));
    EXPECT_TRUE(host.Hidden(PARAM_BPM));
    EXPECT_FALSE(host.Hidden(PARAM_BEAT));
}

TEST_P(PanelVisibilityTest, ChangesNoParameterValueOrName)
{
    host.SetChoice(PARAM_MODE, 2);
    host.SetChoice(PARAM_SLICE_MANUAL_AUTO, 2);
    const std::vector<PF_ParamDef> before(std::begin(host.defs), std::end(host.defs));
    host.Run();
    for (int i = 0; i < PARAM_COUNT; ++i)
        EXPECT_EQ(std::memcmp(&before[i], &host.defs[i], sizeof(PF_ParamDef)), 0) << "parameter " << i;
}

// The exact conversation for one mixed configuration.
TEST_P(PanelVisibilityTest, ExactCallOrderOfAWholeRun)
{
    const std::string n = GetParam()->is32Bit ? "1" : "2";
    host.SetChoice(PARAM_MODE, 2);
    host.SetChoice(PARAM_RGB_SEPARATION_COLOR, 2);
    host.SetChoice(PARAM_SCROLL_MANUAL_AUTO, 2);
    host.SetChoice(PARAM_GLOW_MANUAL_AUTO, 2);
    host.SetChoice(PARAM_TIME_MANUAL_AUTO, 2);
    const bool automatic[kTreatments] = {true, false, false, false, false, true, false, false, false, true};
    host.ChangeParams();

    std::vector<std::string> expected = {
        "AcquireSuite AEGP Stream Suite 7",
        "AcquireSuite AEGP Effect Suite 2",
        "AcquireSuite AEGP PF Interface Suite 1",
        "GetNewEffectForEffect",
    };
    for (int t = 0; t < kTreatments; ++t) {
        expected.push_back("GetNewEffectStreamByIndex " + std::to_string(PARAM_SCROLL_MANUAL + t));
        expected.push_back("GetNewEffectStreamByIndex " + std::to_string(PARAM_SCROLL_PROBABILITY + t));
    }
    expected.push_back("AcquireSuite AEGP Dynamic Stream Suite 2");
    for (int t = 0; t < kTreatments; ++t) {
        expected.push_back("SetDynamicStreamFlag " + std::to_string(PARAM_SCROLL_MANUAL + t) + " 2 0 " +
                           (automatic[t] ? "1" : "0"));
        expected.push_back("SetDynamicStreamFlag " + std::to_string(PARAM_SCROLL_PROBABILITY + t) + " 2 0 " +
                           (automatic[t] ? "0" : "1"));
    }
    for (const char* line : {"GetNewEffectStreamByIndex 2", "GetNewEffectStreamByIndex 3",
                             "SetDynamicStreamFlag 2 2 0 1", "SetDynamicStreamFlag 3 2 0 0",
                             "GetNewEffectStreamByIndex 64", "GetNewEffectStreamByIndex 65",
                             "SetDynamicStreamFlag 64 2 0 1", "SetDynamicStreamFlag 65 2 0 1"})
        expected.push_back(line);
    expected.push_back("AcquireSuite PF Param Utils Suite " + n);
    expected.push_back("ParamUtils" + n + ".HasParamChanged -3");
    expected.push_back("utils.host_new_handle 16");
    expected.push_back("ParamUtils" + n + ".GetCurrentState");
    expected.push_back("AcquireSuite PF Handle Suite " + n);
    expected.push_back("HandleSuite" + n + ".host_dispose_handle #2");
    expected.push_back("DisposeEffect");
    for (int t = 0; t < kTreatments; ++t) {
        expected.push_back("DisposeStream " + std::to_string(PARAM_SCROLL_PROBABILITY + t));
        expected.push_back("DisposeStream " + std::to_string(PARAM_SCROLL_MANUAL + t));
    }
    for (const char* line : {"DisposeStream 2", "DisposeStream 3", "DisposeStream 64", "DisposeStream 65"})
        expected.push_back(line);
    expected.push_back("ReleaseSuite PF Handle Suite " + n);
    expected.push_back("ReleaseSuite AEGP PF Interface Suite 1");
    expected.push_back("ReleaseSuite AEGP Stream Suite 7");
    expected.push_back("ReleaseSuite AEGP Dynamic Stream Suite 2");
    expected.push_back("ReleaseSuite PF Param Utils Suite " + n);
    expected.push_back("ReleaseSuite AEGP Effect Suite 2");

    ExpectCleanRun(host, host.Run());
    EXPECT_EQ(host.log, expected);
    EXPECT_EQ(host.log.size(), 90u) << "the failure sweep covers exactly this many calls";
}

INSTANTIATE_TEST_SUITE_P(Flavours, PanelVisibilityTest, ::testing::Values(&kFlavour32, &kFlavour64),
                         [](const auto& info) { return info.param->is32Bit ? "Bits32" : "Bits64"; });

// A treatment on Auto trades its checkbox for its slider; the other nine stay as they were.
class PanelTreatmentTest : public ::testing::TestWithParam<int> {
protected:
    FakePanelHost host{kBuildFlavour};
};

TEST_P(PanelTreatmentTest, AutoShowsProbabilityAndHidesCheckbox)
{
    const int t = GetParam();
    host.SetChoice(PARAM_SCROLL_MANUAL_AUTO + t, 2);
    ExpectCleanRun(host, host.Run());
    Visibility v = Defaults();
    v.manualHidden[t] = true;
    v.probabilityHidden[t] = false;
    ExpectVisibility(host, v);
}

INSTANTIATE_TEST_SUITE_P(Treatments, PanelTreatmentTest, ::testing::Range(0, kTreatments));

}  // namespace
}  // namespace pw
