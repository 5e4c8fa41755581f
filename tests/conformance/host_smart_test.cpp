// The host's side of smart rendering, driven by a scripted plug-in: the records it builds, the life of the
// pre-render data, the render's input and output worlds, layers at other times, progress and cancelling.
#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_plugin.h"
#include "host/host.h"
#include "host/test_pattern.h"
#include "world_test_support.h"

namespace pwtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The delete callback gets nothing but the data, so the scripted plug-in leaves the host's routines here.
const PF_UtilCallbacks* g_utils = nullptr;
int g_deletes = 0;

extern "C" void PF_CDECL DisposeData(void* data)
{
    ++g_deletes;
    g_utils->host_dispose_handle(static_cast<PF_Handle>(data));
}

extern "C" void PF_CDECL KeepData(void*) { ++g_deletes; }

bool Same(const PF_LRect& a, const PF_LRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A plug-in whose pre-render hands over one 16-byte handle and checks out the layer, and whose render copies the
// input to the output.
class SmartHostTest : public ::testing::Test {
protected:
    SmartHostTest()
        : plugin_([this](PF_Cmd cmd, PF_InData* in, PF_OutData*, void* extra) -> PF_Err {
              if (cmd == PF_Cmd_SMART_PRE_RENDER) return PreRender(in, static_cast<PF_PreRenderExtra*>(extra));
              if (cmd == PF_Cmd_SMART_RENDER) return Render(in, static_cast<PF_SmartRenderExtra*>(extra));
              return PF_Err_NONE;
          }),
          host_(plugin_.Entry())
    {
        g_deletes = 0;
        host_.Settings().width = 20;
        host_.Settings().height = 10;
    }

    PF_Err PreRender(PF_InData* in, PF_PreRenderExtra* extra)
    {
        g_utils = in->utils;
        preInput_ = *extra->input;
        preOutputIn_ = *extra->output;
        PF_Handle h = in->utils->host_new_handle(16);
        extra->output->pre_render_data = h;
        extra->output->delete_pre_render_data_func = deleteFunc_;
        PF_RenderRequest req = extra->input->output_request;
        if (askRect_) req.rect = *askRect_;
        PF_Err err = extra->cb->checkout_layer(in->effect_ref, 0, 0, &req, in->current_time, in->time_step,
                                               in->time_scale, &checkout_);
        return err ? err : preRenderResult_;
    }

    PF_Err Render(PF_InData* in, PF_SmartRenderExtra* extra)
    {
        renderInput_ = *extra->input;
        PF_EffectWorld *input = nullptr, *output = nullptr;
        PF_Err err = extra->cb->checkout_layer_pixels(in->effect_ref, layerId_, &input);
        if (!err) err = extra->cb->checkout_output(in->effect_ref, &output);
        if (err) return err;
        inputWorld_ = *input;
        outputWorld_ = *output;
        PF_Rect rect{0, 0, input->width, output->height < input->height ? output->height : input->height};
        return in->utils->copy(in->effect_ref, input, output, &rect, &rect);
    }

    FakePlugin plugin_;
    pwhost::Host host_;
    PF_DeletePreRenderDataFunc deleteFunc_ = DisposeData;
    PF_Err preRenderResult_ = PF_Err_NONE;
    const PF_LRect* askRect_ = nullptr;
    A_long layerId_ = 0;
    PF_PreRenderInput preInput_{};
    PF_PreRenderOutput preOutputIn_{};
    PF_CheckoutResult checkout_{};
    PF_SmartRenderInput renderInput_{};
    PF_EffectWorld inputWorld_{}, outputWorld_{};
};

struct ModeCase {
    pwhost::HostMode mode;
    A_long rowbytes;   // of the 20-pixel worlds
    bool handedOver;   // the output's pixels leave the host without a copy
};

class HostModes : public SmartHostTest, public ::testing::WithParamInterface<ModeCase> {};

// The same frame either way; only what the host does around it differs.
TEST_P(HostModes, LendWorldsAndHandOverTheOutput)
{
    pwhost::Image checked;
    {
        pwhost::Host reference(plugin_.Entry());
        reference.Settings().width = 20;
        reference.Settings().height = 10;
        checked = reference.RenderFrame(3).render.output;
    }
    host_.SetMode(GetParam().mode);
    const auto r = host_.RenderFrame(3);
    ASSERT_EQ(r.Err(), PF_Err_NONE);
    EXPECT_THAT(r.render.command.violations, IsEmpty());
    EXPECT_EQ(outputWorld_.rowbytes, GetParam().rowbytes);
    EXPECT_EQ(inputWorld_.rowbytes, GetParam().rowbytes);
    EXPECT_EQ(r.render.output.bytes.data() == outputWorld_.data, GetParam().handedOver);
    EXPECT_EQ(r.render.output.bytes, checked.bytes);
    EXPECT_EQ(host_.Worlds().LiveCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(All, HostModes,
                         ::testing::Values(ModeCase{pwhost::HostMode::Checking, (20 + 3) * 4, false},
                                           ModeCase{pwhost::HostMode::Production, 20 * 4, true}));

// Leak accounting is on in production too: it is cheap, and a leak there would grow with every frame.
TEST(HostLeaks, AreCountedInProductionToo)
{
    const auto r = RunOnce(
        [&](PF_InData* in) -> PF_Err {
            PF_EffectWorld kept;
            return in->utils->new_world(in->effect_ref, 4, 2, 0, &kept);
        },
        [](pwhost::Host& host) { host.SetMode(pwhost::HostMode::Production); });
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("world #1 of 4 x 2 pixels was not disposed of")));
}

TEST_F(SmartHostTest, PreRenderRecordsComeFromTheSettings)
{
    host_.Settings().downsampleX = PF_RationalScale{1, 3};
    host_.Settings().downsampleY = PF_RationalScale{1, 2};
    host_.Settings().pixelFormat = PF_PixelFormat_ARGB64;
    host_.Settings().outputResultRect = PF_LRect{1, 2, 3, 4};
    const PF_LRect ask{-5, 2, 50, 4};
    askRect_ = &ask;
    const auto r = host_.SmartPreRender();
    EXPECT_EQ(r.command.err, PF_Err_NONE);
    EXPECT_THAT(r.command.violations, IsEmpty());
    EXPECT_TRUE(Same(preInput_.output_request.rect, PF_LRect{0, 0, 7, 5})) << "20 x 10 at 1/3 x 1/2, rounded up";
    EXPECT_EQ(preInput_.output_request.channel_mask, PF_ChannelMask_ARGB);
    EXPECT_EQ(preInput_.output_request.preserve_rgb_of_zero_alpha, 0);
    EXPECT_EQ(preInput_.bitdepth, 16);
    EXPECT_TRUE(Same(preOutputIn_.result_rect, PF_LRect{1, 2, 3, 4}));
    EXPECT_TRUE(Same(preOutputIn_.max_result_rect, PF_LRect{0, 0, 0, 0}));
    EXPECT_EQ(preOutputIn_.pre_render_data, nullptr);
    EXPECT_TRUE(Same(checkout_.result_rect, PF_LRect{0, 2, 7, 4})) << "the frame clipped to the request";
    EXPECT_TRUE(Same(checkout_.max_result_rect, PF_LRect{0, 0, 7, 5}));
    ASSERT_EQ(r.layerCheckouts.size(), 1u);
    EXPECT_TRUE(Same(r.layerCheckouts[0].request.rect, ask));
}

TEST_F(SmartHostTest, CheckoutResultsCanBeSetAndTheCheckoutCanFail)
{
    host_.Settings().layerResultRect = PF_LRect{3, 3, 4, 4};
    host_.Settings().layerMaxResultRect = PF_LRect{-1, -1, 9, 9};
    EXPECT_EQ(host_.SmartPreRender().command.err, PF_Err_NONE);
    EXPECT_TRUE(Same(checkout_.result_rect, PF_LRect{3, 3, 4, 4}));
    EXPECT_TRUE(Same(checkout_.max_result_rect, PF_LRect{-1, -1, 9, 9}));
    host_.Faults().FailNth("checkout_layer", 1, PF_Interrupt_CANCEL);
    EXPECT_EQ(host_.SmartPreRender().command.err, PF_Interrupt_CANCEL);
}

TEST_F(SmartHostTest, PreRenderDataIsHeldUntilTheRenderThenDeletedOnce)
{
    const auto pre = host_.SmartPreRender();
    ASSERT_EQ(pre.command.err, PF_Err_NONE);
    EXPECT_TRUE(pre.pending);
    EXPECT_FALSE(pre.deleted);
    EXPECT_EQ(pre.data.size(), 16u);
    EXPECT_EQ(host_.Handles().LiveCount(), 1u);
    EXPECT_TRUE(host_.UnaccountedHandles().empty());
    EXPECT_EQ(g_deletes, 0);

    const auto render = host_.SmartRender();
    EXPECT_EQ(render.command.err, PF_Err_NONE);
    EXPECT_THAT(render.command.violations, IsEmpty());
    EXPECT_EQ(renderInput_.pre_render_data, pre.output.pre_render_data);
    EXPECT_EQ(renderInput_.bitdepth, 8);
    EXPECT_TRUE(render.deleted);
    EXPECT_EQ(g_deletes, 1);
    EXPECT_EQ(host_.Handles().LiveCount(), 0u);
    EXPECT_FALSE(host_.PreRenderPending());

    host_.SmartRender();
    EXPECT_EQ(g_deletes, 1) << "a second render has no request";
    EXPECT_EQ(renderInput_.pre_render_data, nullptr);
}

TEST_F(SmartHostTest, FailedDroppedOrReplacedRequestsAreDeleted)
{
    preRenderResult_ = PF_Err_OUT_OF_MEMORY;
    const auto failed = host_.SmartPreRender();
    EXPECT_TRUE(failed.deleted);
    EXPECT_FALSE(failed.pending);
    EXPECT_EQ(g_deletes, 1);

    preRenderResult_ = PF_Err_NONE;
    host_.SmartPreRender();
    const auto replaced = host_.SmartPreRender();
    EXPECT_TRUE(replaced.deleted) << "the host discarded the earlier request";
    EXPECT_EQ(g_deletes, 2);
    host_.DropPreRender();
    EXPECT_EQ(g_deletes, 3);
    EXPECT_EQ(host_.Handles().LiveCount(), 0u);
    EXPECT_THAT(host_.Violations(), IsEmpty());
}

TEST_F(SmartHostTest, DataStillAliveAfterItsDeleteCallbackIsALeak)
{
    deleteFunc_ = KeepData;
    host_.SmartPreRender();
    const auto r = host_.SmartRender();
    EXPECT_EQ(g_deletes, 1);
    EXPECT_THAT(r.command.violations, ElementsAre(HasSubstr("pre-render data handle #1 is still alive after its delete callback")));
    host_.Handles().Dispose(host_.Handles().Live()[0]);
}

TEST_F(SmartHostTest, RenderGetsTheFrameAtTheCurrentTimeAndAPaddedOutputOfItsFormat)
{
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        host_.Settings().pixelFormat = format;
        host_.Settings().rowPaddingPixels = 5;
        const auto r = host_.RenderFrame(12);
        ASSERT_EQ(r.Err(), PF_Err_NONE);
        EXPECT_THAT(r.render.command.violations, IsEmpty());
        const pwhost::Image expected = pwhost::TestPatternImage(12, 30, format, 20, 10);
        EXPECT_TRUE(r.render.output.bytes == expected.bytes);
        EXPECT_TRUE(host_.InputFrame(12).bytes == expected.bytes);
        EXPECT_EQ(outputWorld_.rowbytes, 25 * pwhost::PixelBytes(format));
        EXPECT_EQ(inputWorld_.rowbytes, 25 * pwhost::PixelBytes(format));
        EXPECT_EQ((outputWorld_.world_flags & PF_WorldFlag_DEEP) != 0, format == PF_PixelFormat_ARGB64);
        EXPECT_EQ(host_.Worlds().LiveCount(), 0u);
    }
}

