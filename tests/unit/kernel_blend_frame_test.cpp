// The Color treatment's whole-frame blend (8-bit through per-alpha tables, 16-bit and float in lanes) against the
// table functions applied pixel by pixel, on every path, for frames of scattered (with each depth's hostile values),
// few and single alphas.
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "kernel_test_support.h"
#include "kernels/blend.h"
#include "kernels/blend_frame.h"
#include "kernels/tint_line16.h"

namespace pw {
namespace {

using test::TestImage;
using test::TestRandom;

enum class Alphas { kScattered, kFew, kOpaque };

template <typename Pixel>
void Shape(TestImage<Pixel>& img, TestRandom& rnd, Alphas alphas, decltype(Pixel::alpha) white)
{
    img.Randomise(rnd);
    if (alphas == Alphas::kScattered) {
        test::AddHostileValues(img, rnd);
        return;
    }
    // Few: alphas from a handful of values that share table slots, in runs.
    const decltype(Pixel::alpha) few[] = {white, 0, static_cast<decltype(Pixel::alpha)>(white / 2),
                                          static_cast<decltype(Pixel::alpha)>(white / 2 + white / 16)};
    for (int32_t y = 0; y < img.view.height; ++y) {
        for (int32_t x = 0; x < img.view.width; ++x) {
            img.At(x, y).alpha = alphas == Alphas::kOpaque ? white : few[((x / 37) + y) % 4];
        }
    }
}

template <typename Pixel, typename PerPixel>
void Compare(int32_t mode, const Pixel& tint, Alphas alphas, decltype(Pixel::alpha) white, const PerPixel& perPixel)
{
    // Rows whose scattered alphas leave thirteen pixels and one past the lanes' last full step.
    for (const int32_t width : {301, 289}) {
        TestRandom rnd(static_cast<uint64_t>(mode) * 31 + static_cast<uint64_t>(alphas));
        TestImage<Pixel> img(width, 41, 5);
        Shape(img, rnd, alphas, white);
        TestImage<Pixel> expected(img);
        for (int32_t y = 0; y < img.view.height; ++y) {
            for (int32_t x = 0; x < img.view.width; ++x) {
                expected.At(x, y) = perPixel(expected.At(x, y));
            }
        }
        for (const Isa isa : test::RunnableIsas()) {
            TestImage<Pixel> lanes(img);
            BlendFrame(lanes.view, mode, tint, isa);
            ASSERT_TRUE(lanes.SameBytes(expected)) << "mode " << mode << " alphas " << static_cast<int>(alphas)
                                                   << " width " << width << " isa " << static_cast<int>(isa);
        }
    }
}

class KernelBlendFrame : public ::testing::TestWithParam<int32_t> {};

TEST_P(KernelBlendFrame, EqualsTheTableFunctionOnEveryPixel)
{
    const int32_t mode = GetParam();
    const int32_t index = BlendTableIndex(mode);
    TestRandom rnd(static_cast<uint64_t>(mode) + 1000);
    for (const Alphas alphas : {Alphas::kScattered, Alphas::kFew, Alphas::kOpaque}) {
        for (const int tintAlpha : {0, 1, 128, 255}) {
            PF_Pixel8 tint8 = test::RandomPixel8(rnd);
            tint8.alpha = static_cast<A_u_char>(tintAlpha);
            Compare(mode, tint8, alphas, 255, [&](const PF_Pixel8& p) {
                return PixelFromWord(BlendTable8[index](WordFromPixel(p), WordFromPixel(tint8)));
            });
            const PF_Pixel16 tint16 = Pixel16From8(tint8);
            Compare(mode, tint16, alphas, 32768, [&](const PF_Pixel16& p) {
                return PixelFromWord(BlendTable16[index](WordFromPixel(p), WordFromPixel(tint16)));
            });
            const PF_PixelFloat tintFloat = PixelFloatFrom8(tint8);
            Compare(mode, tintFloat, alphas, 1.0f,
                    [&](const PF_PixelFloat& p) { return BlendTableFloat[index](p, tintFloat); });
        }
    }
}

// Every popup value, and values no popup produces (a damaged project), which blend Normal.
INSTANTIATE_TEST_SUITE_P(EveryMode, KernelBlendFrame, ::testing::Values(-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1000));

// A large frame whose alphas come from a dozen values in short runs: tables are built, evicted and, as
// they fail to pay off, built ever more rarely. Every pixel still equals its direct blend.
TEST(KernelBlendFrame8, ManyEvictionsKeepEveryPixelExact)
{
    TestRandom rnd(77);
    TestImage<PF_Pixel8> img(1500, 300);
    img.Randomise(rnd);
    const A_u_char alphas[] = {255, 0, 1, 5, 64, 68, 128, 132, 200, 204, 251, 3};
    for (int32_t y = 0; y < 300; ++y) {
        for (int32_t x = 0; x < 1500; ++x) {
            img.At(x, y).alpha = alphas[(y < 150 ? x / 9 + y : rnd.Int(0, 11)) % 12];
        }
    }
    for (const int32_t mode : {1, 5, 8}) {
        const PF_Pixel8 tint{90, 10, 200, 255};
        TestImage<PF_Pixel8> frame(img), expected(img);
        for (int32_t y = 0; y < 300; ++y) {
            for (int32_t x = 0; x < 1500; ++x) {
                expected.At(x, y) = PixelFromWord(BlendTable8[mode](WordFromPixel(expected.At(x, y)), WordFromPixel(tint)));
            }
        }
        for (const Isa isa : test::RunnableIsas()) {
            TestImage<PF_Pixel8> lanes(frame);
            BlendFrame(lanes.view, mode, tint, isa);
            EXPECT_TRUE(lanes.SameBytes(expected)) << mode << " isa " << static_cast<int>(isa);
        }
    }
}

// Every bottom alpha against every bottom channel value, for tint alphas across the range: the tabulated
// 8-bit arithmetic (weights per alpha, rule per channel value, reciprocal division) and the lanes' are the table
// function's, everywhere.
TEST(KernelBlendFrame8, EveryBottomAlphaAndValue)
{
    TestImage<PF_Pixel8> img(256, 256, 0);
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            img.At(x, y) = {static_cast<A_u_char>(y), static_cast<A_u_char>(x), static_cast<A_u_char>(255 - x),
                            static_cast<A_u_char>(x * 7)};
        }
    }
    for (int32_t mode = 1; mode <= 8; ++mode) {
        for (const int32_t tintAlpha : {0, 1, 2, 64, 127, 128, 200, 253, 254, 255}) {
            const PF_Pixel8 tint{static_cast<A_u_char>(tintAlpha), static_cast<A_u_char>(mode * 31),
                                 static_cast<A_u_char>(255 - mode * 9), static_cast<A_u_char>(tintAlpha)};
            TestImage<PF_Pixel8> frame(img), expected(img);
            for (PF_Pixel8& p : expected.pixels) {
                p = PixelFromWord(BlendTable8[mode](WordFromPixel(p), WordFromPixel(tint)));
            }
            for (const Isa isa : test::RunnableIsas()) {
                TestImage<PF_Pixel8> lanes(frame);
                BlendFrame(lanes.view, mode, tint, isa);
                ASSERT_TRUE(lanes.SameBytes(expected)) << "mode " << mode << " tint alpha " << tintAlpha << " isa "
                                                       << static_cast<int>(isa);
            }
        }
    }
}

