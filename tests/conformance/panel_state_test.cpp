// The panel handler's parameter-state token through the real host: kept while nothing changes, replaced (and the
// old record disposed of) when the host reports a change, and every host failure along the way with the result,
// message and flags it leaves, and nothing left held.
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "plugin_fixture.h"

namespace pwtest {
namespace {

using pwhost::ParamValue;

constexpr int32_t kHostError = 0x1701;
constexpr int kMode = 1, kFirstPopup = 5, kFirstProbability = 29;
constexpr PF_OutFlags kErrorFlags = PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_REFRESH_UI;
static_assert(kErrorFlags == 0x20100, "error flags");

class PanelStateTest : public PluginTest {
protected:
    void SetUp() override
    {
        SetUpInstance();
        // The first run after set-up stores a token the host knows; the tests start from that settled state.
        const auto r = Run(PF_Cmd_UPDATE_PARAMS_UI);
        ASSERT_EQ(r.err, PF_Err_NONE);
    }

    pwhost::CommandResult UpdateUI(bool prefill = false)
    {
        pwhost::CommandOptions options;
        options.prefillOutData = prefill;
        pwhost::CommandResult r = Run(PF_Cmd_UPDATE_PARAMS_UI, options);
        EXPECT_EQ(host_.References().LiveCount(), 0u);
        // Whatever happened, every reference taken went back.
        EXPECT_EQ(r.Count("AEGP_DisposeStream"), r.Count("AEGP_GetNewEffectStreamByIndex") -
                                                     FailedThisRun("AEGP_GetNewEffectStreamByIndex"));
        EXPECT_EQ(r.Count("AEGP_DisposeEffect"), r.Count("AEGP_GetNewEffectForEffect") -
                                                     FailedThisRun("AEGP_GetNewEffectForEffect"));
        EXPECT_THAT(host_.UnaccountedHandles(), ::testing::IsEmpty());
        return r;
    }

    // A failed get hands nothing out; the fault plan says how many of this command's calls failed.
    std::size_t FailedThisRun(const std::string& op)
    {
        const int fired = host_.Faults().Fired(op);
        const int delta = fired - firedBefore_[op];
        firedBefore_[op] = fired;
        return static_cast<std::size_t>(delta);
    }

    std::string ParamUtilsSuite(int number) const { return "AcquireSuite PF Param Utils Suite " + std::to_string(number); }

    std::map<std::string, int> firedBefore_;
};

TEST_F(PanelStateTest, UnchangedValuesKeepTokenAndFlags)
{
    const PF_Handle sequence = host_.SequenceData();
    std::vector<AEGP_DynStreamFlags> before;
    for (int i = 1; i <= 102; ++i) before.push_back(host_.StreamFlags(i));

    for (int run = 0; run < 2; ++run) {
        const auto r = UpdateUI();
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(r.after.out_flags, PF_OutFlag_REFRESH_UI) << "run " << run;
        EXPECT_EQ(host_.SequenceData(), sequence);
        EXPECT_EQ(r.after.sequence_data, r.before.sequence_data) << "no new record handed over";
        EXPECT_EQ(r.Count("host_new_handle"), 0u);
        EXPECT_EQ(r.Count("host_dispose_handle"), 0u);
        EXPECT_EQ(r.CountCall("PF_HasParamChanged -3"), 1u);
        EXPECT_EQ(r.Count("PF_GetCurrentState"), 0u);
        for (int i = 1; i <= 102; ++i) EXPECT_EQ(host_.StreamFlags(i), before[i - 1]) << "parameter " << i;
    }
    EXPECT_EQ(ReadGlobalRecord(host_.GlobalData()).initialized, 1);
}

TEST_F(PanelStateTest, ReportedChangeSwapsTheSequenceRecord)
{
    const PF_Handle old = host_.SequenceData();
    host_.SetParam(kMode, ParamValue::Integer(2));
    const auto r = UpdateUI();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.after.out_flags, PF_OutFlag_REFRESH_UI);
    const PF_Handle fresh = host_.SequenceData();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(r.after.sequence_data, fresh);
    EXPECT_FALSE(host_.Handles().IsLive(old)) << "the previous record is disposed of";
    EXPECT_EQ(r.CountCall("host_new_handle 16"), 1u);
    EXPECT_EQ(r.Count("host_dispose_handle"), 1u);
    EXPECT_EQ(r.Count("PF_GetCurrentState"), 1u);

