// Every host call of a panel update failing in turn: the result, the message, the flags, and nothing left held.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "params_ui_fake_host.h"

namespace pw {
namespace {

using panel_test::FakePanelHost;
using panel_test::kInjectedBase;

constexpr int kCallsPerRun = 90;  // the run of PanelVisibilityTest.ExactCallOrderOfAWholeRun

// A mixed configuration with a reported change and an uninitialised global record, so every step runs.
void Configure(FakePanelHost& host)
{
    host.SetChoice(PARAM_MODE, 2);
    host.SetChoice(PARAM_RGB_SEPARATION_COLOR, 2);
    host.SetChoice(PARAM_STRETCH_MANUAL_AUTO, 2);
    host.ChangeParams();
    host.Global().initialized = 0;
}

std::string Op(const std::string& entry) { return entry.substr(0, entry.find(' ')); }
bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// What may still happen after a failure: letting go, and telling the user.
bool IsCleanUp(const std::string& entry)
{
    return StartsWith(entry, "Dispose") || StartsWith(entry, "ReleaseSuite") ||
           StartsWith(entry, "utils.host_dispose_handle") || entry == "strcpy ERROR";
}

std::vector<std::string> Releases(const std::vector<std::string>& log)
{
    std::vector<std::string> out;
    for (const std::string& e : log)
        if (StartsWith(e, "Dispose")) out.push_back(e);
    return out;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    auto it = whole.begin();
    for (const std::string& e : part) {
        it = std::find(it, whole.end(), e);
        if (it == whole.end()) return false;
        ++it;
    }
    return true;
}

void ExpectNothingHeld(const FakePanelHost& host)
{
    EXPECT_EQ(host.LiveEffects(), 0);
    EXPECT_EQ(host.LiveStreams(), 0);
    EXPECT_EQ(host.LiveSuites(), 0);
    EXPECT_EQ(host.LiveHandles(), 2) << "the global record and one sequence record";
    EXPECT_TRUE(host.misuse.empty()) << host.misuse.front();
}

class PanelFailureSweepTest : public ::testing::TestWithParam<std::tuple<const Flavour*, int>> {};

TEST_P(PanelFailureSweepTest, FailingCallNIsReportedAndLeavesNothingHeld)
{
    const Flavour& flavour = *std::get<0>(GetParam());
    const int n = std::get<1>(GetParam());

    std::vector<std::string> clean;
    {
        FakePanelHost reference(flavour);
        Configure(reference);
        ASSERT_EQ(reference.Run(), PF_Err_NONE);
        clean = reference.log;
    }
    ASSERT_EQ(clean.size(), std::size_t(kCallsPerRun));
    const std::string failing = clean[n - 1];
    const std::string op = Op(failing);

    FakePanelHost host(flavour);
    Configure(host);
    host.FailCall(n);
    const PF_Err err = host.Run();
    SCOPED_TRACE("call " + std::to_string(n) + ": " + failing);
    ASSERT_EQ(host.failedAt, n);
    ExpectNothingHeld(host);
    EXPECT_TRUE(IsSubsequence(Releases(host.log), Releases(clean))) << "releases keep their order";

    const bool swapped = host.in_data.sequence_data != host.firstSequence;
    const bool bookkeeping = op.find("HasParamChanged") != std::string::npos ||
                             op.find("GetCurrentState") != std::string::npos;

    if (op == "ReleaseSuite" || StartsWith(op, "HandleSuite")) {
        // A suite release's result is not looked at; a handle disposal cannot fail.
        EXPECT_EQ(err, PF_Err_NONE);
        EXPECT_EQ(host.log, clean);
    } else if (op == "AcquireSuite") {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_EQ(host.out_data.out_flags, 0);
        EXPECT_STREQ(host.out_data.return_msg, "");
        EXPECT_FALSE(swapped);
    } else if (op == "utils.host_new_handle") {
        EXPECT_EQ(err, PF_Err_NONE);
        EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_REFRESH_UI);
        EXPECT_FALSE(swapped);
        EXPECT_EQ(host.Global().initialized, 1);
    } else if (bookkeeping) {
        EXPECT_EQ(err, kInjectedBase + n);
        EXPECT_STREQ(host.out_data.return_msg, "ERROR");
        EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_REFRESH_UI);
        EXPECT_FALSE(swapped);
        EXPECT_EQ(host.Global().initialized, 0);
    } else if (op == "DisposeEffect" || op == "DisposeStream") {
        // Everything else is done; the remaining releases still happen and the first error is the result.
        EXPECT_EQ(err, kInjectedBase + n);
        EXPECT_EQ(Releases(host.log), Releases(clean));
        EXPECT_TRUE(swapped);
        EXPECT_EQ(host.Global().initialized, 1);
    } else {
        ASSERT_TRUE(op == "GetNewEffectForEffect" || op == "GetNewEffectStreamByIndex" ||
                    op == "SetDynamicStreamFlag")
            << "unexpected call " << op;
        EXPECT_EQ(err, kInjectedBase + n);
        EXPECT_EQ(host.out_data.out_flags, PF_OutFlag_REFRESH_UI);
        EXPECT_STREQ(host.out_data.return_msg, "");
        EXPECT_FALSE(swapped);
        EXPECT_EQ(host.Global().initialized, 0);
    }

