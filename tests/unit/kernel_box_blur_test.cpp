// Box blur line passes: the worked lines, radius edge cases, the float caps, the whole-frame passes
// (column strips included) against a plain transcription and against a brute-force box, hostile input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "kernel_reference.h"
#include "kernel_test_support.h"
#include "kernels/box_blur.h"
#include "kernels/box_blur_arith.h"
#include "kernels/box_blur_lanes16.h"
#include "kernels/cpu_features.h"

namespace pw {
namespace {

using test::TestImage;
using test::TestRandom;

// Scratch as the render driver provides it: max(width, height) entries, plus room to test less or more.
template <typename Depth>
struct TestSums {
    std::vector<double> storage;  // double-aligned for every depth
    BoxBlurSums sums;
    explicit TestSums(size_t entries)
        : storage(entries * kBoxBlurEntryBytes<Depth> / sizeof(double) + 1),
          sums{storage.data(), entries * kBoxBlurEntryBytes<Depth>}
    {
    }
};

template <typename Depth>
TestSums<Depth> SumsFor(const ImageView<typename Depth::Pixel>& v)
{
    return TestSums<Depth>(static_cast<size_t>(v.width > v.height ? v.width : v.height));
}

// A one-row 8-bit image whose every channel carries the same values.
TestImage<PF_Pixel8> Line8(const std::vector<int>& values)
{
    TestImage<PF_Pixel8> img(static_cast<int32_t>(values.size()), 1);
    for (size_t i = 0; i < values.size(); ++i) {
        const A_u_char v = static_cast<A_u_char>(values[i]);
        img.At(static_cast<int32_t>(i), 0) = {v, v, v, v};
    }
    return img;
}

std::vector<int> Channel8(const TestImage<PF_Pixel8>& img, int channel)
{
    std::vector<int> out;
    for (int32_t x = 0; x < img.view.width; ++x) {
        out.push_back((&img.view.Row(0)[x].alpha)[channel]);
    }
    return out;
}

struct LineCase {
    std::vector<int> in;
    int32_t r;
    std::vector<int> out;
};

class KernelBoxBlurLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(KernelBoxBlurLine, RowAndColumnGiveTheWorkedValues)
{
    const LineCase& c = GetParam();
    TestImage<PF_Pixel8> row = Line8(c.in);
    auto sums = SumsFor<Depth8>(row.view);
    BoxBlurRow(sums.sums, 0, c.r, row.view);
    for (int ch = 0; ch < 4; ++ch) {
        EXPECT_EQ(Channel8(row, ch), c.out) << "channel " << ch;
    }
    // The same line standing as a column.
    TestImage<PF_Pixel8> column(1, static_cast<int32_t>(c.in.size()));
    for (size_t i = 0; i < c.in.size(); ++i) {
        const A_u_char v = static_cast<A_u_char>(c.in[i]);
        column.At(0, static_cast<int32_t>(i)) = {v, v, v, v};
    }
    BoxBlurColumn(sums.sums, 0, c.r, column.view);
    for (size_t i = 0; i < c.in.size(); ++i) {
        EXPECT_EQ(column.At(0, static_cast<int32_t>(i)).green, c.out[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Worked, KernelBoxBlurLine,
    ::testing::Values(LineCase{{0, 0, 255, 0, 0}, 1, {0, 85, 85, 85, 0}}, LineCase{{255, 0, 0}, 1, {170, 85, 0}},
                      LineCase{{10, 20, 30}, 0, {10, 20, 30}}, LineCase{{10, 20, 30}, -4, {10, 20, 30}},
                      LineCase{{77}, 1, {77}}, LineCase{{77}, 1000000, {77}}, LineCase{{9, 9, 9, 9}, 50, {9, 9, 9, 9}},
                      // r beyond the line: ((r - i) P0 + sum + (i + r - n + 1) P[n-1]) / (2r + 1)
                      LineCase{{255, 0, 0, 100}, 5, {166, 152, 138, 124}}));

// Every depth: a radius of 0 or less, a line index outside the view, scratch too short or missing:
// nothing changes, and nothing outside the view is ever written.
template <typename Depth>
void ExpectUntouched()
{
    using Pixel = typename Depth::Pixel;
    TestRandom rnd(3);
    TestImage<Pixel> img(13, 9);
    img.Randomise(rnd);
    const TestImage<Pixel> before(img);
    auto sums = SumsFor<Depth>(img.view);
    for (const int32_t r : {0, -1, INT32_MIN}) {
        BoxBlurRow(sums.sums, 2, r, img.view);
        BoxBlurColumn(sums.sums, 2, r, img.view);
        BoxBlurRows(sums.sums, r, img.view);
        BoxBlurColumns(sums.sums, r, img.view);
    }
    BoxBlurRow(sums.sums, -1, 2, img.view);
    BoxBlurRow(sums.sums, 9, 2, img.view);
    BoxBlurColumn(sums.sums, 13, 2, img.view);
    const TestSums<Depth> tooShort(1);
    BoxBlurRow(tooShort.sums, 0, 2, img.view);
    BoxBlurRows(tooShort.sums, 2, img.view);
    const BoxBlurSums none{nullptr, 0};
    BoxBlurColumn(none, 0, 2, img.view);
    BoxBlurColumns(none, 2, img.view);
    EXPECT_TRUE(img.SameBytes(before));
}

TEST(KernelBoxBlur, NoRadiusBadIndexOrShortScratchLeavesTheImage)
{
    ExpectUntouched<Depth8>();
    ExpectUntouched<Depth16>();
    ExpectUntouched<DepthFloat>();
}

TEST(KernelBoxBlur, OnePixelLinesKeepTheirValueForAnyRadius)
{
    for (const int32_t r : {1, 7, 1000, 4096, INT32_MAX}) {
        TestImage<PF_Pixel8> a(1, 1);
        a.At(0, 0) = {200, 1, 128, 255};
        TestImage<PF_Pixel16> b(1, 1);
        b.At(0, 0) = {32768, 1, 16384, 32767};
        TestImage<PF_PixelFloat> c(1, 1);
        c.At(0, 0) = {0.5f, 0.1f, 1.7f, -0.3f};
        const TestImage<PF_Pixel8> a0(a);
        const TestImage<PF_Pixel16> b0(b);
        const TestImage<PF_PixelFloat> c0(c);
        auto s8 = SumsFor<Depth8>(a.view);
        auto s16 = SumsFor<Depth16>(b.view);
        auto sf = SumsFor<DepthFloat>(c.view);
        BoxBlurRows(s8.sums, r, a.view);
        BoxBlurColumns(s8.sums, r, a.view);
        BoxBlurRows(s16.sums, r, b.view);
        BoxBlurColumns(s16.sums, r, b.view);
        if (r <= 4096) {  // float sums of huge multiples of a value round
            BoxBlurRows(sf.sums, r, c.view);
            BoxBlurColumns(sf.sums, r, c.view);
        }
        EXPECT_TRUE(a.SameBytes(a0)) << r;
        EXPECT_TRUE(b.SameBytes(b0)) << r;
        EXPECT_TRUE(c.SameBytes(c0)) << r;
    }
}

TEST(KernelBoxBlur, ConstantLinesStayConstantForAnyRadius)
{
    for (const int32_t r : {1, 3, 40, 5000, 100000000}) {
        TestImage<PF_Pixel8> a(17, 5);
        TestImage<PF_Pixel16> b(17, 5);
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t x = 0; x < 17; ++x) {
                a.At(x, y) = {255, 7, 128, 254};
                b.At(x, y) = {32768, 7, 16448, 32767};
            }
        }
        const TestImage<PF_Pixel8> a0(a);
        const TestImage<PF_Pixel16> b0(b);
        auto s8 = SumsFor<Depth8>(a.view);
        auto s16 = SumsFor<Depth16>(b.view);
        BoxBlurRows(s8.sums, r, a.view);
        BoxBlurColumns(s8.sums, r, a.view);
        BoxBlurRows(s16.sums, r, b.view);
        BoxBlurColumns(s16.sums, r, b.view);
        EXPECT_TRUE(a.SameBytes(a0)) << r;
        EXPECT_TRUE(b.SameBytes(b0)) << r;
    }
}

TEST(KernelBoxBlurFloat, AlphaCappedAtOneColoursPassedOnUnclamped)
{
    TestImage<PF_PixelFloat> img(3, 1);
    img.At(0, 0) = {1.0f, 3.0f, -1.0f, 0.5f};
    img.At(1, 0) = {3.0f, 3.0f, -1.0f, 0.5f};
    img.At(2, 0) = {1.0f, 3.0f, -1.0f, 0.5f};
    auto sums = SumsFor<DepthFloat>(img.view);
    BoxBlurRow(sums.sums, 0, 1, img.view);
    for (int32_t x = 0; x < 3; ++x) {
        EXPECT_EQ(img.At(x, 0).alpha, 1.0f);
        EXPECT_EQ(img.At(x, 0).red, 3.0f);
        EXPECT_EQ(img.At(x, 0).green, -1.0f);
    }
    // The same through the whole passes, whose interiors run in lanes.
    TestImage<PF_PixelFloat> frame(40, 30);
    for (PF_PixelFloat& p : frame.pixels) p = {3.0f, 3.0f, -1.0f, 2.0f};
    auto frameSums = SumsFor<DepthFloat>(frame.view);
    for (const Isa isa : test::RunnableIsas()) {
        TestImage<PF_PixelFloat> blurred(frame);
        BoxBlurRows(frameSums.sums, 3, blurred.view, isa);
        BoxBlurColumns(frameSums.sums, 3, blurred.view, isa);
        for (int32_t y = 0; y < 30; ++y) {
            for (int32_t x = 0; x < 40; ++x) {
                const PF_PixelFloat p = blurred.At(x, y);
                ASSERT_TRUE(p.alpha == 1.0f && p.red == 3.0f && p.green == -1.0f && p.blue == 2.0f)
                    << x << "," << y << " isa " << static_cast<int>(isa);
            }
        }
    }
}

// One bad float pixel must not wipe out the rest of its row and, through the columns, the frame: NaN
// counts as 0 and infinities as the largest float, for the running sums.
TEST(KernelBoxBlurFloat, NonFiniteChannelsStayLocal)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float big = std::numeric_limits<float>::max();
    TestRandom rnd(8);
    TestImage<PF_PixelFloat> bad(40, 30), good(40, 30);
    bad.Randomise(rnd);
    good.pixels = bad.pixels;
    bad.At(5, 5).red = nan, good.At(5, 5).red = 0.0f;
    bad.At(20, 9).green = inf, good.At(20, 9).green = big;
    bad.At(33, 20).blue = -inf, good.At(33, 20).blue = -big;
    bad.At(2, 28).alpha = nan, good.At(2, 28).alpha = 0.0f;
    auto sums = SumsFor<DepthFloat>(bad.view);
    for (const Isa isa : test::RunnableIsas()) {
        for (const bool rows : {true, false}) {  // the columns alone meet the channels as they are
            TestImage<PF_PixelFloat> b(bad), g(good);
            for (TestImage<PF_PixelFloat>* img : {&b, &g}) {
                if (rows) BoxBlurRows(sums.sums, 3, img->view, isa);
                BoxBlurColumns(sums.sums, 3, img->view, isa);
            }
            EXPECT_TRUE(b.SameBytes(g)) << "isa " << static_cast<int>(isa) << " rows " << rows;
            EXPECT_FALSE(std::isnan(b.At(39, 29).red));
        }
    }
}

// The whole-frame passes (rows one by one; columns in strips, with the sums kept whole or in a ring of
// 2r + 2) against the plain transcription applied line by line, byte for byte.
template <typename Depth>
void CompareWithReference(uint64_t seed, int32_t width, int32_t height, int32_t r, size_t entries, int passes)
{
    using Pixel = typename Depth::Pixel;
    TestRandom rnd(seed);
    TestImage<Pixel> img(width, height, static_cast<int32_t>(seed % 5));
    img.Randomise(rnd);
    if constexpr (std::is_same_v<Pixel, PF_PixelFloat>) {
        // Negative zeros, which a sum that starts from 0 instead of the first pixel would turn positive.
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                if (rnd.Int(0, 3) == 0) img.At(x, y).red = -0.0f;
                if (x == 0 && rnd.Int(0, 1)) img.At(x, y).green = -0.0f;
            }
        }
    }
    TestImage<Pixel> expected(img);
    if (passes & 1) {
        for (int32_t y = 0; y < height; ++y) {
            std::vector<Pixel> line(expected.view.Row(y), expected.view.Row(y) + width);
            ref::BlurLine(line, r);
            std::memcpy(static_cast<void*>(expected.view.Row(y)), line.data(), line.size() * sizeof(Pixel));
        }
    }
    if (passes & 2) {
        for (int32_t x = 0; x < width; ++x) {
            std::vector<Pixel> line;
            for (int32_t y = 0; y < height; ++y) {
                line.push_back(expected.At(x, y));
            }
            ref::BlurLine(line, r);
            for (int32_t y = 0; y < height; ++y) {
                expected.At(x, y) = line[static_cast<size_t>(y)];
            }
        }
    }
    TestSums<Depth> sums(entries);
    TestImage<Pixel> perLine(img);
    for (const Isa isa : test::RunnableIsas()) {
        TestImage<Pixel> whole(img);
        if (passes & 1) BoxBlurRows(sums.sums, r, whole.view, isa);
        if (passes & 2) BoxBlurColumns(sums.sums, r, whole.view, isa);
        ASSERT_TRUE(whole.SameBytes(expected)) << "whole passes, seed " << seed << " " << width << "x" << height
                                               << " r " << r << " isa " << static_cast<int>(isa);
    }
    if (passes & 1) {
        for (int32_t y = 0; y < height; ++y) {
            BoxBlurRow(sums.sums, y, r, perLine.view);
        }
    }
    if (passes & 2) {
        for (int32_t x = 0; x < width; ++x) {
            BoxBlurColumn(sums.sums, x, r, perLine.view);
        }
    }
    ASSERT_TRUE(perLine.SameBytes(expected)) << "line passes, seed " << seed << " " << width << "x" << height << " r "
                                             << r;
}

