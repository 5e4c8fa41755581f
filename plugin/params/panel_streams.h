// The parameter streams whose panel visibility the plug-in manages, held for one panel update.
#pragma once

#include "ae_suites.h"
#include "shell/suite_cache.h"

namespace pw {

inline constexpr int kPanelTreatmentCount = 10;

// The choices that decide what the panel shows, in treatment order.
struct PanelChoices {
    bool automatic[kPanelTreatmentCount];  // Manual/Auto popup on Auto
    bool bpmMode;                          // "Mode" on BPM
    bool randomColors;                     // "RGB Separation Color" on Random
};

PanelChoices ReadPanelChoices(PF_ParamDef* const params[]);

// Host references obtained during one run; null until obtained, null again once released.
struct PanelStreams {
    AEGP_EffectRefH effect = nullptr;
    AEGP_StreamRefH manual[kPanelTreatmentCount] = {};
    AEGP_StreamRefH probability[kPanelTreatmentCount] = {};
    AEGP_StreamRefH bpm = nullptr;
    AEGP_StreamRefH beat = nullptr;
    AEGP_StreamRefH fixedColor1 = nullptr;
    AEGP_StreamRefH fixedColor2 = nullptr;
};

// Takes the effect and its streams and sets each stream's hidden flag, stopping at the first host error.
// Everything obtained is left in `held` for ReleasePanelStreams, whatever the outcome.
PF_Err ShowAndHide(HostSuiteCache& suites, AEGP_PluginID plugin_id, PF_ProgPtr effect_ref,
                   const PanelChoices& choices, PanelStreams& held);

// Releases every reference in `held` (effect, then the treatment streams slider before checkbox, then "BPM",
// "Beat" and the two fixed colours). Returns `err` if set, else the first release error. The tables are passed
// already acquired so that this never throws, not even while a missing-suite error is on its way out.
PF_Err ReleasePanelStreams(const AEGP_EffectSuite2& effects, const AEGP_StreamSuite2& streams, PanelStreams& held,
                           PF_Err err);

}  // namespace pw