TEST_F(SmartHostTest, OutputShapeCanBeMadeNotToFit)
{
    host_.Settings().outputHeightDelta = -3;
    host_.Settings().outputRowbytes = 8;
    const auto r = host_.RenderFrame(0);
    EXPECT_EQ(outputWorld_.height, 7);
    EXPECT_EQ(outputWorld_.rowbytes, 8);
    EXPECT_EQ(outputWorld_.width, 20);
    EXPECT_EQ(inputWorld_.height, 10);
}

TEST_F(SmartHostTest, LayerPixelsNeedTheirPreRenderCheckout)
{
    layerId_ = 3;
    host_.SmartPreRender();
    const auto r = host_.SmartRender();
    EXPECT_EQ(r.command.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_THAT(r.command.violations,
                ElementsAre(HasSubstr("checkout_layer_pixels of checkout 3, which the pre-render did not check out")));
}

// checkout_param of index 0: the layer at any time, transparent black outside its duration.
TEST(LayerCheckout, TheLayerAtAnyTimeAndNothingOutsideItsDuration)
{
    std::vector<pwhost::Image> seen;
    FakePlugin plugin([&](PF_Cmd cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        for (A_long t : {-1, 0, 45, 299, 300}) {
            PF_ParamDef layer;
            std::memset(&layer, 0, sizeof layer);
            if (const PF_Err err = in->inter.checkout_param(in->effect_ref, 0, t, 1, 30, &layer)) return err;
            seen.push_back(pwhost::CopyOut(layer.u.ld, PF_PixelFormat_ARGB128));
            if (cmd == PF_Cmd_RENDER) in->inter.checkin_param(in->effect_ref, &layer);
        }
        PF_ParamDef half;
        // Time 1 at scale 60 is half a frame at 30: the same frame as time 0.
        if (const PF_Err err = in->inter.checkout_param(in->effect_ref, 0, 1, 1, 60, &half)) return err;
        seen.push_back(pwhost::CopyOut(half.u.ld, PF_PixelFormat_ARGB128));
        return in->inter.checkin_param(in->effect_ref, &half);
    });
    pwhost::Host host(plugin.Entry());
    host.Settings().width = 9;
    host.Settings().height = 7;
    host.Settings().pixelFormat = PF_PixelFormat_ARGB128;
    const auto r = host.Call(PF_Cmd_RENDER);
    ASSERT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, IsEmpty());
    ASSERT_EQ(seen.size(), 6u);
    const std::vector<uint8_t> black(9 * 7 * 16, 0);
    EXPECT_TRUE(seen[0].bytes == black) << "before the first frame";
    EXPECT_TRUE(seen[1].bytes == pwhost::TestPatternImage(0, 30, PF_PixelFormat_ARGB128, 9, 7).bytes);
    EXPECT_TRUE(seen[2].bytes == pwhost::TestPatternImage(45, 30, PF_PixelFormat_ARGB128, 9, 7).bytes);
    EXPECT_TRUE(seen[3].bytes == pwhost::TestPatternImage(299, 30, PF_PixelFormat_ARGB128, 9, 7).bytes);
    EXPECT_TRUE(seen[4].bytes == black) << "at the end of the layer";
    EXPECT_TRUE(seen[5].bytes == seen[1].bytes);

    seen.clear();
    const auto sloppy = host.Call(PF_Cmd_FRAME_SETUP);
    EXPECT_EQ(sloppy.violations.size(), 5u) << "each layer left checked out";
    EXPECT_THAT(sloppy.violations[0], HasSubstr("parameter 0 was checked out and not checked in"));
    EXPECT_EQ(host.Worlds().LiveCount(), 0u) << "and released by the host";
}

