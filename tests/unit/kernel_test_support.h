// Deterministic random pixels and padded images for the kernel tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "ae_basic.h"
#include "kernels/cpu_features.h"
#include "kernels/image_view.h"

namespace pw {
namespace test {

// Every path of a kernel this processor can run: the baseline always, AVX2 and the AVX-512 permutes where it has them.
inline std::vector<Isa> RunnableIsas()
{
    std::vector<Isa> isas{Isa::Baseline};
    if (CpuHasAvx2()) isas.push_back(Isa::Avx2);
    if (CpuHasAvx512Vbmi()) isas.push_back(Isa::Avx512Vbmi);
    return isas;
}

// xorshift64*: the same sequence on every platform and standard library.
struct TestRandom {
    uint64_t s;
    explicit TestRandom(uint64_t seed) : s(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next()
    {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        return static_cast<uint32_t>((s * 0x2545F4914F6CDD1Dull) >> 32);
    }
    int32_t Int(int32_t lo, int32_t hi) { return lo + static_cast<int32_t>(Next() % static_cast<uint32_t>(hi - lo + 1)); }
    double Real() { return Next() * (1.0 / 4294967296.0); }
    float Float(float lo, float hi) { return lo + static_cast<float>(Real()) * (hi - lo); }
};

// Alphas weighted towards the interesting ends: 0, white, and anything between.
inline int32_t AlphaOf(TestRandom& rnd, int32_t white)
{
    switch (rnd.Int(0, 5)) {
    case 0:
        return 0;
    case 1:
    case 2:
        return white;
    default:
        return rnd.Int(1, white);
    }
}

inline PF_Pixel8 RandomPixel8(TestRandom& rnd)
{
    return {static_cast<A_u_char>(AlphaOf(rnd, 255)), static_cast<A_u_char>(rnd.Int(0, 255)),
            static_cast<A_u_char>(rnd.Int(0, 255)), static_cast<A_u_char>(rnd.Int(0, 255))};
}

inline PF_Pixel16 RandomPixel16(TestRandom& rnd)
{
    return {static_cast<A_u_short>(AlphaOf(rnd, 32768)), static_cast<A_u_short>(rnd.Int(0, 32768)),
            static_cast<A_u_short>(rnd.Int(0, 32768)), static_cast<A_u_short>(rnd.Int(0, 32768))};
}

// Mostly nominal values, some out of range (float channels are not clamped by the host).
inline float RandomChannelFloat(TestRandom& rnd)
{
    switch (rnd.Int(0, 9)) {
    case 0:
        return 0.0f;
    case 1:
        return 1.0f;
    case 2:
        return rnd.Float(-0.5f, 2.5f);
    default:
        return rnd.Float(0.0f, 1.0f);
    }
}

inline PF_PixelFloat RandomPixelFloat(TestRandom& rnd)
{
    const int32_t a = rnd.Int(0, 5);
    const float alpha = a == 0 ? 0.0f : a <= 2 ? 1.0f : rnd.Float(0.0f, 1.0f);
    return {alpha, RandomChannelFloat(rnd), RandomChannelFloat(rnd), RandomChannelFloat(rnd)};
}

inline PF_Pixel8 RandomPixel(TestRandom& rnd, PF_Pixel8*) { return RandomPixel8(rnd); }
inline PF_Pixel16 RandomPixel(TestRandom& rnd, PF_Pixel16*) { return RandomPixel16(rnd); }
inline PF_PixelFloat RandomPixel(TestRandom& rnd, PF_PixelFloat*) { return RandomPixelFloat(rnd); }

// An image with padding after each row (filled with a marker that no kernel may touch).
template <typename Pixel>
struct TestImage {
    std::vector<Pixel> pixels;
    ImageView<Pixel> view;

    TestImage(int32_t width, int32_t height, int32_t padding = 3)
        : pixels(static_cast<size_t>((width + padding) * (height > 0 ? height : 1))),
          view{pixels.data(), width, height, width + padding}
    {
        std::memset(static_cast<void*>(pixels.data()), 0x5A, pixels.size() * sizeof(Pixel));
    }
    TestImage(const TestImage& other) : pixels(other.pixels), view(other.view) { view.base = pixels.data(); }
    TestImage& operator=(const TestImage&) = delete;

    Pixel& At(int32_t x, int32_t y) { return view.Row(y)[x]; }
    void Randomise(TestRandom& rnd)
    {
        for (int32_t y = 0; y < view.height; ++y) {
            for (int32_t x = 0; x < view.width; ++x) {
                At(x, y) = RandomPixel(rnd, static_cast<Pixel*>(nullptr));
            }
        }
    }
    bool SameBytes(const TestImage& other) const
    {
        return pixels.size() == other.pixels.size() &&
               std::memcmp(pixels.data(), other.pixels.data(), pixels.size() * sizeof(Pixel)) == 0;
    }
};

// Every fifth pixel with a value a careless host may hand over: 16-bit channels above white, float NaN,
// infinities, negatives and huge values; 8-bit pixels have none.
template <typename Pixel>
void AddHostileValues(TestImage<Pixel>& img, TestRandom& rnd)
{
    for (int32_t y = 0; y < img.view.height; ++y) {
        for (int32_t x = (y % 5); x < img.view.width; x += 5) {
            Pixel& p = img.At(x, y);
            if constexpr (std::is_same_v<Pixel, PF_Pixel16>) {
                for (A_u_short* c : {&p.alpha, &p.red, &p.green, &p.blue})
                    if (rnd.Int(0, 1)) *c = static_cast<A_u_short>(rnd.Int(32769, 65535));
            } else if constexpr (std::is_same_v<Pixel, PF_PixelFloat>) {
                const float hostile[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                                         -std::numeric_limits<float>::infinity(), -0.0f, -0.25f, 3e38f, 1e-40f};
                for (float* c : {&p.alpha, &p.red, &p.green, &p.blue})
                    if (rnd.Int(0, 2) == 0) *c = hostile[rnd.Int(0, 6)];
            }
        }
    }
}

// The same bytes, but that a NaN may stand for any NaN: IEEE arithmetic fixes that a result is NaN, not which
// payload or sign it carries when NaNs meet, and compilers order commutative operands as they like.
template <typename Pixel>
bool SameBytesOrNaN(const TestImage<Pixel>& a, const TestImage<Pixel>& b)
{
    if constexpr (std::is_same_v<Pixel, PF_PixelFloat>) {
        if (a.pixels.size() != b.pixels.size()) return false;
        const float* x = &a.pixels.data()->alpha;
        const float* y = &b.pixels.data()->alpha;
        for (size_t i = 0; i < 4 * a.pixels.size(); ++i) {
            if (std::memcmp(x + i, y + i, sizeof(float)) != 0 && !(x[i] != x[i] && y[i] != y[i])) return false;
        }
        return true;
    } else {
        return a.SameBytes(b);
    }
}

template <typename Pixel>
bool SamePixel(const Pixel& a, const Pixel& b)
{
    return std::memcmp(&a, &b, sizeof(Pixel)) == 0;
}

}  // namespace test
}  // namespace pw
