#include "host/test_pattern.h"

#include <algorithm>

namespace pwhost {
namespace {

int64_t FloorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t Mod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

uint32_t Mix(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = (a * 0x9E3779B1u) ^ ((b + 0x7F4A7C15u) * 0x85EBCA77u) ^ ((c + 0x165667B1u) * 0xC2B2AE3Du);
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

A_u_char Byte(int64_t v) { return static_cast<A_u_char>(v < 0 ? 0 : v > 255 ? 255 : v); }

// First row of band b.
int64_t BandTop(int64_t b, int64_t h) { return (b * h + 3) / 4; }

PF_Pixel ColourBars(int64_t x, int64_t w, int64_t ms)
{
    static const PF_Pixel kBars[8] = {{255, 255, 255, 255}, {255, 255, 255, 0}, {255, 0, 255, 255},
                                      {255, 0, 255, 0},     {255, 255, 0, 255}, {255, 255, 0, 0},
                                      {255, 0, 0, 255},     {255, 0, 0, 0}};
    return kBars[Mod(x - ms / 40, w) * 8 / w];
}

PF_Pixel Gradients(int64_t x, int64_t row, int64_t w, int64_t bandHeight, int64_t ms)
{
    return PF_Pixel{255, Byte(x * 255 / std::max<int64_t>(w - 1, 1)),
                    Byte(row * 255 / std::max<int64_t>(bandHeight - 1, 1)), Byte(Mod(x + row + ms / 8, 256))};
}

PF_Pixel Text(int64_t x, int64_t row, int64_t ms)
{
    const int64_t sx = x + ms / 100;
    const int64_t gx = Mod(sx, 6), gy = row % 8;
    if (gx < 5 && gy < 7) {
        const uint32_t glyph = Mix(static_cast<uint32_t>(FloorDiv(sx, 6)), static_cast<uint32_t>(row / 8),
                                   static_cast<uint32_t>(FloorDiv(ms, 500)));
        if (glyph % 7 != 0 && (Mix(glyph & 63u, static_cast<uint32_t>(gy), 7u) >> gx & 1u)) return PF_Pixel{255, 250, 250, 240};
    }
    return PF_Pixel{255, 20, 20, 28};
}

PF_Pixel Transparency(int64_t x, int64_t row, int64_t w, int64_t bandHeight, int64_t ms)
{
    const int64_t across = x * 255 / std::max<int64_t>(w - 1, 1);
    PF_Pixel p{Byte(Mod(x + ms / 20, w) * 255 / std::max<int64_t>(w - 1, 1)), Byte(255 - across),
               Byte(96 + row * 128 / std::max<int64_t>(bandHeight, 1)), Byte(across)};
    const int64_t cell = (x / 8 + row / 8) % 4;
    if (cell == 0) p.alpha = 0;
    if (cell == 2) p.alpha = 128;
    return p;
}

void BrightSpots(int64_t x, int64_t y, int64_t w, int64_t h, int64_t ms, PF_Pixel& p)
{
    const int64_t r = std::max<int64_t>(2, std::min(w, h) / 16);
    for (int64_t i = 0; i < 3; ++i) {
        const int64_t cx = Mod(w * (i + 1) / 4 + ms * (i + 1) / 50, w);
        const int64_t travel = Mod(h * i / 3 + ms / (30 + 10 * i), 2 * h);
        const int64_t cy = travel < h ? travel : 2 * h - 1 - travel;
        const int64_t d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        if (d2 <= r * r) {
            p = PF_Pixel{255, 255, 255, 255};
            return;
        }
        if (d2 <= 4 * r * r) {
            p = PF_Pixel{255, std::max<A_u_char>(p.red, 230), std::max<A_u_char>(p.green, 230),
                         std::max<A_u_char>(p.blue, 230)};
        }
    }
}

template <class Pixel, class Convert>
void Fill(const PF_EffectWorld& world, int64_t ms, Convert convert)
{
    auto* base = static_cast<uint8_t*>(world.data);
    for (A_long y = 0; y < world.height; ++y) {
        auto* row = reinterpret_cast<Pixel*>(base + static_cast<std::ptrdiff_t>(world.rowbytes) * y);
        for (A_long x = 0; x < world.width; ++x)
            row[x] = convert(TestPatternPixel(x, y, world.width, world.height, ms));
    }
}

}  // namespace

int64_t PatternMilliseconds(A_long time, A_u_long scale)
{
    return scale ? FloorDiv(int64_t{time} * 1000, int64_t{scale}) : 0;
}

PF_Pixel TestPatternPixel(A_long x, A_long y, A_long width, A_long height, int64_t ms)
{
    const int64_t w = std::max<A_long>(width, 1), h = std::max<A_long>(height, 1);
    const int64_t band = std::min<int64_t>(int64_t{y} * 4 / h, 3);
    const int64_t top = BandTop(band, h);
    const int64_t row = y - top, bandHeight = BandTop(band + 1, h) - top;
    PF_Pixel p;
    switch (band) {
    case 0: p = ColourBars(x, w, ms); break;
    case 1: p = Gradients(x, row, w, bandHeight, ms); break;
    case 2: p = Text(x, row, ms); break;
    default: p = Transparency(x, row, w, bandHeight, ms); break;
    }
    BrightSpots(x, y, w, h, ms, p);
    return p;
}

PF_Err TestPattern::Render(A_long time, A_u_long scale, PF_PixelFormat format, const PF_EffectWorld& world)
{
    const int64_t ms = PatternMilliseconds(time, scale);
    switch (format) {
    case PF_PixelFormat_ARGB32: Fill<PF_Pixel>(world, ms, [](const PF_Pixel& p) { return p; }); break;
    case PF_PixelFormat_ARGB64: Fill<PF_Pixel16>(world, ms, Pixel8To16); break;
    case PF_PixelFormat_ARGB128: Fill<PF_PixelFloat>(world, ms, Pixel8ToFloat); break;
    default: return PF_Err_BAD_CALLBACK_PARAM;
    }
    return PF_Err_NONE;
}

Image TestPatternImage(A_long time, A_u_long scale, PF_PixelFormat format, A_long width, A_long height)
{
    Image image;
    image.format = format;
    const A_long pixel = PixelBytes(format);
    if (!pixel || width <= 0 || height <= 0) return image;
    image.width = width;
    image.height = height;
    image.bytes.resize(static_cast<std::size_t>(width) * height * pixel);
    PF_EffectWorld world{};
    world.data = image.bytes.data();
    world.width = width;
    world.height = height;
    world.rowbytes = width * pixel;
    TestPattern().Render(time, scale, format, world);
    return image;
}

}  // namespace pwhost
