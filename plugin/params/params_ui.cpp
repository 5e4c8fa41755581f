#include <cstdio>

#include "panel_streams.h"
#include "shell/commands.h"
#include "shell/records.h"
#include "state_token.h"

namespace pw {
namespace {

// Without its records the handler has no plug-in identity for the host and no token to compare, so it touches
// nothing and says why. No refresh is requested: the panel was not changed.
PF_Err MissingRecord(PF_OutData* out_data, const char* message)
{
    std::snprintf(out_data->return_msg, sizeof out_data->return_msg, "%s", message);
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    return PF_Err_BAD_CALLBACK_PARAM;
}

bool HasPanelSuites(HostSuiteCache& suites)
{
    try {
        suites.Stream7();
        suites.Effect2();
        suites.PFInterface1();
        suites.DynamicStream2();
        return true;
    } catch (const MissingSuiteError&) {
        return false;
    }
}

}  // namespace

PF_Err UpdateParamsUI(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[])
{
    PluginGlobalData* global = RecordIn<PluginGlobalData>(in_data->global_data);
    if (!global) return MissingRecord(out_data, "Missing global data.");
    if (!RecordIn<SequenceStateRecord>(in_data->sequence_data))
        return MissingRecord(out_data, "Missing sequence data.");

    HostSuiteCache suites(in_data->pica_basicP);
    const PanelChoices choices = ReadPanelChoices(params);

    // An editor offers no AEGP suite, so no stream of the panel can be shown or hidden there; the state token
    // still follows the parameters. Every other host without them keeps failing as before.
    if (in_data->appl_id == PF_APPL_ID_PREMIERE && !HasPanelSuites(suites)) {
        const PF_Err err = RenewStateToken(flavour, suites, in_data, out_data, *global);
        if (!err) global->initialized = 1;
        out_data->out_flags |= PF_OutFlag_REFRESH_UI;
        return err;
    }

    // The suites that give references back are taken before any reference exists, so a missing one cannot leave
    // a reference behind and the release below never needs a suite it does not hold yet.
    const AEGP_StreamSuite2& streamSuite = suites.Stream7();
    const AEGP_EffectSuite2& effectSuite = suites.Effect2();

    PanelStreams held;
    PF_Err err = PF_Err_NONE;
    try {
        err = ShowAndHide(suites, global->plugin_id, in_data->effect_ref, choices, held);
        if (!err) err = RenewStateToken(flavour, suites, in_data, out_data, *global);
        if (!err) global->initialized = 1;
    } catch (const MissingSuiteError&) {
        ReleasePanelStreams(effectSuite, streamSuite, held, PF_Err_NONE);
        throw;
    }
    err = ReleasePanelStreams(effectSuite, streamSuite, held, err);
    out_data->out_flags |= PF_OutFlag_REFRESH_UI;
    return err;
}

}  // namespace pw
