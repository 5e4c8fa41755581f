#include "host/param_state.h"

namespace pwhost {
namespace {

constexpr int32_t kTokenTag = 0x50775374;  // 'PwSt'
constexpr PF_ParamFlags kExcludeFromHaveInputsChanged = 0x100;  // PF_ParamFlag_EXCLUDE_FROM_HAVE_INPUTS_CHANGED

int32_t Check(int32_t instance, uint32_t revision)
{
    return static_cast<int32_t>((static_cast<uint32_t>(kTokenTag) ^ static_cast<uint32_t>(instance) ^ revision) *
                                0x9E3779B1u);
}

}  // namespace

PF_State MakeStateToken(int32_t instance, uint32_t revision)
{
    PF_State token;
    token.reservedAL[0] = kTokenTag;
    token.reservedAL[1] = instance;
    token.reservedAL[2] = static_cast<int32_t>(revision);
    token.reservedAL[3] = Check(instance, revision);
    return token;
}

bool ReadStateToken(const PF_State& token, int32_t instance, uint32_t& revision)
{
    const uint32_t named = static_cast<uint32_t>(token.reservedAL[2]);
    if (token.reservedAL[0] != kTokenTag || token.reservedAL[1] != instance ||
        token.reservedAL[3] != Check(instance, named))
        return false;
    revision = named;
    return true;
}

bool SelectorIsValid(const ParamRegistry& params, PF_ParamIndex which)
{
    if (which >= 0) return static_cast<std::size_t>(which) < params.Count();
    return which == PF_ParamIndex_CHECK_ALL || which == PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS ||
           which == PF_ParamIndex_CHECK_ALL_HONOR_EXCLUDE;
}

bool ChangedSince(const ParamRegistry& params, uint32_t revision, PF_ParamIndex which)
{
    if (which >= 0) return static_cast<std::size_t>(which) < params.Count() && params.ChangedAt(which) > revision;
    for (std::size_t i = 0; i < params.Count(); ++i) {
        const PF_ParamDef& def = params.At(i);
        if (which == PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS && def.param_type == PF_Param_LAYER) continue;
        if (which == PF_ParamIndex_CHECK_ALL_HONOR_EXCLUDE && (def.flags & kExcludeFromHaveInputsChanged))
            continue;
        if (params.ChangedAt(i) > revision) return true;
    }
    return false;
}

}  // namespace pwhost
