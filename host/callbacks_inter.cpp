// PF_InteractCallbacks: parameter declaration and checkout, abort and progress.
#include <cstring>

#include "host/state.h"
#include "host/suites.h"

namespace pwhost {
namespace {

std::string DeclaredName(const PF_ParamDef* def)
{
    if (!def) return "(no record)";
    std::string name;
    for (char c : def->name) {
        if (!c) break;
        name += c;
    }
    return name;
}

// Index 0 is the input layer at that time, every other index the parameter's value at that time.
PF_Err CheckoutParam(HostState& s, PF_ParamIndex index, A_long time, A_long step, A_u_long scale, PF_ParamDef* param)
{
    if (!param || index < 0 || static_cast<std::size_t>(index) >= s.params.Count()) {
        s.Violation("checkout_param of index " + std::to_string(index) + (param ? "" : " without a record"));
        return PF_Err_INVALID_INDEX;
    }
    if (scale == 0) {
        // A plug-in that hands back the scale it was given is not at fault when the host gave it 0.
        if (s.settings.timeScale != 0) s.Violation("checkout_param with a time scale of 0");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    (void)step;
    Checkout checkout{CheckoutKind::Param, index, param, {}, nullptr};
    if (index == 0) {
        PF_EffectWorld world;
        if (const PF_Err err = s.NewLayerWorld(time, scale, world)) return err;
        std::memset(&checkout.handed, 0, sizeof checkout.handed);
        checkout.handed.param_type = PF_Param_LAYER;
        checkout.handed.u.ld = world;
        checkout.layerPixels = world.data;
    } else {
        checkout.handed = s.params.At(static_cast<std::size_t>(index), A_Time{time, scale});
    }
    *param = checkout.handed;
    s.checkouts.Add(checkout);
    return PF_Err_NONE;
}

PF_Err CheckinParam(HostState& s, PF_ParamDef* param)
{
    Checkout taken;
    if (!s.checkouts.Take(CheckoutKind::Param, param, taken)) {
        s.Violation("checkin_param of " + (param ? "\"" + DeclaredName(param) + "\"" : std::string("a null record")) +
                    ", which is not checked out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (taken.layerPixels) s.ReleaseLayerWorld(taken.handed.u.ld);
    return PF_Err_NONE;
}

}  // namespace
}  // namespace pwhost

extern "C" {

static PF_Err PF_CDECL pwhost_add_param(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("add_param", [&] { return pwhost::DeclaredName(def); });
        if (const auto code = s.faults.Hit("add_param")) return *code;
        if (!s.IsOurEffect(effect_ref, "add_param")) return PF_Err_BAD_CALLBACK_PARAM;
        if (!def) {
            s.Violation("add_param without a record");
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        const PF_Err err = s.params.Add(index, *def);
        if (err) s.Violation("add_param at index " + std::to_string(index));
        return err;
    });
}

static PF_Err PF_CDECL pwhost_checkout_param(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long time, A_long step,
                                             A_u_long scale, PF_ParamDef* param)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("checkout_param", [&] { return std::to_string(index) + " " + std::to_string(time) + " " +
                                        std::to_string(step) + " " + std::to_string(scale); });
        if (const auto code = s.faults.Hit("checkout_param")) return *code;
        if (!s.IsOurEffect(effect_ref, "checkout_param")) return PF_Err_BAD_CALLBACK_PARAM;
        return pwhost::CheckoutParam(s, index, time, step, scale, param);
    });
}

static PF_Err PF_CDECL pwhost_checkin_param(PF_ProgPtr effect_ref, PF_ParamDef* param)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("checkin_param", [&] { return pwhost::DeclaredName(param); });
        const auto fault = s.faults.Hit("checkin_param");
        if (!s.IsOurEffect(effect_ref, "checkin_param")) return PF_Err_BAD_CALLBACK_PARAM;
        const PF_Err err = pwhost::CheckinParam(s, param);
        return fault ? *fault : err;
    });
}

static PF_Err PF_CDECL pwhost_abort(PF_ProgPtr effect_ref)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("abort");
        if (const auto code = s.faults.Hit("abort")) return *code;
        s.IsOurEffect(effect_ref, "abort");
        return s.abortHook ? s.abortHook() : PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_progress(PF_ProgPtr effect_ref, A_long current, A_long total)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("progress", [&] { return std::to_string(current) + " " + std::to_string(total); });
        if (s.log.Recording()) s.progress.push_back(pwhost::ProgressReport{current, total});
        if (const auto code = s.faults.Hit("progress")) return *code;
        s.IsOurEffect(effect_ref, "progress");
        return s.progressHook ? s.progressHook(current, total) : PF_Err_NONE;
    });
}

}  // extern "C"

namespace pwhost {

PF_InteractCallbacks MakeInteractCallbacks()
{
    PF_InteractCallbacks inter{};
    inter.checkout_param = pwhost_checkout_param;
    inter.checkin_param = pwhost_checkin_param;
    inter.add_param = pwhost_add_param;
    inter.abort = pwhost_abort;
    inter.progress = pwhost_progress;
    return inter;
}

}  // namespace pwhost
