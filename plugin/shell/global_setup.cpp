#include "commands.h"
#include "records.h"
#include "suite_cache.h"

namespace pw {
namespace {

// Frees the global record on every way out (a missing suite throws) unless the host received it.
struct GlobalRecordGuard {
    HandleSuite& handles;
    PF_Handle handle;
    PF_OutData* out_data;
    ~GlobalRecordGuard()
    {
        if (out_data->global_data != handle) handles.Dispose(handle);
    }
};

}  // namespace

PF_Err GlobalSetup(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data)
{
    HostSuiteCache suites(in_data->pica_basicP);
    out_data->my_version = kPluginVersion;
    out_data->out_flags |= kGlobalOutFlags;
    out_data->out_flags2 |= kGlobalOutFlags2;

    HandleSuite handles(suites, flavour);
    PF_Handle global = handles.NewHandle(sizeof(PluginGlobalData));
    if (!global) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    GlobalRecordGuard guard{handles, global, out_data};

    PF_Err err = PF_Err_NONE;
    if (auto* record = static_cast<PluginGlobalData*>(handles.Lock(global))) {
        record->initialized = 1;
        record->plugin_id = 0;  // stays 0 when registration is skipped, not whatever the handle held
        const bool skip = flavour.skipsRegistrationInPremiere && in_data->appl_id == PF_APPL_ID_PREMIERE;
        if (!skip) err = suites.Utility7().AEGP_RegisterWithAEGP(nullptr, "Error!", &record->plugin_id);
        if (!err) out_data->global_data = global;
    }
    handles.Unlock(global);
    return err;
}

PF_Err GlobalSetdown(const Flavour& flavour, PF_InData* in_data)
{
    HostSuiteCache suites(in_data->pica_basicP);
    if (in_data->global_data) HandleSuite(suites, flavour).Dispose(in_data->global_data);
    return PF_Err_NONE;
}

}  // namespace pw
