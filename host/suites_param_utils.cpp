// "PF Param Utils Suite" 1 and 2: the same operations in two slot orders (number 1 lacks
// PF_HaveInputsChangedOverTimeSpan). Parameter-state tokens, and keyframe search and checkout.
#include "host/keyframes.h"
#include "host/param_state.h"
#include "host/slot.h"
#include "host/state.h"
#include "host/suites.h"

namespace pwhost {
namespace {

// `args` builds the logged arguments' text, only when calls are recorded.
template <class Args, class Body>
PF_Err Entry(const char* op, PF_ProgPtr effect_ref, Args&& args, Body&& body)
{
    return Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](HostState& s) -> PF_Err {
        s.log.Add(op, args);
        if (const auto code = s.faults.Hit(op)) return *code;
        if (!s.IsOurEffect(effect_ref, op)) return PF_Err_BAD_CALLBACK_PARAM;
        return body(s);
    });
}

// A parameter index the plug-in may ask about keyframes of.
bool ValidParam(HostState& s, const char* op, PF_ParamIndex index)
{
    if (index >= 0 && static_cast<std::size_t>(index) < s.params.Count()) return true;
    s.Violation(std::string(op) + " of parameter " + std::to_string(index));
    return false;
}

// The key `dir` selects relative to `time`, or -1.
int FindKey(const std::vector<Keyframe>& keys, A_Time time, PF_TimeDir dir)
{
    const int n = static_cast<int>(keys.size());
    switch (dir) {
    case PF_TimeDir_GREATER_THAN:
        for (int i = 0; i < n; ++i)
            if (CompareTimes(keys[i].time, time) > 0) return i;
        return -1;
    case PF_TimeDir_GREATER_THAN_OR_EQUAL:
        for (int i = 0; i < n; ++i)
            if (CompareTimes(keys[i].time, time) >= 0) return i;
        return -1;
    case PF_TimeDir_LESS_THAN:
        for (int i = n; i-- > 0;)
            if (CompareTimes(keys[i].time, time) < 0) return i;
        return -1;
    default:  // PF_TimeDir_LESS_THAN_OR_EQUAL
        for (int i = n; i-- > 0;)
            if (CompareTimes(keys[i].time, time) <= 0) return i;
        return -1;
    }
}

}  // namespace
}  // namespace pwhost

