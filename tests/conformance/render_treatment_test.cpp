// Each treatment alone, in each depth: it changes what it should and nothing else, strength 0 leaves the frame
// alone, and the Time treatment fetches the frame its mode names.
#include <algorithm>
#include <memory>
#include <set>

#include "render_test_support.h"

namespace pwtest {
namespace {

using pwhost::Image;
using pwhost::ParamValue;

class RenderTreatmentTest : public RenderFixture, public ::testing::WithParamInterface<PF_PixelFormat> {
protected:
    void SetUp() override { Prepare(GetParam()); }
};

TEST_P(RenderTreatmentTest, NothingOnGivesTheInputWithOneProgressReport)
{
    for (A_long time : {0, 7, 16}) {
        const auto r = RenderFrame(time);
        ASSERT_EQ(r.Err(), PF_Err_NONE);
        EXPECT_TRUE(r.render.output.bytes == host_.InputFrame(time).bytes) << "frame " << time;
        EXPECT_EQ(r.render.command.progress,
                  (std::vector<pwhost::ProgressReport>{{kRenderHeight, kRenderHeight}}));
    }
}

struct IdentityCase {
    const char* name;
    const char* treatment;
    bool zeroStrength;
    const char* param;  // set to `value` when not null
    double value;
};

class RenderIdentityTest : public RenderFixture,
                           public ::testing::WithParamInterface<std::tuple<IdentityCase, PF_PixelFormat>> {};

TEST_P(RenderIdentityTest, TreatmentWithNothingToDoLeavesTheFrame)
{
    const IdentityCase& c = std::get<0>(GetParam());
    Prepare(std::get<1>(GetParam()));
    TurnOn(c.treatment);
    if (c.zeroStrength) ZeroStrength();
    if (c.param) host_.SetParam(c.param, ParamValue::Integer(static_cast<int32_t>(c.value)));
    const auto r = RenderFrame(kFullStrengthFrame);
    ASSERT_EQ(r.Err(), PF_Err_NONE);
    EXPECT_TRUE(r.render.output.bytes == host_.InputFrame(kFullStrengthFrame).bytes);
    EXPECT_EQ(r.render.command.progress, (std::vector<pwhost::ProgressReport>{{kRenderHeight, 2 * kRenderHeight},
                                                                            {2 * kRenderHeight, 2 * kRenderHeight}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderIdentityTest,
    ::testing::Combine(::testing::Values(IdentityCase{"MosaicAtStrength0", "Mosaic", true, nullptr, 0},
                                         IdentityCase{"NoiseAtStrength0", "Noise", true, nullptr, 0},
                                         IdentityCase{"BlurAtStrength0", "Blur", true, nullptr, 0},
                                         IdentityCase{"BlurWithMaxRadius0", "Blur", false, "Max Blur Radius", 0}),
                       ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + DepthName(std::get<1>(info.param));
    });

TEST_P(RenderTreatmentTest, ScrollRotatesTheRows)
{
    TurnOn("Scroll");
    host_.SetParam("Min Scroll Length", ParamValue::Percent(100));
    const Image out = Rendered(kFullStrengthFrame);
    const Image in = host_.InputFrame(kFullStrengthFrame);
    ASSERT_FALSE(out.bytes == in.bytes);
    bool found = false;
    for (A_long k = 1; k < kRenderHeight && !found; ++k) found = MatchesScrollStretch(in, out, k, -1, true);
    EXPECT_TRUE(found) << "the output is not the input with its rows rotated";
}

TEST_P(RenderTreatmentTest, SliceShiftsEachRowWithinItself)
{
    TurnOn("Slice");
    host_.SetParam("Min Slice Length", ParamValue::Percent(50));
    const Image out = Rendered(kFullStrengthFrame);
    const Image in = host_.InputFrame(kFullStrengthFrame);
    ASSERT_FALSE(out.bytes == in.bytes);
    for (A_long y = 0; y < kRenderHeight; ++y) {
        bool found = false;
        for (A_long s = 0; s < kRenderWidth && !found; ++s) {
            found = true;
            for (A_long x = 0; x < kRenderWidth && found; ++x)
                found = SamePixel(out, (x + s) % kRenderWidth, y, in, x, y);
        }
        EXPECT_TRUE(found) << "row " << y << " is not a rotation of the input row";
    }
}

TEST_P(RenderTreatmentTest, StretchRepeatsOneColumnToAnEdge)
{
    TurnOn("Stretch");
    const Image out = Rendered(kFullStrengthFrame);
    const Image in = host_.InputFrame(kFullStrengthFrame);
    ASSERT_FALSE(out.bytes == in.bytes);
    bool found = false;
    for (A_long q = 0; q < kRenderWidth && !found; ++q)
        found = MatchesScrollStretch(in, out, 0, q, true) || MatchesScrollStretch(in, out, 0, q, false);
    EXPECT_TRUE(found);
}

// With the default colours the three copies are the red, green and blue channels: on opaque rows each channel is
// the input's shifted along the row, and the alpha stays opaque.
TEST_P(RenderTreatmentTest, RgbSeparationMovesTheChannelsApart)
{
    TurnOn("RGB Separation");
    host_.SetParam("Min RGB Separation Length", ParamValue::Percent(100));
    const Image out = Rendered(kFullStrengthFrame);
    const Image in = host_.InputFrame(kFullStrengthFrame);
    ASSERT_FALSE(out.bytes == in.bytes);
    const double opaque = MaxChannel(GetParam());
    std::vector<A_long> rows;
    for (A_long y = 0; y < kRenderHeight; ++y) {
        bool all = true;
        for (A_long x = 0; x < kRenderWidth; ++x) all = all && Channels(in, x, y)[0] == opaque;
        if (all) rows.push_back(y);
    }
    ASSERT_GE(rows.size(), 8u);
    const double tolerance = GetParam() == PF_PixelFormat_ARGB128 ? 1e-6 : 0;
    for (int c = 1; c <= 3; ++c) {
        bool found = false;
        for (A_long s = 0; s < kRenderWidth && !found; ++s) {
            found = true;
            for (A_long y : rows)
                for (A_long x = 0; x < kRenderWidth && found; ++x)
                    found = std::abs(Channels(out, (x + s) % kRenderWidth, y)[c] - Channels(in, x, y)[c]) <= tolerance;
        }
        EXPECT_TRUE(found) << "channel " << c << " is not the input's shifted";
    }
    for (A_long y : rows)
        for (A_long x = 0; x < kRenderWidth; ++x) ASSERT_EQ(Channels(out, x, y)[0], opaque) << x << "," << y;
}

TEST_P(RenderTreatmentTest, MosaicFillsBlocksWithInputPixels)
{
    TurnOn("Mosaic");
    host_.SetParam("Min Mosaic Size", ParamValue::Percent(100));
    const Image out = Rendered(kFullStrengthFrame);
    const Image in = host_.InputFrame(kFullStrengthFrame);
    ASSERT_FALSE(out.bytes == in.bytes);
    std::set<std::vector<uint8_t>> inputPixels, outputPixels;
    const std::size_t n = static_cast<std::size_t>(pwhost::PixelBytes(GetParam()));
    for (std::size_t i = 0; i < in.bytes.size(); i += n) {
        inputPixels.emplace(in.bytes.begin() + i, in.bytes.begin() + i + n);
        outputPixels.emplace(out.bytes.begin() + i, out.bytes.begin() + i + n);
    }
    for (const auto& p : outputPixels) EXPECT_EQ(inputPixels.count(p), 1u) << "a block colour not in the input";
    EXPECT_LT(outputPixels.size(), inputPixels.size());
}

TEST_P(RenderTreatmentTest, NoiseChangesColoursButNotAlpha)
{
    TurnOn("Noise");
    host_.SetParam("Min Noise Amount", ParamValue::Percent(100));
    const Image out = Rendered(kFullStrengthFrame);
    const Image in = host_.InputFrame(kFullStrengthFrame);
    int changed = 0;
    for (A_long y = 0; y < kRenderHeight; ++y)
        for (A_long x = 0; x < kRenderWidth; ++x) {
            const auto a = Channels(in, x, y), b = Channels(out, x, y);
            ASSERT_EQ(a[0], b[0]) << "alpha at " << x << "," << y;
            changed += a[1] != b[1] || a[2] != b[2] || a[3] != b[3];
        }
    EXPECT_GT(changed, kRenderWidth * kRenderHeight / 4);
}

// Colour and light stages change the frame and report their own rows of progress after the geometry stage's.
TEST_P(RenderTreatmentTest, ColourAndLightStagesChangeTheFrameAndReportProgress)
{
    for (const char* treatment : {"Color", "Glow", "Blur"}) {
        host_.SetParam(std::string(treatment) + " Manual", ParamValue::Integer(1));
        const auto r = RenderFrame(kFullStrengthFrame);
        ASSERT_EQ(r.Err(), PF_Err_NONE) << treatment;
        EXPECT_FALSE(r.render.output.bytes == host_.InputFrame(kFullStrengthFrame).bytes) << treatment;
        EXPECT_EQ(r.render.command.progress,
                  (std::vector<pwhost::ProgressReport>{{kRenderHeight, 2 * kRenderHeight},
                                                       {2 * kRenderHeight, 2 * kRenderHeight}}))
            << treatment;
        host_.SetParam(std::string(treatment) + " Manual", ParamValue::Integer(0));
    }
}

// Glow takes its buffer from the output only once pixels moved or changed colour; Stretch alone keeps the
// unstretched source in the working image for it.
TEST_P(RenderTreatmentTest, GlowCopiesTheOutputBackOnlyAfterMovesOtherThanStretch)
{
    struct Case {
        const char* before;
        std::size_t extraCopies;
    };
    for (const Case& c : {Case{"Stretch", 0}, Case{"Scroll", 1}, Case{"Slice", 1}, Case{"Color", 1}}) {
        const std::string manual = std::string(c.before) + " Manual";
        host_.SetParam(manual, ParamValue::Integer(1));
        const auto without = RenderFrame(kFullStrengthFrame);
        host_.SetParam("Glow Manual", ParamValue::Integer(1));
        const auto with = RenderFrame(kFullStrengthFrame);
        ASSERT_EQ(without.Err(), PF_Err_NONE);
        ASSERT_EQ(with.Err(), PF_Err_NONE);
        EXPECT_EQ(with.render.command.Count("copy"), without.render.command.Count("copy") + c.extraCopies) << c.before;
        host_.SetParam("Glow Manual", ParamValue::Integer(0));
        host_.SetParam(manual, ParamValue::Integer(0));
    }
}

// Footage whose every column is one colour: a vertical blur cannot change it, a horizontal one must.
class ColumnStripes : public pwhost::FrameSource {
public:
    PF_Err Render(A_long, A_u_long, PF_PixelFormat format, const PF_EffectWorld& world) override
    {
        for (A_long y = 0; y < world.height; ++y) {
            char* row = static_cast<char*>(world.data) + static_cast<std::ptrdiff_t>(world.rowbytes) * y;
            for (A_long x = 0; x < world.width; ++x) {
                const PF_Pixel p{255, static_cast<A_u_char>(x * 5), static_cast<A_u_char>(255 - x * 5),
                                 static_cast<A_u_char>(x * 37 % 256)};
                if (format == PF_PixelFormat_ARGB32) reinterpret_cast<PF_Pixel*>(row)[x] = p;
                if (format == PF_PixelFormat_ARGB64) reinterpret_cast<PF_Pixel16*>(row)[x] = pwhost::Pixel8To16(p);
                if (format == PF_PixelFormat_ARGB128) reinterpret_cast<PF_PixelFloat*>(row)[x] = pwhost::Pixel8ToFloat(p);
            }
        }
        return PF_Err_NONE;
    }
};

TEST_P(RenderTreatmentTest, VerticalBlurBlursOnlyColumns)
{
    host_.SetFrameSource(std::make_shared<ColumnStripes>());
    TurnOn("Blur");
    host_.SetParam("Min Blur Radius", ParamValue::Percent(100));
    host_.SetParam("Blur Mode", ParamValue::Integer(3));
    const Image input = host_.InputFrame(kFullStrengthFrame);
    EXPECT_TRUE(Rendered(kFullStrengthFrame).bytes == input.bytes);
    host_.SetParam("Blur Mode", ParamValue::Integer(2));
    EXPECT_FALSE(Rendered(kFullStrengthFrame).bytes == input.bytes);
}

// Stop shows the beat's first frame; Reverse at a beat's first frame shows its last (orderLength - 1 later).
TEST_P(RenderTreatmentTest, TimeShowsTheFrameItsModeNames)
{
    TurnOn("Time");
    ASSERT_FALSE(host_.InputFrame(0).bytes == host_.InputFrame(14).bytes) << "the footage must move";
    host_.SetParam("Time Mode", ParamValue::Integer(2));
    for (A_long frame : {0, 7, 19, 39, 40}) {
        const A_long source = frame - FrameInBeat(frame);
        EXPECT_TRUE(Rendered(frame).bytes == host_.InputFrame(source).bytes) << "Stop at " << frame;
    }
    host_.SetParam("Time Mode", ParamValue::Integer(1));
    for (A_long frame : {0, 15, 30}) {
        const auto r = RenderFrame(frame);
        ASSERT_EQ(r.Err(), PF_Err_NONE);
        EXPECT_TRUE(r.render.output.bytes == host_.InputFrame(frame + 14).bytes) << "Reverse at " << frame;
        EXPECT_EQ(r.render.command.CountCall("checkout_param 0 " + std::to_string(frame + 14) + " 1 30"), 1u)
            << ::testing::PrintToString(pwhost::Texts(r.render.command.calls));
    }
    // Elsewhere in the beat the source mirrors the frame about the beat's middle.
    for (A_long frame : {5, 14, 22}) {
        const A_long source = frame + kFramesPerBeat - 1 - 2 * FrameInBeat(frame);
        EXPECT_TRUE(Rendered(frame).bytes == host_.InputFrame(source).bytes) << "Reverse at " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, RenderTreatmentTest,
                         ::testing::Values(PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128),
                         FormatParamName);

}  // namespace
}  // namespace pwtest
