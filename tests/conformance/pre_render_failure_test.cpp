// Every way the smart pre-render can fail, and that nothing is leaked or left checked out on any of them.
#include <map>
#include <string>

#include "params/param_ids.h"
#include "plugin_fixture.h"
#include "schedule/render_settings.h"
#include "settings_oracle.h"

namespace pwtest {
namespace {

constexpr PF_LRect kOutputRect{1, 2, 3, 4};
constexpr PF_LRect kOutputMaxRect{0, 0, 5, 5};

bool Untouched(const PF_LRect& a, const PF_LRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class PreRenderFailureTest : public PluginTest {
protected:
    void SetUp() override
    {
        host_.Settings().width = 32;
        host_.Settings().height = 24;
        host_.Settings().outputResultRect = kOutputRect;
        host_.Settings().outputMaxResultRect = kOutputMaxRect;
        SetUpInstance();
    }

    void ExpectRectanglesUntouched(const pwhost::PreRenderResult& r)
    {
        EXPECT_TRUE(Untouched(r.output.result_rect, kOutputRect));
        EXPECT_TRUE(Untouched(r.output.max_result_rect, kOutputMaxRect));
    }

    // Only the global and sequence records may be alive between commands.
    void ExpectNothingButTheInstanceRecords()
    {
        EXPECT_EQ(host_.Handles().LiveCount(), 2u);
        EXPECT_TRUE(host_.UnaccountedHandles().empty());
        EXPECT_FALSE(host_.PreRenderPending());
    }
};

TEST_F(PreRenderFailureTest, HandleAllocationFailureIsOutOfMemoryBeforeAnyCheckout)
{
    host_.Faults().FailNth("host_new_handle", 1, 0);
    const auto r = PreRender();
    EXPECT_EQ(r.command.err, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(r.output.pre_render_data, nullptr);
    EXPECT_EQ(r.command.Count("checkout_param"), 0u);
    EXPECT_EQ(r.command.Count("checkout_layer"), 0u);
    ExpectRectanglesUntouched(r);
    ExpectNothingButTheInstanceRecords();
}

TEST_F(PreRenderFailureTest, LockFailureIsOutOfMemoryAndTheHandleIsDisposedOf)
{
    host_.Faults().FailNth("host_lock_handle", 1, 0);
    const auto r = PreRender();
    EXPECT_EQ(r.command.err, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(r.output.pre_render_data, nullptr);
    EXPECT_EQ(r.command.Count("host_new_handle"), 1u);
    EXPECT_EQ(r.command.Count("host_dispose_handle"), 1u);
    EXPECT_EQ(r.command.Count("checkout_param"), 0u);
    ExpectRectanglesUntouched(r);
    ExpectNothingButTheInstanceRecords();
}

class PreRenderCheckoutFailureTest : public PreRenderFailureTest, public ::testing::WithParamInterface<int> {};

TEST_P(PreRenderCheckoutFailureTest, FailingCheckoutEndsTheCallWithItsErrorAndChecksInTheOthers)
{
    const int n = GetParam();
    constexpr PF_Err kCode = 0x1234;
    host_.Faults().FailNth("checkout_param", n, kCode);
    const auto r = PreRender();
    EXPECT_EQ(r.command.err, kCode);
    EXPECT_EQ(r.command.Count("checkout_param"), static_cast<std::size_t>(n)) << "no checkout after the failing one";
    EXPECT_EQ(r.command.Count("checkin_param"), static_cast<std::size_t>(n - 1));
    EXPECT_EQ(r.command.Count("checkout_layer"), 0u);
    ExpectRectanglesUntouched(r);
    // The record was already handed over; it is not filled, and the host drops it with the failed request.
    EXPECT_NE(r.output.pre_render_data, nullptr);
    ASSERT_FALSE(r.data.empty());
    EXPECT_NE(SettingsFromData(r.data).downsampleX, 1.0) << "record filled although a checkout failed";
    EXPECT_TRUE(r.deleted);
    ExpectNothingButTheInstanceRecords();
}

INSTANTIATE_TEST_SUITE_P(AtParameter, PreRenderCheckoutFailureTest, ::testing::Values(1, 2, 3, 37, 38, 75, 76));

TEST_F(PreRenderFailureTest, LayerCheckoutFailureLeavesRecordAndRectangles)
{
    host_.Faults().FailNth("checkout_layer", 1, PF_Interrupt_CANCEL);
    const auto r = PreRender();
    EXPECT_EQ(r.command.err, PF_Interrupt_CANCEL);
    EXPECT_EQ(r.command.Count("checkout_param"), static_cast<std::size_t>(pw::kSettingsParamCount));
    EXPECT_EQ(r.command.Count("checkin_param"), static_cast<std::size_t>(pw::kSettingsParamCount));
    ExpectRectanglesUntouched(r);
    ASSERT_FALSE(r.data.empty());
    EXPECT_NE(SettingsFromData(r.data).downsampleX, 1.0) << "record filled although the layer checkout failed";
    EXPECT_TRUE(r.deleted);
    ExpectNothingButTheInstanceRecords();
}

TEST_F(PreRenderFailureTest, MissingHandleSuiteIs516)
{
    host_.Faults().WithholdSuite(kPFHandleSuite, Facts().handleSuite);
    const auto r = PreRender();
    EXPECT_EQ(r.command.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(r.output.pre_render_data, nullptr);
    EXPECT_EQ(r.command.Count("checkout_param"), 0u);
    ExpectRectanglesUntouched(r);
    ExpectNothingButTheInstanceRecords();
}

// Every host call of a pre-render, made to fail in turn: the call fails with that code (check-ins and suite
// releases excepted: their results do not count), and nothing is left behind either way.
TEST_F(PreRenderFailureTest, AnyFailingCallLeavesNothingBehind)
{
    const auto clean = PreRender();
    ASSERT_EQ(clean.command.err, PF_Err_NONE);
    host_.DropPreRender();
    std::map<std::string, int> seen;
    for (const auto& call : clean.command.calls) {
        const int occurrence = ++seen[call.op];
        host_.Faults().FailNth(call.op, occurrence, 0x5A5A);
        const auto r = PreRender();
        host_.Faults().Clear();
        host_.DropPreRender();
        const bool ignored = call.op == "checkin_param" || call.op == "ReleaseSuite";
        const PF_Err expected = ignored ? PF_Err_NONE
                                : call.op == "AcquireSuite" ? PF_Err_BAD_CALLBACK_PARAM
                                : call.op == "host_new_handle" || call.op == "host_lock_handle" ? PF_Err_OUT_OF_MEMORY
                                                                                                   : 0x5A5A;
        EXPECT_EQ(r.command.err, expected) << call.Text() << " #" << occurrence;
        EXPECT_EQ(host_.Handles().LiveCount(), 2u) << call.Text() << " #" << occurrence;
    }
}

// The record belongs to the host between pre-render and render; its delete callback gives it back.
TEST_F(PreRenderFailureTest, DeleteCallbackReleasesTheRecord)
{
    const auto r = PreRender();
    ASSERT_EQ(r.command.err, PF_Err_NONE);
    ASSERT_TRUE(r.pending);
    EXPECT_NE(r.output.delete_pre_render_data_func, nullptr);
    EXPECT_EQ(host_.Handles().LiveCount(), 3u) << "global, sequence and the record";
    EXPECT_TRUE(host_.UnaccountedHandles().empty()) << "the record is the host's until its callback runs";
    const std::size_t calls = host_.Log().Size();
    host_.DropPreRender();
    EXPECT_THAT(host_.Violations(), ::testing::IsEmpty());
    const auto dropped = host_.Log().Since(calls);
    EXPECT_EQ(pwhost::CountOp(dropped, "delete_pre_render_data_func"), 1u);
    EXPECT_EQ(pwhost::CountOp(dropped, "host_dispose_handle"), 1u);
    ExpectNothingButTheInstanceRecords();
    host_.DropPreRender();
    EXPECT_EQ(pwhost::CountOp(host_.Log().Since(calls), "delete_pre_render_data_func"), 1u) << "exactly once";
}

}  // namespace
}  // namespace pwtest