struct FrameCase {
    int32_t width, height;
    int32_t radius;
    int extraEntries;  // beyond max(width, height)
};

class KernelBoxBlurFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(KernelBoxBlurFrames, WholePassesMatchTheLineByLineTranscription)
{
    const FrameCase& c = GetParam();
    const size_t entries = static_cast<size_t>(std::max(c.width, c.height) + c.extraEntries);
    for (int passes = 1; passes <= 3; ++passes) {
        const uint64_t seed = static_cast<uint64_t>(c.width * 131 + c.height * 7 + c.radius + passes);
        CompareWithReference<Depth8>(seed, c.width, c.height, c.radius, entries, passes);
        CompareWithReference<Depth16>(seed, c.width, c.height, c.radius, entries, passes);
        CompareWithReference<DepthFloat>(seed, c.width, c.height, c.radius, entries, passes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SizesAndRadii, KernelBoxBlurFrames,
    ::testing::Values(FrameCase{1, 1, 3, 0}, FrameCase{1, 40, 2, 0}, FrameCase{40, 1, 2, 0}, FrameCase{2, 2, 1, 0},
                      FrameCase{37, 23, 1, 0}, FrameCase{37, 23, 2, 0}, FrameCase{37, 23, 5, 0},
                      FrameCase{37, 23, 10, 0}, FrameCase{37, 23, 11, 0}, FrameCase{37, 23, 22, 0},
                      FrameCase{37, 23, 40, 0}, FrameCase{23, 37, 17, 0}, FrameCase{100, 64, 3, 0},
                      FrameCase{70, 120, 7, 0}, FrameCase{70, 120, 7, 2000}, FrameCase{64, 250, 100, 0},
                      FrameCase{250, 64, 100, 5}, FrameCase{300, 90, 1, 0}, FrameCase{9, 300, 2047, 0},
                      FrameCase{9, 300, 2048, 0}, FrameCase{31, 17, 5000, 0},
                      // 8-bit windows of 203 and 257 pixels: without and with a 16-bit divisor
                      FrameCase{40, 250, 101, 0}, FrameCase{40, 300, 128, 0},
                      // 16-bit windows and lines past what 32-bit sums hold: the double sums
                      FrameCase{13, 11, 16384, 0}, FrameCase{32768, 2, 3, 0}));

// Random sizes and radii, a few hundred frames, all depths and both directions.
TEST(KernelBoxBlurFrames, RandomSizesAndRadiiMatchTheTranscription)
{
    TestRandom rnd(2024);
    for (int i = 0; i < 120; ++i) {
        const int32_t w = rnd.Int(1, 90), h = rnd.Int(1, 90);
        const int32_t r = rnd.Int(0, 3) == 0 ? rnd.Int(1, 200) : rnd.Int(1, 12);
        const size_t entries = static_cast<size_t>(std::max(w, h) + (rnd.Int(0, 1) ? 0 : rnd.Int(0, 3000)));
        const uint64_t seed = rnd.Next();
        CompareWithReference<Depth8>(seed, w, h, r, entries, 3);
        CompareWithReference<Depth16>(seed, w, h, r, entries, 3);
        CompareWithReference<DepthFloat>(seed, w, h, r, entries, 3);
    }
}

// The transcription itself against brute force, where integers make the two exactly comparable.
TEST(KernelBoxBlurReference, TranscriptionEqualsBruteForceWindowForIntegers)
{
    TestRandom rnd(77);
    for (int i = 0; i < 300; ++i) {
        const int32_t n = rnd.Int(1, 60), r = rnd.Int(1, 80);
        std::vector<int64_t> line;
        for (int32_t k = 0; k < n; ++k) {
            line.push_back(rnd.Int(0, 65535));
        }
        std::vector<int64_t> viaSums = line;
        ref::BlurChannel(viaSums, r, [](int64_t total, int64_t w) { return std::min<int64_t>(total / w, 32768); });
        ASSERT_EQ(viaSums, ref::NaiveWindow(line, r, 32768));
    }
}

// Rows then columns make a (2r + 1) x (2r + 1) box, apart from each pass truncating its 8-bit and
// 16-bit results: the two-pass value is the exact box mean rounded down, or one below that.
TEST(KernelBoxBlur, RowsThenColumnsMakeASquareBox)
{
    TestRandom rnd(11);
    for (const int32_t r : {1, 2, 4, 9}) {
        const int32_t w = 31, h = 26;
        TestImage<PF_Pixel8> a(w, h);
        TestImage<PF_Pixel16> b(w, h);
        TestImage<PF_PixelFloat> c(w, h);
        a.Randomise(rnd);
        b.Randomise(rnd);
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                c.At(x, y) = {rnd.Float(0, 1), rnd.Float(0, 1), rnd.Float(0, 1), rnd.Float(0, 1)};
            }
        }
        const TestImage<PF_Pixel8> a0(a);
        const TestImage<PF_Pixel16> b0(b);
        const TestImage<PF_PixelFloat> c0(c);
        auto s8 = SumsFor<Depth8>(a.view);
        auto s16 = SumsFor<Depth16>(b.view);
        auto sf = SumsFor<DepthFloat>(c.view);
        BoxBlurRows(s8.sums, r, a.view);
        BoxBlurColumns(s8.sums, r, a.view);
        BoxBlurRows(s16.sums, r, b.view);
        BoxBlurColumns(s16.sums, r, b.view);
        BoxBlurRows(sf.sums, r, c.view);
        BoxBlurColumns(sf.sums, r, c.view);
        const auto box = [&](const auto& img, int32_t x, int32_t y, int ch) {
            double total = 0;
            for (int32_t dy = -r; dy <= r; ++dy) {
                for (int32_t dx = -r; dx <= r; ++dx) {
                    const int32_t xx = std::clamp(x + dx, 0, w - 1), yy = std::clamp(y + dy, 0, h - 1);
                    total += (&img.view.Row(yy)[xx].alpha)[ch];
                }
            }
            return total / ((2.0 * r + 1) * (2.0 * r + 1));
        };
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                for (int ch = 0; ch < 4; ++ch) {
                    const double m8 = std::floor(box(a0, x, y, ch) + 1e-9);
                    const double v8 = (&a.At(x, y).alpha)[ch];
                    ASSERT_TRUE(v8 == m8 || v8 == m8 - 1) << x << "," << y << " r " << r;
                    const double m16 = std::floor(box(b0, x, y, ch) + 1e-9);
                    const double v16 = (&b.At(x, y).alpha)[ch];
                    ASSERT_TRUE(v16 == m16 || v16 == m16 - 1) << x << "," << y << " r " << r;
                    ASSERT_NEAR((&c.At(x, y).alpha)[ch], box(c0, x, y, ch), 1e-5);
                }
            }
        }
    }
}

