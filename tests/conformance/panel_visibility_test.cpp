// Which controls the panel handler hides, through the real host: the streams it touches, the flags the host keeps
// for them, and that every reference it took goes back within the command.
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "plugin_fixture.h"

namespace pwtest {
namespace {

using pwhost::ParamValue;

// Positions in the params array.
constexpr int kMode = 1, kBpm = 2, kBeat = 3, kRandomColours = 63, kFixedColour1 = 64, kFixedColour2 = 65;
constexpr int kFirstPopup = 5, kFirstManual = 17, kFirstProbability = 29, kTreatments = 10;
constexpr int kLastParam = 102;

std::set<int> ManagedStreams()
{
    std::set<int> s{kBpm, kBeat, kFixedColour1, kFixedColour2};
    for (int t = 0; t < kTreatments; ++t) {
        s.insert(kFirstManual + t);
        s.insert(kFirstProbability + t);
    }
    return s;
}

class PanelVisibilityTest : public PluginTest {
protected:
    void SetUp() override { SetUpInstance(); }

    pwhost::CommandResult UpdateUI()
    {
        pwhost::CommandResult r = Run(PF_Cmd_UPDATE_PARAMS_UI);
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(r.after.out_flags, PF_OutFlag_REFRESH_UI);
        EXPECT_TRUE(r.ReturnMessageUntouched());
        // Every one of the 24 streams is fetched, set and given back on each run; one effect reference likewise.
        EXPECT_EQ(r.Count("AEGP_GetNewEffectForEffect"), 1u);
        EXPECT_EQ(r.Count("AEGP_DisposeEffect"), 1u);
        EXPECT_EQ(r.Count("AEGP_GetNewEffectStreamByIndex"), 24u);
        EXPECT_EQ(r.Count("AEGP_SetDynamicStreamFlag"), 24u);
        EXPECT_EQ(r.Count("AEGP_DisposeStream"), 24u);
        EXPECT_EQ(host_.References().LiveCount(), 0u);
        return r;
    }

    // The managed streams in `hidden` are hidden, the other managed ones shown, and nothing else was touched.
    void ExpectHiddenExactly(const std::set<int>& hidden)
    {
        const std::set<int> managed = ManagedStreams();
        for (int i = 1; i <= kLastParam; ++i) {
            if (managed.count(i)) {
                EXPECT_EQ(host_.StreamHidden(i), hidden.count(i) != 0) << "parameter " << i;
                EXPECT_EQ(host_.StreamFlags(i), hidden.count(i) ? AEGP_DynStreamFlags{AEGP_DynStreamFlag_HIDDEN} : AEGP_DynStreamFlags{0}) << "parameter " << i;
            } else {
                EXPECT_EQ(host_.StreamFlags(i), 0) << "parameter " << i << " is not the handler's to change";
            }
        }
    }

