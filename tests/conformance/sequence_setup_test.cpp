// Sequence set-up, re-set-up and set-down: the zero-filled 16-byte record and its hand-over.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace pwtest {
namespace {

constexpr std::size_t kSequenceRecordSize = 16;

std::array<unsigned char, kSequenceRecordSize> Bytes(PF_Handle h)
{
    std::array<unsigned char, kSequenceRecordSize> bytes{};
    std::memcpy(bytes.data(), *h, bytes.size());
    return bytes;
}

const std::array<unsigned char, kSequenceRecordSize> kZeroRecord{};

// A record as saved with a project: not zero, so that a record passed on unread can be told apart.
PF_Handle RestoreSavedRecord(pwhost::Host& host)
{
    std::array<unsigned char, kSequenceRecordSize> saved;
    saved.fill(0x5A);
    return host.RestoreSequenceData(saved.data(), saved.size());
}

// Commands 5 and 6 share one handler; both must behave alike, with or without a stored record.
class SequenceSetupTest : public PluginTest, public ::testing::WithParamInterface<PF_Cmd> {};

TEST_P(SequenceSetupTest, HandsOverAZeroFilledRecord)
{
    GlobalSetup();
    const auto r = RunPrefilled(GetParam());
    ASSERT_EQ(r.err, PF_Err_NONE);
    const PF_Handle sequence = host_.SequenceData();
    ASSERT_NE(sequence, nullptr);
    EXPECT_EQ(r.after.sequence_data, sequence);
    EXPECT_EQ(host_.Handles().Size(sequence), kSequenceRecordSize);
    // New handles come filled with 0xCD, so zeros here were written by the plug-in.
    EXPECT_EQ(Bytes(sequence), kZeroRecord);
    EXPECT_EQ(r.CountCall("host_new_handle 16"), 1u);
    EXPECT_EQ(r.CountCall("host_unlock_handle " + HandleName(sequence)), 1u);
    EXPECT_TRUE(r.ReturnMessageUntouched());
    EXPECT_EQ(r.after.out_flags, kPattern32) << "sequence set-up sets no flags";
}

TEST_P(SequenceSetupTest, DisposesOfAStoredRecordAndReplacesIt)
{
    GlobalSetup();
    const PF_Handle stored = RestoreSavedRecord(host_);
    const std::string stored_name = HandleName(stored);
    const auto r = Run(GetParam());
    ASSERT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.CountCall("host_dispose_handle " + stored_name), 1u);
    EXPECT_EQ(r.CountCall("host_lock_handle " + stored_name), 0u) << "the stored bytes are never read";
    const PF_Handle fresh = host_.SequenceData();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(HandleName(fresh), stored_name);
    EXPECT_EQ(Bytes(fresh), kZeroRecord);
    EXPECT_EQ(host_.Handles().LiveCount(), 2u) << "global and the new sequence record only";
}

INSTANTIATE_TEST_SUITE_P(SetupAndResetup, SequenceSetupTest,
                         ::testing::Values(PF_Cmd_SEQUENCE_SETUP, PF_Cmd_SEQUENCE_RESETUP),
                         [](const auto& info) { return info.param == PF_Cmd_SEQUENCE_SETUP ? "Setup" : "Resetup"; });

struct SequenceFailure {
    const char* label;
    std::function<void(pwhost::FaultPlan&, const FlavourFacts&)> inject;
    PF_Err expected;
    bool storedDisposed;  // whether a stored record is gone afterwards
};

void PrintTo(const SequenceFailure& failure, std::ostream* os) { *os << failure.label; }

const std::vector<SequenceFailure> kSequenceFailures = {
    {"NewHandleFails", [](auto& f, auto&) { f.FailNth("host_new_handle", 1, 0); }, PF_Err_OUT_OF_MEMORY, true},
    {"LockFails", [](auto& f, auto&) { f.FailNth("host_lock_handle", 1, 0); }, PF_Err_NONE, true},
    {"HandleSuiteWithheld", [](auto& f, auto& facts) { f.WithholdSuite(kPFHandleSuite, facts.handleSuite); },
     PF_Err_BAD_CALLBACK_PARAM, false},
    {"HandleSuiteNullTable", [](auto& f, auto& facts) { f.DeliverNullTable(kPFHandleSuite, facts.handleSuite); },
     PF_Err_BAD_CALLBACK_PARAM, false},
    {"NoBroker", [](auto& f, auto&) { f.SetNoBroker(true); }, PF_Err_BAD_CALLBACK_PARAM, false},
};

class SequenceSetupFailureTest : public PluginTest,
                                 public ::testing::WithParamInterface<std::tuple<SequenceFailure, bool>> {};

TEST_P(SequenceSetupFailureTest, ReturnsTheCodeAndHandsOverNoNewRecord)
{
    const auto& [failure, with_stored] = GetParam();
    GlobalSetup();
    const PF_Handle stored = with_stored ? RestoreSavedRecord(host_) : nullptr;
    failure.inject(host_.Faults(), Facts());
    const auto r = RunPrefilled(with_stored ? PF_Cmd_SEQUENCE_RESETUP : PF_Cmd_SEQUENCE_SETUP);

    EXPECT_EQ(r.err, failure.expected);
    EXPECT_EQ(r.after.sequence_data, r.before.sequence_data) << "no record may be handed over";
    EXPECT_TRUE(r.ReturnMessageUntouched());
    if (with_stored && !failure.storedDisposed) {
        EXPECT_EQ(host_.SequenceData(), stored) << "a record the plug-in could not dispose of stays the host's";
        EXPECT_EQ(host_.Handles().LiveCount(), 2u);
    } else {
        EXPECT_EQ(host_.SequenceData(), nullptr);
        EXPECT_EQ(host_.Handles().LiveCount(), 1u) << "only the global record may remain";
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, SequenceSetupFailureTest,
                         ::testing::Combine(::testing::ValuesIn(kSequenceFailures), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).label) +
                                    (std::get<1>(info.param) ? "_WithStoredRecord" : "_Fresh");
                         });

using SequenceSetdownTest = PluginTest;

TEST_F(SequenceSetdownTest, DisposesOfTheRecordAndLeavesOutDataAlone)
{
    GlobalSetup();
    SequenceSetup();
    const std::string name = HandleName(host_.SequenceData());
    const auto r = RunPrefilled(PF_Cmd_SEQUENCE_SETDOWN);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.CountCall("host_dispose_handle " + name), 1u);
    EXPECT_EQ(host_.SequenceData(), nullptr);
    EXPECT_TRUE(r.OutDataUntouched());
}

// Without a record there is nothing to do, so not even a missing broker matters.
TEST_F(SequenceSetdownTest, WithoutRecordCallsNothing)
{
    host_.Faults().SetNoBroker(true);
    const auto r = RunPrefilled(PF_Cmd_SEQUENCE_SETDOWN);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(pwhost::Texts(r.calls), ::testing::IsEmpty());
    EXPECT_TRUE(r.OutDataUntouched());
}

TEST_F(SequenceSetdownTest, NoBrokerWithRecordGives516AndKeepsIt)
{
    GlobalSetup();
    SequenceSetup();
    const PF_Handle sequence = host_.SequenceData();
    host_.Faults().SetNoBroker(true);
    const auto r = Run(PF_Cmd_SEQUENCE_SETDOWN);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host_.SequenceData(), sequence);
}

}  // namespace
}  // namespace pwtest