TEST(Progress, ReportsAreRecordedAndTheHostCanCancel)
{
    FakePlugin plugin([&](PF_Cmd, PF_InData* in, PF_OutData*, void*) -> PF_Err {
        PF_Err err = PF_Err_NONE;
        for (A_long i = 1; i <= 4 && !err; ++i) err = in->inter.progress(in->effect_ref, i * 10, 40);
        if (!err) err = in->inter.abort(in->effect_ref);
        return err;
    });
    pwhost::Host host(plugin.Entry());
    const auto full = host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(full.err, PF_Err_NONE);
    EXPECT_THAT(full.progress, ElementsAre(pwhost::ProgressReport{10, 40}, pwhost::ProgressReport{20, 40},
                                           pwhost::ProgressReport{30, 40}, pwhost::ProgressReport{40, 40}));
    host.Faults().FailNth("progress", 2, PF_Interrupt_CANCEL);
    const auto cancelled = host.Call(PF_Cmd_RENDER);
    EXPECT_EQ(cancelled.err, PF_Interrupt_CANCEL);
    EXPECT_EQ(cancelled.progress.size(), 2u);
    host.Faults().FailNth("abort", 1, PF_Interrupt_CANCEL);
    EXPECT_EQ(host.Call(PF_Cmd_RENDER).err, PF_Interrupt_CANCEL);
}

}  // namespace
}  // namespace pwtest