// A careless host's 16-bit channels above 32768 are averaged as they are and the result capped.
TEST(KernelBoxBlur16, OutOfRangeChannelsAreCapped)
{
    TestRandom rnd(31);
    for (int i = 0; i < 20; ++i) {
        TestImage<PF_Pixel16> img(29, 21);
        for (PF_Pixel16& p : img.pixels) {
            p = {static_cast<A_u_short>(rnd.Int(0, 65535)), static_cast<A_u_short>(rnd.Int(30000, 65535)),
                 static_cast<A_u_short>(rnd.Int(0, 65535)), static_cast<A_u_short>(rnd.Int(0, 65535))};
        }
        TestImage<PF_Pixel16> expected(img);
        const int32_t r = rnd.Int(1, 6);
        for (int32_t y = 0; y < 21; ++y) {
            std::vector<PF_Pixel16> line(expected.view.Row(y), expected.view.Row(y) + 29);
            ref::BlurLine(line, r);
            std::copy(line.begin(), line.end(), expected.view.Row(y));
        }
        auto sums = SumsFor<Depth16>(img.view);
        BoxBlurRows(sums.sums, r, img.view);
        ASSERT_TRUE(img.SameBytes(expected));
        BoxBlurColumns(sums.sums, r, img.view);
        for (int32_t y = 0; y < 21; ++y) {
            for (int32_t x = 0; x < 29; ++x) {
                const PF_Pixel16& p = img.At(x, y);
                ASSERT_LE(p.alpha, 32768);
                ASSERT_LE(p.red, 32768);
                ASSERT_LE(p.green, 32768);
                ASSERT_LE(p.blue, 32768);
            }
        }
    }
}

