#include <algorithm>
#include <type_traits>

#include "kernels/real_to_int.h"
#include "render/stages.h"

namespace pw {
namespace {

template <typename D>
PF_Err SampleAndFill(RenderContext& ctx, const PF_SampPB& samp, int32_t cx, int32_t cy, const PF_Rect& rect)
{
    typename D::Pixel pixel{};
    const PF_Fixed x = PF_Fixed(cx) << 16, y = PF_Fixed(cy) << 16;
    PF_Err err;
    if constexpr (std::is_same_v<D, Depth8>) {
        err = ctx.suites.Sampling8().nn_sample(ctx.effect(), x, y, &samp, &pixel);
        if (!err) err = ctx.fillMatte->fill(ctx.effect(), &pixel, &rect, ctx.output);
    } else if constexpr (std::is_same_v<D, Depth16>) {
        err = ctx.suites.Sampling16().nn_sample16(ctx.effect(), x, y, &samp, &pixel);
        if (!err) err = ctx.fillMatte->fill16(ctx.effect(), &pixel, &rect, ctx.output);
    } else {
        err = ctx.suites.SamplingFloat().nn_sample_float(ctx.effect(), x, y, &samp, &pixel);
        if (!err) err = ctx.fillMatte->fill_float(ctx.effect(), &pixel, &rect, ctx.output);
    }
    return err;
}

template <typename D>
void Mosaic(RenderContext& ctx, int32_t n)
{
    const int32_t width = ctx.width, height = ctx.height;
    const int32_t columns = std::max(width / n, 1), rows = std::max(height / n, 1);
    const double bw = double(width) / columns, bh = double(height) / rows;
    PF_SampPB samp{};
    samp.src = ctx.output;
    for (double yd = 0; yd < height && !ctx.err; yd += bh) {
        for (double xd = 0; xd < width && !ctx.err; xd += bw) {
            // Rounded at each edge, so neighbouring blocks tile the frame without gaps.
            const PF_Rect rect{TruncToInt32(xd + 0.5), TruncToInt32(yd + 0.5), TruncToInt32(xd + bw + 0.5),
                               TruncToInt32(yd + bh + 0.5)};
            const int32_t cx = std::min(TruncToInt32(rect.left + 0.5 * bw), width - 1);
            const int32_t cy = std::min(TruncToInt32(rect.top + 0.5 * bh), height - 1);
            ctx.err = SampleAndFill<D>(ctx, samp, cx, cy, rect);
        }
    }
}

}  // namespace

void RunMosaicStage(RenderContext& ctx)
{
    if (ctx.err) return;
    const RenderSettings& s = ctx.settings;
    const double drawn = DrawBetween(s.maxMosaicSize, s.minMosaicSize, NextReal(ctx.beat.mosaicStream));
    const double size = ctx.height * drawn * ctx.beat.envelope;
    // At least one pixel and no larger than the frame, whatever a careless host puts in the settings.
    const int32_t n = TruncClamped(size, 0, std::max(ctx.width, ctx.height) - 1) + 1;
    // One-pixel blocks are each filled with their own pixel: the frame stays as it is.
    if (n > 1) WithDepth(ctx.depth, [&](auto depth) { Mosaic<decltype(depth)>(ctx, n); });
    ctx.StageDone();
}

}  // namespace pw
