// The callbacks of the smart pre-render and smart render records: the input layer's checkout and the render's
// input and output worlds.
#include <cstring>

#include "host/render_request.h"
#include "host/state.h"
#include "host/world_ops.h"

namespace pwhost {
namespace {

// The input's rectangles for a request: the frame clipped to the requested rectangle, and the whole frame,
// unless the settings say otherwise.
PF_Err CheckoutLayer(HostState& s, PF_ParamIndex index, A_long id, const PF_RenderRequest* req, A_long time,
                     A_long step, A_u_long scale, PF_CheckoutResult* result)
{
    if (s.cmd != PF_Cmd_SMART_PRE_RENDER) {
        s.Violation("checkout_layer outside the smart pre-render");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!req || !result) {
        s.Violation("checkout_layer without a request or a place for the result");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index != 0) {
        s.Violation("checkout_layer of parameter " + std::to_string(index) + ", which is not a layer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    s.request.layerCheckouts.push_back(LayerCheckoutRecord{index, id, *req, time, step, scale});
    std::memset(result, 0, sizeof *result);
    result->result_rect = s.settings.layerResultRect.value_or(ClipToFrame(s.settings, req->rect));
    result->max_result_rect =
        s.settings.layerMaxResultRect.value_or(PF_LRect{0, 0, FrameWidth(s.settings), FrameHeight(s.settings)});
    result->par = s.settings.pixelAspectRatio;
    result->ref_width = s.settings.width;
    result->ref_height = s.settings.height;
    return PF_Err_NONE;
}

bool InRender(HostState& s, const char* op)
{
    if (s.cmd == PF_Cmd_SMART_RENDER) return true;
    s.Violation(std::string(op) + " outside the smart render");
    return false;
}

}  // namespace
}  // namespace pwhost

extern "C" {

static PF_Err PF_CDECL pwhost_checkout_layer(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long id,
                                             const PF_RenderRequest* req, A_long time, A_long step, A_u_long scale,
                                             PF_CheckoutResult* result)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("checkout_layer", [&] { return std::to_string(index) + " " + std::to_string(id) + " " +
                                        pwhost::RectText(req ? &req->rect : nullptr) + " " + std::to_string(time) +
                                        " " + std::to_string(step) + " " + std::to_string(scale); });
        if (const auto code = s.faults.Hit("checkout_layer")) return *code;
        if (!s.IsOurEffect(effect_ref, "checkout_layer")) return PF_Err_BAD_CALLBACK_PARAM;
        return pwhost::CheckoutLayer(s, index, id, req, time, step, scale, result);
    });
}

static PF_Err PF_CDECL pwhost_checkout_layer_pixels(PF_ProgPtr effect_ref, A_long id, PF_EffectWorld** pixels)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("checkout_layer_pixels", [&] { return std::to_string(id); });
        if (pixels) *pixels = nullptr;
        if (const auto code = s.faults.Hit("checkout_layer_pixels")) return *code;
        if (!s.IsOurEffect(effect_ref, "checkout_layer_pixels") || !pwhost::InRender(s, "checkout_layer_pixels"))
            return PF_Err_BAD_CALLBACK_PARAM;
        if (!pixels || !s.request.CheckedOut(id)) {
            s.Violation("checkout_layer_pixels of checkout " + std::to_string(id) +
                        (pixels ? ", which the pre-render did not check out" : " without a place for the world"));
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        if (!s.request.hasInput) {
            if (const PF_Err err = s.NewLayerWorld(s.settings.currentTime, s.settings.timeScale, s.request.input))
                return err;
            s.request.hasInput = true;
        }
        *pixels = &s.request.input;
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_checkin_layer_pixels(PF_ProgPtr effect_ref, A_long id)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("checkin_layer_pixels", [&] { return std::to_string(id); });
        const auto fault = s.faults.Hit("checkin_layer_pixels");
        if (!s.IsOurEffect(effect_ref, "checkin_layer_pixels") || !pwhost::InRender(s, "checkin_layer_pixels"))
            return PF_Err_BAD_CALLBACK_PARAM;
        if (!s.request.hasInput || !s.request.CheckedOut(id)) {
            s.Violation("checkin_layer_pixels of checkout " + std::to_string(id) + ", which holds no pixels");
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        s.ReleaseLayerWorld(s.request.input);
        s.request.hasInput = false;
        return fault ? *fault : PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_checkout_output(PF_ProgPtr effect_ref, PF_EffectWorld** output)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("checkout_output");
        if (output) *output = nullptr;
        if (const auto code = s.faults.Hit("checkout_output")) return *code;
        if (!s.IsOurEffect(effect_ref, "checkout_output") || !pwhost::InRender(s, "checkout_output"))
            return PF_Err_BAD_CALLBACK_PARAM;
        if (!output) {
            s.Violation("checkout_output without a place for the world");
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        if (!s.request.hasOutput) {
            const pwhost::HostSettings& set = s.settings;
            const A_long height = pwhost::FrameHeight(set) + set.outputHeightDelta;
            if (const PF_Err err =
                    s.worlds.New(set.pixelFormat, pwhost::FrameWidth(set), height < 0 ? 0 : height, false,
                                 pwhost::WorldOwner::Host, set.rowPaddingPixels, s.request.output,
                                 set.outputRowbytes.value_or(0)))
                return err;
            s.request.hasOutput = true;
        }
        *output = &s.request.output;
        return PF_Err_NONE;
    });
}

}  // extern "C"

namespace pwhost {

PF_PreRenderCallbacks MakePreRenderCallbacks()
{
    PF_PreRenderCallbacks cb{};
    cb.checkout_layer = pwhost_checkout_layer;
    return cb;
}

PF_SmartRenderCallbacks MakeSmartRenderCallbacks()
{
    PF_SmartRenderCallbacks cb{};
    cb.checkout_layer_pixels = pwhost_checkout_layer_pixels;
    cb.checkin_layer_pixels = pwhost_checkin_layer_pixels;
    cb.checkout_output = pwhost_checkout_output;
    return cb;
}

}  // namespace pwhost