// Frames large enough for the 16-bit tables: opaque rows looked up, a pixel with another alpha or a channel above white
// blended directly, then cells of no, one partial and full alpha (the partial one enough for its own table), rows of
// an odd width, every mode, every path.
TEST(KernelBlendFrame16, LargeFramesEqualTheTableFunction)
{
    TestRandom rnd(16);
    TestImage<PF_Pixel16> img(643, 420, 3);
    for (int32_t y = 0; y < img.view.height; ++y) {
        for (int32_t x = 0; x < img.view.width; ++x) {
            const auto channel = [&] { return static_cast<A_u_short>(rnd.Int(0, 3) ? rnd.Int(0, 32768) : rnd.Int(0, 1) * 32768); };
            const A_u_short cellAlpha[] = {0, 16448, 32768};
            img.At(x, y) = {y < 180 ? A_u_short{32768} : cellAlpha[(x / 8 + y / 8) % 3], channel(), channel(), channel()};
            if (img.At(x, y).alpha == 0) img.At(x, y).red = static_cast<A_u_short>(rnd.Int(0, 65535));
        }
        if (y % 7 == 3) img.At(rnd.Int(0, 642), y).alpha = static_cast<A_u_short>(rnd.Int(0, 32767));
        if (y % 11 == 5) {
            PF_Pixel16& p = img.At(rnd.Int(0, 642), y);
            A_u_short* const channels[] = {&p.red, &p.green, &p.blue};
            *channels[(y / 11) % 3] = static_cast<A_u_short>(y % 2 ? 32769 : rnd.Int(32769, 65535));
        }
    }
    for (int32_t mode = 1; mode <= 8; ++mode) {
        for (const int32_t tintAlpha : {0, 20000, 32768}) {
            if (tintAlpha == 0 && mode != 5) continue;
            const PF_Pixel16 tint{static_cast<A_u_short>(tintAlpha), static_cast<A_u_short>(mode * 4001),
                                  static_cast<A_u_short>(32768 - mode * 97), static_cast<A_u_short>(mode == 7 ? 32768 : 0)};
            TestImage<PF_Pixel16> expected(img);
            for (int32_t y = 0; y < img.view.height; ++y) {
                for (int32_t x = 0; x < img.view.width; ++x) {
                    PF_Pixel16& p = expected.At(x, y);
                    p = PixelFromWord(BlendTable16[mode](WordFromPixel(p), WordFromPixel(tint)));
                }
            }
            for (const Isa isa : test::RunnableIsas()) {
                TestImage<PF_Pixel16> lanes(img);
                BlendFrame(lanes.view, mode, tint, isa);
                ASSERT_TRUE(lanes.SameBytes(expected)) << "mode " << mode << " tint alpha " << tintAlpha << " isa "
                                                       << static_cast<int>(isa);
            }
        }
    }
}

