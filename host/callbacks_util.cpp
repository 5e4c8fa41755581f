// PF_UtilCallbacks: the handle and ANSI routines; the image services answer "not available" until the host
// serves images.
#include "host/state.h"
#include "host/suites.h"

namespace pwhost {
namespace {

PF_Err NotServed(const char* op)
{
    return Guarded<PF_Err>(PF_Err_INVALID_CALLBACK, [&](HostState& s) -> PF_Err {
        s.log.Add(op, "");
        return PF_Err_INVALID_CALLBACK;
    });
}

}  // namespace
}  // namespace pwhost

extern "C" {

static PF_Err PF_CDECL pwhost_copy(PF_ProgPtr, PF_EffectWorld*, PF_EffectWorld*, PF_Rect*, PF_Rect*)
{
    return pwhost::NotServed("copy");
}
static PF_Err PF_CDECL pwhost_fill(PF_ProgPtr, const PF_Pixel*, const PF_Rect*, PF_EffectWorld*)
{
    return pwhost::NotServed("fill");
}
static PF_Err PF_CDECL pwhost_fill16(PF_ProgPtr, const PF_Pixel16*, const PF_Rect*, PF_EffectWorld*)
{
    return pwhost::NotServed("fill16");
}
static PF_Err PF_CDECL pwhost_new_world(PF_ProgPtr, A_long, A_long, A_long, PF_EffectWorld*)
{
    return pwhost::NotServed("new_world");
}
static PF_Err PF_CDECL pwhost_dispose_world(PF_ProgPtr, PF_EffectWorld*) { return pwhost::NotServed("dispose_world"); }

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
