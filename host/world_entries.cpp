#include "host/world_entries.h"

#include <cstdio>

#include "host/world_ops.h"

namespace pwhost {

std::string PixelText(const PF_Pixel* p)
{
    if (!p) return "null";
    return std::to_string(p->alpha) + "," + std::to_string(p->red) + "," + std::to_string(p->green) + "," +
           std::to_string(p->blue);
}

std::string PixelText(const PF_Pixel16* p)
{
    if (!p) return "null";
    return std::to_string(p->alpha) + "," + std::to_string(p->red) + "," + std::to_string(p->green) + "," +
           std::to_string(p->blue);
}

std::string PixelText(const PF_PixelFloat* p)
{
    if (!p) return "null";
    char text[96];
    std::snprintf(text, sizeof text, "%.9g,%.9g,%.9g,%.9g", p->alpha, p->red, p->green, p->blue);
    return text;
}

// new_world of the utility callbacks and of "PF World Suite" 1: deep pixels make a 16-bit world, else 8-bit.
PF_Err NewWorldByFlags(const char* op, PF_ProgPtr effect_ref, A_long width, A_long height, A_long flags,
                       PF_EffectWorld* world)
{
    return Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](HostState& s) -> PF_Err {
        s.log.Add(op, [&] { return std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(flags); });
        if (const auto code = s.faults.Hit(op)) return *code;
        if (!s.IsOurEffect(effect_ref, op)) return PF_Err_BAD_CALLBACK_PARAM;
        const PF_PixelFormat format =
            (flags & PF_NewWorldFlag_DEEP_PIXELS) ? PF_PixelFormat_ARGB64 : PF_PixelFormat_ARGB32;
        return NewPluginWorld(s, op, width, height, format, (flags & PF_NewWorldFlag_CLEAR_PIXELS) != 0, world);
    });
}

PF_Err DisposeWorld(const char* op, PF_ProgPtr effect_ref, PF_EffectWorld* world)
{
    return Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](HostState& s) -> PF_Err {
        s.log.Add(op, [&] { return s.WorldName(world); });
        const auto fault = s.faults.Hit(op);
        if (!s.IsOurEffect(effect_ref, op)) return PF_Err_BAD_CALLBACK_PARAM;
        const PF_Err err = DisposePluginWorld(s, op, world);
        return fault ? *fault : err;
    });
}

namespace {

template <class Pixel>
PF_Err Fill(const char* op, PF_ProgPtr effect_ref, const Pixel* color, const PF_Rect* rect, PF_EffectWorld* world)
{
    return Guarded<PF_Err>(PF_Err_INTERNAL_STRUCT_DAMAGED, [&](HostState& s) -> PF_Err {
        s.log.Add(op, [&] { return PixelText(color) + " " + RectText(rect) + " " + s.WorldName(world); });
        if (const auto code = s.faults.Hit(op)) return *code;
        if (!s.IsOurEffect(effect_ref, op)) return PF_Err_BAD_CALLBACK_PARAM;
        return FillWorld(s, op, color, rect, world);
    });
}

}  // namespace

PF_Err FillEntry(const char* op, PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* rect,
                 PF_EffectWorld* world)
{
    return Fill(op, effect_ref, color, rect, world);
}

PF_Err FillEntry(const char* op, PF_ProgPtr effect_ref, const PF_Pixel16* color, const PF_Rect* rect,
                 PF_EffectWorld* world)
{
    return Fill(op, effect_ref, color, rect, world);
}

PF_Err FillEntry(const char* op, PF_ProgPtr effect_ref, const PF_PixelFloat* color, const PF_Rect* rect,
                 PF_EffectWorld* world)
{
    return Fill(op, effect_ref, color, rect, world);
}

}  // namespace pwhost

