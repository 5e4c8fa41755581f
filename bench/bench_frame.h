// Frames for the kernel benchmarks and the timing loop that sets each kernel against a memcpy.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ae_basic.h"
#include "kernels/image_view.h"

namespace pw {
namespace bench {

constexpr int32_t kSizes[][2] = {{1920, 1080}, {3840, 2160}};

// xorshift32: deterministic frame content.
struct Pattern {
    uint32_t s = 2463534242u;
    uint32_t Next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
};

inline void Fill(PF_Pixel8& p, uint32_t v, bool opaque)
{
    p = {static_cast<A_u_char>(opaque ? 255 : v >> 24), static_cast<A_u_char>(v), static_cast<A_u_char>(v >> 8),
         static_cast<A_u_char>(v >> 16)};
}
inline void Fill(PF_Pixel16& p, uint32_t v, bool opaque)
{
    p = {static_cast<A_u_short>(opaque ? 32768 : (v >> 17)), static_cast<A_u_short>((v & 0xFF) << 7),
         static_cast<A_u_short>((v >> 8 & 0xFF) << 7), static_cast<A_u_short>((v >> 16 & 0xFF) << 7)};
}
inline void Fill(PF_PixelFloat& p, uint32_t v, bool opaque)
{
    p = {opaque ? 1.0f : (v >> 24) / 255.0f, (v & 0xFF) / 255.0f, (v >> 8 & 0xFF) / 255.0f,
         (v >> 16 & 0xFF) / 255.0f};
}

// A frame of random colours (opaque, as video is, unless asked otherwise) and its pristine copy, from
// which every iteration restores it: that restoring memcpy is the yardstick.
template <typename Pixel>
struct Frame {
    std::vector<Pixel> pristine;
    std::vector<Pixel> work;
    ImageView<Pixel> view;

    Frame(int sizeIndex, bool opaque = true)
    {
        const int32_t w = kSizes[sizeIndex][0], h = kSizes[sizeIndex][1];
        pristine.resize(static_cast<size_t>(w) * h);
        Pattern pattern;
        for (Pixel& p : pristine) {
            Fill(p, pattern.Next(), opaque);
        }
        work = pristine;
        view = {work.data(), w, h, w};
    }
    size_t Bytes() const { return pristine.size() * sizeof(Pixel); }
};

// CPU time of this (single-threaded) process: unlike the wall clock it does not count the time the
// shared machine gives to others.
inline double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Each iteration: restore the frame with a memcpy (timed), then run the kernel on it (timed, and the
// benchmark's own time). x_memcpy is the median over the iterations of kernel time / memcpy time, each
// pair measured back to back, so that a disturbance spoils one pair rather than the figure.
template <typename Pixel, typename Kernel>
void AgainstMemcpy(benchmark::State& state, Frame<Pixel>& frame, const Kernel& kernel)
{
    std::vector<double> ratios;
    double copySeconds = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        std::memcpy(static_cast<void*>(frame.work.data()), frame.pristine.data(), frame.Bytes());
        benchmark::ClobberMemory();
        const double t1 = CpuSeconds();
        kernel(frame.view);
        benchmark::ClobberMemory();
        const double t2 = CpuSeconds();
        copySeconds += t1 - t0;
        if (t1 > t0) {
            ratios.push_back((t2 - t1) / (t1 - t0));
        }
        state.SetIterationTime(t2 - t1);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["x_memcpy"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
    state.counters["memcpy_ms"] = copySeconds * 1e3 / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.Bytes()));
}

template <typename Pixel>
constexpr const char* DepthName()
{
    return sizeof(Pixel) == 4 ? "8" : sizeof(Pixel) == 8 ? "16" : "float";
}

}  // namespace bench
}  // namespace pw