    static std::set<int> DefaultHidden()
    {
        std::set<int> s{kBeat};
        for (int t = 0; t < kTreatments; ++t) s.insert(kFirstProbability + t);
        return s;
    }
};

TEST_F(PanelVisibilityTest, DefaultsShowTempoCheckboxesAndFixedColours)
{
    UpdateUI();
    ExpectHiddenExactly(DefaultHidden());
}

// The zero-filled token of a new instance is not one the host handed out, so it counts as changed: the first run
// replaces the record sequence set-up made.
TEST_F(PanelVisibilityTest, FirstRunReplacesTheEmptyToken)
{
    const PF_Handle empty = host_.SequenceData();
    const auto r = UpdateUI();
    EXPECT_EQ(r.after.sequence_data, host_.SequenceData());
    EXPECT_NE(host_.SequenceData(), empty);
    EXPECT_FALSE(host_.Handles().IsLive(empty));
}

TEST_F(PanelVisibilityTest, ChangedParamRunsTheSameHandler)
{
    const auto r = Run(PF_Cmd_USER_CHANGED_PARAM);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.after.out_flags, PF_OutFlag_REFRESH_UI);
    ExpectHiddenExactly(DefaultHidden());
}

TEST_F(PanelVisibilityTest, ManualModeHidesTempoAndShowsBeat)
{
    host_.SetParam(kMode, ParamValue::Integer(2));
    UpdateUI();
    std::set<int> hidden = DefaultHidden();
    hidden.erase(kBeat);
    hidden.insert(kBpm);
    ExpectHiddenExactly(hidden);
}

TEST_F(PanelVisibilityTest, RandomColoursHideBothFixedColoursAndKeepTheirValues)
{
    host_.SetParam(kFixedColour1, ParamValue::Color(255, 10, 20, 30));
    host_.SetParam(kRandomColours, ParamValue::Integer(2));
    UpdateUI();
    std::set<int> hidden = DefaultHidden();
    hidden.insert(kFixedColour1);
    hidden.insert(kFixedColour2);
    ExpectHiddenExactly(hidden);
    EXPECT_EQ(pwhost::ReadValue(host_.ParamNow(kFixedColour1)), ParamValue::Color(255, 10, 20, 30));
    EXPECT_EQ(pwhost::ReadValue(host_.ParamNow(kFixedColour2)), ParamValue::Color(255, 0, 0, 255));

    // Back to Manual shows them again: the state is set on every run, not toggled.
    host_.SetParam(kRandomColours, ParamValue::Integer(1));
    UpdateUI();
    ExpectHiddenExactly(DefaultHidden());
}

class PanelTreatmentTest : public PanelVisibilityTest, public ::testing::WithParamInterface<int> {};

TEST_P(PanelTreatmentTest, AutoSwapsOnlyThatTreatmentsControls)
{
    const int t = GetParam();
    host_.SetParam(kFirstPopup + t, ParamValue::Integer(2));
    UpdateUI();
    std::set<int> hidden = DefaultHidden();
    hidden.erase(kFirstProbability + t);
    hidden.insert(kFirstManual + t);
    ExpectHiddenExactly(hidden);

    host_.SetParam(kFirstPopup + t, ParamValue::Integer(1));
    UpdateUI();
    ExpectHiddenExactly(DefaultHidden());
}

INSTANTIATE_TEST_SUITE_P(EachTreatment, PanelTreatmentTest, ::testing::Range(0, kTreatments));

TEST_F(PanelVisibilityTest, EverythingSwitchedAtOnce)
{
    host_.SetParam(kMode, ParamValue::Integer(2));
    host_.SetParam(kRandomColours, ParamValue::Integer(2));
    for (int t = 0; t < kTreatments; ++t) host_.SetParam(kFirstPopup + t, ParamValue::Integer(2));
    UpdateUI();
    std::set<int> hidden{kBpm, kFixedColour1, kFixedColour2};
    for (int t = 0; t < kTreatments; ++t) hidden.insert(kFirstManual + t);
    ExpectHiddenExactly(hidden);
}

// The streams are taken in the documented order (checkbox then slider per treatment, then tempo, beat and the two
// fixed colours) and handed back in the documented order after the effect reference.
TEST_F(PanelVisibilityTest, StreamsAreTakenAndReleasedInOrder)
{
    const auto r = UpdateUI();
    const int32_t pluginId = ReadGlobalRecord(host_.GlobalData()).plugin_id;
    std::vector<std::string> taken, released;
    bool effectFirst = false;
    for (const auto& call : r.calls) {
        if (call.op == "AEGP_GetNewEffectStreamByIndex") taken.push_back(call.args);
        if (call.op == "AEGP_DisposeEffect") effectFirst = released.empty();
        if (call.op == "AEGP_DisposeStream") released.push_back(call.args);
    }
    std::vector<int> takeOrder, releaseOrder;
    for (int t = 0; t < kTreatments; ++t) {
        takeOrder.push_back(kFirstManual + t);
        takeOrder.push_back(kFirstProbability + t);
        releaseOrder.push_back(kFirstProbability + t);
        releaseOrder.push_back(kFirstManual + t);
    }
    for (int i : {kBpm, kBeat, kFixedColour1, kFixedColour2}) {
        takeOrder.push_back(i);
        releaseOrder.push_back(i);
    }
    ASSERT_EQ(taken.size(), takeOrder.size());
    ASSERT_EQ(released.size(), releaseOrder.size());
    for (std::size_t i = 0; i < takeOrder.size(); ++i) {
        EXPECT_EQ(taken[i], std::to_string(pluginId) + " " + std::to_string(takeOrder[i])) << "take " << i;
        EXPECT_EQ(released[i], "stream of " + std::to_string(releaseOrder[i])) << "release " << i;
    }
    EXPECT_TRUE(effectFirst) << "the effect reference goes back before the streams";
}

}  // namespace
}  // namespace pwtest