// A line is taken only where it gives every entry of all three tables: tables of floor(slope p + offset), one with a
// single entry off, and lines out of the fixed point's range.
TEST(KernelBlendFrame16, TintLineFitsOnlyWhereEveryEntryAgrees)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double slope, offset;
        int32_t offBy;  // entry of the green table made one more (-1: none)
        bool fits;
    } cases[] = {{0.75, 100.5, -1, true}, {1.0, 0.0, -1, true}, {0.0, 32768.0, -1, true}, {0.3, 7.25, 12345, false},
                 {0.3, 7.25, 32768, false}, {2.0, 0.0, -1, false}, {-0.25, 9000.0, -1, false}, {0.5, nan, -1, false},
                 {0.5, 32769.0, -1, false}};
    for (const auto& c : cases) {
        std::vector<A_u_short> tables(3 * 32769);
        for (int32_t p = 0; p <= 32768; ++p) {
            for (int k = 0; k < 3; ++k) {
                const double v = c.slope * p + c.offset;
                tables[k * 32769 + p] = static_cast<A_u_short>(v >= 0 && v < 65536 ? std::floor(v) : 0);
            }
        }
        if (c.offBy >= 0) ++tables[32769 + c.offBy];
        TintLine16 line{};
        const double slope[3] = {c.slope, c.slope, c.slope}, offset[3] = {c.offset, c.offset, c.offset};
        EXPECT_EQ(FitTintLine16(tables.data(), slope, offset, 32768, line), c.fits) << c.slope << " " << c.offset;
    }
}

// Channels whose quotient by the result alpha lies a few 1e-10 below an integer, where a product with the reciprocal
// rounds up to it: in rows long enough for every lane width and a tail.
TEST(KernelBlendFrame16, QuotientsJustBelowAnIntegerTruncateDown)
{
    const struct {
        int32_t mode;
        A_u_short bottomAlpha, bottom, tintAlpha, tint;
    } cases[] = {{5, 10037, 6030, 15645, 15711}, {6, 10276, 8321, 25772, 4708}};
    for (const auto& c : cases) {
        TestImage<PF_Pixel16> img(21, 2, 0);
        for (PF_Pixel16& p : img.pixels) p = {c.bottomAlpha, c.bottom, c.bottom, c.bottom};
        const PF_Pixel16 tint{c.tintAlpha, c.tint, c.tint, c.tint};
        const PF_Pixel16 expected = PixelFromWord(BlendTable16[c.mode](WordFromPixel(img.pixels[0]), WordFromPixel(tint)));
        for (const Isa isa : test::RunnableIsas()) {
            TestImage<PF_Pixel16> lanes(img);
            BlendFrame(lanes.view, c.mode, tint, isa);
            for (const PF_Pixel16& p : lanes.pixels)
                ASSERT_EQ(WordFromPixel(p), WordFromPixel(expected)) << "mode " << c.mode << " isa " << static_cast<int>(isa);
        }
    }
}

TEST(KernelBlendFrame16, CarelessChannelsComeOutCapped)
{
    TestRandom rnd(8);
    TestImage<PF_Pixel16> img(50, 20);
    for (PF_Pixel16& p : img.pixels) {
        p = {static_cast<A_u_short>(rnd.Int(1, 65535)), static_cast<A_u_short>(rnd.Int(0, 65535)),
             static_cast<A_u_short>(rnd.Int(0, 65535)), static_cast<A_u_short>(rnd.Int(0, 65535))};
    }
    for (int32_t mode = 1; mode <= 8; ++mode) {
        TestImage<PF_Pixel16> copy(img);
        BlendFrame(copy.view, mode, PF_Pixel16{20000, 40000, 65535, 100});
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 50; ++x) {
                const PF_Pixel16& p = copy.At(x, y);
                ASSERT_LE(p.alpha, 32768);
                ASSERT_LE(p.red, 32768);
                ASSERT_LE(p.green, 32768);
                ASSERT_LE(p.blue, 32768);
            }
        }
    }
}

}  // namespace
}  // namespace pw
