#include "panel_streams.h"

#include "param_ids.h"

namespace pw {
namespace {

constexpr PF_ParamValue kChoiceAuto = 2;
constexpr PF_ParamValue kChoiceBpm = 1;
constexpr PF_ParamValue kChoiceRandom = 2;

// Host calls chained on one running error: each runs only while nothing has failed yet.
struct StreamCalls {
    HostSuiteCache& suites;
    AEGP_PluginID plugin_id;
    AEGP_EffectRefH effect;
    PF_Err err;

    void Get(int index, AEGP_StreamRefH* out)
    {
        if (!err) err = suites.Stream7().AEGP_GetNewEffectStreamByIndex(plugin_id, effect, index, out);
    }
    void SetHidden(AEGP_StreamRefH stream, bool hidden)
    {
        if (!err)
            err = suites.DynamicStream2().AEGP_SetDynamicStreamFlag(stream, AEGP_DynStreamFlag_HIDDEN, false,
                                                                    hidden);
    }
};

}  // namespace

PanelChoices ReadPanelChoices(PF_ParamDef* const params[])
{
    PanelChoices c{};
    for (int t = 0; t < kPanelTreatmentCount; ++t)
        c.automatic[t] = params[PARAM_SCROLL_MANUAL_AUTO + t]->u.pd.value == kChoiceAuto;
    c.bpmMode = params[PARAM_MODE]->u.pd.value == kChoiceBpm;
    c.randomColors = params[PARAM_RGB_SEPARATION_COLOR]->u.pd.value == kChoiceRandom;
    return c;
}

PF_Err ShowAndHide(HostSuiteCache& suites, AEGP_PluginID plugin_id, PF_ProgPtr effect_ref,
                   const PanelChoices& choices, PanelStreams& held)
{
    PF_Err err = suites.PFInterface1().AEGP_GetNewEffectForEffect(plugin_id, effect_ref, &held.effect);
    StreamCalls calls{suites, plugin_id, held.effect, err};

    for (int t = 0; t < kPanelTreatmentCount; ++t) {
        calls.Get(PARAM_SCROLL_MANUAL + t, &held.manual[t]);
        calls.Get(PARAM_SCROLL_PROBABILITY + t, &held.probability[t]);
    }
    for (int t = 0; t < kPanelTreatmentCount; ++t) {
        calls.SetHidden(held.manual[t], choices.automatic[t]);
        calls.SetHidden(held.probability[t], !choices.automatic[t]);
    }

    calls.Get(PARAM_BPM, &held.bpm);
    calls.Get(PARAM_BEAT, &held.beat);
    calls.SetHidden(held.bpm, !choices.bpmMode);
    calls.SetHidden(held.beat, choices.bpmMode);

    calls.Get(PARAM_RGB_SEPARATION_COLOR_1, &held.fixedColor1);
    calls.Get(PARAM_RGB_SEPARATION_COLOR_2, &held.fixedColor2);
    calls.SetHidden(held.fixedColor1, choices.randomColors);
    calls.SetHidden(held.fixedColor2, choices.randomColors);
    return calls.err;
}

PF_Err ReleasePanelStreams(const AEGP_EffectSuite2& effects, const AEGP_StreamSuite2& streams, PanelStreams& held,
                           PF_Err err)
{
    // Every held reference goes back to the host, even after a failure; the first error stays the result.
    auto keep = [&err](A_Err released) {
        if (!err) err = released;
    };
    auto dispose = [&](AEGP_StreamRefH& stream) {
        if (stream) keep(streams.AEGP_DisposeStream(stream));
        stream = nullptr;
    };
    if (held.effect) keep(effects.AEGP_DisposeEffect(held.effect));
    held.effect = nullptr;
    for (int t = 0; t < kPanelTreatmentCount; ++t) {
        dispose(held.probability[t]);
        dispose(held.manual[t]);
    }
    dispose(held.bpm);
    dispose(held.beat);
    dispose(held.fixedColor1);
    dispose(held.fixedColor2);
    return err;
}

}  // namespace pw
