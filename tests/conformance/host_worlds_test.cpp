// Worlds: formats, padded rows and their accounting, and copies between worlds with what the host does at the
// edges.
#include <cstring>
#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "world_test_support.h"

namespace pwtest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(Worlds, NewWorldFlagsChooseTheDepthAndRowsArePadded)
{
    PF_PixelFormat formats[3] = {};
    PF_EffectWorld worlds[3];
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        auto* ws1 = AcquireFrom<PF_WorldSuite1>(in, kPFWorldSuite, 1);
        auto* ws2 = AcquireFrom<PF_WorldSuite2>(in, kPFWorldSuite, 2);
        PF_Err err = in->utils->new_world(in->effect_ref, 10, 4, PF_NewWorldFlag_CLEAR_PIXELS, &worlds[0]);
        if (!err) err = ws1->new_world(in->effect_ref, 10, 4, PF_NewWorldFlag_DEEP_PIXELS, &worlds[1]);
        if (!err) err = ws2->PF_NewWorld(in->effect_ref, 10, 4, 1, PF_PixelFormat_ARGB128, &worlds[2]);
        for (int i = 0; i < 3 && !err; ++i) err = ws2->PF_GetPixelFormat(&worlds[i], &formats[i]);
        if (!err) err = in->utils->dispose_world(in->effect_ref, &worlds[0]);
        if (!err) err = ws1->dispose_world(in->effect_ref, &worlds[1]);
        if (!err) err = ws2->PF_DisposeWorld(in->effect_ref, &worlds[2]);
        in->pica_basicP->ReleaseSuite(kPFWorldSuite, 1);
        in->pica_basicP->ReleaseSuite(kPFWorldSuite, 2);
        return err;
    });
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, IsEmpty());
    EXPECT_EQ(formats[0], PF_PixelFormat_ARGB32);
    EXPECT_EQ(formats[1], PF_PixelFormat_ARGB64);
    EXPECT_EQ(formats[2], PF_PixelFormat_ARGB128);
    EXPECT_EQ(r.CountCall("new_world 10 4 2"), 1u);
}

TEST(Worlds, DescriptionsCarryDepthFlagAndPaddedStride)
{
    PF_EffectWorld w8, w16;
    std::vector<uint8_t> cleared;
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        in->utils->new_world(in->effect_ref, 6, 3, PF_NewWorldFlag_CLEAR_PIXELS, &w8);
        in->utils->new_world(in->effect_ref, 6, 3, PF_NewWorldFlag_DEEP_PIXELS, &w16);
        const PF_EffectWorld copy8 = w8, copy16 = w16;
        cleared.assign(static_cast<uint8_t*>(w8.data), static_cast<uint8_t*>(w8.data) + 24);
        in->utils->dispose_world(in->effect_ref, &w8);
        in->utils->dispose_world(in->effect_ref, &w16);
        w8 = copy8;
        w16 = copy16;
        return PF_Err_NONE;
    });
    EXPECT_THAT(r.violations, IsEmpty());
    EXPECT_EQ(w8.world_flags & PF_WorldFlag_DEEP, 0);
    EXPECT_EQ(w16.world_flags & PF_WorldFlag_DEEP, PF_WorldFlag_DEEP);
    EXPECT_EQ(w8.rowbytes, (6 + 3) * 4) << "three pixels of padding by default";
    EXPECT_EQ(w16.rowbytes, (6 + 3) * 8);
    EXPECT_EQ(w8.width, 6);
    EXPECT_EQ(w8.height, 3);
    EXPECT_THAT(cleared, ::testing::Each(0));
}

TEST(Worlds, LeaksWritesOutsideThePixelsAndForeignWorldsAreViolations)
{
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        PF_EffectWorld kept, scribbled, foreign{};
        in->utils->new_world(in->effect_ref, 4, 2, 0, &kept);
        in->utils->new_world(in->effect_ref, 4, 2, 0, &scribbled);
        At<PF_Pixel>(scribbled, 4, 0).red = 1;  // one pixel past the end of row 0
        in->utils->dispose_world(in->effect_ref, &scribbled);
        uint8_t pixels[64];
        foreign.data = pixels;
        foreign.width = foreign.height = 2;
        foreign.rowbytes = 8;
        return in->utils->dispose_world(in->effect_ref, &foreign);
    });
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("written in the padding at the end of row 0"),
                                          HasSubstr("which the host did not allocate"),
                                          HasSubstr("world #1 of 4 x 2 pixels was not disposed of")));
}

TEST(Worlds, NewWorldFailsAsPlannedAndDisposeOfTheHostsWorldIsRefused)
{
    PF_EffectWorld w{};
    w.data = reinterpret_cast<void*>(1);
    const auto r = RunOnce(
        [&](PF_InData* in) -> PF_Err {
            const PF_Err planned = in->utils->new_world(in->effect_ref, 4, 2, 0, &w);
            PF_ParamDef layer;
            std::memset(&layer, 0, sizeof layer);
            in->inter.checkout_param(in->effect_ref, 0, 0, 1, 30, &layer);
            const PF_Err refused = in->utils->dispose_world(in->effect_ref, &layer.u.ld);
            in->inter.checkin_param(in->effect_ref, &layer);
            return planned == 0x77 && refused == PF_Err_BAD_CALLBACK_PARAM ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
        },
        [](pwhost::Host& host) {
            host.Settings().width = 8;
            host.Settings().height = 8;
            host.Faults().FailNth("new_world", 1, 0x77);
        });
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("dispose_world of the host's world")));
}

