// Commands outside the dispatch table, About, and the general-purpose message command.
#include <climits>
#include <string>
#include <vector>

#include "plugin_fixture.h"

namespace pwtest {
namespace {

using ::testing::IsEmpty;

// Not in the table in either flavour. 17 joins them in the 64-bit flavour (see below).
const std::vector<PF_Cmd> kUnhandledCommands = {
    PF_Cmd_UNUSED_0, PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_DO_DIALOG, PF_Cmd_FRAME_SETUP, PF_Cmd_RENDER,
    PF_Cmd_FRAME_SETDOWN, PF_Cmd_EVENT, PF_Cmd_GET_EXTERNAL_DEPENDENCIES, PF_Cmd_QUERY_DYNAMIC_FLAGS,
    PF_Cmd_AUDIO_RENDER, PF_Cmd_AUDIO_SETUP, PF_Cmd_AUDIO_SETDOWN, PF_Cmd_ARBITRARY_CALLBACK,
    25, 26, 27, 28, 29, 30, 31, 32, 33, PF_Cmd_NUM_CMDS, 1000, INT_MAX, -1, INT_MIN,
    PF_Cmd_COMPLETELY_GENERAL,
};

class UnhandledCommandTest : public PluginTest, public ::testing::WithParamInterface<std::tuple<PF_Cmd, bool>> {};

// In the middle of a normal life, an unhandled command calls nothing, returns 0 and leaves every byte of
// out_data and everything the host holds as it was, broker or no broker.
TEST_P(UnhandledCommandTest, ReturnsZeroAndTouchesNothing)
{
    const auto [cmd, no_broker] = GetParam();
    if (cmd == PF_Cmd_COMPLETELY_GENERAL && Facts().handlesGeneralCommand)
        GTEST_SKIP() << "the 32-bit flavour handles command 17";
    GlobalSetup();
    ParamsSetup();
    SequenceSetup();
    const PF_Handle global = host_.GlobalData();
    const PF_Handle sequence = host_.SequenceData();
    host_.Faults().SetNoBroker(no_broker);

    char text[] = "a message that must not be copied";
    const auto r = RunPrefilled(cmd, text);

    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_TRUE(r.OutDataUntouched());
    EXPECT_THAT(pwhost::Texts(r.calls), IsEmpty());
    EXPECT_EQ(host_.GlobalData(), global);
    EXPECT_EQ(host_.SequenceData(), sequence);
    EXPECT_EQ(host_.Params().Count(), 103u);
}

INSTANTIATE_TEST_SUITE_P(Commands, UnhandledCommandTest,
                         ::testing::Combine(::testing::ValuesIn(kUnhandledCommands), ::testing::Bool()),
                         [](const auto& info) {
                             const PF_Cmd cmd = std::get<0>(info.param);
                             std::string name = cmd < 0 ? "minus" + std::to_string(-(int64_t)cmd)
                                                        : std::to_string(cmd);
                             return "cmd" + name + (std::get<1>(info.param) ? "_NoBroker" : "");
                         });

using AboutTest = PluginTest;

TEST_F(AboutTest, TextNamesVersionAndVendor)
{
    const auto r = RunPrefilled(PF_Cmd_ABOUT);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.ReturnMessage(), Facts().aboutText);
    EXPECT_EQ(r.CountCall("sprintf %s, v%d.%d" + std::string(Facts().bits == 32 ? "" : "%d") + "\\r%s"), 1u);
}

TEST_F(AboutTest, FormatsThroughTheFlavoursRoutine)
{
    const auto r = Run(PF_Cmd_ABOUT);
    if (Facts().aboutUsesAnsiSuite) {
        EXPECT_EQ(r.CountCall("AcquireSuite PF ANSI Suite 1"), 1u);
        EXPECT_EQ(r.CountCall("ReleaseSuite PF ANSI Suite 1"), 1u);
        EXPECT_EQ(r.Count("AcquireSuite"), 1u);
    } else {
        EXPECT_EQ(r.Count("AcquireSuite"), 0u) << "the 64-bit About goes through utils->ansi alone";
    }
    // The About command leaves everything but the message alone.
    EXPECT_EQ(r.after.out_flags, 0);
    EXPECT_EQ(r.after.global_data, nullptr);
    EXPECT_EQ(host_.Handles().Allocated(), 0);
}

TEST_F(AboutTest, WithoutBrokerOnlyThe64BitFlavourAnswers)
{
    host_.Faults().SetNoBroker(true);
    const auto r = RunPrefilled(PF_Cmd_ABOUT);
    if (Facts().aboutUsesAnsiSuite) {
        EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_TRUE(r.OutDataUntouched()) << "a missing suite writes no message";
    } else {
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(r.ReturnMessage(), Facts().aboutText);
    }
}

TEST_F(AboutTest, MissingAnsiSuiteMattersOnlyToThe32BitFlavour)
{
    host_.Faults().WithholdSuite(kPFANSISuite, 1);
    const auto r = RunPrefilled(PF_Cmd_ABOUT);
    if (Facts().aboutUsesAnsiSuite) {
        EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
        EXPECT_TRUE(r.OutDataUntouched());
    } else {
        EXPECT_EQ(r.err, PF_Err_NONE);
        EXPECT_EQ(r.ReturnMessage(), Facts().aboutText);
    }
}

TEST_F(AboutTest, AnsiSuiteDeliveredAsNullIsMissing)
{
    if (!Facts().aboutUsesAnsiSuite) GTEST_SKIP() << "the 64-bit About acquires no suite";
    host_.Faults().DeliverNullTable(kPFANSISuite, 1);
    const auto r = RunPrefilled(PF_Cmd_ABOUT);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(r.OutDataUntouched());
}

class GeneralCommandTest : public PluginTest {
protected:
    void SetUp() override
    {
        if (!Facts().handlesGeneralCommand) GTEST_SKIP() << "only the 32-bit flavour handles command 17";
    }
};

// The text is data, not a format: percent signs must come through as they are.
TEST_F(GeneralCommandTest, CopiesTheTextAtExtraVerbatim)
{
    char text[] = "100% sure: %s %d %n\rline two";
    const auto r = RunPrefilled(PF_Cmd_COMPLETELY_GENERAL, text);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.ReturnMessage(), text);
    EXPECT_EQ(r.CountCall("AcquireSuite PF ANSI Suite 1"), 1u);
}

TEST_F(GeneralCommandTest, LongestMessageFits)
{
    std::string text(PF_MAX_EFFECT_MSG_LEN, 'x');
    text.front() = '<';
    text.back() = '>';
    const auto r = RunPrefilled(PF_Cmd_COMPLETELY_GENERAL, &text[0]);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.ReturnMessage(), text);
}

TEST_F(GeneralCommandTest, MissingAnsiSuiteGives516AndNoText)
{
    host_.Faults().WithholdSuite(kPFANSISuite, 1);
    char text[] = "unseen";
    const auto r = RunPrefilled(PF_Cmd_COMPLETELY_GENERAL, text);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(r.OutDataUntouched());
}

TEST_F(GeneralCommandTest, NoBrokerGives516AndNoText)
{
    host_.Faults().SetNoBroker(true);
    char text[] = "unseen";
    const auto r = RunPrefilled(PF_Cmd_COMPLETELY_GENERAL, text);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(r.OutDataUntouched());
}

}  // namespace
}  // namespace pwtest
