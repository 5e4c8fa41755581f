// Fills in each depth and nearest-neighbour sampling, each with what the host does at the edges.
#include <cstring>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "world_test_support.h"

namespace pwtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The 8-bit colour as each depth receives it, and the rectangle clipped to the world.
TEST(Fill, EightBitColourIsConvertedForDeepWorldsAndClipped)
{
    PF_Pixel16 deep{};
    PF_PixelFloat flt{};
    PF_Pixel corner{}, outside{};
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        auto* ws2 = AcquireFrom<PF_WorldSuite2>(in, kPFWorldSuite, 2);
        auto* fm = AcquireFrom<PF_FillMatteSuite2>(in, kPFFillMatteSuite, 2);
        PF_EffectWorld w8, w16, w32;
        in->utils->new_world(in->effect_ref, 5, 5, PF_NewWorldFlag_CLEAR_PIXELS, &w8);
        in->utils->new_world(in->effect_ref, 5, 5, PF_NewWorldFlag_DEEP_PIXELS, &w16);
        ws2->PF_NewWorld(in->effect_ref, 5, 5, 1, PF_PixelFormat_ARGB128, &w32);
        const PF_Pixel colour{255, 128, 1, 0};
        const PF_Rect rect{3, 3, 99, 99};
        PF_Err err = in->utils->fill(in->effect_ref, &colour, &rect, &w8);
        if (!err) err = in->utils->fill(in->effect_ref, &colour, nullptr, &w16);
        if (!err) err = fm->fill(in->effect_ref, &colour, nullptr, &w32);
        corner = At<PF_Pixel>(w8, 4, 4);
        outside = At<PF_Pixel>(w8, 2, 4);
        deep = At<PF_Pixel16>(w16, 0, 0);
        flt = At<PF_PixelFloat>(w32, 4, 0);
        in->utils->dispose_world(in->effect_ref, &w8);
        in->utils->dispose_world(in->effect_ref, &w16);
        ws2->PF_DisposeWorld(in->effect_ref, &w32);
        in->pica_basicP->ReleaseSuite(kPFWorldSuite, 2);
        in->pica_basicP->ReleaseSuite(kPFFillMatteSuite, 2);
        return err;
    });
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, IsEmpty());
    EXPECT_EQ(corner.red, 128);
    EXPECT_EQ(outside.red, 0) << "left of the rectangle";
    EXPECT_EQ(deep.alpha, 32768);
    EXPECT_EQ(deep.red, 16448) << "128 * 32768 / 255 = 16448.25";
    EXPECT_EQ(deep.green, 129) << "32768 / 255 = 128.5 rounds up";
    EXPECT_EQ(deep.blue, 0);
    EXPECT_EQ(flt.alpha, 1.0f);
    EXPECT_EQ(flt.red, 128.0f / 255.0f);
    EXPECT_EQ(flt.green, 1.0f / 255.0f);
}

TEST(Fill, DeepColoursFillOnlyTheirDepthAndOnlyInsideTheWorld)
{
    PF_Pixel16 deep{};
    PF_PixelFloat flt{};
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        auto* ws2 = AcquireFrom<PF_WorldSuite2>(in, kPFWorldSuite, 2);
        auto* fm = AcquireFrom<PF_FillMatteSuite2>(in, kPFFillMatteSuite, 2);
        PF_EffectWorld w16, w32;
        ws2->PF_NewWorld(in->effect_ref, 3, 3, 1, PF_PixelFormat_ARGB64, &w16);
        ws2->PF_NewWorld(in->effect_ref, 3, 3, 1, PF_PixelFormat_ARGB128, &w32);
        const PF_Pixel16 c16{32768, 1, 2, 3};
        const PF_PixelFloat c32{1.0f, 0.25f, 0.5f, 2.0f};
        const PF_Rect beyond{-4, -4, 1, 1}, away{5, 5, 9, 9};
        PF_Err err = fm->fill16(in->effect_ref, &c16, &beyond, &w16);
        if (!err) err = in->utils->fill16(in->effect_ref, &c16, &away, &w16);
        if (!err) err = fm->fill_float(in->effect_ref, &c32, &beyond, &w32);
        deep = At<PF_Pixel16>(w16, 0, 0);
        flt = At<PF_PixelFloat>(w32, 0, 0);
        const PF_Err wrong = fm->fill16(in->effect_ref, &c16, nullptr, &w32);
        ws2->PF_DisposeWorld(in->effect_ref, &w16);
        ws2->PF_DisposeWorld(in->effect_ref, &w32);
        in->pica_basicP->ReleaseSuite(kPFWorldSuite, 2);
        in->pica_basicP->ReleaseSuite(kPFFillMatteSuite, 2);
        return err ? err : wrong;
    });
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("fill16 of a 16-bit colour into the float world #2")));
    EXPECT_EQ(deep.red, 1);
    EXPECT_EQ(flt.blue, 2.0f);
}

