// The treatment stages of a smart render, in the order the driver runs them.
#pragma once

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

}  // namespace pw
