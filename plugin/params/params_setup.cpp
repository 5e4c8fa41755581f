#include <cstring>

#include "shell/commands.h"
#include "param_table.h"

namespace pw {
namespace {

constexpr PF_Fixed PercentToFixed(float percent) { return static_cast<PF_Fixed>(percent * 65536.0f); }

void FillDef(const ParamSpec& spec, PF_ParamDef& def)
{
    switch (spec.kind) {
    case ParamKind::Popup:
        def.param_type = PF_Param_POPUP;
        def.u.pd.value = static_cast<PF_ParamValue>(spec.dephault);
        def.u.pd.dephault = static_cast<A_short>(spec.dephault);
        def.u.pd.num_choices = static_cast<A_short>(CountChoices(spec.choices));
        def.u.pd.u.namesptr = spec.choices;
        break;
    case ParamKind::FloatSlider:
        def.param_type = PF_Param_FLOAT_SLIDER;
        def.u.fs_d.valid_min = spec.validMin;
        def.u.fs_d.valid_max = spec.validMax;
        def.u.fs_d.slider_min = spec.sliderMin;
        def.u.fs_d.slider_max = spec.sliderMax;
        def.u.fs_d.dephault = spec.dephault;
        def.u.fs_d.value = static_cast<double>(spec.dephault);
        def.u.fs_d.precision = spec.precision;
        def.u.fs_d.display_flags = PF_ValueDisplayFlag_NONE;
        def.u.fs_d.fs_flags = 0;
        def.u.fs_d.curve_tolerance = 0.05f;
        break;
    case ParamKind::Percent:
        def.param_type = PF_Param_FIX_SLIDER;
        def.u.fd.valid_min = PercentToFixed(spec.validMin);
        def.u.fd.valid_max = PercentToFixed(spec.validMax);
        def.u.fd.slider_min = PercentToFixed(spec.sliderMin);
        def.u.fd.slider_max = PercentToFixed(spec.sliderMax);
        def.u.fd.value = def.u.fd.dephault = PercentToFixed(spec.dephault);
        def.u.fd.precision = spec.precision;
        def.u.fd.display_flags = PF_ValueDisplayFlag_PERCENT;
        break;
    case ParamKind::IntSlider:
        def.param_type = PF_Param_SLIDER;
        def.u.sd.valid_min = static_cast<PF_ParamValue>(spec.validMin);
        def.u.sd.valid_max = static_cast<PF_ParamValue>(spec.validMax);
        def.u.sd.slider_min = static_cast<PF_ParamValue>(spec.sliderMin);
        def.u.sd.slider_max = static_cast<PF_ParamValue>(spec.sliderMax);
        def.u.sd.value = def.u.sd.dephault = static_cast<PF_ParamValue>(spec.dephault);
        break;
    case ParamKind::Checkbox:
        def.param_type = PF_Param_CHECKBOX;
        def.u.bd.value = 0;
        def.u.bd.dephault = 0;
        def.u.bd.u.nameptr = "";
        break;
    case ParamKind::Colour:
        def.param_type = PF_Param_COLOR;
        def.u.cd.value = def.u.cd.dephault = spec.colour;
        break;
    case ParamKind::GroupStart: def.param_type = PF_Param_GROUP_START; break;
    case ParamKind::GroupEnd: def.param_type = PF_Param_GROUP_END; break;
    }
}

// Saved projects know "Scroll Direction" under the identifier of "Scroll Mode".
A_long PersistentId(ParamId id) { return id == PARAM_SCROLL_DIRECTION ? PARAM_SCROLL_MODE : id; }

}  // namespace

PF_Err ParamsSetup(const Flavour& flavour, PF_InData* in_data, PF_OutData* out_data)
{
    for (int position = 0; position < kDeclaredParamCount; ++position) {
        const ParamSpec spec = DeclaredParam(flavour, position);
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        FillDef(spec, def);
        if (spec.kind != ParamKind::GroupEnd) in_data->utils->ansi.strcpy(def.name, spec.name);
        def.uu.id = PersistentId(spec.id);
        if (PF_Err err = in_data->inter.add_param(in_data->effect_ref, -1, &def)) return err;
    }
    out_data->num_params = PARAM_COUNT;
    return PF_Err_NONE;
}

}  // namespace pw
