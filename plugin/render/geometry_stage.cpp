#include <algorithm>
#include <cstring>

#include "kernels/box_blur.h"
#include "kernels/cpu_features.h"
#include "kernels/exact_division.h"
#include "kernels/separation_row.h"
#include "kernels/pixel_depth.h"
#include "render/geometry_draws.h"
#include "render/stages.h"

namespace pw {
namespace {

// RGB Separation and the blurs share one line buffer, so an entry of each must be the same size.
static_assert(sizeof(SeparationEntry<Depth8>) == kBoxBlurEntryBytes<Depth8>, "8-bit line entry");
static_assert(sizeof(SeparationEntry<Depth16>) == kBoxBlurEntryBytes<Depth16>, "16-bit line entry");
static_assert(sizeof(SeparationEntry<DepthFloat>) == kBoxBlurEntryBytes<DepthFloat>, "float line entry");
static_assert(sizeof(PF_PixelFloat) <= kBoxBlurEntryBytes<DepthFloat> && sizeof(PF_Pixel16) <= kBoxBlurEntryBytes<Depth16>,
              "a stretched row fits the line buffer");
static_assert(3 * 255 * 255 * 255 < DivideBy255Alpha::kNumeratorLimit, "three weighted copies stay exact");

struct RowPlan {
    int32_t scroll;
    bool stretchOn;
    StretchPlan stretch;
};

// n copies of one pixel. std::fill stores a small struct one pixel a step; doubling the run moves it at copy speed.
template <typename Pixel>
void Smear(Pixel* dst, size_t n, const Pixel pixel)
{
    if (n == 0) return;
    dst[0] = pixel;
    for (size_t done = 1; done < n;) {
        const size_t more = std::min(done, n - done);
        std::memcpy(dst + done, dst, sizeof(Pixel) * more);
        done += more;
    }
}

// Source columns [xa, xb) of one row to dst[0 .. xb - xa), as whole runs: the columns Stretch smears are one
// repeated pixel, the others a plain copy.
template <typename Pixel>
void CopySpan(Pixel* dst, const Pixel* src, int32_t xa, int32_t xb, const RowPlan& plan)
{
    if (xa >= xb) return;
    if (!plan.stretchOn) {
        std::memcpy(dst, src + xa, sizeof(Pixel) * size_t(xb - xa));
        return;
    }
    const int32_t q = plan.stretch.column;
    if (plan.stretch.after) {
        const int32_t mid = std::clamp(q, xa, xb);
        std::memcpy(dst, src + xa, sizeof(Pixel) * size_t(mid - xa));
        Smear(dst + (mid - xa), size_t(xb - mid), src[q]);
    } else {
        const int32_t mid = std::clamp(q + 1, xa, xb);
        Smear(dst, size_t(mid - xa), src[q]);
        std::memcpy(dst + (mid - xa), src + mid, sizeof(Pixel) * size_t(xb - mid));
    }
}

template <typename D>
void CopyBandRows(RenderContext& ctx, const RowPlan& plan, const SliceBand& band)
{
    using Pixel = typename D::Pixel;
    const ImageView<Pixel> out = ctx.Output<Pixel>();
    const ImageView<Pixel> work = ctx.Working<Pixel>();
    const int32_t width = ctx.width;
    // Source column x lands in (shift + x) mod width: two runs, before and after the wrap.
    const int32_t first = Wrap(band.shift, width);
    for (int32_t y = band.top; y < band.top + band.height; ++y) {
        const Pixel* src = work.Row(Wrap(int64_t(plan.scroll) + y, ctx.height));
        Pixel* dst = out.Row(y);
        CopySpan(dst + first, src, 0, width - first, plan);
        CopySpan(dst, src, width - first, width, plan);
    }
}

template <typename D>
void SeparateBandRows(RenderContext& ctx, const RowPlan& plan, const SliceBand& band, const RgbSeparationPlan& rgb,
                      const DivideBy255Alpha& divide, Isa isa)
{
    using Pixel = typename D::Pixel;
    const ImageView<Pixel> out = ctx.Output<Pixel>();
    const ImageView<Pixel> work = ctx.Working<Pixel>();
    const int32_t width = ctx.width;
    const SeparationCopy copies[3] = {{Wrap(int64_t(rgb.offsetA) + band.shift, width), rgb.colourA},
                                      {Wrap(int64_t(rgb.offsetB) + band.shift, width), rgb.colourB},
                                      {Wrap(int64_t(rgb.offsetC) + band.shift, width), rgb.colourC}};
    for (int32_t y = band.top; y < band.top + band.height; ++y) {
        const Pixel* src = work.Row(Wrap(int64_t(plan.scroll) + y, ctx.height));
        Pixel* dst = out.Row(y);
        if (isa >= Isa::Avx2) {
            // The stretched row goes to the line buffer: the copies read it while the output row is written.
            const Pixel* from = src;
            if (plan.stretchOn) {
                Pixel* row = static_cast<Pixel*>(ctx.lineBuffer);
                CopySpan(row, src, 0, width, plan);
                from = row;
            }
            SeparateRowLanes<D>(from, dst, width, copies, isa, divide);
            continue;
        }
        // With Stretch the output row holds the stretched source row until the copies are gathered.
        const Pixel* from = src;
        if (plan.stretchOn) {
            CopySpan(dst, src, 0, width, plan);
            from = dst;
        }
        SeparateRow<D>(from, dst, width, copies, static_cast<SeparationEntry<D>*>(ctx.lineBuffer), divide);
    }
}

// Host copy of a rectangle of the working image to the same columns of the output; empty rectangles are skipped,
// since the host reads a missing rectangle as the whole world.
void CopyRect(RenderContext& ctx, PF_Rect src, PF_Rect dst)
{
    if (ctx.err || src.left >= src.right || src.top >= src.bottom) return;
    ctx.err = ctx.in_data->utils->copy(ctx.effect(), ctx.working, ctx.output, &src, &dst);
}

// Scroll by whole-row copies of the columns [left, right).
void CopyScrolled(RenderContext& ctx, int32_t scroll, int32_t left, int32_t right)
{
    const int32_t h = ctx.height;
    CopyRect(ctx, {left, scroll, right, h}, {left, 0, right, h - scroll});
    if (scroll != 0) CopyRect(ctx, {left, 0, right, scroll}, {left, h - scroll, right, h});
}

template <typename D>
void FillRow(RenderContext& ctx, const PF_Rect& rect, const typename D::Pixel& colour)
{
    if (ctx.err || rect.left >= rect.right) return;
    if constexpr (std::is_same_v<D, Depth8>) {
        ctx.err = ctx.fillMatte->fill(ctx.effect(), &colour, &rect, ctx.output);
    } else if constexpr (std::is_same_v<D, Depth16>) {
        ctx.err = ctx.fillMatte->fill16(ctx.effect(), &colour, &rect, ctx.output);
    } else {
        ctx.err = ctx.fillMatte->fill_float(ctx.effect(), &colour, &rect, ctx.output);
    }
}

// Without Slice and RGB Separation the whole stage is rectangles the host moves and fills.
template <typename D>
void RectanglePath(RenderContext& ctx, const RowPlan& plan)
{
    using Pixel = typename D::Pixel;
    const int32_t w = ctx.width, h = ctx.height, q = plan.stretch.column;
    if (!plan.stretchOn) {
        CopyScrolled(ctx, plan.scroll, 0, w);
        return;
    }
    if (plan.stretch.after) {
        CopyScrolled(ctx, plan.scroll, 0, q);
    } else {
        CopyScrolled(ctx, plan.scroll, q, w);
    }
    const ImageView<Pixel> work = ctx.Working<Pixel>();
    for (int32_t y = 0; y < h && !ctx.err; ++y) {
        const Pixel colour = work.Row(Wrap(int64_t(plan.scroll) + y, h))[q];
        const PF_Rect row = plan.stretch.after ? PF_Rect{q, y, w, y + 1} : PF_Rect{0, y, q, y + 1};
        FillRow<D>(ctx, row, colour);
    }
}

template <typename D>
void PixelPath(RenderContext& ctx, const RowPlan& plan)
{
    SliceAndSeparationDraws draws(ctx.settings, ctx.beat, ctx.width, ctx.height);
    draws.DrawSliceCoin();
    RgbSeparationPlan rgb{};
    const DivideBy255Alpha divide;
    const Isa isa = BestIsa();
    if (ctx.beat.rgbSeparationOn) {
        if (!ctx.err) {
            const PF_Pixel8 clear{0, 0, 0, 0};
            ctx.err = ctx.in_data->utils->fill(ctx.effect(), &clear, nullptr, ctx.output);
        }
        rgb = draws.DrawSeparation();
    }
    for (int32_t top = 0; top < ctx.height;) {
        const SliceBand band = draws.DrawBand(top);
        if (!ctx.err) {
            if (ctx.beat.rgbSeparationOn) {
                SeparateBandRows<D>(ctx, plan, band, rgb, divide, isa);
            } else {
                CopyBandRows<D>(ctx, plan, band);
            }
        }
        top += band.height;
    }
}

template <typename D>
void Geometry(RenderContext& ctx)
{
    RowPlan plan{0, ctx.beat.stretchOn, {true, 0}};
    if (ctx.beat.scrollOn) plan.scroll = DrawScrollOffset(ctx.settings, ctx.beat, ctx.height);
    if (ctx.beat.stretchOn) plan.stretch = DrawStretch(ctx.settings, ctx.beat, ctx.width);
    if (ctx.beat.sliceOn || ctx.beat.rgbSeparationOn) {
        PixelPath<D>(ctx, plan);
    } else {
        RectanglePath<D>(ctx, plan);
    }
}

}  // namespace

bool NeedsLineBuffer(const BeatState& beat) { return beat.rgbSeparationOn || beat.glowOn || beat.blurOn; }

size_t LineEntryBytes(Depth depth)
{
    size_t bytes = 0;
    WithDepth(depth, [&](auto d) { bytes = kBoxBlurEntryBytes<decltype(d)>; });
    return bytes;
}

BoxBlurSums BlurScratch(const RenderContext& ctx)
{
    return {ctx.lineBuffer, size_t(std::max(ctx.width, ctx.height)) * LineEntryBytes(ctx.depth)};
}

void RunGeometryStage(RenderContext& ctx)
{
    if (ctx.err) return;
    WithDepth(ctx.depth, [&](auto depth) { Geometry<decltype(depth)>(ctx); });
    ctx.StageDone();
}

}  // namespace pw
