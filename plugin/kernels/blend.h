// Blend functions of the Color and Glow treatments in the three depths, and the tables the
// "Color Blend Mode" popup indexes directly (entry 0 and the separator entry 2 are fillers).
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/pixel_depth.h"

namespace pw {

// P is the bottom (the layer's own pixel), Q the top (the tint or the glow pixel).
using BlendFunc8 = Pixel8Word (*)(Pixel8Word P, Pixel8Word Q);
using BlendFunc16 = Pixel16Word (*)(Pixel16Word P, Pixel16Word Q);
using BlendFuncFloat = PF_PixelFloat (*)(const PF_PixelFloat& P, const PF_PixelFloat& Q);

Pixel8Word BlendNormal(Pixel8Word P, Pixel8Word Q);
Pixel8Word BlendAdd(Pixel8Word P, Pixel8Word Q);
Pixel8Word BlendMultiply(Pixel8Word P, Pixel8Word Q);
Pixel8Word BlendScreen(Pixel8Word P, Pixel8Word Q);
Pixel8Word BlendOverlay(Pixel8Word P, Pixel8Word Q);
Pixel8Word BlendDodge(Pixel8Word P, Pixel8Word Q);
Pixel8Word BlendBurn(Pixel8Word P, Pixel8Word Q);
Pixel8Word BlendAddScaled(Pixel8Word P, Pixel8Word Q, const double* k);

Pixel16Word BlendNormal(Pixel16Word P, Pixel16Word Q);
Pixel16Word BlendAdd(Pixel16Word P, Pixel16Word Q);
Pixel16Word BlendMultiply(Pixel16Word P, Pixel16Word Q);
Pixel16Word BlendScreen(Pixel16Word P, Pixel16Word Q);
Pixel16Word BlendOverlay(Pixel16Word P, Pixel16Word Q);
Pixel16Word BlendDodge(Pixel16Word P, Pixel16Word Q);
Pixel16Word BlendBurn(Pixel16Word P, Pixel16Word Q);
Pixel16Word BlendAddScaled(Pixel16Word P, Pixel16Word Q, const double* k);

PF_PixelFloat BlendNormal(const PF_PixelFloat& P, const PF_PixelFloat& Q);
PF_PixelFloat BlendAdd(const PF_PixelFloat& P, const PF_PixelFloat& Q);
PF_PixelFloat BlendMultiply(const PF_PixelFloat& P, const PF_PixelFloat& Q);
PF_PixelFloat BlendScreen(const PF_PixelFloat& P, const PF_PixelFloat& Q);
PF_PixelFloat BlendOverlay(const PF_PixelFloat& P, const PF_PixelFloat& Q);
PF_PixelFloat BlendDodge(const PF_PixelFloat& P, const PF_PixelFloat& Q);
PF_PixelFloat BlendBurn(const PF_PixelFloat& P, const PF_PixelFloat& Q);
PF_PixelFloat BlendAddScaled(const PF_PixelFloat& P, const PF_PixelFloat& Q, const double* k);

constexpr int32_t kBlendTableSize = 9;
extern const BlendFunc8 BlendTable8[kBlendTableSize];
extern const BlendFunc16 BlendTable16[kBlendTableSize];
extern const BlendFuncFloat BlendTableFloat[kBlendTableSize];

// The popup value as a table index; a value outside the table (a damaged project) selects Normal.
inline int32_t BlendTableIndex(int32_t mode) { return mode >= 0 && mode < kBlendTableSize ? mode : 0; }

}  // namespace pw
