// The Color treatment's 8-bit blend over opaque pixels (alpha 255, as most video is) as table lookups: with the tint
// fixed, a result channel depends on that channel alone, and the result alpha on nothing.
#pragma once

#include <cstdint>

#include "ae_basic.h"

namespace pw {

struct TintTables8 {
    uint8_t opaque[3][256];  // red, green, blue of an opaque pixel
    uint8_t opaqueAlpha;
};

// From the start of row[0, width), sixteen pixels at a time (fewer at the end), every pixel becomes {opaqueAlpha,
// opaque[0][red], opaque[1][green], opaque[2][blue]}; the first sixteen holding another alpha than 255 stops it,
// untouched. Returns the pixels done. Only where BestIsa() is Isa::Avx512Vbmi.
int32_t LookupTintRun8(PF_Pixel8* row, int32_t width, const TintTables8& tables);

}  // namespace pw
