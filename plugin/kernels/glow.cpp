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

// 8-bit: the three weighted terms of the luma tabulated per channel value (the same doubles), added in
// the same order.
void BrightPass8(const ImageView<PF_Pixel8>& output, const ImageView<PF_Pixel8>& glow, int32_t q)
{
    double red[256], green[256], blue[256];
    for (int v = 0; v < 256; ++v) {
        red[v] = 0.298912 * v;
        green[v] = 0.586611 * v;
        blue[v] = 0.114478 * v;
    }
    EachPair(output, glow, [&](const PF_Pixel8& out, PF_Pixel8& g) {
        const int32_t luma = static_cast<int32_t>(red[out.red] + green[out.green] + blue[out.blue]);
        // A mask rather than a branch: dim and bright pixels alternate unpredictably.
        g.alpha = static_cast<A_u_char>(g.alpha & -static_cast<int32_t>(luma >= q));
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

// 8-bit with a factor that is not negative: every overlap value lies in 0..255, so the divisions by the
// result alpha go through a table of reciprocals (exact, see ChannelByReciprocal), and trunc(p x k) of
// the overlap rule through a table over p. The steps are those of Composite() with AddScaledRule.
void CompositeAll8(const ImageView<PF_Pixel8>& output, const ImageView<PF_Pixel8>& glow, double k)
{
    using Math = CompositeMath<Depth8>;
    if (k < 0) {
        CompositeAll<Depth8>(output, glow, k);
        return;
    }
    uint32_t reciprocal[256];
    reciprocal[0] = 0;
    for (int32_t a = 1; a < 256; ++a) {
        reciprocal[a] = Math::Reciprocal(a);
    }
    int32_t scaled[256];
    for (int32_t p = 0; p < 256; ++p) {
        scaled[p] = TruncToInt32(p * k);  // as AddScaledRule forms it; not negative here
    }
    EachPair(output, glow, [&](PF_Pixel8& out, const PF_Pixel8& g) {
        if (out.alpha == 0) {
            out = g;
            return;
        }
        if (g.alpha == 0) {
            return;
        }
        Math::Weights w;
        Math::Form(out.alpha, g.alpha, w);
        const uint32_t r = reciprocal[w.alpha];
        const auto channel = [&](int32_t p, int32_t q) {
            const int32_t m = scaled[p] < 255 - q ? q + scaled[p] : 255;
            return Math::ChannelByReciprocal(m, p, q, w, r);
        };
        out = {static_cast<A_u_char>(w.alpha), channel(out.red, g.red), channel(out.green, g.green),
               channel(out.blue, g.blue)};
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
    BrightPass8(output, glow, q);
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
    CompositeAll8(output, glow, k);
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
