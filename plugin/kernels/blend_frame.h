// The Color treatment's whole-frame step: every pixel, rows top to bottom, becomes
// BlendTable[mode](pixel, tint). A mode outside the table blends Normal.
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/cpu_features.h"
#include "kernels/image_view.h"

namespace pw {

// `isa` picks the lanes (the same bytes either way).
template <typename Pixel>
void BlendFrame(const ImageView<Pixel>& image, int32_t mode, const Pixel& tint, Isa isa = BestIsa());

}  // namespace pw
