#include "state_token.h"

namespace pw {
namespace {

// Owns a freshly allocated token handle until the host takes it; frees it with the allocator that made it, which
// needs no suite and so also works while a missing-suite error is passing.
struct FreshToken {
    const PF_UtilCallbacks* utils;
    PF_Handle handle;
    ~FreshToken()
    {
        if (handle) utils->host_dispose_handle(handle);
    }
};

}  // namespace

PF_Err RenewStateToken(const Flavour& flavour, HostSuiteCache& suites, PF_InData* in_data, PF_OutData* out_data,
                       const PluginGlobalData& global)
{
    ParamUtilsSuite paramUtils(suites, flavour);
    PF_Boolean changed = false;
    PF_Err err = paramUtils.HasParamChanged()(in_data->effect_ref,
                                              &RecordIn<SequenceStateRecord>(in_data->sequence_data)->state,
                                              PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS, &changed);

    // No allocation after a failure: nothing could fill the handle, and it would be lost.
    if (!err && (changed || !global.initialized)) {
        FreshToken fresh{in_data->utils, in_data->utils->host_new_handle(sizeof(SequenceStateRecord))};
        if (auto* record = RecordIn<SequenceStateRecord>(fresh.handle)) {
            err = paramUtils.GetCurrentState()(in_data->effect_ref, &record->state);
            if (!err) {
                HandleSuite(suites, flavour).Dispose(in_data->sequence_data);
                out_data->sequence_data = fresh.handle;
                in_data->sequence_data = fresh.handle;
                fresh.handle = nullptr;
            }
        }
        // No handle (or an empty one): the old token stays, and that is no error.
    }

    if (err) {
        in_data->utils->ansi.strcpy(out_data->return_msg, "ERROR");
        out_data->out_flags = PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    }
    return err;
}

}  // namespace pw
