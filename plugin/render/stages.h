// The treatment stages of a smart render, in the order the driver runs them.
#pragma once

#include "kernels/box_blur.h"
#include "render/render_context.h"

namespace pw {

// Scroll, Slice, Stretch and RGB Separation in one pass from the working image to the output; with none of them
// on, a plain copy. Writes every output pixel.
void RunGeometryStage(RenderContext& ctx);
void RunColorStage(RenderContext& ctx);
void RunGlowStage(RenderContext& ctx);
void RunBlurStage(RenderContext& ctx);
void RunMosaicStage(RenderContext& ctx);
void RunNoiseStage(RenderContext& ctx);

// Whether the geometry stage needs the line buffer (RGB Separation accumulates a row in it).
bool NeedsLineBuffer(const BeatState& beat);

// Bytes of one line-buffer entry: four running sums of the depth.
size_t LineEntryBytes(Depth depth);

// The line buffer as the blur passes' scratch: max(width, height) entries.
BoxBlurSums BlurScratch(const RenderContext& ctx);

}  // namespace pw
