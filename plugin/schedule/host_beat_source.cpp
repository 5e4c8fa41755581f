#include "schedule/host_beat_source.h"

#include <cstring>

#include "params/param_ids.h"

namespace pw {

double QueryCompFrameRate(HostSuiteCache& suites, const PF_InData* in_data, PF_Err& err)
{
    AEGP_LayerH layer = nullptr;
    AEGP_CompH comp = nullptr;
    double fps = 0;
    try {
        if (!err) err = suites.PFInterface1().AEGP_GetEffectLayer(in_data->effect_ref, &layer);
        if (!err) err = suites.Layer11().AEGP_GetLayerParentComp(layer, &comp);
        if (!err) err = suites.Comp11().AEGP_GetCompFramerate(comp, &fps);
    } catch (const MissingSuiteError&) {
        // An editor's sequence has no composition; its timebase is the frame rate, and the frame index counts
        // in the same step, so the beats fall where a composition of that rate puts them.
        if (in_data->appl_id != PF_APPL_ID_PREMIERE) throw;
        return TimeValueFrameRate(FrameTime{in_data->current_time, in_data->time_step, in_data->time_scale});
    }
    return err ? 0.0 : fps;
}

PF_Err HostBpmKeyframes::Find(PF_TimeDir direction, KeyframeSearch& result)
{
    PF_Boolean found = 0;
    PF_KeyIndex index = 0;
    A_long keyTime = 0;
    A_u_long keyScale = 0;
    const PF_Err err = utils_.FindKeyframeTime()(in_data_->effect_ref, PARAM_BPM, in_data_->current_time,
                                                 in_data_->time_scale, direction, &found, &index, &keyTime,
                                                 &keyScale);
    result = {found != 0, index};
    return err;
}

PF_Err HostBpmKeyframes::FindAtOrBefore(KeyframeSearch& result)
{
    return Find(PF_TimeDir_LESS_THAN_OR_EQUAL, result);
}

PF_Err HostBpmKeyframes::FindAfter(KeyframeSearch& result) { return Find(PF_TimeDir_GREATER_THAN, result); }

double HostBpmKeyframes::BpmAtTimeZero()
{
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    if (in_data_->inter.checkout_param(in_data_->effect_ref, PARAM_BPM, 0, in_data_->time_step,
                                       in_data_->time_scale, &def) != PF_Err_NONE) {
        return 0.0;
    }
    const double bpm = def.u.fs_d.value;
    in_data_->inter.checkin_param(in_data_->effect_ref, &def);
    return bpm;
}

PF_Err HostBpmKeyframes::ReadKeyframe(PF_KeyIndex index, BpmKeyframe& key)
{
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    A_long time = 0;
    A_u_long scale = 0;
    PF_Err err = utils_.CheckoutKeyframe()(in_data_->effect_ref, PARAM_BPM, index, &time, &scale, &def);
    if (err) return err;
    key = {def.u.fs_d.value, time, scale};
    return utils_.CheckinKeyframe()(in_data_->effect_ref, &def);
}

}  // namespace pw
