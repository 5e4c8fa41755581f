// "PF Fill Matte Suite" 2: rectangle fills in each depth. The premultiply entries are not served.
#include "host/state.h"
#include "host/suites.h"
#include "host/world_entries.h"

extern "C" {

static PF_Err PF_CDECL pwhost_fm_fill(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* rect,
                                      PF_EffectWorld* world)
{
    return pwhost::FillEntry("fill", effect_ref, color, rect, world);
}

static PF_Err PF_CDECL pwhost_fm_fill16(PF_ProgPtr effect_ref, const PF_Pixel16* color, const PF_Rect* rect,
                                        PF_EffectWorld* world)
{
    return pwhost::FillEntry("fill16", effect_ref, color, rect, world);
}

static PF_Err PF_CDECL pwhost_fm_fill_float(PF_ProgPtr effect_ref, const PF_PixelFloat* color, const PF_Rect* rect,
                                            PF_EffectWorld* world)
{
    return pwhost::FillEntry("fill_float", effect_ref, color, rect, world);
}

}  // extern "C"

namespace pwhost {

void RegisterFillMatteSuite(SuiteBroker& broker)
{
    static const PF_FillMatteSuite2 suite2{pwhost_fm_fill, pwhost_fm_fill16, pwhost_fm_fill_float};
    broker.Register(kPFFillMatteSuite, 2, &suite2);
}

}  // namespace pwhost
