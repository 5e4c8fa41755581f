// Whole frames through EntryPointFunc and our host: pre-render and render, no treatment, each treatment alone,
// all ten, and the renderer benchmark's job (Scroll, RGB Separation, Blur and Noise at 120 BPM over 300 frames of
// 1080p, as cli/bench/renderer_vs_ffmpeg.sh renders them), in the three depths at HD and UHD. The figure is
// x_memcpy: the render's time over a frame memcpy of the same depth in the same run. "Frame/" runs the host in
// production (worlds lent as they are, the output handed over without a copy, as a real host does); "Checking/"
// in the conformance suite's checking mode (padded rows, guard bytes, uncleared worlds filled).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/test_pattern.h"
#include "shell/commands.h"

namespace {

extern "C" PF_Err PF_CDECL Entry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                 PF_LayerDef* output, void* extra)
{
    return pw::Dispatch(pw::kBuildFlavour, cmd, in_data, out_data, params, output, extra);
}

// One frame of the test pattern, made once and handed over for every time asked: lent as it is to a host in
// production (as a real host hands over a cached frame), copied into the world otherwise.
class CachedFrame final : public pwhost::FrameSource {
public:
    CachedFrame(PF_PixelFormat format, int width, int height)
        : image_(pwhost::TestPatternImage(12, 30, format, width, height))
    {
    }
    PF_Err Render(A_long, A_u_long, PF_PixelFormat, const PF_EffectWorld& world) override
    {
        const size_t row = image_.bytes.size() / image_.height;
        for (int y = 0; y < image_.height; ++y)
            std::memcpy(static_cast<char*>(world.data) + static_cast<ptrdiff_t>(y) * world.rowbytes,
                        image_.bytes.data() + row * y, row);
        return PF_Err_NONE;
    }
    const void* Lend(A_long, A_u_long, PF_PixelFormat, A_long, A_long height, A_long& rowbytes) override
    {
        rowbytes = static_cast<A_long>(image_.bytes.size() / height);
        return image_.bytes.data();
    }
    const pwhost::Image& Image() const { return image_; }

private:
    pwhost::Image image_;
};

const char* const kTreatments[] = {"Scroll", "Slice", "Stretch", "RGB Separation", "Color",
                                   "Glow",   "Blur",  "Mosaic",  "Noise",          "Time"};

constexpr int kAllTen = 10, kRendererJob = 11;

void BM_Frame(benchmark::State& state, PF_PixelFormat format, int width, int height, int treatment,
              pwhost::HostMode mode)
{
    pwhost::Host host(Entry);
    pwhost::HostSettings& s = host.Settings();
    s.width = width;
    s.height = height;
    s.pixelFormat = format;
    host.SetMode(mode);
    s.rowPaddingPixels = 0;
    const auto pool = std::make_shared<pwhost::BufferPool>();
    host.SetBufferPool(pool);
    auto frames = std::make_shared<CachedFrame>(format, width, height);
    host.SetFrameSource(frames);
    host.SetCallRecording(false);
    host.Call(PF_Cmd_GLOBAL_SETUP);
    host.Call(PF_Cmd_PARAMS_SETUP);
    host.Call(PF_Cmd_SEQUENCE_SETUP);
    if (treatment == kRendererJob) {
        for (const char* t : {"Scroll", "RGB Separation", "Blur", "Noise"})
            host.SetParam(std::string(t) + " Manual", pwhost::ParamValue::Integer(1));
        host.SetParam("BPM", pwhost::ParamValue::Number(120));
    } else {
        // Full strength all beat long: no attack or release.
        host.SetParam("Attack", pwhost::ParamValue::Number(0));
        host.SetParam("Sustain", pwhost::ParamValue::Number(1));
        host.SetParam("Release", pwhost::ParamValue::Number(0));
    }
    for (int t = 0; t < 10; ++t) {
        if (treatment == t || treatment == kAllTen)
            host.SetParam(std::string(kTreatments[t]) + " Manual", pwhost::ParamValue::Integer(1));
    }

    const std::vector<uint8_t>& source = frames->Image().bytes;
    std::vector<uint8_t> copy(source.size());
    double renderSeconds = 0, copySeconds = 0;
    A_long time = 12;
    // One frame first, untimed: the pool then holds every world a render takes, as in a host that has rendered
    // before; a fresh page costs a fault, far more than the pixels written into it.
    {
        pwhost::FrameResult warm = host.RenderFrame(time);
        pool->Give(std::move(warm.render.output.bytes));
    }
    long frame = 0;
    for (auto _ : state) {
        // The job's frames go round its 300 frames; the others render one frame of a beat.
        if (treatment == kRendererJob) time = static_cast<A_long>(frame++ % 300);
        const auto t0 = std::chrono::steady_clock::now();
        std::memcpy(copy.data(), source.data(), source.size());
        benchmark::ClobberMemory();
        const auto t1 = std::chrono::steady_clock::now();
        pwhost::FrameResult r = host.RenderFrame(time);
        const auto t2 = std::chrono::steady_clock::now();
        if (r.Err()) {
            state.SkipWithError(("render failed: " + std::to_string(r.Err())).c_str());
            break;
        }
        copySeconds += std::chrono::duration<double>(t1 - t0).count();
        renderSeconds += std::chrono::duration<double>(t2 - t1).count();
        benchmark::DoNotOptimize(r.render.output.bytes.data());
        pool->Give(std::move(r.render.output.bytes));
    }
    state.counters["x_memcpy"] = copySeconds > 0 ? renderSeconds / copySeconds : 0;
    state.counters["frame_ms"] = state.iterations() ? 1000 * renderSeconds / state.iterations() : 0;
    host.Call(PF_Cmd_SEQUENCE_SETDOWN);
    host.Call(PF_Cmd_GLOBAL_SETDOWN);
}

void Register()
{
    const struct {
        PF_PixelFormat format;
        const char* name;
    } depths[] = {{PF_PixelFormat_ARGB32, "8"}, {PF_PixelFormat_ARGB64, "16"}, {PF_PixelFormat_ARGB128, "float"}};
    const int sizes[][2] = {{1920, 1080}, {3840, 2160}};
    for (const auto mode : {pwhost::HostMode::Production, pwhost::HostMode::Checking}) {
        for (const auto& d : depths) {
            for (const auto& size : sizes) {
                for (int t = -1; t <= kRendererJob; ++t) {
                    // The job is the renderer benchmark's: 1080p 8-bit, all of its 300 frames.
                    const bool job = t == kRendererJob;
                    if (job && (d.format != PF_PixelFormat_ARGB32 || size[0] != 1920)) continue;
                    const std::string what = t < 0              ? "none"
                                             : t == kAllTen      ? "all ten"
                                             : t == kRendererJob ? "renderer job"
                                                                 : kTreatments[t];
                    const std::string name = std::string(mode == pwhost::HostMode::Production ? "Frame/" : "Checking/") +
                                             d.name + "/" + std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                                             "/" + what;
                    auto* b = benchmark::RegisterBenchmark(name.c_str(), BM_Frame, d.format, size[0], size[1], t, mode)
                                  ->Unit(benchmark::kMillisecond);
                    if (job) b->Iterations(300);
                    else b->MinTime(0.5);
                }
            }
        }
    }
}

const int kRegistered = (Register(), 0);

}  // namespace
