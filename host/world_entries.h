// The world operations as callbacks run them: logged, subject to the fault plan, checked for this effect's
// reference, then done by world_ops. Shared by the utility callbacks and the suites that serve the same operation.
#pragma once

#include <string>

#include "host/state.h"

namespace pwhost {

std::string PixelText(const PF_Pixel* p);
std::string PixelText(const PF_Pixel16* p);
std::string PixelText(const PF_PixelFloat* p);

// Deep pixels make a 16-bit world, anything else an 8-bit one; clear pixels zero it.
PF_Err NewWorldByFlags(const char* op, PF_ProgPtr effect_ref, A_long width, A_long height, A_long flags,
                       PF_EffectWorld* world);
PF_Err DisposeWorld(const char* op, PF_ProgPtr effect_ref, PF_EffectWorld* world);

PF_Err FillEntry(const char* op, PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* rect,
                 PF_EffectWorld* world);
PF_Err FillEntry(const char* op, PF_ProgPtr effect_ref, const PF_Pixel16* color, const PF_Rect* rect,
                 PF_EffectWorld* world);
PF_Err FillEntry(const char* op, PF_ProgPtr effect_ref, const PF_PixelFloat* color, const PF_Rect* rect,
                 PF_EffectWorld* world);

}  // namespace pwhost
