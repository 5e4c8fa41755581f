// The state token in the sequence record, and what the panel update does without its records.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "params_ui_fake_host.h"

namespace pw {
namespace {

using panel_test::FakePanelHost;
using panel_test::kInjectedBase;

bool Logged(const FakePanelHost& host, const std::string& entry)
{
    return std::find(host.log.begin(), host.log.end(), entry) != host.log.end();
}

class PanelStateTest : public ::testing::TestWithParam<const Flavour*> {
protected:
    void ExpectNothingHeld()
    {
        EXPECT_EQ(host.LiveEffects(), 0);
        EXPECT_EQ(host.LiveStreams(), 0);
        EXPECT_EQ(host.LiveSuites(), 0);
        EXPECT_EQ(host.LiveHandles(), 2) << "the global record and one sequence record";
        EXPECT_TRUE(host.misuse.empty()) << host.misuse.front();
    }
    void ExpectOldTokenKept()
    {
        EXPECT_EQ(host.in_data.sequence_data, host.firstSequence);
        EXPECT_EQ(host.out_data.sequence_data, nullptr);
        EXPECT_TRUE(host.IsLive(host.firstSequence));
    }
    std::string N() const { return GetParam()->is32Bit ? "1" : "2"; }

    FakePanelHost host{*GetParam()};
};

TEST_P(PanelStateTest, TwoRunsWithoutChangeKeepFlagsAndToken)
{
    host.SetChoice(PARAM_MODE, 2);
    host.SetChoice(PARAM_BLUR_MANUAL_AUTO, 2);
    host.SyncToken();
    ASSERT_EQ(host.Run(), PF_Err_NONE);
    const std::map<int, bool> first = host.hidden;
    EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_REFRESH_UI);
    ASSERT_EQ(host.Run(), PF_Err_NONE);
    EXPECT_EQ(host.hidden, first);
    EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_REFRESH_UI);
    EXPECT_FALSE(Logged(host, "utils.host_new_handle 16"));
    ExpectOldTokenKept();
    ExpectNothingHeld();
}

TEST_P(PanelStateTest, ReportedChangeSwapsTheSequenceHandle)
{
    host.ChangeParams();
    ASSERT_EQ(host.Run(), PF_Err_NONE);
    const PF_Handle second = host.in_data.sequence_data;
    EXPECT_NE(second, host.firstSequence);
    EXPECT_EQ(host.out_data.sequence_data, second);
    EXPECT_FALSE(host.IsLive(host.firstSequence));
    EXPECT_TRUE(host.TokenIsCurrent(second));
    EXPECT_TRUE(Logged(host, "HandleSuite" + N() + ".host_dispose_handle #2"));
    ExpectNothingHeld();

    ASSERT_EQ(host.Run(), PF_Err_NONE);  // nothing moved since
    EXPECT_EQ(host.in_data.sequence_data, second);
    EXPECT_EQ(host.out_data.sequence_data, nullptr);

    host.ChangeParams();
    ASSERT_EQ(host.Run(), PF_Err_NONE);
    EXPECT_NE(host.in_data.sequence_data, second);
    EXPECT_FALSE(host.IsLive(second));
    ExpectNothingHeld();
}

TEST_P(PanelStateTest, UninitialisedGlobalRenewsTheTokenAndBecomesInitialised)
{
    host.SyncToken();
    host.Global().initialized = 0;
    ASSERT_EQ(host.Run(), PF_Err_NONE);
    EXPECT_NE(host.in_data.sequence_data, host.firstSequence);
    EXPECT_EQ(host.Global().initialized, 1);
    ExpectNothingHeld();
}

TEST_P(PanelStateTest, NoNewHandleKeepsTheOldTokenWithoutError)
{
    host.ChangeParams();
    host.Global().initialized = 0;
    host.FailOperation("utils.host_new_handle", 1);
    EXPECT_EQ(host.Run(), PF_Err_NONE);
    ExpectOldTokenKept();
    EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_REFRESH_UI);
    EXPECT_STREQ(host.out_data.return_msg, "");
    EXPECT_EQ(host.Global().initialized, 1);
    ExpectNothingHeld();
}

TEST_P(PanelStateTest, UnfillableTokenHandleIsDisposed)
{
    host.ChangeParams();
    host.Global().initialized = 0;
    host.FailOperation("ParamUtils" + N() + ".GetCurrentState", 1);
    const PF_Err err = host.Run();
    ASSERT_NE(host.failedAt, 0);
    EXPECT_EQ(err, kInjectedBase + host.failedAt);
    EXPECT_TRUE(Logged(host, "utils.host_dispose_handle #3"));
    EXPECT_FALSE(Logged(host, "AcquireSuite PF Handle Suite " + N()));
    ExpectOldTokenKept();
    EXPECT_STREQ(host.out_data.return_msg, "ERROR");
    EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(host.Global().initialized, 0);
    ExpectNothingHeld();
}

