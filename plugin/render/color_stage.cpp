#include "kernels/blend_frame.h"
#include "kernels/real_to_int.h"
#include "render/stages.h"

namespace pw {
namespace {

// base + a draw up to the variance; a value past white is reflected back below it.
A_u_char VariedChannel(A_u_char base, A_u_char variance, RandomStream& stream)
{
    int32_t value = base + TruncToInt32(NextReal(stream) * (variance + 1));
    if (value > 255) value = 510 - value;
    return static_cast<A_u_char>(value);
}

}  // namespace

void RunColorStage(RenderContext& ctx)
{
    if (ctx.err) return;
    const RenderSettings& s = ctx.settings;
    RandomStream& stream = ctx.beat.colorStream;
    const double opacity = 255 * DrawBetween(s.maxColorOpacity, s.minColorOpacity, NextReal(stream));
    PF_Pixel8 tint;
    tint.alpha = static_cast<A_u_char>(TruncClamped(opacity * ctx.beat.envelope, 0, 255));
    tint.red = VariedChannel(s.color.red, s.colorVariance.red, stream);
    tint.green = VariedChannel(s.color.green, s.colorVariance.green, stream);
    tint.blue = VariedChannel(s.color.blue, s.colorVariance.blue, stream);

    WithDepth(ctx.depth, [&](auto depth) {
        using D = decltype(depth);
        BlendFrame(ctx.Output<typename D::Pixel>(), s.colorBlendMode, PixelFrom8<D>(tint));
    });
    ctx.StageDone();
}

}  // namespace pw