// Fills long enough for the string stores, as one run over an unpadded world's whole rows or row by row, and just too
// short for them: every pixel inside the rectangle is the colour, every other pixel and guard byte untouched.
struct LongFillCase {
    PF_PixelFormat format;
    A_long width, height, padding;
    PF_Rect rect;  // right 0: the whole world
};

class LongFillTest : public ::testing::TestWithParam<LongFillCase> {};

TEST_P(LongFillTest, FillsExactlyTheRectangle)
{
    const LongFillCase c = GetParam();
    const A_long bytes = c.format == PF_PixelFormat_ARGB32 ? 4 : c.format == PF_PixelFormat_ARGB64 ? 8 : 16;
    const PF_Rect whole{0, 0, c.width, c.height};
    const PF_Rect rect = c.rect.right ? c.rect : whole;
    std::string wrong;
    const auto r = RunOnce(
        [&](PF_InData* in) -> PF_Err {
            auto* ws2 = AcquireFrom<PF_WorldSuite2>(in, kPFWorldSuite, 2);
            PF_EffectWorld w;
            ws2->PF_NewWorld(in->effect_ref, c.width, c.height, 1, c.format, &w);
            const PF_Pixel colour{255, 128, 1, 0};
            const PF_Err err = in->utils->fill(in->effect_ref, &colour, c.rect.right ? &c.rect : nullptr, &w);
            const char* first = static_cast<char*>(w.data) + w.rowbytes * rect.top + bytes * rect.left;
            const std::string zero(static_cast<size_t>(bytes), '\0');
            for (A_long y = 0; y < c.height && wrong.empty(); ++y) {
                for (A_long x = 0; x < c.width && wrong.empty(); ++x) {
                    const char* px = static_cast<char*>(w.data) + w.rowbytes * y + bytes * x;
                    const bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
                    if (std::memcmp(px, inside ? first : zero.data(), static_cast<size_t>(bytes)) != 0)
                        wrong = "pixel " + std::to_string(x) + "," + std::to_string(y);
                }
            }
            if (std::memcmp(first, zero.data(), static_cast<size_t>(bytes)) == 0) wrong = "nothing filled";
            ws2->PF_DisposeWorld(in->effect_ref, &w);
            in->pica_basicP->ReleaseSuite(kPFWorldSuite, 2);
            return err;
        },
        [&](pwhost::Host& host) { host.Settings().rowPaddingPixels = c.padding; });
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, IsEmpty());
    EXPECT_EQ(wrong, "");
}

INSTANTIATE_TEST_SUITE_P(Runs, LongFillTest,
                         ::testing::Values(LongFillCase{PF_PixelFormat_ARGB32, 1100, 5, 0, {}},
                                           LongFillCase{PF_PixelFormat_ARGB32, 1100, 5, 3, {}},
                                           LongFillCase{PF_PixelFormat_ARGB32, 1100, 5, 0, {7, 1, 1090, 4}},
                                           LongFillCase{PF_PixelFormat_ARGB32, 1100, 5, 0, {7, 1, 1030, 4}},
                                           LongFillCase{PF_PixelFormat_ARGB64, 600, 4, 0, {}},
                                           LongFillCase{PF_PixelFormat_ARGB64, 600, 4, 3, {3, 1, 597, 3}},
                                           LongFillCase{PF_PixelFormat_ARGB128, 300, 4, 0, {}}));

