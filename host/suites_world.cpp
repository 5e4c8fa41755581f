// "PF World Suite" 1 (the utility callbacks' new_world and dispose_world) and 2 (worlds by pixel format).
#include "host/state.h"
#include "host/suites.h"
#include "host/world_entries.h"
#include "host/world_ops.h"

extern "C" {

static PF_Err PF_CDECL pwhost_ws1_new_world(PF_ProgPtr effect_ref, A_long width, A_long height, A_long flags,
                                            PF_EffectWorld* world)
{
    return pwhost::NewWorldByFlags("new_world", effect_ref, width, height, flags, world);
}

static PF_Err PF_CDECL pwhost_ws1_dispose_world(PF_ProgPtr effect_ref, PF_EffectWorld* world)
{
    return pwhost::DisposeWorld("dispose_world", effect_ref, world);
}

static PF_Err PF_CDECL pwhost_PF_NewWorld(PF_ProgPtr effect_ref, A_long width, A_long height, PF_Boolean clear,
                                          PF_PixelFormat format, PF_EffectWorld* world)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("PF_NewWorld", [&] { return std::to_string(width) + " " + std::to_string(height) + " " +
                                     std::to_string(static_cast<int>(clear)) + " " + std::to_string(format); });
        if (const auto code = s.faults.Hit("PF_NewWorld")) return *code;
        if (!s.IsOurEffect(effect_ref, "PF_NewWorld")) return PF_Err_BAD_CALLBACK_PARAM;
        return pwhost::NewPluginWorld(s, "PF_NewWorld", width, height, format, clear != 0, world);
    });
}

static PF_Err PF_CDECL pwhost_PF_DisposeWorld(PF_ProgPtr effect_ref, PF_EffectWorld* world)
{
    return pwhost::DisposeWorld("PF_DisposeWorld", effect_ref, world);
}

static PF_Err PF_CDECL pwhost_PF_GetPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("PF_GetPixelFormat", [&] { return s.WorldName(world); });
        if (const auto code = s.faults.Hit("PF_GetPixelFormat")) return *code;
        const auto info = s.worlds.Find(world);
        if (!format || !info) {
            s.Violation("PF_GetPixelFormat of " + s.WorldName(world) + (format ? "" : " without a place for it"));
            return PF_Err_BAD_CALLBACK_PARAM;
        }
        *format = info->format;
        return PF_Err_NONE;
    });
}

}  // extern "C"

namespace pwhost {

void RegisterWorldSuites(SuiteBroker& broker)
{
    static const PF_WorldSuite1 suite1{pwhost_ws1_new_world, pwhost_ws1_dispose_world};
    static const PF_WorldSuite2 suite2{pwhost_PF_NewWorld, pwhost_PF_DisposeWorld, pwhost_PF_GetPixelFormat};
    broker.Register(kPFWorldSuite, 1, &suite1);
    broker.Register(kPFWorldSuite, 2, &suite2);
}

}  // namespace pwhost
