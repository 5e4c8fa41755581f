#include "kernels/box_blur.h"
#include "kernels/real_to_int.h"
#include "render/stages.h"

namespace pw {

void RunBlurStage(RenderContext& ctx)
{
    if (ctx.err) return;
    const RenderSettings& s = ctx.settings;
    const double drawn = DrawBetween(s.maxBlurRadius, s.minBlurRadius, NextReal(ctx.beat.blurStream));
    const int32_t radius = TruncToInt32(drawn * ctx.beat.envelope);
    const BoxBlurSums sums = BlurScratch(ctx);
    const bool rows = s.blurMode == 1 || s.blurMode == 2;
    const bool columns = s.blurMode == 1 || s.blurMode == 3;

    WithDepth(ctx.depth, [&](auto depth) {
        using Pixel = typename decltype(depth)::Pixel;
        const ImageView<Pixel> output = ctx.Output<Pixel>();
        if (rows) BoxBlurRows(sums, radius, output);
        if (columns) BoxBlurColumns(sums, radius, output);
    });
    ctx.StageDone();
}

}  // namespace pw
