// Renders that must agree: a frame alone and in any order, the host's rectangle path and the pixel loops, the
// three depths for the geometric treatments, and every build (fixed hashes of one frame).
#include <cinttypes>
#include <cstdio>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "host/test_pattern.h"

#include "render_test_support.h"

namespace pwtest {
namespace {

using pwhost::Image;
using pwhost::ParamValue;

class RenderAgreementTest : public RenderFixture, public ::testing::WithParamInterface<PF_PixelFormat> {
protected:
    void SetUp() override { Prepare(GetParam()); }
};

// The draws of a beat come from the seed and the beat alone, not from what was rendered before.
TEST_P(RenderAgreementTest, EveryFrameRendersTheSameInAnyOrder)
{
    for (const char* name : TreatmentNames()) host_.SetParam(std::string(name) + " Manual/Auto", ParamValue::Integer(2));
    host_.SetParam("Seed", ParamValue::Integer(5));
    const std::vector<A_long> frames{0, 1, 2, 3, 4, 5, 7, 14, 15, 22, 31};
    std::map<A_long, Image> first;
    for (A_long f : frames) first[f] = Rendered(f);
    for (auto it = frames.rbegin(); it != frames.rend(); ++it)
        EXPECT_TRUE(Rendered(*it).bytes == first[*it].bytes) << "frame " << *it << " backward";
    for (A_long f : frames) EXPECT_TRUE(Rendered(f).bytes == first[f].bytes) << "frame " << f << " again";
}

// Stretch and Scroll without Slice go through the host's copies and fills; with Slice on at a length of 0 the same
// draws go through the pixel loops. Both must give the documented geometry.
TEST_P(RenderAgreementTest, RectanglePathEqualsPixelPath)
{
    TurnOn("Scroll");
    TurnOn("Stretch");
    host_.SetParam("Min Scroll Length", ParamValue::Percent(50));
    for (int direction : {2, 3}) {
        host_.SetParam("Stretch Direction", ParamValue::Integer(direction));
        host_.SetParam("Slice Manual", ParamValue::Integer(0));
        const auto rect = RenderFrame(kFullStrengthFrame);
        ASSERT_EQ(rect.Err(), PF_Err_NONE);
        EXPECT_GT(rect.render.command.Count(ByDepth(GetParam(), "fill", "fill16", "fill_float")), 0u) << "the rectangle path fills";
        host_.SetParam("Slice Manual", ParamValue::Integer(1));
        host_.SetParam("Max Slice Length", ParamValue::Number(0));
        const auto pixels = RenderFrame(kFullStrengthFrame);
        ASSERT_EQ(pixels.Err(), PF_Err_NONE);
        EXPECT_EQ(pixels.render.command.Count(ByDepth(GetParam(), "fill", "fill16", "fill_float")), 0u) << "the pixel path does not";
        EXPECT_TRUE(rect.render.output.bytes == pixels.render.output.bytes) << "direction " << direction;

        const Image in = host_.InputFrame(kFullStrengthFrame);
        bool found = false;
        for (A_long k = 0; k < kRenderHeight && !found; ++k)
            for (A_long q = 0; q < kRenderWidth && !found; ++q)
                found = MatchesScrollStretch(in, rect.render.output, k, q, true) ||
                        MatchesScrollStretch(in, rect.render.output, k, q, false);
        EXPECT_TRUE(found) << "no scroll and stretch column explains the output, direction " << direction;
    }
}

struct DepthCase {
    const char* name;
    std::vector<const char*> treatments;
    double tolerance;  // on channels scaled to 0..1; 0: exactly the host's conversion of the 8-bit result
};

void PrintTo(const DepthCase& c, std::ostream* os) { *os << c.name; }

class RenderDepthAgreement : public RenderFixture, public ::testing::WithParamInterface<DepthCase> {};

// Treatments that only move pixels give exactly the host's conversion of the 8-bit frame in the deeper depths;
// the others agree within the rounding of the 8-bit arithmetic (float is not capped, so it is compared up to 1).
// Glow is left out: its 8-bit composite scales the layer rather than the glow, by design.
TEST_P(RenderDepthAgreement, DepthsAgree)
{
    const DepthCase& c = GetParam();
    Prepare(PF_PixelFormat_ARGB32);
    for (const char* name : c.treatments) TurnOn(name);
    host_.SetParam("Seed", ParamValue::Integer(11));
    host_.SetParam("Min Mosaic Size", ParamValue::Percent(50));
    std::map<PF_PixelFormat, Image> out;
    for (PF_PixelFormat format : {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128}) {
        host_.Settings().pixelFormat = format;
        out[format] = Rendered(kFullStrengthFrame);
    }
    const Image& o8 = out[PF_PixelFormat_ARGB32];
    ASSERT_EQ(o8.width, kRenderWidth);
    ASSERT_FALSE(o8.bytes == host_.InputFrame(kFullStrengthFrame).bytes);
    double worst = 0;
    for (A_long y = 0; y < kRenderHeight; ++y)
        for (A_long x = 0; x < kRenderWidth; ++x) {
            const PF_Pixel p = o8.At<PF_Pixel>(x, y);
            if (c.tolerance == 0) {
                const PF_Pixel16 p16 = pwhost::Pixel8To16(p);
                const PF_PixelFloat pf = pwhost::Pixel8ToFloat(p);
                ASSERT_EQ(std::memcmp(&out[PF_PixelFormat_ARGB64].At<PF_Pixel16>(x, y), &p16, sizeof p16), 0)
                    << x << "," << y;
                ASSERT_EQ(std::memcmp(&out[PF_PixelFormat_ARGB128].At<PF_PixelFloat>(x, y), &pf, sizeof pf), 0)
                    << x << "," << y;
                continue;
            }
            const auto a = Channels(o8, x, y);
            const auto b = Channels(out[PF_PixelFormat_ARGB64], x, y);
            const auto f = Channels(out[PF_PixelFormat_ARGB128], x, y);
            for (int k = 0; k < 4; ++k) {
                worst = std::max(worst, std::abs(a[k] / 255 - b[k] / 32768));
                worst = std::max(worst, std::abs(a[k] / 255 - std::min(f[k], 1.0)));
            }
        }
    EXPECT_LE(worst, c.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderDepthAgreement,
    ::testing::Values(DepthCase{"ScrollSliceStretch", {"Scroll", "Slice", "Stretch"}, 0},
                      DepthCase{"StretchMosaic", {"Stretch", "Mosaic"}, 0},
                      DepthCase{"ScrollTimeMosaic", {"Scroll", "Time", "Mosaic"}, 0},
                      DepthCase{"RgbSeparation", {"RGB Separation"}, 0.01},
                      DepthCase{"ColorBlur", {"Color", "Blur"}, 0.01}),
    [](const auto& info) { return std::string(info.param.name); });

// Frame 7, seed 3, every treatment on Auto with probability 1. The same bytes in every build: the constants come
// from the native build and must hold under Wine for both Windows builds.
TEST_P(RenderAgreementTest, HashOfAFullRenderIsTheSameInEveryBuild)
{
    for (const char* name : TreatmentNames()) Auto(name, 1.0);
    host_.SetParam("Seed", ParamValue::Integer(3));
    const Image out = Rendered(kFullStrengthFrame);
    ASSERT_EQ(out.bytes.size(), std::size_t(kRenderWidth) * kRenderHeight * pwhost::PixelBytes(GetParam()));
    const std::map<PF_PixelFormat, uint64_t> expected{
        {PF_PixelFormat_ARGB32, 0x25b0c9182e68956eull},
        {PF_PixelFormat_ARGB64, 0xe166ee28f4304e41ull},
        {PF_PixelFormat_ARGB128, 0x0602279fcff21956ull},
    };
    char text[32];
    std::snprintf(text, sizeof text, "0x%016" PRIx64, Fnv1a64(out.bytes));
    EXPECT_EQ(Fnv1a64(out.bytes), expected.at(GetParam())) << DepthName(GetParam()) << " hash " << text;
}

// The host's test pattern, each frame made once, kept and lent as it is to a host in production.
class LendingPattern final : public pwhost::FrameSource {
public:
    PF_Err Render(A_long time, A_u_long scale, PF_PixelFormat format, const PF_EffectWorld& world) override
    {
        const Image& image = Frame(time, scale, format, world.width, world.height);
        const std::size_t row = image.bytes.size() / image.height;
        for (A_long y = 0; y < image.height; ++y)
            std::memcpy(static_cast<uint8_t*>(world.data) + std::size_t(world.rowbytes) * y, image.bytes.data() + row * y, row);
        return PF_Err_NONE;
    }
    const void* Lend(A_long time, A_u_long scale, PF_PixelFormat format, A_long width, A_long height,
                     A_long& rowbytes) override
    {
        const Image& image = Frame(time, scale, format, width, height);
        rowbytes = static_cast<A_long>(image.bytes.size() / height);
        ++lent;
        return image.bytes.data();
    }
    void Return(const void*) override { ++returned; }

    // Every frame still what the pattern makes.
    bool Untouched() const
    {
        for (const auto& [key, image] : frames_)
            if (pwhost::TestPatternImage(key.first, key.second, image.format, image.width, image.height).bytes != image.bytes)
                return false;
        return true;
    }
    int lent = 0, returned = 0;

private:
    const Image& Frame(A_long time, A_u_long scale, PF_PixelFormat format, A_long width, A_long height)
    {
        auto it = frames_.find({time, scale});
        if (it == frames_.end())
            it = frames_.emplace(std::make_pair(time, scale), pwhost::TestPatternImage(time, scale, format, width, height)).first;
        return it->second;
    }
    std::map<std::pair<A_long, A_u_long>, Image> frames_;
};

// A host in production (worlds lent unguarded, stored frames handed over, the output taken without a copy) gets
// the checking host's bytes, and the plug-in leaves the frames lent to it as they were.
TEST_P(RenderAgreementTest, AProductionHostGetsTheSameBytesAndItsFramesBackUntouched)
{
    for (const char* name : TreatmentNames()) Auto(name, 1.0);
    host_.SetParam("Seed", ParamValue::Integer(3));
    const Image checked = Rendered(kFullStrengthFrame);
    const auto frames = std::make_shared<LendingPattern>();
    host_.SetMode(pwhost::HostMode::Production);
    host_.SetFrameSource(frames);
    for (A_long f : {kFullStrengthFrame, A_long{0}, A_long{22}}) {
        const auto r = RenderFrame(f);
        ASSERT_EQ(r.Err(), PF_Err_NONE);
        EXPECT_TRUE(r.render.command.violations.empty());
        if (f == kFullStrengthFrame) EXPECT_TRUE(r.render.output.bytes == checked.bytes);
    }
    EXPECT_GT(frames->lent, 2);
    EXPECT_EQ(frames->lent, frames->returned);
    EXPECT_TRUE(frames->Untouched());
}

INSTANTIATE_TEST_SUITE_P(Depths, RenderAgreementTest,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128),
                         FormatParamName);

}  // namespace
}  // namespace pwtest