    if (err) {
        for (std::size_t i = n; i < host.log.size(); ++i)
            EXPECT_TRUE(IsCleanUp(host.log[i])) << "after the failure: " << host.log[i];
    }
    if (swapped) {
        EXPECT_FALSE(host.IsLive(host.firstSequence));
        EXPECT_TRUE(host.TokenIsCurrent(host.in_data.sequence_data));
    } else {
        EXPECT_EQ(host.in_data.sequence_data, host.firstSequence);
        EXPECT_EQ(host.out_data.sequence_data, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCall, PanelFailureSweepTest,
                         ::testing::Combine(::testing::Values(&kFlavour32, &kFlavour64),
                                            ::testing::Range(1, kCallsPerRun + 1)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)->is32Bit ? "Bits32" : "Bits64") + "_Call" +
                                    std::to_string(std::get<1>(info.param));
                         });

class PanelFailureTest : public ::testing::TestWithParam<const Flavour*> {
protected:
    std::string N() const { return GetParam()->is32Bit ? "1" : "2"; }
    FakePanelHost host{*GetParam()};
};

TEST_P(PanelFailureTest, StreamFailurePartWayReleasesWhatWasObtained)
{
    host.FailOperation("GetNewEffectStreamByIndex", 5);  // the Stretch checkbox, after four streams
    const PF_Err err = host.Run();
    ASSERT_NE(host.failedAt, 0);
    EXPECT_EQ(err, kInjectedBase + host.failedAt);
    EXPECT_EQ(Releases(host.log), (std::vector<std::string>{"DisposeEffect", "DisposeStream 29", "DisposeStream 17",
                                                            "DisposeStream 30", "DisposeStream 18"}));
    EXPECT_TRUE(host.hidden.empty()) << "no flag is set after the failure";
    ExpectNothingHeld(host);
}

TEST_P(PanelFailureTest, ReleaseFailureDoesNotReplaceTheFirstError)
{
    host.FailCall(12);  // a stream request
    host.FailOperation("DisposeEffect", 1);
    EXPECT_EQ(host.Run(), kInjectedBase + 12);
    EXPECT_EQ(Releases(host.log).size(), 1u + 7u);
    ExpectNothingHeld(host);
}

// A suite that is missing part-way: the references already held go back through suites already held.
struct MissingSuiteCase {
    const char* label;
    const char* name;
    int32_t number;  // 0: the flavour's number
    bool visibilitySet;
};

class PanelMissingSuiteTest
    : public ::testing::TestWithParam<std::tuple<const Flavour*, MissingSuiteCase>> {};

TEST_P(PanelMissingSuiteTest, ThrowsThroughAsBadCallbackParamHoldingNothing)
{
    const Flavour& flavour = *std::get<0>(GetParam());
    const MissingSuiteCase& c = std::get<1>(GetParam());
    FakePanelHost host(flavour);
    host.ChangeParams();
    host.RefuseSuite(c.name, c.number ? c.number : flavour.paramUtilsSuiteVersion);
    EXPECT_EQ(host.Run(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.out_data.out_flags, 0);
    EXPECT_STREQ(host.out_data.return_msg, "");
    EXPECT_EQ(host.in_data.sequence_data, host.firstSequence);
    EXPECT_EQ(host.hidden.size(), c.visibilitySet ? 24u : 0u);
    const std::size_t released = Releases(host.log).size();
    EXPECT_EQ(released, c.visibilitySet ? 25u : (std::string(c.name) == kAEGPDynamicStreamSuite ? 21u : 0u));
    ExpectNothingHeld(host);
}

INSTANTIATE_TEST_SUITE_P(
    Suites, PanelMissingSuiteTest,
    ::testing::Combine(::testing::Values(&kFlavour32, &kFlavour64),
                       ::testing::Values(MissingSuiteCase{"Stream", kAEGPStreamSuite, 7, false},
                                         MissingSuiteCase{"Effect", kAEGPEffectSuite, 2, false},
                                         MissingSuiteCase{"PFInterface", kAEGPPFInterfaceSuite, 1, false},
                                         MissingSuiteCase{"DynamicStream", kAEGPDynamicStreamSuite, 2, false},
                                         MissingSuiteCase{"ParamUtils", kPFParamUtilsSuite, 0, true})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param)->is32Bit ? "Bits32_" : "Bits64_") + std::get<1>(info.param).label;
    });

TEST_P(PanelFailureTest, NullBrokerIsBadCallbackParam)
{
    host.in_data.pica_basicP = nullptr;
    EXPECT_EQ(host.Run(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(host.out_data.out_flags, 0);
}

TEST_P(PanelFailureTest, OnlyTheFlavourNumbersAreAsked)
{
    host.ChangeParams();
    ASSERT_EQ(host.Run(), PF_Err_NONE);
    const std::string other = GetParam()->is32Bit ? "2" : "1";
    for (const std::string& e : host.log) {
        EXPECT_NE(e, "AcquireSuite PF Handle Suite " + other);
        EXPECT_NE(e, "AcquireSuite PF Param Utils Suite " + other);
        EXPECT_FALSE(StartsWith(e, "ParamUtils" + other) || StartsWith(e, "HandleSuite" + other)) << e;
    }
    EXPECT_NE(std::find(host.log.begin(), host.log.end(), "AcquireSuite PF Handle Suite " + N()), host.log.end());
}

INSTANTIATE_TEST_SUITE_P(Flavours, PanelFailureTest, ::testing::Values(&kFlavour32, &kFlavour64),
                         [](const auto& info) { return info.param->is32Bit ? "Bits32" : "Bits64"; });

}  // namespace
}  // namespace pw
