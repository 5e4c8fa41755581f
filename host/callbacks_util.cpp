// PF_UtilCallbacks: handles and ANSI routines (their own files), and the image services: worlds, copy and fill.
#include "host/state.h"
#include "host/suites.h"
#include "host/world_entries.h"
#include "host/world_ops.h"

extern "C" {

static PF_Err PF_CDECL pwhost_copy(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r,
                                   PF_Rect* dst_r)
{
    return pwhost::Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](pwhost::HostState& s) -> PF_Err {
        s.log.Add("copy", [&] { return s.WorldName(src) + " " + s.WorldName(dst) + " " + pwhost::RectText(src_r) + " " +
                              pwhost::RectText(dst_r); });
        if (const auto code = s.faults.Hit("copy")) return *code;
        if (!s.IsOurEffect(effect_ref, "copy")) return PF_Err_BAD_CALLBACK_PARAM;
        return pwhost::CopyWorld(s, src, dst, src_r, dst_r);
    });
}

static PF_Err PF_CDECL pwhost_fill(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* rect,
                                   PF_EffectWorld* world)
{
    return pwhost::FillEntry("fill", effect_ref, color, rect, world);
}

static PF_Err PF_CDECL pwhost_fill16(PF_ProgPtr effect_ref, const PF_Pixel16* color, const PF_Rect* rect,
                                     PF_EffectWorld* world)
{
    return pwhost::FillEntry("fill16", effect_ref, color, rect, world);
}

static PF_Err PF_CDECL pwhost_new_world(PF_ProgPtr effect_ref, A_long width, A_long height, A_long flags,
                                        PF_EffectWorld* world)
{
    return pwhost::NewWorldByFlags("new_world", effect_ref, width, height, flags, world);
}

static PF_Err PF_CDECL pwhost_dispose_world(PF_ProgPtr effect_ref, PF_EffectWorld* world)
{
    return pwhost::DisposeWorld("dispose_world", effect_ref, world);
}

}  // extern "C"

namespace pwhost {

PF_UtilCallbacks MakeUtilCallbacks()
{
    PF_UtilCallbacks utils{};
    utils.copy = pwhost_copy;
    utils.fill = pwhost_fill;
    utils.new_world = pwhost_new_world;
    utils.dispose_world = pwhost_dispose_world;
    utils.fill16 = pwhost_fill16;
    FillHandleCallbacks(utils);
    utils.ansi = MakeAnsiCallbacks();
    return utils;
}

}  // namespace pwhost