extern "C" {

static PF_Err PF_CDECL pwhost_PF_GetCurrentState(PF_ProgPtr effect_ref, PF_State* state)
{
    return pwhost::Entry("PF_GetCurrentState", effect_ref, [] { return std::string(); }, [&](pwhost::HostState& s) -> PF_Err {
        if (!state) {
            s.Violation("PF_GetCurrentState without a place for the state");
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *state = pwhost::MakeStateToken(s.instanceId, s.params.Revision());
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_PF_HasParamChanged(PF_ProgPtr effect_ref, const PF_State* state, PF_ParamIndex index,
                                                 PF_Boolean* changed)
{
    return pwhost::Entry("PF_HasParamChanged", effect_ref, [&] { return std::to_string(index); }, [&](pwhost::HostState& s) -> PF_Err {
        if (!state || !changed || !pwhost::SelectorIsValid(s.params, index)) {
            s.Violation("PF_HasParamChanged of parameter " + std::to_string(index) +
                        (state && changed ? "" : " without a state or a place for the answer"));
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        uint32_t revision = 0;
        const bool known = pwhost::ReadStateToken(*state, s.instanceId, revision);
        *changed = !known || pwhost::ChangedSince(s.params, revision, index);
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_PF_FindKeyframeTime(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long time,
                                                  A_u_long scale, PF_TimeDir dir, PF_Boolean* found,
                                                  PF_KeyIndex* key_index, A_long* key_time, A_u_long* key_scale)
{
    const auto args = [&] {
        return std::to_string(index) + " " + std::to_string(time) + " " + std::to_string(scale) + " " + std::to_string(dir);
    };
    return pwhost::Entry("PF_FindKeyframeTime", effect_ref, args, [&](pwhost::HostState& s) -> PF_Err {
        if (!pwhost::ValidParam(s, "PF_FindKeyframeTime", index)) return PF_Err_BAD_CALLBACK_PARAM;
        if (!found || scale == 0 ||
            (dir != PF_TimeDir_GREATER_THAN && dir != PF_TimeDir_LESS_THAN &&
             dir != PF_TimeDir_GREATER_THAN_OR_EQUAL && dir != PF_TimeDir_LESS_THAN_OR_EQUAL)) {
            s.Violation("PF_FindKeyframeTime " + args() + (found ? "" : " without a place for the answer"));
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        const auto& keys = s.params.Track(static_cast<std::size_t>(index)).Keys();
        const int key = pwhost::FindKey(keys, A_Time{time, scale}, dir);
        *found = key >= 0;
        if (key >= 0) {
            if (key_index) *key_index = key;
            if (key_time) *key_time = keys[key].time.value;
            if (key_scale) *key_scale = keys[key].time.scale;
        }
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_PF_GetKeyframeCount(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_KeyIndex* count)
{
    return pwhost::Entry("PF_GetKeyframeCount", effect_ref, [&] { return std::to_string(index); }, [&](pwhost::HostState& s) -> PF_Err {
        if (!pwhost::ValidParam(s, "PF_GetKeyframeCount", index) || !count) return PF_Err_BAD_CALLBACK_PARAM;
        const auto n = s.params.Track(static_cast<std::size_t>(index)).Keys().size();
        *count = n ? static_cast<PF_KeyIndex>(n) : PF_KeyIndex_NONE;
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_PF_CheckoutKeyframe(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_KeyIndex key_index,
                                                  A_long* key_time, A_u_long* key_scale, PF_ParamDef* param)
{
    const auto args = [&] { return std::to_string(index) + " " + std::to_string(key_index); };
    return pwhost::Entry("PF_CheckoutKeyframe", effect_ref, args, [&](pwhost::HostState& s) -> PF_Err {
        if (!pwhost::ValidParam(s, "PF_CheckoutKeyframe", index)) return PF_Err_BAD_CALLBACK_PARAM;
        const auto& keys = s.params.Track(static_cast<std::size_t>(index)).Keys();
        if (key_index < 0 || static_cast<std::size_t>(key_index) >= keys.size()) {
            s.Violation("PF_CheckoutKeyframe of key " + std::to_string(key_index) + " of parameter " +
                        std::to_string(index) + ", which has " + std::to_string(keys.size()));
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        const pwhost::Keyframe& key = keys[static_cast<std::size_t>(key_index)];
        if (key_time) *key_time = key.time.value;
        if (key_scale) *key_scale = key.time.scale;
        if (param) {
            pwhost::Checkout checkout{pwhost::CheckoutKind::Keyframe, index, param,
                                      s.params.At(static_cast<std::size_t>(index), key.time), nullptr};
            pwhost::WriteValue(key.value, checkout.handed);
            *param = checkout.handed;
            s.checkouts.Add(checkout);
        }
        return PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_PF_CheckinKeyframe(PF_ProgPtr effect_ref, PF_ParamDef* param)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("PF_CheckinKeyframe");
        const auto fault = s.faults.Hit("PF_CheckinKeyframe");
        if (!s.IsOurEffect(effect_ref, "PF_CheckinKeyframe")) return PF_Err_BAD_CALLBACK_PARAM;
        pwhost::Checkout taken;
        if (!s.checkouts.Take(pwhost::CheckoutKind::Keyframe, param, taken)) {
            s.Violation("PF_CheckinKeyframe of a record that holds no checked-out keyframe");
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        return fault ? *fault : PF_Err_NONE;
    });
}

static PF_Err PF_CDECL pwhost_PF_KeyIndexToTime(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_KeyIndex key_index,
                                                A_long* key_time, A_u_long* key_scale)
{
    const auto args = [&] { return std::to_string(index) + " " + std::to_string(key_index); };
    return pwhost::Entry("PF_KeyIndexToTime", effect_ref, args, [&](pwhost::HostState& s) -> PF_Err {
        if (!pwhost::ValidParam(s, "PF_KeyIndexToTime", index)) return PF_Err_BAD_CALLBACK_PARAM;
        const auto& keys = s.params.Track(static_cast<std::size_t>(index)).Keys();
        if (key_index < 0 || static_cast<std::size_t>(key_index) >= keys.size() || !key_time || !key_scale) {
            s.Violation("PF_KeyIndexToTime " + args());
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *key_time = keys[static_cast<std::size_t>(key_index)].time.value;
        *key_scale = keys[static_cast<std::size_t>(key_index)].time.scale;
        return PF_Err_NONE;
    });
}

}  // extern "C"

namespace pwhost {
namespace {

// Both numbers name their entries alike; only the slot order differs.
template <class Table>
Table MakeParamUtils()
{
    Table t{};
    t.PF_GetCurrentState = pwhost_PF_GetCurrentState;
    t.PF_HasParamChanged = pwhost_PF_HasParamChanged;
    t.PF_FindKeyframeTime = pwhost_PF_FindKeyframeTime;
    SetSlot(t.PF_GetKeyframeCount, pwhost_PF_GetKeyframeCount);
    t.PF_CheckoutKeyframe = pwhost_PF_CheckoutKeyframe;
    t.PF_CheckinKeyframe = pwhost_PF_CheckinKeyframe;
    SetSlot(t.PF_KeyIndexToTime, pwhost_PF_KeyIndexToTime);
    return t;
}

}  // namespace

void RegisterParamUtilsSuites(SuiteBroker& broker)
{
    static const PF_ParamUtilsSuiteLegacy1 suite1 = MakeParamUtils<PF_ParamUtilsSuiteLegacy1>();
    static const PF_ParamUtilsSuite1 suite2 = MakeParamUtils<PF_ParamUtilsSuite1>();
    broker.Register(kPFParamUtilsSuite, 1, &suite1);
    broker.Register(kPFParamUtilsSuite, 2, &suite2);
}

}  // namespace pwhost
