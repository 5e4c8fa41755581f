// The suite cache and the message-reporting pair against a scripted broker.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "shell/suite_cache.h"

namespace pw {
namespace {

// The broker has no context argument, so the script lives in one place per test process.
struct BrokerScript {
    std::vector<std::string> log;
    SPErr acquireError = 0;
    bool deliverTable = true;
    int dummyTable[64] = {};
};
BrokerScript* g_script = nullptr;

SPErr PF_CDECL ScriptAcquire(const char* name, int32_t version, const void** suite)
{
    g_script->log.push_back("acquire " + std::string(name) + " " + std::to_string(version));
    if (g_script->deliverTable) *suite = g_script->dummyTable;
    return g_script->acquireError;
}
SPErr PF_CDECL ScriptRelease(const char* name, int32_t version)
{
    g_script->log.push_back("release " + std::string(name) + " " + std::to_string(version));
    return 0;
}

class SuiteCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_script = &script;
        broker.AcquireSuite = ScriptAcquire;
        broker.ReleaseSuite = ScriptRelease;
        utils.ansi.sprintf = std::sprintf;
        in_data.utils = &utils;
        in_data.pica_basicP = &broker;
    }
    void TearDown() override { g_script = nullptr; }

    BrokerScript script;
    SPBasicSuite broker{};
    PF_UtilCallbacks utils{};
    PF_InData in_data{};
    PF_OutData out_data{};
};

TEST_F(SuiteCacheTest, AcquiresOnceAndReleasesUnderTheSameNameAndNumber)
{
    {
        HostSuiteCache cache(&broker);
        cache.Handle2();
        cache.Handle2();
        cache.World1();
    }
    EXPECT_EQ(script.log, (std::vector<std::string>{"acquire PF Handle Suite 2", "acquire PF World Suite 1",
                                                    "release PF Handle Suite 2", "release PF World Suite 1"}));
}

TEST_F(SuiteCacheTest, SameNameUnderTwoNumbersIsTwoSuites)
{
    {
        HostSuiteCache cache(&broker);
        cache.ParamUtils1();
        cache.ParamUtils2();
    }
    EXPECT_EQ(script.log, (std::vector<std::string>{"acquire PF Param Utils Suite 1", "acquire PF Param Utils Suite 2",
                                                    "release PF Param Utils Suite 1",
                                                    "release PF Param Utils Suite 2"}));
}

TEST_F(SuiteCacheTest, UnusedCacheReleasesNothing)
{
    { HostSuiteCache cache(&broker); }
    EXPECT_TRUE(script.log.empty());
}