    // The new token is one the host recognises: the next run with nothing changed keeps it.
    const auto again = UpdateUI();
    EXPECT_EQ(again.err, PF_Err_NONE);
    EXPECT_EQ(host_.SequenceData(), fresh);
    EXPECT_EQ(again.Count("host_new_handle"), 0u);
}

TEST_F(PanelStateTest, KeyframeChangeAlsoCountsAsAChange)
{
    const PF_Handle old = host_.SequenceData();
    host_.SetKeyframes(kFirstProbability, {host_.Key(0, ParamValue::Number(0.1)), host_.Key(10, ParamValue::Number(0.9))});
    const auto r = UpdateUI();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_NE(host_.SequenceData(), old);
}

TEST_F(PanelStateTest, ParamUtilsSuiteOfThisFlavour)
{
    host_.SetParam(kFirstPopup, ParamValue::Integer(2));
    const auto r = UpdateUI();
    const int number = Facts().bits == 32 ? 1 : 2;
    EXPECT_GE(r.CountCall(ParamUtilsSuite(number)), 1u);
    EXPECT_EQ(r.CountCall(ParamUtilsSuite(3 - number)), 0u);
}

// A global record not yet marked as set up renews the token even with nothing changed, and is marked on success.
TEST_F(PanelStateTest, UnmarkedGlobalRecordRenewsTheToken)
{
    *static_cast<uint8_t*>(*host_.GlobalData()) = 0;
    const PF_Handle old = host_.SequenceData();
    const auto r = UpdateUI();
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_NE(host_.SequenceData(), old);
    EXPECT_FALSE(host_.Handles().IsLive(old));
    EXPECT_EQ(ReadGlobalRecord(host_.GlobalData()).initialized, 1);
}

TEST_F(PanelStateTest, FailedRunLeavesTheGlobalRecordUnmarked)
{
    *static_cast<uint8_t*>(*host_.GlobalData()) = 0;
    const PF_Handle old = host_.SequenceData();
    host_.Faults().FailNth("AEGP_SetDynamicStreamFlag", 1, kHostError);
    EXPECT_EQ(UpdateUI().err, kHostError);
    EXPECT_EQ(ReadGlobalRecord(host_.GlobalData()).initialized, 0);
    EXPECT_EQ(host_.SequenceData(), old);
}

// A release the host reports as failed becomes the result, after the bookkeeping is done; the remaining
// references are released all the same.
struct ReleaseFault {
    const char* op;
    int n;
};

std::ostream& operator<<(std::ostream& os, const ReleaseFault& f) { return os << f.op << " #" << f.n; }

class PanelReleaseFaultTest : public PanelStateTest, public ::testing::WithParamInterface<ReleaseFault> {};

TEST_P(PanelReleaseFaultTest, FirstReleaseErrorIsTheResult)
{
    const ReleaseFault f = GetParam();
    const PF_Handle old = host_.SequenceData();
    host_.SetParam(kMode, ParamValue::Integer(2));
    host_.Faults().FailNth(f.op, f.n, kHostError);
    const auto r = UpdateUI(true);
    EXPECT_EQ(r.err, kHostError);
    EXPECT_EQ(r.Count("AEGP_DisposeEffect"), 1u);
    EXPECT_EQ(r.Count("AEGP_DisposeStream"), 24u);
    EXPECT_EQ(r.after.out_flags, r.before.out_flags | PF_OutFlag_REFRESH_UI);
    EXPECT_TRUE(r.ReturnMessageUntouched());
    EXPECT_NE(host_.SequenceData(), old) << "the bookkeeping ran before the release";
}

INSTANTIATE_TEST_SUITE_P(EachRelease, PanelReleaseFaultTest,
                         ::testing::Values(ReleaseFault{"AEGP_DisposeEffect", 1}, ReleaseFault{"AEGP_DisposeStream", 1},
                                           ReleaseFault{"AEGP_DisposeStream", 24}));

// Failures while showing and hiding (steps before the bookkeeping): the code is the result, no message, the
// token untouched, the refresh still asked for on top of whatever the flags held.
struct StreamFault {
    const char* op;
    int n;
    std::size_t gets;  // stream fetches made, the failed one included
    std::size_t sets;  // flag settings made, the failed one included
};

std::ostream& operator<<(std::ostream& os, const StreamFault& f) { return os << f.op << " #" << f.n; }

class PanelStreamFaultTest : public PanelStateTest, public ::testing::WithParamInterface<StreamFault> {};

TEST_P(PanelStreamFaultTest, FailureStopsTheRunAndReleasesEverything)
{
    const StreamFault f = GetParam();
    const PF_Handle sequence = host_.SequenceData();
    host_.SetParam(kMode, ParamValue::Integer(2));  // a change the bookkeeping would otherwise pick up
    host_.Faults().FailNth(f.op, f.n, kHostError);
    const auto r = UpdateUI(true);
    EXPECT_EQ(r.err, kHostError);
    EXPECT_EQ(host_.Faults().Fired(f.op), 1);
    EXPECT_EQ(r.after.out_flags, r.before.out_flags | PF_OutFlag_REFRESH_UI);
    EXPECT_TRUE(r.ReturnMessageUntouched());
    EXPECT_EQ(r.Count("AEGP_GetNewEffectStreamByIndex"), f.gets);
    EXPECT_EQ(r.Count("AEGP_SetDynamicStreamFlag"), f.sets);
    EXPECT_EQ(r.Count("PF_HasParamChanged"), 0u);
    EXPECT_EQ(r.Count("host_new_handle"), 0u);
    EXPECT_EQ(host_.SequenceData(), sequence);

    // The next run recovers completely.
    const auto next = UpdateUI();
    EXPECT_EQ(next.err, PF_Err_NONE);
    EXPECT_TRUE(host_.StreamHidden(2));
    EXPECT_FALSE(host_.StreamHidden(3));
    EXPECT_NE(host_.SequenceData(), sequence);
}

std::vector<StreamFault> StreamFaults()
{
    std::vector<StreamFault> faults{{"AEGP_GetNewEffectForEffect", 1, 0, 0}};
    // 20 treatment fetches, then the 20 treatment settings; tempo and beat fetched then set; the colours likewise.
    for (int n = 1; n <= 24; ++n) {
        const std::size_t sets = n <= 20 ? 0 : n <= 22 ? 20 : 22;
        faults.push_back({"AEGP_GetNewEffectStreamByIndex", n, static_cast<std::size_t>(n), sets});
    }
    for (int n = 1; n <= 24; ++n) {
        const std::size_t gets = n <= 20 ? 20 : n <= 22 ? 22 : 24;
        faults.push_back({"AEGP_SetDynamicStreamFlag", n, gets, static_cast<std::size_t>(n)});
    }
    return faults;
}

INSTANTIATE_TEST_SUITE_P(EachCall, PanelStreamFaultTest, ::testing::ValuesIn(StreamFaults()));

// Failures in the bookkeeping: "ERROR" and exactly the error and refresh flags, the old record kept.
struct TokenFault {
    const char* op;
    bool error;  // false: the failure is absorbed (no new handle means the old token stays)
};

std::ostream& operator<<(std::ostream& os, const TokenFault& f) { return os << f.op; }

class PanelTokenFaultTest : public PanelStateTest, public ::testing::WithParamInterface<TokenFault> {};

TEST_P(PanelTokenFaultTest, FailureKeepsTheOldRecord)
{
    const TokenFault f = GetParam();
    const PF_Handle sequence = host_.SequenceData();
    host_.SetParam(kMode, ParamValue::Integer(2));
    host_.Faults().FailNth(f.op, 1, kHostError);
    const auto r = UpdateUI(true);
    EXPECT_EQ(host_.Faults().Fired(f.op), 1);
    if (f.error) {
        EXPECT_EQ(r.err, kHostError);
        EXPECT_EQ(r.ReturnMessage(), "ERROR");
        EXPECT_EQ(r.after.out_flags, kErrorFlags);
    } else {
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_TRUE(r.ReturnMessageUntouched());
        EXPECT_EQ(r.after.out_flags, r.before.out_flags | PF_OutFlag_REFRESH_UI);
        EXPECT_EQ(r.Count("PF_GetCurrentState"), 0u);
    }
    EXPECT_EQ(host_.SequenceData(), sequence);
    EXPECT_TRUE(host_.Handles().IsLive(sequence));
    EXPECT_EQ(r.Count("host_dispose_handle"), r.Count("host_new_handle") - (f.error ? 0u : 1u))
        << "a handle made for a token that could not be filled is freed";
    // Showing and hiding was done before the bookkeeping failed.
    EXPECT_TRUE(host_.StreamHidden(2));
    EXPECT_FALSE(host_.StreamHidden(3));

    // Still reported as changed next time, so the token is renewed then.
    const auto next = UpdateUI();
    EXPECT_EQ(next.err, PF_Err_NONE);
    EXPECT_NE(host_.SequenceData(), sequence);
    EXPECT_FALSE(host_.Handles().IsLive(sequence));
}

INSTANTIATE_TEST_SUITE_P(EachCall, PanelTokenFaultTest,
                         ::testing::Values(TokenFault{"PF_HasParamChanged", true}, TokenFault{"PF_GetCurrentState", true},
                                           TokenFault{"host_new_handle", false}));

// A suite the host does not have ends the run at once with the broker's verdict, but what was taken goes back.
class PanelMissingSuiteTest : public PanelStateTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(PanelMissingSuiteTest, MissingSuiteReleasesReferences)
{
    const std::string name = GetParam();
    const int number = name == "PF Param Utils Suite" ? (Facts().bits == 32 ? 1 : 2)
                       : name == "AEGP Dynamic Stream Suite" ? 2
                                                             : 1;
    const PF_Handle sequence = host_.SequenceData();
    host_.SetParam(kMode, ParamValue::Integer(2));
    host_.Faults().WithholdSuite(name, number);
    const auto r = UpdateUI();
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(r.after.out_flags & PF_OutFlag_REFRESH_UI, 0) << "the run ended before the refresh";
    EXPECT_EQ(host_.SequenceData(), sequence);
}

INSTANTIATE_TEST_SUITE_P(EachSuite, PanelMissingSuiteTest,
                         ::testing::Values("AEGP PF Interface Suite", "AEGP Dynamic Stream Suite", "PF Param Utils Suite"));

}  // namespace
}  // namespace pwtest