TEST_P(PanelStateTest, FailedChangeQueryAllocatesNothing)
{
    host.Global().initialized = 0;  // would otherwise ask for a new token whatever the answer
    host.FailOperation("ParamUtils" + N() + ".HasParamChanged", 1);
    const PF_Err err = host.Run();
    ASSERT_NE(host.failedAt, 0);
    EXPECT_EQ(err, kInjectedBase + host.failedAt);
    EXPECT_FALSE(Logged(host, "utils.host_new_handle 16"));
    EXPECT_TRUE(Logged(host, "strcpy ERROR"));
    ExpectOldTokenKept();
    EXPECT_EQ(host.Global().initialized, 0);
    ExpectNothingHeld();
}

TEST_P(PanelStateTest, BookkeepingErrorReplacesTheHostFlags)
{
    host.out_template.out_flags = PF_OutFlag_NON_PARAM_VARY | PF_OutFlag_DEEP_COLOR_AWARE;
    host.FailOperation("ParamUtils" + N() + ".HasParamChanged", 1);
    host.Run();
    EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_REFRESH_UI);
}

TEST_P(PanelStateTest, StreamErrorKeepsTheHostFlagsAndWritesNoText)
{
    host.out_template.out_flags = PF_OutFlag_NON_PARAM_VARY;
    host.FailOperation("SetDynamicStreamFlag", 7);
    const PF_Err err = host.Run();
    ASSERT_NE(host.failedAt, 0);
    EXPECT_EQ(err, kInjectedBase + host.failedAt);
    EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_NON_PARAM_VARY | PF_OutFlag_REFRESH_UI);
    EXPECT_STREQ(host.out_data.return_msg, "");
    EXPECT_FALSE(Logged(host, "AcquireSuite PF Param Utils Suite " + N()));
    ExpectOldTokenKept();
    ExpectNothingHeld();
}

TEST_P(PanelStateTest, MissingHandleSuiteDuringTheSwapLosesNoHandle)
{
    host.ChangeParams();
    host.RefuseSuite(kPFHandleSuite, GetParam()->handleSuiteVersion);
    EXPECT_EQ(host.Run(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(Logged(host, "utils.host_dispose_handle #3"));
    ExpectOldTokenKept();
    EXPECT_EQ(host.out_data.out_flags, 0);
    EXPECT_STREQ(host.out_data.return_msg, "");
    ExpectNothingHeld();
}

INSTANTIATE_TEST_SUITE_P(Flavours, PanelStateTest, ::testing::Values(&kFlavour32, &kFlavour64),
                         [](const auto& info) { return info.param->is32Bit ? "Bits32" : "Bits64"; });

// Without its records the update makes no host call at all and says which record is missing.
struct MissingRecordCase {
    const char* name;
    bool global;      // which record is missing
    bool nullHandle;  // the handle itself, or only the block behind it
    const char* message;
};

class PanelMissingRecordTest : public ::testing::TestWithParam<MissingRecordCase> {
protected:
    FakePanelHost host{kBuildFlavour};
};

TEST_P(PanelMissingRecordTest, ReportsTheRecordAndTouchesNothing)
{
    const MissingRecordCase& c = GetParam();
    PF_Handle& handle = c.global ? host.in_data.global_data : host.in_data.sequence_data;
    if (c.nullHandle)
        handle = nullptr;
    else
        *handle = nullptr;
    host.out_template.out_flags = PF_OutFlag_NON_PARAM_VARY;
    EXPECT_EQ(host.Run(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(host.out_data.return_msg, c.message);
    EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_NON_PARAM_VARY | PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    EXPECT_TRUE(host.log.empty()) << host.log.front();
    EXPECT_TRUE(host.hidden.empty());
    EXPECT_EQ(host.out_data.sequence_data, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Records, PanelMissingRecordTest,
    ::testing::Values(MissingRecordCase{"NoGlobalHandle", true, true, "Missing global data."},
                      MissingRecordCase{"EmptyGlobalHandle", true, false, "Missing global data."},
                      MissingRecordCase{"NoSequenceHandle", false, true, "Missing sequence data."},
                      MissingRecordCase{"EmptySequenceHandle", false, false, "Missing sequence data."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pw
