// PF_InteractCallbacks: parameter declaration and checkout, abort and progress.
#include "host/state.h"
#include "host/suites.h"

namespace pwhost {
namespace {

bool IsOurEffect(HostState& s, PF_ProgPtr effect_ref, const char* op)
{
    if (effect_ref == s.EffectRef()) return true;
    s.Violation(std::string(op) + " with an effect_ref that is not this effect's");
    return false;
}

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

}  // namespace
}  // namespace pwhost

extern "C" {

static PF_Err PF_CDECL pwhost_add_param(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("add_param", pwhost::DeclaredName(def));
        if (const auto code = s.faults.Hit("add_param")) return *code;
        if (!pwhost::IsOurEffect(s, effect_ref, "add_param")) return PF_Err_BAD_CALLBACK_PARAM;
        if (!def) {
            s.Violation("add_param without a record");
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        const PF_Err err = s.params.Add(index, *def);
        if (err) s.Violation("add_param at index " + std::to_string(index));
        return err;
    });
}

// Parameter values do not vary over time yet: a checkout hands over the declared record.
static PF_Err PF_CDECL pwhost_checkout_param(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long time, A_long step,
                                             A_u_long scale, PF_ParamDef* param)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("checkout_param", std::to_string(index) + " " + std::to_string(time) + " " +
                                        std::to_string(step) + " " + std::to_string(scale));
        if (const auto code = s.faults.Hit("checkout_param")) return *code;
        if (!pwhost::IsOurEffect(s, effect_ref, "checkout_param")) return PF_Err_BAD_CALLBACK_PARAM;
        if (!param || index < 0 || static_cast<std::size_t>(index) >= s.params.Count()) {
            s.Violation("checkout_param of index " + std::to_string(index));
            return PF_Err_INVALID_INDEX;
        }
        if (index == 0) return PF_Err_INVALID_CALLBACK;  // no layer images are served yet
        *param = s.params.At(static_cast<std::size_t>(index));
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_checkin_param(PF_ProgPtr effect_ref, PF_ParamDef* param)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("checkin_param", pwhost::DeclaredName(param));
        if (const auto code = s.faults.Hit("checkin_param")) return *code;
        if (!pwhost::IsOurEffect(s, effect_ref, "checkin_param")) return PF_Err_BAD_CALLBACK_PARAM;
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_abort(PF_ProgPtr effect_ref)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("abort", "");
        if (const auto code = s.faults.Hit("abort")) return *code;
        pwhost::IsOurEffect(s, effect_ref, "abort");
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_progress(PF_ProgPtr effect_ref, A_long current, A_long total)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("progress", std::to_string(current) + " " + std::to_string(total));
        if (const auto code = s.faults.Hit("progress")) return *code;
        pwhost::IsOurEffect(s, effect_ref, "progress");
        return PF_Err_NONE;
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
