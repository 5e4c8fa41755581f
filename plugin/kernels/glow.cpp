#include "kernels/glow.h"

#include "kernels/blend_rules.h"
#include "kernels/composite.h"
#include "kernels/pixel_depth.h"
#include "kernels/real_to_int.h"

namespace pw {
namespace {

// The luma weights; they add up to 1.000001, so white reads 255.000255 before truncation.
double Luma(double r, double g, double b) { return 0.298912 * r + 0.586611 * g + 0.114478 * b; }

template <typename Pixel, typename Fn>
void EachPair(const ImageView<Pixel>& output, const ImageView<Pixel>& glow, const Fn& fn)
{
    const int32_t width = output.width < glow.width ? output.width : glow.width;
    const int32_t height = output.height < glow.height ? output.height : glow.height;
    for (int32_t y = 0; y < height; ++y) {
        Pixel* out = output.Row(y);
        Pixel* g = glow.Row(y);
        for (int32_t x = 0; x < width; ++x) {
            fn(out[x], g[x]);
        }
    }
}

template <typename Pixel>
void BrightPass(const ImageView<Pixel>& output, const ImageView<Pixel>& glow, int32_t q)
{
    EachPair(output, glow, [q](const Pixel& out, Pixel& g) {
        if (GlowLuma(out) < q) {
            g.alpha = 0;
        }
    });
}

template <typename Depth>
void CompositeAll(const ImageView<typename Depth::Pixel>& output, const ImageView<typename Depth::Pixel>& glow,
                  double k)
{
    const AddScaledRule rule{k};
    EachPair(output, glow, [&rule](typename Depth::Pixel& out, const typename Depth::Pixel& g) {
        out = Composite<Depth>(out, g, rule);
    });
}

}  // namespace

int32_t GlowThreshold(int32_t threshold, double strength)
{
    const int64_t q = 256 - static_cast<int64_t>(TruncToInt32((255 - static_cast<int64_t>(threshold)) * strength));
    return q > INT32_MAX ? INT32_MAX : q < INT32_MIN ? INT32_MIN : static_cast<int32_t>(q);
}

int32_t GlowLuma(const PF_Pixel8& p) { return static_cast<int32_t>(Luma(p.red, p.green, p.blue)); }

int32_t GlowLuma(const PF_Pixel16& p)
{
    return (static_cast<int32_t>(Luma(p.red, p.green, p.blue)) * 255 + 16384) / 32768;
}

int32_t GlowLuma(const PF_PixelFloat& p) { return TruncToInt32(Luma(p.red, p.green, p.blue) * 255); }

void GlowBrightPass(const ImageView<PF_Pixel8>& output, const ImageView<PF_Pixel8>& glow, int32_t q)
{
    BrightPass(output, glow, q);
}
void GlowBrightPass(const ImageView<PF_Pixel16>& output, const ImageView<PF_Pixel16>& glow, int32_t q)
{
    BrightPass(output, glow, q);
}
void GlowBrightPass(const ImageView<PF_PixelFloat>& output, const ImageView<PF_PixelFloat>& glow, int32_t q)
{
    BrightPass(output, glow, q);
}

void GlowBlur(const BoxBlurSums& sums, int32_t r, const ImageView<PF_Pixel8>& glow)
{
    BoxBlurRows(sums, r, glow);
    BoxBlurColumns(sums, r, glow);
}
void GlowBlur(const BoxBlurSums& sums, int32_t r, const ImageView<PF_Pixel16>& glow)
{
    BoxBlurRows(sums, r, glow);
    BoxBlurColumns(sums, r, glow);
}
void GlowBlur(const BoxBlurSums& sums, int32_t r, const ImageView<PF_PixelFloat>& glow)
{
    BoxBlurRows(sums, r, glow);
    BoxBlurColumns(sums, r, glow);
}

void GlowComposite(const ImageView<PF_Pixel8>& output, const ImageView<PF_Pixel8>& glow, double k)
{
    CompositeAll<Depth8>(output, glow, k);
}
void GlowComposite(const ImageView<PF_Pixel16>& output, const ImageView<PF_Pixel16>& glow, double k)
{
    CompositeAll<Depth16>(output, glow, k);
}
void GlowComposite(const ImageView<PF_PixelFloat>& output, const ImageView<PF_PixelFloat>& glow, double k)
{
    CompositeAll<DepthFloat>(output, glow, k);
}

}  // namespace pw