TEST(KernelBoxBlur, ScratchNeedNotBeAligned)
{
    TestRandom rnd(5);
    TestImage<PF_PixelFloat> a(20, 10), b(20, 10);
    a.Randomise(rnd);
    b.pixels = a.pixels;
    std::vector<unsigned char> raw(20 * kBoxBlurEntryBytes<DepthFloat> + 64);
    const BoxBlurSums odd{raw.data() + 3, raw.size() - 3};
    auto aligned = SumsFor<DepthFloat>(b.view);
    BoxBlurRows(odd, 4, a.view);
    BoxBlurColumns(odd, 4, a.view);
    BoxBlurRows(aligned.sums, 4, b.view);
    BoxBlurColumns(aligned.sums, 4, b.view);
    EXPECT_TRUE(a.SameBytes(b));
}

// The 8-bit division through a float reciprocal: exact at the totals where it could slip, the exact
// multiples of the window and one below them, for every window it serves.
TEST(KernelBoxBlur8, ReciprocalDivisionIsExactForEveryWindowItServes)
{
    for (int64_t w = 3; w <= blur::Arith8::kMaxWindow; w += 2) {
        const blur::Arith8 arith(w);
        for (int64_t k = 0; k <= 255; ++k) {
            const int32_t at = static_cast<int32_t>(k * w);
            ASSERT_EQ(arith.Store(at), k) << "window " << w;
            if (k > 0) {
                ASSERT_EQ(arith.Store(at - 1), k - 1) << "window " << w;
                ASSERT_EQ(arith.Store(at - static_cast<int32_t>(w / 2)), k - 1) << "window " << w;
            }
        }
    }
}

