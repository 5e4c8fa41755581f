#include <cstring>

#include "schedule/pre_render_data.h"
#include "schedule/union_rect.h"
#include "shell/commands.h"
#include "shell/suite_cache.h"

namespace pw {

extern "C" void PF_CDECL DeletePreRenderData(void* preRenderData)
{
    auto handle = static_cast<PF_Handle>(preRenderData);
    if (!handle || !*handle) return;
    const PreRenderData* data = static_cast<const PreRenderData*>(*handle);
    auto unlock = data->unlock;
    auto dispose = data->dispose;
    unlock(handle);
    dispose(handle);
}

PF_Err SmartPreRender(const Flavour& flavour, PF_InData* in_data, PF_OutData* /*out_data*/, PF_PreRenderExtra* extra)
{
    PF_RenderRequest request = extra->input->output_request;
    HostSuiteCache suites(in_data->pica_basicP);
    HandleSuite handles(suites, flavour);

    PF_Handle handle = handles.NewHandle(sizeof(PreRenderData));
    if (!handle) return PF_Err_OUT_OF_MEMORY;
    auto* data = static_cast<PreRenderData*>(handles.Lock(handle));
    if (!data) {
        handles.Dispose(handle);  // never handed to the host, so nobody else would free it
        return PF_Err_OUT_OF_MEMORY;
    }
    // Never leave the host a record of whatever the fresh memory held, even when a checkout fails below.
    std::memset(data, 0, sizeof *data);
    data->unlock = in_data->utils->host_unlock_handle;
    data->dispose = in_data->utils->host_dispose_handle;
    extra->output->pre_render_data = handle;
    extra->output->delete_pre_render_data_func = DeletePreRenderData;

    PF_Err err = PF_Err_NONE;
    PF_ParamDef params[PARAM_COUNT];
    int checkedOut = 0;
    for (; checkedOut < kSettingsParamCount; ++checkedOut) {
        PF_ParamDef& def = params[kSettingsCheckoutOrder[checkedOut]];
        std::memset(&def, 0, sizeof def);
        err = in_data->inter.checkout_param(in_data->effect_ref, kSettingsCheckoutOrder[checkedOut],
                                            in_data->current_time, in_data->time_step, in_data->time_scale, &def);
        if (err) break;
    }

    PF_CheckoutResult result;
    if (!err) {
        request.preserve_rgb_of_zero_alpha = 1;
        std::memset(&result, 0, sizeof result);
        err = extra->cb->checkout_layer(in_data->effect_ref, 0, 0, &request, in_data->current_time,
                                        in_data->time_step, in_data->time_scale, &result);
    }
    if (!err) FillRenderSettings(params, in_data->downsample_x, data->settings);
    if (!err) {
        UnionRect(result.result_rect, extra->output->result_rect);
        UnionRect(result.max_result_rect, extra->output->max_result_rect);
    }

    for (int i = 0; i < checkedOut; ++i) in_data->inter.checkin_param(in_data->effect_ref, &params[kSettingsCheckoutOrder[i]]);
    return err;
}

}  // namespace pw
