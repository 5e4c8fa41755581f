#include <algorithm>

#include "render/stages.h"
#include "render/time_source.h"
#include "schedule/host_beat_source.h"
#include "schedule/pre_render_data.h"
#include "shell/commands.h"

namespace pw {
namespace {

constexpr PF_Err kBuffersDoNotFit = 255;

// Everything one render obtains from the host, released on every way out.
struct RenderResources {
    PF_Handle settingsHandle = nullptr;
    const void* world2 = nullptr;
    const void* fillMatte = nullptr;
    PF_Handle frameOrder = nullptr;
    PF_Handle lineBuffer = nullptr;
    PF_EffectWorld working{};
    bool workingAllocated = false;
};

PF_Err Release(const Flavour& flavour, HostSuiteCache& suites, PF_InData* in_data, PF_OutData* out_data,
               RenderResources& res, PF_Err err)
{
    PF_UtilCallbacks* utils = in_data->utils;
    if (res.workingAllocated) {
        const PF_Err disposed = utils->dispose_world(in_data->effect_ref, &res.working);
        if (!err) err = disposed;
    }
    if (res.frameOrder) utils->host_dispose_handle(res.frameOrder);
    if (res.lineBuffer) utils->host_dispose_handle(res.lineBuffer);
    if (res.world2) {
        const PF_Err released = ReleaseSuiteWithMessage(in_data, out_data, kPFWorldSuite, 2, "Couldn't release suite.");
        if (!err) err = released;
    }
    if (res.fillMatte) {
        const PF_Err released =
            ReleaseSuiteWithMessage(in_data, out_data, kPFFillMatteSuite, 2, "Couldn't release suite.");
        if (!err) err = released;
    }
    if (res.settingsHandle) HandleSuite(suites, flavour).Unlock(res.settingsHandle);
    return err;
}

void ReportError(PF_InData* in_data, PF_OutData* out_data, const char* message)
{
    in_data->utils->ansi.strcpy(out_data->return_msg, message);
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
}

bool DepthOf(PF_PixelFormat format, Depth& depth, A_long& pixelBytes)
{
    switch (format) {
    case PF_PixelFormat_ARGB32: depth = Depth::Bits8, pixelBytes = 4; return true;
    case PF_PixelFormat_ARGB64: depth = Depth::Bits16, pixelBytes = 8; return true;
    case PF_PixelFormat_ARGB128: depth = Depth::Float, pixelBytes = 16; return true;
    default: return false;
    }
}

PF_Handle NewBuffer(PF_InData* in_data, A_HandleSize bytes) { return in_data->utils->host_new_handle(bytes); }

PF_Err RenderFrame(const Flavour& flavour, HostSuiteCache& suites, PF_InData* in_data, PF_OutData* out_data,
                   PF_SmartRenderExtra* extra, RenderResources& res, RenderSettings& settings)
{
    PF_ProgPtr effect = in_data->effect_ref;
    PF_Err err = PF_Err_NONE;
    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* output = nullptr;
    if (!err) err = extra->cb->checkout_layer_pixels(effect, 0, &input);
    if (!err) err = extra->cb->checkout_output(effect, &output);
    if (!err) err = AcquireSuiteWithMessage(in_data, out_data, kPFWorldSuite, 2, "Couldn't load suite.", &res.world2);
    if (!err) {
        err = AcquireSuiteWithMessage(in_data, out_data, kPFFillMatteSuite, 2, "Couldn't load suite.",
                                      &res.fillMatte);
    }
    PF_PixelFormat format = PF_PixelFormat_INVALID;
    if (!err) {
        err = static_cast<const PF_WorldSuite2*>(res.world2)->PF_GetPixelFormat(input, &format);
        if (err) format = PF_PixelFormat_INVALID;
    }

    Depth depth;
    A_long pixelBytes;
    if (!DepthOf(format, depth, pixelBytes) || !input || !output) return PF_Err_BAD_CALLBACK_PARAM;

    const int32_t width = input->width, height = input->height;
    const int32_t inputStride = input->rowbytes / pixelBytes, outputStride = output->rowbytes / pixelBytes;
    if (inputStride < width || outputStride < width || output->height != height) return kBuffersDoNotFit;
    // An empty frame has nothing to render; the treatments would divide by its size.
    if (width <= 0 || height <= 0) return err;

    BeatState beat{};
    const FrameTime time{in_data->current_time, in_data->time_step, in_data->time_scale};
    const double frameRate = QueryCompFrameRate(suites, in_data, err);
    HostBpmKeyframes keyframes(suites, flavour, in_data);
    const BeatClockStatus clock = StartBeatState(settings, time, frameRate, keyframes, err, beat);
    if (err) return err;
    if (clock == BeatClockStatus::InvalidFrameRate) {
        ReportError(in_data, out_data, "Pulsewarper needs a composition frame rate above 0.");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (clock != BeatClockStatus::Ok) {
        ReportError(in_data, out_data, "Pulsewarper cannot fit a beat at this BPM.");
        return PF_Err_BAD_CALLBACK_PARAM;
    }

    res.frameOrder = NewBuffer(in_data, A_HandleSize(beat.orderLength) * sizeof(int32_t));
    if (!res.frameOrder) {
        ReportError(in_data, out_data, "Memory Error!");
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    DecideTreatments(settings, static_cast<int32_t*>(*res.frameOrder), beat);

    const int32_t stagesOn = beat.colorOn + beat.glowOn + beat.blurOn + beat.mosaicOn + beat.noiseOn;
    RenderContext ctx{flavour,
                      in_data,
                      out_data,
                      suites,
                      static_cast<const PF_WorldSuite2*>(res.world2),
                      static_cast<const PF_FillMatteSuite2*>(res.fillMatte),
                      settings,
                      beat,
                      depth,
                      input,
                      output,
                      &res.working,
                      width,
                      height,
                      outputStride,
                      0,
                      nullptr,
                      err,
                      0,
                      height * (1 + stagesOn)};

    if (!ctx.err) {
        switch (depth) {
        case Depth::Bits16:
            ctx.err = suites.World1().new_world(effect, width, height, PF_NewWorldFlag_DEEP_PIXELS, &res.working);
            break;
        case Depth::Float:
            ctx.err = ctx.world2->PF_NewWorld(effect, width, height, 0, PF_PixelFormat_ARGB128, &res.working);
            break;
        case Depth::Bits8:
            ctx.err = suites.World1().new_world(effect, width, height, PF_NewWorldFlag_NONE, &res.working);
            break;
        }
        res.workingAllocated = !ctx.err;
        ctx.workingStride = res.working.rowbytes / pixelBytes;
        // A host world narrower than asked would be written past its rows.
        if (!ctx.err && (res.working.width < width || res.working.height < height || ctx.workingStride < width))
            ctx.err = kBuffersDoNotFit;
    }

    FillWorkingImage(ctx);

    if (!ctx.err && (NeedsLineBuffer(beat))) {
        res.lineBuffer = NewBuffer(in_data, A_HandleSize(std::max(width, height)) * LineEntryBytes(depth));
        if (!res.lineBuffer) {
            ReportError(in_data, out_data, "Memory Error!");
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
        ctx.lineBuffer = *res.lineBuffer;
    }

    RunGeometryStage(ctx);
    if (beat.colorOn) RunColorStage(ctx);
    if (beat.glowOn) RunGlowStage(ctx);
    if (beat.blurOn) RunBlurStage(ctx);
    if (beat.mosaicOn) RunMosaicStage(ctx);
    if (beat.noiseOn) RunNoiseStage(ctx);
    return ctx.err;
}

}  // namespace

PF_Err SmartRender(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data, PF_SmartRenderExtra* extra)
{
    HostSuiteCache suites(in_data->pica_basicP);
    RenderResources res;
    res.settingsHandle = static_cast<PF_Handle>(extra->input->pre_render_data);
    auto* data = res.settingsHandle ? static_cast<PreRenderData*>(HandleSuite(suites, flavour).Lock(res.settingsHandle))
                                    : nullptr;
    if (!data) return PF_Err_BAD_CALLBACK_PARAM;

    PF_Err err;
    try {
        err = RenderFrame(flavour, suites, in_data, out_data, extra, res, data->settings);
    } catch (const MissingSuiteError&) {
        Release(flavour, suites, in_data, out_data, res, PF_Err_NONE);
        throw;
    }
    return Release(flavour, suites, in_data, out_data, res, err);
}

}  // namespace pw
