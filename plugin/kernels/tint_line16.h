// The Color treatment's 16-bit blend over opaque pixels as arithmetic. With the tint fixed, an opaque pixel's channel
// p comes out as the truncation of a value that, for most modes, is a line in p (Normal, Multiply, Screen; Add, Dodge
// and Burn below their caps). Where a fixed-point line gives every entry of the opaque tables, eight pixels are
// worked out at a time instead of looked up.
#pragma once

#include <cstdint>

#include "ae_basic.h"

namespace pw {

// (p x slope[c] + offset[c]) >> kShift is channel c's table entry for every p in 0..32768; alpha the result alpha.
struct TintLine16 {
    static constexpr int kShift = 44;
    uint64_t slope[3], offset[3];
    A_u_short alpha;
};

// The line through the values before truncation, v(p) = slope p + offset per channel (red, green, blue), if it gives
// every entry of the three tables (32769 each, one after another) exactly; false otherwise, `line` then unused.
bool FitTintLine16(const A_u_short* tables, const double (&slope)[3], const double (&offset)[3], A_u_short alpha,
                   TintLine16& line);

// From the start of row[0, width), eight pixels at a time, every pixel whose alpha is 32768 and whose channels are at
// most 32768 becomes {alpha, line(red), line(green), line(blue)}; the first eight that are not all such stop it,
// untouched, as does a remainder under eight. Returns the pixels done. Only where BestIsa() is Isa::Avx512Vbmi.
int32_t LineRun16(PF_Pixel16* row, int32_t width, const TintLine16& line);

}  // namespace pw
