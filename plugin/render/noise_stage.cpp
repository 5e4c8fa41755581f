#include "kernels/noise.h"
#include "render/stages.h"

namespace pw {

void RunNoiseStage(RenderContext& ctx)
{
    if (ctx.err) return;
    const RenderSettings& s = ctx.settings;
    RandomStream& stream = ctx.beat.noiseStream;
    const double amount = DrawBetween(s.maxNoiseAmount, s.minNoiseAmount, NextReal(stream)) * ctx.beat.envelope;
    WithDepth(ctx.depth, [&](auto depth) {
        using Pixel = typename decltype(depth)::Pixel;
        if (ctx.beat.noiseColor) {
            NoiseFrameColor(ctx.Output<Pixel>(), amount, stream);
        } else {
            NoiseFrameMono(ctx.Output<Pixel>(), amount, stream);
        }
    });
    ctx.StageDone();
}

}  // namespace pw
