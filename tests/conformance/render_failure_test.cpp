// The smart render's failures, in each depth: each way a host service can fail gives its code (and message where
// one is due), and nothing obtained before the failure is left behind. Faults are set after the pre-render, so
// they count the render's own calls.
#include <functional>
#include <map>

#include "render_test_support.h"

namespace pwtest {
namespace {

using pwhost::ParamValue;

constexpr PF_Err kCode = 0x5A5A;

struct FailureCase {
    const char* name;
    std::function<void(pwhost::Host&, PF_PixelFormat)> setUp;  // treatments and parameters, before the pre-render
    std::function<void(pwhost::Host&, PF_PixelFormat)> fail;    // faults and settings, after it
    std::function<PF_Err(PF_PixelFormat)> expected;
    const char* message;  // with the display flag; null: no message
};

void On(pwhost::Host& host, const char* treatment) { host.SetParam(std::string(treatment) + " Manual", ParamValue::Integer(1)); }
auto Code(PF_Err err) { return [err](PF_PixelFormat) { return err; }; }
auto Nothing() { return [](pwhost::Host&, PF_PixelFormat) {}; }
auto FailNth(std::string op, int n, PF_Err code = kCode)
{
    return [op, n, code](pwhost::Host& host, PF_PixelFormat) { host.Faults().FailNth(op, n, code); };
}

const FailureCase kCases[] = {
    {"SettingsLock", Nothing(), FailNth("host_lock_handle", 1), Code(PF_Err_BAD_CALLBACK_PARAM), nullptr},
    {"InputCheckout", Nothing(), FailNth("checkout_layer_pixels", 1), Code(PF_Err_BAD_CALLBACK_PARAM), nullptr},
    {"OutputCheckout", Nothing(), FailNth("checkout_output", 1), Code(PF_Err_BAD_CALLBACK_PARAM), nullptr},
    {"PixelFormatUnknown", Nothing(), FailNth("PF_GetPixelFormat", 1), Code(PF_Err_BAD_CALLBACK_PARAM), nullptr},
    {"WorldSuite2Withheld", Nothing(),
     [](pwhost::Host& h, PF_PixelFormat) { h.Faults().WithholdSuite(kPFWorldSuite, 2); },
     Code(PF_Err_BAD_CALLBACK_PARAM), "Couldn't load suite."},
    {"FillMatteSuite2Withheld", Nothing(),
     [](pwhost::Host& h, PF_PixelFormat) { h.Faults().WithholdSuite(kPFFillMatteSuite, 2); },
     Code(PF_Err_BAD_CALLBACK_PARAM), "Couldn't load suite."},
    // The float working image comes from "PF World Suite" 2; the others from version 1.
    {"WorldSuite1Withheld", Nothing(),
     [](pwhost::Host& h, PF_PixelFormat) { h.Faults().WithholdSuite(kPFWorldSuite, 1); },
     [](PF_PixelFormat f) { return f == PF_PixelFormat_ARGB128 ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM; }, nullptr},
    {"CompSuiteWithheld", Nothing(),
     [](pwhost::Host& h, PF_PixelFormat) { h.Faults().WithholdSuite(kAEGPCompSuite, 11); },
     Code(PF_Err_BAD_CALLBACK_PARAM), nullptr},
    {"HandleSuiteWithheld", Nothing(),
     [](pwhost::Host& h, PF_PixelFormat) { h.Faults().WithholdSuite(kPFHandleSuite, Env().facts->handleSuite); },
     Code(PF_Err_BAD_CALLBACK_PARAM), nullptr},
    {"SamplingSuiteWithheld",
     [](pwhost::Host& h, PF_PixelFormat) {
         On(h, "Mosaic");
         h.SetParam("Min Mosaic Size", ParamValue::Percent(100));
     },
     [](pwhost::Host& h, PF_PixelFormat f) {
         h.Faults().WithholdSuite(ByDepth(f, kPFSampling8Suite, kPFSampling16Suite, kPFSamplingFloatSuite), 1);
     },
     Code(PF_Err_BAD_CALLBACK_PARAM), nullptr},
    {"OutputStrideTooSmall", Nothing(),
     [](pwhost::Host& h, PF_PixelFormat f) {
         h.Settings().outputRowbytes = (kRenderWidth - 1) * pwhost::PixelBytes(f);
     },
     Code(255), nullptr},
    {"OutputHeightDiffers", Nothing(), [](pwhost::Host& h, PF_PixelFormat) { h.Settings().outputHeightDelta = -1; },
     Code(255), nullptr},
    {"FrameOrderAllocation", Nothing(), FailNth("host_new_handle", 1), Code(PF_Err_INTERNAL_STRUCT_DAMAGED),
     "Memory Error!"},
    {"LineBufferAllocation", [](pwhost::Host& h, PF_PixelFormat) { On(h, "Blur"); }, FailNth("host_new_handle", 2),
     Code(PF_Err_INTERNAL_STRUCT_DAMAGED), "Memory Error!"},
    {"WorkingImageAllocation", Nothing(),
     [](pwhost::Host& h, PF_PixelFormat f) {
         h.Faults().FailNth(ByDepth(f, "new_world", "new_world", "PF_NewWorld"), 1, kCode);
     },
     Code(kCode), nullptr},
    {"InputCopy", Nothing(), FailNth("copy", 1), Code(kCode), nullptr},
    {"StretchFill", [](pwhost::Host& h, PF_PixelFormat) { On(h, "Stretch"); },
     [](pwhost::Host& h, PF_PixelFormat f) { h.Faults().FailNth(ByDepth(f, "fill", "fill16", "fill_float"), 3, kCode); },
     Code(kCode), nullptr},
    {"MosaicSample",
     [](pwhost::Host& h, PF_PixelFormat) {
         On(h, "Mosaic");
         h.SetParam("Min Mosaic Size", ParamValue::Percent(100));
     },
     [](pwhost::Host& h, PF_PixelFormat f) {
         h.Faults().FailNth(ByDepth(f, "nn_sample", "nn_sample16", "nn_sample_float"), 2, kCode);
     },
     Code(kCode), nullptr},
    {"GlowCopy",
     [](pwhost::Host& h, PF_PixelFormat) {
         On(h, "Scroll");
         On(h, "Glow");
     },
     FailNth("copy", 3), Code(kCode), nullptr},
    {"TimeCheckout", [](pwhost::Host& h, PF_PixelFormat) { On(h, "Time"); }, FailNth("checkout_param", 1),
     Code(kCode), nullptr},
    {"TimeAbort", [](pwhost::Host& h, PF_PixelFormat) { On(h, "Time"); }, FailNth("abort", 1, PF_Interrupt_CANCEL),
     Code(PF_Interrupt_CANCEL), nullptr},
    {"CancelAfterGeometry",
     [](pwhost::Host& h, PF_PixelFormat) {
         On(h, "Mosaic");
         On(h, "Noise");
         h.SetParam("Min Mosaic Size", ParamValue::Percent(100));
     },
     FailNth("progress", 1, PF_Interrupt_CANCEL), Code(PF_Interrupt_CANCEL), nullptr},
    {"CompFrameRateZero", Nothing(), [](pwhost::Host& h, PF_PixelFormat) { h.Settings().compFrameRate = 0; },
     Code(PF_Err_BAD_CALLBACK_PARAM), "Pulsewarper needs a composition frame rate above 0."},
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class RenderFailureTest : public RenderFixture,
                          public ::testing::WithParamInterface<std::tuple<FailureCase, PF_PixelFormat>> {};

TEST_P(RenderFailureTest, FailureGivesItsCodeAndLeavesNothingBehind)
{
    const FailureCase& c = std::get<0>(GetParam());
    const PF_PixelFormat format = std::get<1>(GetParam());
    Prepare(format);
    c.setUp(host_, format);
    host_.Settings().currentTime = kFullStrengthFrame;
    ASSERT_EQ(PreRender().command.err, PF_Err_NONE);
    c.fail(host_, format);
    const pwhost::RenderResult r = host_.SmartRender();
    EXPECT_THAT(r.command.violations, ::testing::IsEmpty());
    EXPECT_EQ(r.command.err, c.expected(format));
    if (c.message) {
        EXPECT_EQ(r.command.ReturnMessage(), c.message);
        EXPECT_NE(r.command.after.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    } else {
        EXPECT_EQ(r.command.ReturnMessage(), "");
        EXPECT_EQ(r.command.after.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    }
    EXPECT_TRUE(r.deleted);
    EXPECT_TRUE(host_.UnaccountedHandles().empty());
    EXPECT_EQ(host_.Broker().TotalHeld(), 0);
    EXPECT_EQ(r.command.Count("checkout_param") - host_.Faults().Fired("checkout_param"),
              r.command.Count("checkin_param"));
    EXPECT_EQ(r.command.Count("new_world") + r.command.Count("PF_NewWorld") - host_.Faults().Fired("new_world") -
                  host_.Faults().Fired("PF_NewWorld"),
              r.command.Count("dispose_world"));
}

INSTANTIATE_TEST_SUITE_P(Table, RenderFailureTest,
                         ::testing::Combine(::testing::ValuesIn(kCases),
                                            ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64,
                                                              PF_PixelFormat_ARGB128)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    DepthName(std::get<1>(info.param));
                         });

class RenderCancelTest : public RenderFixture, public ::testing::WithParamInterface<PF_PixelFormat> {
protected:
    void SetUp() override { Prepare(GetParam()); }
};

// A cancel after the geometry stage: no later stage touches the frame, and the cancel is what the host hears.
TEST_P(RenderCancelTest, CancelAfterGeometryRunsNoLaterStage)
{
    TurnOn("Mosaic");
    TurnOn("Stretch");
    host_.SetParam("Min Mosaic Size", ParamValue::Percent(100));
    host_.Settings().currentTime = kFullStrengthFrame;
    ASSERT_EQ(PreRender().command.err, PF_Err_NONE);
    host_.Faults().FailNth("progress", 1, PF_Interrupt_CANCEL);
    const auto r = host_.SmartRender();
    EXPECT_EQ(r.command.err, PF_Interrupt_CANCEL);
    EXPECT_EQ(r.command.Count("progress"), 1u);
    EXPECT_EQ(r.command.Count(ByDepth(GetParam(), "nn_sample", "nn_sample16", "nn_sample_float")), 0u);
    EXPECT_EQ(r.command.Count("dispose_world"), 1u) << "the working image is still released";
    EXPECT_EQ(r.command.Count("ReleaseSuite"), r.command.Count("AcquireSuite"));
}

// Every host call of a render with all ten treatments on, failed in turn: an error or a success, never a leak.
TEST_P(RenderCancelTest, AnyFailingCallOfAFullRenderLeavesNothingBehind)
{
    for (const char* name : TreatmentNames()) TurnOn(name);
    host_.SetParam("Min Mosaic Size", ParamValue::Percent(100));
    host_.Settings().currentTime = kFullStrengthFrame;
    ASSERT_EQ(PreRender().command.err, PF_Err_NONE);
    const auto clean = host_.SmartRender();
    ASSERT_EQ(clean.command.err, PF_Err_NONE);
    ASSERT_GT(clean.command.calls.size(), 20u);
    std::map<std::string, int> seen;
    for (const auto& call : clean.command.calls) {
        const int occurrence = ++seen[call.op];
        if (call.op == "delete_pre_render_data_func") continue;
        ASSERT_EQ(PreRender().command.err, PF_Err_NONE);
        host_.Faults().FailNth(call.op, occurrence, kCode);
        const auto r = host_.SmartRender();
        host_.Faults().Clear();
        // Releases, unlocks and disposals give back what they were handed; their results do not count.
        const bool ignored =
            call.op == "ReleaseSuite" || call.op == "host_unlock_handle" || call.op == "host_dispose_handle";
        if (ignored) {
            EXPECT_EQ(r.command.err, PF_Err_NONE) << call.Text() << " #" << occurrence;
        } else {
            EXPECT_NE(r.command.err, PF_Err_NONE) << call.Text() << " #" << occurrence << " failed unnoticed";
        }
        EXPECT_THAT(r.command.violations, ::testing::IsEmpty()) << call.Text() << " #" << occurrence;
        EXPECT_TRUE(host_.UnaccountedHandles().empty()) << call.Text() << " #" << occurrence;
        EXPECT_EQ(host_.Broker().TotalHeld(), 0) << call.Text() << " #" << occurrence;
        EXPECT_EQ(host_.Worlds().LiveCount(), 0u) << call.Text() << " #" << occurrence;
    }
}

// A frame of no pixels has nothing to render and succeeds.
TEST_P(RenderCancelTest, EmptyFrameRendersNothing)
{
    for (const char* name : TreatmentNames()) TurnOn(name);
    for (auto size : {std::pair<A_long, A_long>{0, kRenderHeight}, {kRenderWidth, 0}}) {
        host_.Settings().width = size.first;
        host_.Settings().height = size.second;
        const auto r = RenderFrame(kFullStrengthFrame);
        EXPECT_EQ(r.Err(), PF_Err_NONE) << size.first << "x" << size.second << " "
                                        << r.render.command.ReturnMessage();
        EXPECT_TRUE(r.rendered);
        EXPECT_EQ(r.render.command.Count("checkout_output"), 1u);
        EXPECT_EQ(r.render.command.Count("new_world") + r.render.command.Count("PF_NewWorld"), 0u)
            << "nothing to work on";
        EXPECT_TRUE(r.render.output.bytes.empty());
        EXPECT_TRUE(host_.UnaccountedHandles().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, RenderCancelTest,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128),
                         FormatParamName);

}  // namespace
}  // namespace pwtest