struct SampleCase {
    PF_Fixed x, y;
    int px, py;
};

class SampleTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P(SampleTest, NearestPixelIsTheFloorClampedIntoTheWorld)
{
    const SampleCase c = GetParam();
    PF_Pixel p8{};
    PF_Pixel16 p16{};
    PF_PixelFloat pf{};
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        auto* ws2 = AcquireFrom<PF_WorldSuite2>(in, kPFWorldSuite, 2);
        auto* s8 = AcquireFrom<PF_Sampling8Suite1>(in, kPFSampling8Suite, 1);
        auto* s16 = AcquireFrom<PF_Sampling16Suite1>(in, kPFSampling16Suite, 1);
        auto* sf = AcquireFrom<PF_SamplingFloatSuite1>(in, kPFSamplingFloatSuite, 1);
        PF_EffectWorld w[3];
        const PF_PixelFormat formats[3] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};
        for (int i = 0; i < 3; ++i) ws2->PF_NewWorld(in->effect_ref, 4, 3, 1, formats[i], &w[i]);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x) {
                At<PF_Pixel>(w[0], x, y) = PF_Pixel{255, A_u_char(x), A_u_char(y), 0};
                At<PF_Pixel16>(w[1], x, y) = PF_Pixel16{1, A_u_short(x), A_u_short(y), 0};
                At<PF_PixelFloat>(w[2], x, y) = PF_PixelFloat{1, float(x), float(y), 0};
            }
        }
        PF_SampPB pb;
        std::memset(&pb, 0, sizeof pb);
        pb.src = &w[0];
        PF_Err err = s8->nn_sample(in->effect_ref, c.x, c.y, &pb, &p8);
        pb.src = &w[1];
        if (!err) err = s16->nn_sample16(in->effect_ref, c.x, c.y, &pb, &p16);
        pb.src = &w[2];
        if (!err) err = sf->nn_sample_float(in->effect_ref, c.x, c.y, &pb, &pf);
        for (PF_EffectWorld& world : w) ws2->PF_DisposeWorld(in->effect_ref, &world);
        for (const char* name : {kPFSampling8Suite, kPFSampling16Suite, kPFSamplingFloatSuite})
            in->pica_basicP->ReleaseSuite(name, 1);
        in->pica_basicP->ReleaseSuite(kPFWorldSuite, 2);
        return err;
    });
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, IsEmpty());
    EXPECT_EQ(p8.red, c.px);
    EXPECT_EQ(p8.green, c.py);
    EXPECT_EQ(p16.red, c.px);
    EXPECT_EQ(p16.green, c.py);
    EXPECT_EQ(pf.red, float(c.px));
    EXPECT_EQ(pf.green, float(c.py));
}

INSTANTIATE_TEST_SUITE_P(Coordinates, SampleTest,
                         ::testing::Values(SampleCase{0, 0, 0, 0}, SampleCase{2 << 16, 1 << 16, 2, 1},
                                           SampleCase{(2 << 16) + 0xFFFF, (1 << 16) + 0x8000, 2, 1},
                                           SampleCase{-1, -(3 << 16), 0, 0}, SampleCase{9 << 16, 3 << 16, 3, 2}));

TEST(Sample, SamplerOfAnotherDepthIsRefused)
{
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        auto* s16 = AcquireFrom<PF_Sampling16Suite1>(in, kPFSampling16Suite, 1);
        PF_EffectWorld w;
        in->utils->new_world(in->effect_ref, 2, 2, 0, &w);
        PF_SampPB pb;
        std::memset(&pb, 0, sizeof pb);
        pb.src = &w;
        PF_Pixel16 p;
        const PF_Err err = s16->nn_sample16(in->effect_ref, 0, 0, &pb, &p);
        in->utils->dispose_world(in->effect_ref, &w);
        in->pica_basicP->ReleaseSuite(kPFSampling16Suite, 1);
        return err;
    });
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("nn_sample16 is a 16-bit sampler, used on the 8-bit world #1")));
}

}  // namespace
}  // namespace pwtest
