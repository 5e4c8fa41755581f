// Every kernel over a full frame in each depth and size: Color blends per mode, row + column box blur,
// noise, and the glow steps.
#include <string>

#include "bench_frame.h"
#include "kernels/blend.h"
#include "kernels/blend_frame.h"
#include "kernels/box_blur.h"
#include "kernels/glow.h"
#include "kernels/noise.h"
#include "kernels/pixel_depth.h"

namespace pw {
namespace bench {
namespace {

const char* const kModeNames[] = {"", "Normal", "", "Add", "Multiply", "Screen", "Overlay", "Dodge", "Burn"};

PF_Pixel8 Tint8() { return {128, 200, 90, 30}; }
template <typename Pixel>
Pixel Tint();
template <>
PF_Pixel8 Tint<PF_Pixel8>() { return Tint8(); }
template <>
PF_Pixel16 Tint<PF_Pixel16>() { return Pixel16From8(Tint8()); }
template <>
PF_PixelFloat Tint<PF_PixelFloat>() { return PixelFloatFrom8(Tint8()); }

template <typename Pixel>
void Blend(benchmark::State& state, int32_t mode, int size, bool opaque)
{
    Frame<Pixel> frame(size, opaque);
    const Pixel tint = Tint<Pixel>();
    AgainstMemcpy(state, frame, [&](const ImageView<Pixel>& v) { BlendFrame(v, mode, tint); });
}

template <typename Pixel>
void Blur(benchmark::State& state, int32_t r, int size)
{
    Frame<Pixel> frame(size);
    using Depth = DepthOf<Pixel>;
    std::vector<double> scratch(static_cast<size_t>(frame.view.width) * kBoxBlurEntryBytes<Depth> / sizeof(double));
    const BoxBlurSums sums{scratch.data(), scratch.size() * sizeof(double)};
    AgainstMemcpy(state, frame, [&](const ImageView<Pixel>& v) {
        BoxBlurRows(sums, r, v);
        BoxBlurColumns(sums, r, v);
    });
}

template <typename Pixel>
void Noise(benchmark::State& state, bool colour, int size)
{
    Frame<Pixel> frame(size);
    RandomStream stream{12345};
    AgainstMemcpy(state, frame, [&](const ImageView<Pixel>& v) {
        if (colour) {
            NoiseFrameColor(v, 0.3, stream);
        } else {
            NoiseFrameMono(v, 0.3, stream);
        }
    });
}

// Glow steps, each on its own: 0 bright pass, 1 composite, 2 the whole treatment (bright pass, blur at
// radius 10, composite). The intensity is one a render draws (a round decimal such as 0.7 is rarer there, and its
// 8-bit composite over opaque pixels takes the 32-bit lanes: kernels/opaque_lanes8.h).
constexpr double kGlowIntensity = 0.6180339887;
template <typename Pixel>
void Glow(benchmark::State& state, int step, int size)
{
    Frame<Pixel> frame(size);
    Frame<Pixel> glow(size, false);
    using Depth = DepthOf<Pixel>;
    std::vector<double> scratch(static_cast<size_t>(frame.view.width) * kBoxBlurEntryBytes<Depth> / sizeof(double));
    const BoxBlurSums sums{scratch.data(), scratch.size() * sizeof(double)};
    const int32_t q = GlowThreshold(150, 0.8);
    AgainstMemcpy(state, frame, [&](const ImageView<Pixel>& v) {
        if (step == 0) {
            GlowBrightPass(v, glow.view, q);
        } else if (step == 1) {
            GlowComposite(v, glow.view, kGlowIntensity);
        } else {
            GlowBrightPass(v, glow.view, q);
            GlowBlur(sums, 10, glow.view);
            GlowComposite(v, glow.view, kGlowIntensity);
        }
    });
}

template <typename Fn, typename... Args>
void Add(const std::string& name, Fn fn, Args... args)
{
    benchmark::RegisterBenchmark(name.c_str(), fn, args...)->UseManualTime()->Unit(benchmark::kMillisecond);
}

template <typename Pixel>
void Register()
{
    const std::string depth = DepthName<Pixel>();
    for (int size = 0; size < 2; ++size) {
        const std::string sz = std::to_string(kSizes[size][0]) + "x" + std::to_string(kSizes[size][1]);
        for (const int32_t mode : {1, 3, 4, 5, 6, 7, 8}) {
            Add("Blend/" + depth + "/" + kModeNames[mode] + "/" + sz, Blend<Pixel>, mode, size, true);
        }
        Add("Blend/" + depth + "/Screen_scattered_alpha/" + sz, Blend<Pixel>, int32_t{5}, size, false);
        for (const int32_t r : {1, 15, 100}) {
            Add("BoxBlur/" + depth + "/r" + std::to_string(r) + "/" + sz, Blur<Pixel>, r, size);
        }
        Add("Noise/" + depth + "/mono/" + sz, Noise<Pixel>, false, size);
        Add("Noise/" + depth + "/colour/" + sz, Noise<Pixel>, true, size);
        Add("Glow/" + depth + "/bright_pass/" + sz, Glow<Pixel>, 0, size);
        Add("Glow/" + depth + "/composite/" + sz, Glow<Pixel>, 1, size);
        Add("Glow/" + depth + "/all_r10/" + sz, Glow<Pixel>, 2, size);
    }
}

}  // namespace
}  // namespace bench
}  // namespace pw

int main(int argc, char** argv)
{
    pw::bench::Register<PF_Pixel8>();
    pw::bench::Register<PF_Pixel16>();
    pw::bench::Register<PF_PixelFloat>();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
