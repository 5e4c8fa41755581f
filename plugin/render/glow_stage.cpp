#include "kernels/glow.h"
#include "render/stages.h"

namespace pw {

void RunGlowStage(RenderContext& ctx)
{
    if (ctx.err) return;
    const BeatState& beat = ctx.beat;
    // The geometry stage left the source frame in the working image; once pixels moved or changed colour the glow
    // must come from the output instead. Stretch alone keeps the unstretched source on purpose.
    if (beat.scrollOn || beat.sliceOn || beat.rgbSeparationOn || beat.colorOn) {
        ctx.err = ctx.in_data->utils->copy(ctx.effect(), ctx.output, ctx.working, nullptr, nullptr);
        if (ctx.err) return;
    }
    const RenderSettings& s = ctx.settings;
    const int32_t q = GlowThreshold(s.glowThreshold, beat.envelope);
    const double u = NextReal(ctx.beat.glowStream);
    const double kmax = s.maxGlowIntensity, m = s.minGlowIntensity;
    const double k = kmax * u * (1 - m) + kmax * m;
    const BoxBlurSums sums = BlurScratch(ctx);

    WithDepth(ctx.depth, [&](auto depth) {
        using Pixel = typename decltype(depth)::Pixel;
        const ImageView<Pixel> output = ctx.Output<Pixel>();
        const ImageView<Pixel> glow = ctx.Working<Pixel>();
        GlowBrightRows(output, glow, q, sums, s.glowRadius);
        BoxBlurColumns(sums, s.glowRadius, glow);
        GlowComposite(output, glow, k);
    });
    ctx.StageDone();
}

}  // namespace pw