struct CopyCase {
    const char* what;
    bool srcRect, dstRect;
    PF_Rect src, dst;
    // Where pixel (x, y) of the destination came from, or {-1, -1} when it is untouched.
    std::function<std::pair<int, int>(int, int)> from;
};

class CopyTest : public ::testing::TestWithParam<CopyCase> {};

// Source pixels carry their coordinates; the destination starts all 0xEE.
TEST_P(CopyTest, CopiesTheRectangleAndOnlyIt)
{
    const CopyCase& c = GetParam();
    std::vector<PF_Pixel> result;
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        PF_EffectWorld src, dst;
        in->utils->new_world(in->effect_ref, 8, 6, 0, &src);
        in->utils->new_world(in->effect_ref, 7, 5, 0, &dst);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) At<PF_Pixel>(src, x, y) = PF_Pixel{255, A_u_char(x), A_u_char(y), 9};
        const PF_Pixel blank{0xEE, 0xEE, 0xEE, 0xEE};
        in->utils->fill(in->effect_ref, &blank, nullptr, &dst);
        PF_Rect s = c.src, d = c.dst;
        const PF_Err err = in->utils->copy(in->effect_ref, &src, &dst, c.srcRect ? &s : nullptr, c.dstRect ? &d : nullptr);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) result.push_back(At<PF_Pixel>(dst, x, y));
        in->utils->dispose_world(in->effect_ref, &src);
        in->utils->dispose_world(in->effect_ref, &dst);
        return err;
    });
    ASSERT_EQ(r.err, PF_Err_NONE) << c.what;
    EXPECT_THAT(r.violations, IsEmpty());
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const PF_Pixel p = result[static_cast<std::size_t>(y * 7 + x)];
            const auto [fx, fy] = c.from(x, y);
            if (fx < 0)
                EXPECT_EQ(p.alpha, 0xEE) << c.what << " touched " << x << "," << y;
            else
                EXPECT_TRUE(p.red == fx && p.green == fy && p.blue == 9) << c.what << " at " << x << "," << y;
        }
    }
}

std::pair<int, int> Untouched() { return {-1, -1}; }

INSTANTIATE_TEST_SUITE_P(
    Rectangles, CopyTest,
    ::testing::Values(
        CopyCase{"whole worlds: the area both share", false, false, {}, {}, [](int x, int y) { return std::make_pair(x, y); }},
        CopyCase{"rect to rect", true, true, {1, 1, 3, 4}, {4, 0, 6, 3},
                 [](int x, int y) { return x >= 4 && x < 6 && y < 3 ? std::make_pair(x - 3, y + 1) : Untouched(); }},
        CopyCase{"source rect to the same place", true, false, {2, 2, 4, 3}, {},
                 [](int x, int y) { return x >= 2 && x < 4 && y == 2 ? std::make_pair(x, y) : Untouched(); }},
        CopyCase{"clipped by the destination", true, true, {0, 0, 4, 4}, {5, 3, 9, 7},
                 [](int x, int y) { return x >= 5 && y >= 3 ? std::make_pair(x - 5, y - 3) : Untouched(); }},
        CopyCase{"clipped by the source", true, true, {6, -2, 10, 2}, {0, 0, 4, 4},
                 [](int x, int y) { return x < 2 && y >= 2 && y < 4 ? std::make_pair(x + 6, y - 2) : Untouched(); }},
        CopyCase{"empty rectangle copies nothing", true, true, {3, 3, 3, 5}, {1, 1, 1, 3},
                 [](int, int) { return Untouched(); }}));

TEST(Copy, WorldsOfTwoDepthsOrRectanglesOfTwoSizesAreRefused)
{
    const auto r = RunOnce([&](PF_InData* in) -> PF_Err {
        PF_EffectWorld a, b;
        in->utils->new_world(in->effect_ref, 4, 4, 0, &a);
        in->utils->new_world(in->effect_ref, 4, 4, PF_NewWorldFlag_DEEP_PIXELS, &b);
        PF_Rect s{0, 0, 2, 2}, d{0, 0, 3, 2};
        const PF_Err depths = in->utils->copy(in->effect_ref, &a, &b, nullptr, nullptr);
        const PF_Err sizes = in->utils->copy(in->effect_ref, &a, &a, &s, &d);
        in->utils->dispose_world(in->effect_ref, &a);
        in->utils->dispose_world(in->effect_ref, &b);
        return depths == PF_Err_BAD_CALLBACK_PARAM && sizes == PF_Err_BAD_CALLBACK_PARAM ? 0 : 1;
    });
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_THAT(r.violations, ElementsAre(HasSubstr("copy from the 8-bit world #1 to the 16-bit world #2"),
                                          HasSubstr("a rectangle of another size")));
}

}  // namespace
}  // namespace pwtest
