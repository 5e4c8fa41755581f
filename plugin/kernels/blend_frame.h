// The Color treatment's whole-frame step: every pixel, rows top to bottom, becomes
// BlendTable[mode](pixel, tint). A mode outside the table blends Normal.
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/image_view.h"

namespace pw {

void BlendFrame(const ImageView<PF_Pixel8>& image, int32_t mode, const PF_Pixel8& tint);
void BlendFrame(const ImageView<PF_Pixel16>& image, int32_t mode, const PF_Pixel16& tint);
void BlendFrame(const ImageView<PF_PixelFloat>& image, int32_t mode, const PF_PixelFloat& tint);

}  // namespace pw