TEST_F(SuiteCacheTest, NullBrokerThrowsBadCallbackParam)
{
    try {
        HostSuiteCache cache(nullptr);
        FAIL() << "no exception";
    } catch (const MissingSuiteError& err) {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
}

struct BrokerFailure {
    const char* what;
    SPErr error;
    bool deliver;
};

class SuiteCacheFailureTest : public SuiteCacheTest, public ::testing::WithParamInterface<BrokerFailure> {};

TEST_P(SuiteCacheFailureTest, MissingSuiteThrowsAndEarlierSuitesAreReleased)
{
    script.log.clear();
    try {
        HostSuiteCache cache(&broker);
        cache.Ansi1();
        script.acquireError = GetParam().error;
        script.deliverTable = GetParam().deliver;
        cache.Utility7();
        FAIL() << "no exception";
    } catch (const MissingSuiteError& err) {
        EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    }
    EXPECT_EQ(script.log, (std::vector<std::string>{"acquire PF ANSI Suite 1", "acquire AEGP Utility Suite 7",
                                                    "release PF ANSI Suite 1"}));
}

INSTANTIATE_TEST_SUITE_P(Broker, SuiteCacheFailureTest,
                         ::testing::Values(BrokerFailure{"error and no table", 0x53214664, false},
                                           BrokerFailure{"success but null table", 0, false},
                                           BrokerFailure{"error yet a table", 0x53214664, true}));

// Each number's table takes its own size width; calling through the wrong one would misread the stack on x86.
A_HandleSize g_requested = 0;
PF_Handle PF_CDECL NewHandle32(A_u_long size)
{
    g_requested = size;
    return nullptr;
}
PF_Handle PF_CDECL NewHandle64(A_HandleSize size)
{
    g_requested = size + (A_HandleSize(1) << 40);  // marks the 64-bit table
    return nullptr;
}

TEST_F(SuiteCacheTest, HandleAndParamUtilsFollowTheFlavourNumber)
{
    PF_HandleSuite1Size32 handle1{};
    handle1.host_new_handle = NewHandle32;
    PF_HandleSuite1 handle2{};
    handle2.host_new_handle = NewHandle64;
    for (const Flavour* flavour : {&kFlavour32, &kFlavour64}) {
        script.log.clear();
        g_requested = 0;
        std::memcpy(script.dummyTable, flavour->is32Bit ? static_cast<const void*>(&handle1) : &handle2,
                    sizeof handle2);
        {
            HostSuiteCache cache(&broker);
            HandleSuite(cache, *flavour).NewHandle(16);
            ParamUtilsSuite(cache, *flavour).FindKeyframeTime();
        }
        const std::string n = std::to_string(flavour->is32Bit ? 1 : 2);
        EXPECT_EQ(script.log[0], "acquire PF Handle Suite " + n);
        EXPECT_EQ(script.log[1], "acquire PF Param Utils Suite " + n);
        EXPECT_EQ(g_requested, flavour->is32Bit ? 16u : 16u + (A_HandleSize(1) << 40));
    }
}

TEST_F(SuiteCacheTest, ThirtyTwoBitHandleSuiteRefusesSizesItCannotCarry)
{
    PF_HandleSuite1Size32 handle1{};
    handle1.host_new_handle = NewHandle32;
    std::memcpy(script.dummyTable, &handle1, sizeof handle1);
    g_requested = 7;
    HostSuiteCache cache(&broker);
    EXPECT_EQ(HandleSuite(cache, kFlavour32).NewHandle(A_HandleSize(1) << 32), nullptr);
    EXPECT_EQ(g_requested, 7u);  // never truncated to a small request
}

TEST_F(SuiteCacheTest, AcquireWithMessageCountsOnlyTheDeliveredTable)
{
    script.acquireError = 0x53214664;  // error, yet a table: a success
    const void* suite = nullptr;
    EXPECT_EQ(AcquireSuiteWithMessage(&in_data, &out_data, "PF World Suite", 2, "Couldn't load suite.", &suite), 0);
    EXPECT_NE(suite, nullptr);
    EXPECT_EQ(out_data.out_flags, 0);
    EXPECT_STREQ(out_data.return_msg, "");
}

struct MessageCase {
    bool broker;
    bool acquire;
    const char* message;
    const char* shown;
};

class SuiteMessageTest : public SuiteCacheTest, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(SuiteMessageTest, FailureSetsTheFlagAndTheText)
{
    const MessageCase& c = GetParam();
    script.deliverTable = false;
    if (!c.broker) in_data.pica_basicP = nullptr;
    out_data.out_flags = 0x4;
    PF_Err err;
    if (c.acquire) {
        const void* suite = nullptr;
        err = AcquireSuiteWithMessage(&in_data, &out_data, "PF Fill Matte Suite", 2, c.message, &suite);
        EXPECT_EQ(suite, nullptr);
    } else {
        err = ReleaseSuiteWithMessage(&in_data, &out_data, "PF Fill Matte Suite", 2, c.message);
    }
    EXPECT_EQ(err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(out_data.out_flags, 0x4 | PF_OutFlag_DISPLAY_ERROR_MESSAGE);
    EXPECT_STREQ(out_data.return_msg, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SuiteMessageTest,
    ::testing::Values(MessageCase{true, true, "Couldn't load suite.", "Couldn't load suite."},
                      MessageCase{false, true, nullptr, "Not able to acquire AEFX Suite."},
                      MessageCase{false, false, "Couldn't release suite.", "Couldn't release suite."},
                      MessageCase{false, false, nullptr, "Not able to release AEFX Suite."}));

TEST_F(SuiteCacheTest, ReleaseWithBrokerSucceedsWhateverTheBrokerSays)
{
    EXPECT_EQ(ReleaseSuiteWithMessage(&in_data, &out_data, "PF World Suite", 2, "Couldn't release suite."), 0);
    EXPECT_EQ(script.log, (std::vector<std::string>{"release PF World Suite 2"}));
    EXPECT_EQ(out_data.out_flags, 0);
}

}  // namespace
}  // namespace pw
