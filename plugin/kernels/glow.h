// The Glow treatment's steps: the brightness threshold, the bright pass that clears dim pixels' alpha in
// the glow buffer, the blur of the glow buffer and its scaled-Add composite onto the output.
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "kernels/box_blur.h"
#include "kernels/cpu_features.h"
#include "kernels/image_view.h"

namespace pw {

// q = 256 - trunc((255 - T) x s): T + 1 at full strength, 256 (nothing glows) at strength 0.
int32_t GlowThreshold(int32_t threshold, double strength);

// Brightness on the 0..255 scale of the threshold. A NaN float luma counts as 0; out-of-range values
// saturate.
int32_t GlowLuma(const PF_Pixel8& p);
int32_t GlowLuma(const PF_Pixel16& p);
int32_t GlowLuma(const PF_PixelFloat& p);

// Where the OUTPUT pixel's luma is below q, the glow pixel at the same place loses its alpha. `isa` picks the lanes
// (the same bytes either way).
template <typename Pixel>
void GlowBrightPass(const ImageView<Pixel>& output, const ImageView<Pixel>& glow, int32_t q, Isa isa = BestIsa());

// The bright pass and then the rows of the glow buffer's blur, band by band so that each band's rows are blurred
// while the pass has left them in cache: the same bytes as GlowBrightPass, then BoxBlurRows.
template <typename Pixel>
void GlowBrightRows(const ImageView<Pixel>& output, const ImageView<Pixel>& glow, int32_t q, const BoxBlurSums& sums,
                    int32_t r, Isa isa = BestIsa());

// Rows, then columns, of the glow buffer with radius r.
template <typename Pixel>
void GlowBlur(const BoxBlurSums& sums, int32_t r, const ImageView<Pixel>& glow);

// Every output pixel becomes BlendAddScaled(output pixel, glow pixel, k). `isa` picks the lanes (the same bytes
// either way).
template <typename Pixel>
void GlowComposite(const ImageView<Pixel>& output, const ImageView<Pixel>& glow, double k, Isa isa = BestIsa());

}  // namespace pw
