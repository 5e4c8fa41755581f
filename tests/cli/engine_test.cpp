// The host binding: parameters and keyframes reach the plug-in as the host interpolates them, the beat table
// is the render's own, and every depth renders through the footage readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

#include "cli_error.h"
#include "cli_test_support.h"
#include "params/param_ids.h"
#include "io/pattern_reader.h"
#include "project/param_assignment.h"
#include "project/project.h"
#include "engine/render_engine.h"

namespace pwcli {
namespace {

using pwclitest::Facts;
using pwclitest::PluginEntry;

EngineSetup JobSetup(const std::vector<std::string>& sets, const std::vector<std::string>& keys, Depth depth = Depth::k8,
                  int frames = 120)
{
    Project p;
    for (const std::string& s : sets) ApplySet(p, Facts().catalog, s);
    std::set<int> keyed;
    for (const std::string& k : keys) ApplyKey(p, Facts().catalog, k, keyed);
    EngineSetup setup;
    setup.entry = PluginEntry();
    setup.rate = FrameRate{30, 1};
    setup.reader = OpenPatternReader(64, 48, frames, setup.rate);
    setup.depth = depth;
    setup.catalog = &Facts().catalog;
    setup.params = p.params;
    return setup;
}

TEST(BeatTable, SliderKeyframesAreLinearAndPopupKeyframesHold)
{
    // Mode switches from BPM to Manual at frame 10 (held, not blended); Beat runs linearly 0 -> 3 over 30 frames.
    RenderEngine engine(JobSetup({"BPM=60"}, {"Mode@0=BPM", "Mode@10=Manual", "Beat@0=0", "Beat@30=3"}));
    const BeatReport before = engine.Beats(9);  // BPM clock: 30 frames a beat
    EXPECT_EQ(before.beatIndex, 0);
    EXPECT_DOUBLE_EQ(before.phase, 0.3);
    const BeatReport mid = engine.Beats(15);  // Beat 1.5
    EXPECT_EQ(mid.beatIndex, 1);
    EXPECT_DOUBLE_EQ(mid.phase, 0.5);
    const BeatReport after = engine.Beats(45);  // after the last keyframe: 3
    EXPECT_EQ(after.beatIndex, 3);
    EXPECT_DOUBLE_EQ(after.phase, 0.0);
}

TEST(BeatTable, TempoKeyframesAreIntegrated)
{
    // 60 BPM at 0 s rising to 120 at 2 s: 1.25 beats by 1 s, 5 beats by 3 s.
    RenderEngine engine(JobSetup({}, {"BPM@0s=60", "BPM@2s=120"}));
    const BeatReport one = engine.Beats(30);
    EXPECT_EQ(one.beatIndex, 1);
    EXPECT_DOUBLE_EQ(one.beats, 1.25);
    const BeatReport three = engine.Beats(90);
    EXPECT_DOUBLE_EQ(three.beats, 5.0);
}

TEST(BeatTable, DecisionsFollowTheSeedAndSwitches)
{
    // Seed 0, beat 0, all Auto with default probabilities: Slice, RGB Separation and Glow fire.
    std::vector<std::string> sets;
    for (const char* t : kTreatmentNames) sets.push_back(std::string(t) + " Manual/Auto=Auto");
    RenderEngine engine(JobSetup(sets, {}));
    const BeatReport b = engine.Beats(0);
    const bool expected[10] = {false, true, false, true, false, true, false, false, false, false};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(b.on[i], expected[i]) << kTreatmentNames[i];

    RenderEngine manual(JobSetup({"Time Manual=on", "Time Manual/Auto=Manual"}, {}));
    EXPECT_TRUE(manual.Beats(0).on[9]);
}

TEST(BeatTable, AFrameWhereNothingFiresIsTheFootageUntouched)
{
    // The table is computed from the real pre-render's settings: where it says nothing fires, the render must
    // hand back the input.
    std::vector<std::string> sets = {"BPM=300", "Seed=4"};
    for (const char* t : kTreatmentNames) {
        sets.push_back(std::string(t) + " Manual/Auto=Auto");
        sets.push_back(std::string(t) + " Probability=0.2");
    }
    EngineSetup setup = JobSetup(sets, {});
    RenderEngine engine(setup);
    int quiet = 0, busy = 0;
    for (int n = 0; n < 48; ++n) {
        const BeatReport b = engine.Beats(n);
        if (std::find(std::begin(b.on), std::end(b.on), true) != std::end(b.on)) {
            ++busy;
            continue;
        }
        ++quiet;
        EXPECT_TRUE(engine.Render(n).pixels == setup.reader->Read(n, Depth::k8).pixels) << "frame " << n;
    }
    EXPECT_GT(quiet, 0);
    EXPECT_GT(busy, 0);
}

TEST(Rendering, EveryDepthGivesAFrameOfTheFootageSize)
{
    for (Depth depth : {Depth::k8, Depth::k16, Depth::kFloat}) {
        RenderEngine engine(JobSetup({"Slice Manual/Auto=Auto", "Glow Manual/Auto=Auto"}, {}, depth));
        const Frame f = engine.Render(3);
        EXPECT_EQ(f.width, 64);
        EXPECT_EQ(f.height, 48);
        EXPECT_EQ(f.depth, depth);
        EXPECT_EQ(f.pixels.size(), 64u * 48u * BytesPerPixel(depth));
    }
}

TEST(Rendering, TheSameFrameTwiceAndFromTwoInstancesIsIdentical)
{
    std::vector<std::string> sets;
    for (const char* t : kTreatmentNames) sets.push_back(std::string(t) + " Manual/Auto=Auto");
    sets.push_back("Seed=11");
    RenderEngine a(JobSetup(sets, {}, Depth::k16));
    RenderEngine b(JobSetup(sets, {}, Depth::k16));
    const Frame later = a.Render(40);
    const Frame first = b.Render(40);
    EXPECT_EQ(a.Render(40).pixels, later.pixels);
    EXPECT_EQ(first.pixels, later.pixels);
}

// A 29.97 clip through the host as Premiere hosts effects (no composition, its frames pre-rendered twice) has the
// beats and frames of the same clip in After Effects.
TEST(Rendering, PremiereHostGivesTheAfterEffectsBeatsAndFrames)
{
    std::vector<std::string> sets;
    for (const char* t : kTreatmentNames) sets.push_back(std::string(t) + " Manual/Auto=Auto");
    EngineSetup setup = JobSetup(sets, {"BPM@0=100", "BPM@1s=150"});
    setup.rate = FrameRate{30000, 1001};
    setup.reader = OpenPatternReader(64, 48, 120, setup.rate);
    setup.checking = true;
    RenderEngine afterEffects(setup);
    setup.premiere = true;
    RenderEngine premiere(setup);
    for (int n : {0, 13, 14, 29, 30, 47}) {
        const BeatReport a = afterEffects.Beats(n), p = premiere.Beats(n);
        EXPECT_EQ(p.beats, a.beats) << "frame " << n;
        EXPECT_EQ(p.framesPerBeat, a.framesPerBeat) << "frame " << n;
        EXPECT_TRUE(std::equal(std::begin(p.on), std::end(p.on), std::begin(a.on))) << "frame " << n;
        EXPECT_EQ(premiere.Render(n).pixels, afterEffects.Render(n).pixels) << "frame " << n;
    }
}

TEST(Rendering, DownsampledRenderIsSmaller)
{
    EngineSetup setup = JobSetup({}, {});
    setup.downsample = 4;
    RenderEngine engine(setup);
    const Frame f = engine.Render(0);
    EXPECT_EQ(f.width, 16);
    EXPECT_EQ(f.height, 12);
}

TEST(Rendering, AFootageFailureIsReportedAsAnInputFault)
{
    class Broken final : public FrameReader {
    public:
        Broken() { info_ = ClipInfo{8, 8, Depth::k8, 10, std::nullopt, "broken"}; }
        const ClipInfo& Info() const override { return info_; }
        Frame Read(int n, Depth) override { throw CliError(kExitInput, "cannot read frame " + std::to_string(n)); }

    private:
        ClipInfo info_;
    };
    EngineSetup setup = JobSetup({}, {});
    setup.reader = std::make_shared<Broken>();
    RenderEngine engine(setup);
    try {
        engine.Render(2);
        ADD_FAILURE() << "rendered without footage";
    } catch (const CliError& e) {
        EXPECT_EQ(e.code, kExitInput);
        EXPECT_NE(std::string(e.what()).find("cannot read frame 2"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace pwcli
