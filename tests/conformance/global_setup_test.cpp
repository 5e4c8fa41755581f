// Global set-up and set-down: version, capabilities, the global record, registration, and every failure path.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace pwtest {
namespace {

constexpr A_u_long kVersion = 525825;
constexpr PF_OutFlags kOutFlags = 0x06000044;
constexpr PF_OutFlags2 kOutFlags2 = 0x00001400;

using GlobalSetupTest = PluginTest;

TEST_F(GlobalSetupTest, ReportsVersionAndExactlyItsCapabilities)
{
    const auto r = Run(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.after.my_version, kVersion);
    EXPECT_EQ(r.after.out_flags, kOutFlags);
    EXPECT_EQ(r.after.out_flags2, kOutFlags2);
    EXPECT_EQ(r.after.out_flags2 & PF_OutFlag2_I_AM_THREADSAFE, 0) << "the plug-in does not claim thread safety";
}

TEST_F(GlobalSetupTest, AddsItsFlagsToWhatTheHostPassed)
{
    const auto r = RunPrefilled(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.after.out_flags, kPattern32 | kOutFlags);
    EXPECT_EQ(r.after.out_flags2, kPattern32 | kOutFlags2);
    EXPECT_TRUE(r.ReturnMessageUntouched());
}

TEST_F(GlobalSetupTest, HandsOverAnInitialisedRegisteredRecord)
{
    const auto r = Run(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    const PF_Handle global = host_.GlobalData();
    ASSERT_NE(global, nullptr);
    EXPECT_EQ(r.after.global_data, global);
    EXPECT_EQ(host_.Handles().Size(global), sizeof(GlobalRecordView));
    EXPECT_EQ(host_.Handles().LiveCount(), 1u);

    ASSERT_EQ(host_.Registrations().size(), 1u);
    EXPECT_EQ(host_.Registrations()[0].name, "Error!");
    const GlobalRecordView record = ReadGlobalRecord(global);
    EXPECT_EQ(record.initialized, 1);
    EXPECT_EQ(record.plugin_id, host_.Registrations()[0].id);
}

// The record is made, filled while locked and registered in this order, and each suite is acquired once.
TEST_F(GlobalSetupTest, CallsTheHostInOrderAndAcquiresEachSuiteOnce)
{
    const auto r = Run(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    const std::string handle_suite = "PF Handle Suite " + std::to_string(Facts().handleSuite);
    EXPECT_EQ(r.CountCall("AcquireSuite " + handle_suite), 1u);
    EXPECT_EQ(r.CountCall("ReleaseSuite " + handle_suite), 1u);
    EXPECT_EQ(r.CountCall("AcquireSuite AEGP Utility Suite 7"), 1u);
    EXPECT_EQ(r.CountCall("ReleaseSuite AEGP Utility Suite 7"), 1u);
    EXPECT_EQ(r.Count("AcquireSuite"), 2u);

    const std::vector<std::string> calls = pwhost::Texts(r.calls);
    auto at = [&](const std::string& text) {
        const auto it = std::find(calls.begin(), calls.end(), text);
        EXPECT_NE(it, calls.end()) << text;
        return it - calls.begin();
    };
    const auto made = at("host_new_handle 8");
    const auto locked = at("host_lock_handle #1");
    const auto registered = at("AEGP_RegisterWithAEGP Error!");
    const auto unlocked = at("host_unlock_handle #1");
    EXPECT_LT(made, locked);
    EXPECT_LT(locked, registered);
    EXPECT_LT(registered, unlocked);
}

class PremiereTest : public PluginTest {
protected:
    void SetUp() override { host_.Settings().applId = PF_APPL_ID_PREMIERE; }
};

TEST_F(PremiereTest, RegistrationDependsOnFlavour)
{
    const auto r = Run(PF_Cmd_GLOBAL_SETUP);
    ASSERT_EQ(r.err, PF_Err_NONE);
    ASSERT_NE(host_.GlobalData(), nullptr);
    const GlobalRecordView record = ReadGlobalRecord(host_.GlobalData());
    EXPECT_EQ(record.initialized, 1);
    if (Facts().registersInPremiere) {
        EXPECT_EQ(r.Count("AEGP_RegisterWithAEGP"), 1u);
        ASSERT_EQ(host_.Registrations().size(), 1u);
        EXPECT_EQ(record.plugin_id, host_.Registrations()[0].id);
    } else {
        EXPECT_EQ(r.Count("AEGP_RegisterWithAEGP"), 0u);
        EXPECT_EQ(r.CountCall("AcquireSuite AEGP Utility Suite 7"), 0u);
        // New handles hold fill bytes, so this is the plug-in's own defined value.
        EXPECT_EQ(record.plugin_id, 0);
    }
}

// Failure paths. Whatever fails, nothing may leak: a record that is not handed over is disposed of.
struct SetupFailure {
    const char* label;
    std::function<void(pwhost::FaultPlan&, const FlavourFacts&)> inject;
    PF_Err expected;
    bool flagsSet;      // version and flags come before the first host call
    const char* fired;  // operation whose injected failure must have fired, or null
};

void PrintTo(const SetupFailure& failure, std::ostream* os) { *os << failure.label; }

const std::vector<SetupFailure> kSetupFailures = {
    {"NewHandleFails", [](auto& f, auto&) { f.FailNth("host_new_handle", 1, 0); }, PF_Err_INTERNAL_STRUCT_DAMAGED,
     true, "host_new_handle"},
    {"LockFails", [](auto& f, auto&) { f.FailNth("host_lock_handle", 1, 0); }, PF_Err_NONE, true,
     "host_lock_handle"},
    {"RegistrationFailsWith13", [](auto& f, auto&) { f.FailNth("AEGP_RegisterWithAEGP", 1, A_Err_MISSING_SUITE); },
     A_Err_MISSING_SUITE, true, "AEGP_RegisterWithAEGP"},
    {"RegistrationFailsWithOddCode", [](auto& f, auto&) { f.FailNth("AEGP_RegisterWithAEGP", 1, 0x7ABC1234); },
     0x7ABC1234, true, "AEGP_RegisterWithAEGP"},
    {"HandleSuiteWithheld", [](auto& f, auto& facts) { f.WithholdSuite(kPFHandleSuite, facts.handleSuite); },
     PF_Err_BAD_CALLBACK_PARAM, true, nullptr},
    {"HandleSuiteReportsErrorWithTable",
     [](auto& f, auto& facts) { f.ReportErrorWithTable(kPFHandleSuite, facts.handleSuite); },
     PF_Err_BAD_CALLBACK_PARAM, true, nullptr},
    {"UtilitySuiteWithheld", [](auto& f, auto&) { f.WithholdSuite(kAEGPUtilitySuite, 7); },
     PF_Err_BAD_CALLBACK_PARAM, true, nullptr},
    {"UtilitySuiteNullTable", [](auto& f, auto&) { f.DeliverNullTable(kAEGPUtilitySuite, 7); },
     PF_Err_BAD_CALLBACK_PARAM, true, nullptr},
    {"SecondAcquisitionFails", [](auto& f, auto&) { f.FailNth("AcquireSuite", 2, pwhost::kSPSuiteNotFoundError); },
     PF_Err_BAD_CALLBACK_PARAM, true, "AcquireSuite"},
    {"NoBroker", [](auto& f, auto&) { f.SetNoBroker(true); }, PF_Err_BAD_CALLBACK_PARAM, false, nullptr},
};

class GlobalSetupFailureTest : public PluginTest, public ::testing::WithParamInterface<SetupFailure> {};

TEST_P(GlobalSetupFailureTest, ReturnsTheCodeAndHandsOverNothing)
{
    const SetupFailure& failure = GetParam();
    failure.inject(host_.Faults(), Facts());
    const auto r = RunPrefilled(PF_Cmd_GLOBAL_SETUP);

    EXPECT_EQ(r.err, failure.expected);
    if (failure.fired) {
        EXPECT_EQ(host_.Faults().Fired(failure.fired), 1) << "the injected failure never happened";
    }
    EXPECT_EQ(r.after.global_data, r.before.global_data) << "global_data must stay unset";
    EXPECT_EQ(host_.GlobalData(), nullptr);
    EXPECT_EQ(host_.Handles().LiveCount(), 0u) << "an unused record must be disposed of";
    EXPECT_TRUE(r.ReturnMessageUntouched()) << "no message on these paths";
    if (failure.flagsSet) {
        EXPECT_EQ(r.after.my_version, kVersion);
        EXPECT_EQ(r.after.out_flags, kPattern32 | kOutFlags);
        EXPECT_EQ(r.after.out_flags2, kPattern32 | kOutFlags2);
    } else {
        EXPECT_TRUE(r.OutDataUntouched());
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, GlobalSetupFailureTest, ::testing::ValuesIn(kSetupFailures),
                         [](const auto& info) { return std::string(info.param.label); });

// A lock failure still unlocks the handle, and nothing is registered for a record that is not kept.
TEST_F(GlobalSetupTest, LockFailureUnlocksDisposesAndDoesNotRegister)
{
    host_.Faults().FailNth("host_lock_handle", 1, 0);
    const auto r = Run(PF_Cmd_GLOBAL_SETUP);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.CountCall("host_unlock_handle #1"), 1u);
    EXPECT_EQ(r.CountCall("host_dispose_handle #1"), 1u);
    EXPECT_EQ(r.Count("AEGP_RegisterWithAEGP"), 0u);
}

TEST_F(GlobalSetupTest, NewHandleFailureCallsNothingMore)
{
    host_.Faults().FailNth("host_new_handle", 1, 0);
    const auto r = Run(PF_Cmd_GLOBAL_SETUP);
    EXPECT_EQ(r.err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(r.Count("host_lock_handle"), 0u);
    EXPECT_EQ(r.Count("host_unlock_handle"), 0u);
    EXPECT_EQ(r.Count("host_dispose_handle"), 0u);
    EXPECT_EQ(r.Count("AEGP_RegisterWithAEGP"), 0u);
}

using GlobalSetdownTest = PluginTest;

TEST_F(GlobalSetdownTest, DisposesOfTheRecord)
{
    GlobalSetup();
    const std::string name = HandleName(host_.GlobalData());
    const auto r = RunPrefilled(PF_Cmd_GLOBAL_SETDOWN);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.CountCall("host_dispose_handle " + name), 1u);
    EXPECT_EQ(host_.Handles().LiveCount(), 0u);
    EXPECT_TRUE(r.OutDataUntouched());
}

TEST_F(GlobalSetdownTest, WithoutRecordDisposesNothing)
{
    const auto r = Run(PF_Cmd_GLOBAL_SETDOWN);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.Count("host_dispose_handle"), 0u);
}

// Without a broker the record cannot be disposed of; the host keeps it and the next set-down frees it.
TEST_F(GlobalSetdownTest, NoBrokerGives516AndKeepsTheRecord)
{
    GlobalSetup();
    const PF_Handle global = host_.GlobalData();
    host_.Faults().SetNoBroker(true);
    const auto r = Run(PF_Cmd_GLOBAL_SETDOWN);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host_.GlobalData(), global);
}

}  // namespace
}  // namespace pwtest