// The same through single precision for short 16-bit windows: both ends of every quotient up to the cap and the
// largest total, for every window it serves, one total at a time and in the lanes' totals; the next window would not
// be exact.
TEST(KernelBoxBlur16, ShortWindowDivisionIsExactForEveryTotal)
{
    const auto exact = [](int64_t w, bool lanes) {
        const blur::Arith16Short arith(w);
        std::vector<int32_t> totals, want;
        for (int64_t k = 0; k <= 32768; ++k) {
            for (const int64_t t : {k * w, k * w + w - 1}) {
                totals.push_back(static_cast<int32_t>(t));
                want.push_back(static_cast<int32_t>(k));
            }
        }
        while (totals.size() % 16 != 0) {
            totals.push_back(static_cast<int32_t>(65535 * w));
            want.push_back(32768);
        }
        std::vector<int32_t> got(totals.size());
#ifdef PW_HAVE_LANES_AVX2
        if (lanes) {
            std::vector<A_u_short> out(totals.size());
            const std::vector<int32_t> zero(totals.size());
            blur::ShortTotalsAvx2(out.data(), totals.data(), zero.data(), static_cast<int32_t>(totals.size()),
                                  arith.inverse, arith.half);
            std::copy(out.begin(), out.end(), got.begin());
            return got == want;
        }
#endif
        for (size_t i = 0; i < totals.size(); ++i) got[i] = arith.Store(totals[i]);
        return got == want;
    };
    for (int64_t w = 3; w <= blur::Arith16Short::kMaxWindow; w += 2) {
        ASSERT_TRUE(exact(w, false)) << "window " << w;
        if (CpuHasAvx2()) {
            ASSERT_TRUE(exact(w, true)) << "window " << w << " in lanes";
        }
    }
    EXPECT_FALSE(exact(blur::Arith16Short::kMaxWindow + 2, false));
}

TEST(KernelBoxBlur16, ReciprocalDivisionIsExactAtTheEdgesOfEachQuotient)
{
    for (const int64_t w : {int64_t{3}, int64_t{201}, int64_t{4097}, int64_t{65537}, int64_t{1} << 31,
                            (int64_t{1} << 32) - 1}) {
        const blur::Arith16 arith(w);
        for (const int64_t k : {int64_t{0}, int64_t{1}, int64_t{12345}, int64_t{32767}, int64_t{32768}, int64_t{40000}}) {
            ASSERT_EQ(arith.Store(static_cast<double>(k * w)), std::min<int64_t>(k, 32768)) << w;
            if (k > 0) {
                ASSERT_EQ(arith.Store(static_cast<double>(k * w - 1)), std::min<int64_t>(k - 1, 32768)) << w;
            }
        }
    }
}

}  // namespace
}  // namespace pw
