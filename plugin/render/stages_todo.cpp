#include "render/stages.h"

namespace pw {

void RunColorStage(RenderContext& ctx) { ctx.StageDone(); }
void RunGlowStage(RenderContext& ctx) { ctx.StageDone(); }
void RunBlurStage(RenderContext& ctx) { ctx.StageDone(); }
void RunMosaicStage(RenderContext& ctx) { ctx.StageDone(); }
void RunNoiseStage(RenderContext& ctx) { ctx.StageDone(); }

}  // namespace pw
