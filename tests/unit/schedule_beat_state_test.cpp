// Seeding, stepping and the per-beat decisions: which treatments fire, the frame order, the Noise colour.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "schedule/beat_state.h"
#include "schedule/frame_order.h"
#include "kernels/random_stream.h"
#include "schedule_scripted_keyframes.h"

namespace pw {
namespace {

// Stream fields in seed order, for tests that walk all ten.
constexpr RandomStream BeatState::*kStreams[] = {
    &BeatState::scrollStream, &BeatState::sliceStream, &BeatState::stretchStream, &BeatState::rgbSeparationStream,
    &BeatState::colorStream,  &BeatState::glowStream,  &BeatState::blurStream,    &BeatState::mosaicStream,
    &BeatState::noiseStream,  &BeatState::timeStream};
constexpr bool BeatState::*kFlags[] = {&BeatState::scrollOn, &BeatState::sliceOn,  &BeatState::stretchOn,
                                       &BeatState::rgbSeparationOn, &BeatState::colorOn, &BeatState::glowOn,
                                       &BeatState::blurOn,   &BeatState::mosaicOn, &BeatState::noiseOn,
                                       &BeatState::timeOn};

// Manual beat mode at 120 BPM / 30 fps: 15 frames a beat; every switch on Auto with the declared default
// probabilities, the declared envelope and seed 0.
RenderSettings Defaults()
{
    RenderSettings s{};
    s.mode = 2;
    s.bpm = 120;
    s.scrollManualAuto = s.sliceManualAuto = s.stretchManualAuto = s.rgbSeparationManualAuto = 2;
    s.colorManualAuto = s.glowManualAuto = s.blurManualAuto = s.mosaicManualAuto = s.noiseManualAuto = 2;
    s.timeManualAuto = 2;
    s.scrollProbability = double(0.333f);
    s.sliceProbability = double(0.5f);
    s.stretchProbability = double(0.3f);
    s.rgbSeparationProbability = double(0.5f);
    s.colorProbability = double(0.5f);
    s.glowProbability = double(0.5f);
    s.blurProbability = double(0.25f);
    s.mosaicProbability = double(0.2f);
    s.noiseProbability = double(0.5f);
    s.timeProbability = double(0.25f);
    s.noiseMode = 1;
    s.timeMode = 1;
    s.attack = 0.25;
    s.sustain = 0.5;
    s.release = 0.25;
    s.ease = 2;
    return s;
}

void SetAllProbabilities(RenderSettings& s, double p)
{
    s.scrollProbability = s.sliceProbability = s.stretchProbability = s.rgbSeparationProbability = p;
    s.colorProbability = s.glowProbability = s.blurProbability = s.mosaicProbability = p;
    s.noiseProbability = s.timeProbability = p;
}

struct Beat {
    BeatState state{};
    std::vector<int32_t> order;
};

Beat Build(const RenderSettings& settings, A_long frame = 0, bool withOrder = true)
{
    Beat beat;
    ScriptedKeyframes source;
    source.currentTime = frame;
    PF_Err err = 0;
    EXPECT_EQ(StartBeatState(settings, {frame, 1, 30}, 30.0, source, err, beat.state), BeatClockStatus::Ok);
    EXPECT_EQ(err, 0);
    beat.order.assign(beat.state.orderLength, -1);
    DecideTreatments(settings, withOrder ? beat.order.data() : nullptr, beat.state);
    return beat;
}

BeatState Started(const RenderSettings& settings)
{
    BeatState state{};
    ScriptedKeyframes source;
    PF_Err err = 0;
    EXPECT_EQ(StartBeatState(settings, {0, 1, 30}, 30.0, source, err, state), BeatClockStatus::Ok);
    return state;
}

RenderSettings AtBeat(double b)
{
    RenderSettings s = Defaults();
    s.beat = b;
    return s;
}

TEST(BeatState, SeedZeroDecisionValuesOfBeatZero)
{
    const BeatState state = Started(AtBeat(0));
    const double expected[] = {0.6551540484651923, 0.1757413032464683,  0.6963285580277443, 0.21691581280902028,
                               0.7375030675902963, 0.25809032237157226, 0.7786775771528482, 0.29926483193412423,
                               0.8198520867154002, 0.3404393414966762};
    for (int k = 0; k < 10; ++k) {
        RandomStream copy = state.*kStreams[k];
        EXPECT_EQ(NextReal(copy), expected[k]) << k;
    }
}

TEST(BeatState, DefaultProbabilitiesTurnOnSliceRgbSeparationAndGlow)
{
    const BeatState s = Build(AtBeat(0)).state;
    EXPECT_FALSE(s.scrollOn);
    EXPECT_TRUE(s.sliceOn);
    EXPECT_FALSE(s.stretchOn);
    EXPECT_TRUE(s.rgbSeparationOn);
    EXPECT_FALSE(s.colorOn);
    EXPECT_TRUE(s.glowOn);
    EXPECT_FALSE(s.blurOn);
    EXPECT_FALSE(s.mosaicOn);
    EXPECT_FALSE(s.noiseOn);
    EXPECT_FALSE(s.timeOn);
    EXPECT_FALSE(s.noiseColor);
}

TEST(BeatState, EachDecisionTakesExactlyOneDraw)
{
    const Beat beat = Build(AtBeat(0));
    const BeatState started = Started(AtBeat(0));
    for (int k = 0; k < 10; ++k) {
        RandomStream oneDraw = started.*kStreams[k];
        NextInt(oneDraw);
        EXPECT_EQ((beat.state.*kStreams[k]).state, oneDraw.state) << k;
    }
}

class ProbabilityExtremes : public ::testing::TestWithParam<int> {};

TEST_P(ProbabilityExtremes, ZeroNeverAndOneAlways)
{
    RenderSettings never = AtBeat(GetParam());
    SetAllProbabilities(never, 0.0);
    RenderSettings always = AtBeat(GetParam());
    SetAllProbabilities(always, 1.0);
    const BeatState off = Build(never).state;
    const BeatState on = Build(always).state;
    for (int k = 0; k < 10; ++k) {
        EXPECT_FALSE(off.*kFlags[k]) << k;
        EXPECT_TRUE(on.*kFlags[k]) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Beats, ProbabilityExtremes, ::testing::Range(0, 40));

TEST(BeatState, ManualFollowsTheCheckboxAndDrawsLikeAuto)
{
    RenderSettings automatic = AtBeat(5);
    SetAllProbabilities(automatic, 1.0);
    RenderSettings manual = automatic;
    manual.scrollManualAuto = manual.sliceManualAuto = manual.stretchManualAuto = manual.rgbSeparationManualAuto = 1;
    manual.colorManualAuto = manual.glowManualAuto = manual.blurManualAuto = manual.mosaicManualAuto = 1;
    manual.noiseManualAuto = manual.timeManualAuto = 1;
    manual.sliceManual = 1;
    manual.noiseManual = 1;
    const BeatState a = Build(automatic).state;
    const BeatState m = Build(manual).state;
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(m.*kFlags[k], k == 1 || k == 8) << k;
        EXPECT_EQ((m.*kStreams[k]).state, (a.*kStreams[k]).state) << k;
    }
}

TEST(BeatState, NextBeatSeesEveryStreamShiftedByOne)
{
    for (int n : {0, 1, 7, 49999}) {
        const BeatState now = Started(AtBeat(n));
        const BeatState next = Started(AtBeat(n + 1));
        for (int k = 0; k < 10; ++k) {
            RandomStream thisBeat = now.*kStreams[k];
            RandomStream nextBeat = next.*kStreams[k];
            NextReal(thisBeat);  // beat n's decision
            EXPECT_EQ(NextReal(nextBeat), NextReal(thisBeat)) << n << " " << k;
        }
    }
}

TEST(BeatState, FramesOfOneBeatDecideAlike)
{
    RenderSettings tempo = Defaults();
    tempo.mode = 1;
    tempo.timeManualAuto = 1;
    tempo.timeManual = 1;
    tempo.timeMode = 3;
    const Beat a = Build(tempo, 31);
    const Beat b = Build(tempo, 44);
    ASSERT_EQ(a.state.beatIndex, 2);
    ASSERT_EQ(b.state.beatIndex, 2);
    EXPECT_NE(a.state.frameInBeat, b.state.frameInBeat);
    EXPECT_EQ(a.order, b.order);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(a.state.*kFlags[k], b.state.*kFlags[k]) << k;
        EXPECT_EQ((a.state.*kStreams[k]).state, (b.state.*kStreams[k]).state) << k;
    }
}

struct TimeModeCase {
    int32_t mode;
    std::vector<int32_t> order;
};

class TimeModes : public ::testing::TestWithParam<TimeModeCase> {};

// 450 BPM at 30 fps: four frames a beat.
TEST_P(TimeModes, ShapeTheFrameOrder)
{
    RenderSettings s = AtBeat(0);
    s.bpm = 450;
    s.timeManualAuto = 1;
    s.timeManual = 1;
    s.timeMode = GetParam().mode;
    const Beat beat = Build(s);
    ASSERT_EQ(beat.state.orderLength, 4);
    EXPECT_TRUE(beat.state.timeOn);
    EXPECT_EQ(beat.state.frameOrder, beat.order.data());
    EXPECT_EQ(beat.order, GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(Modes, TimeModes,
                         ::testing::Values(TimeModeCase{1, {3, 2, 1, 0}}, TimeModeCase{2, {0, 0, 0, 0}},
                                           TimeModeCase{4, {0, 1, 2, 3}}, TimeModeCase{0, {0, 1, 2, 3}}));

TEST(BeatState, ShuffleDrawsFromTheTimeStreamAfterTheDecision)
{
    RenderSettings s = AtBeat(0);
    s.bpm = 450;
    s.timeManualAuto = 1;
    s.timeManual = 1;
    s.timeMode = 3;
    const Beat beat = Build(s);
    RandomStream time{9};
    AdvanceStream(time, 2);  // beat 0's step and the decision
    std::vector<int32_t> expected = {0, 1, 2, 3};
    ShuffleOrder(expected.data(), 4, time);
    EXPECT_EQ(beat.order, expected);
    EXPECT_EQ(beat.state.timeStream.state, time.state);
}

TEST(BeatState, TimeOffLeavesTheIdentity)
{
    RenderSettings s = AtBeat(0);
    s.timeMode = 3;
    const Beat beat = Build(s);
    ASSERT_FALSE(beat.state.timeOn);
    for (int32_t i = 0; i < beat.state.orderLength; ++i) EXPECT_EQ(beat.order[i], i);
}

TEST(BeatState, OneFrameBeatWithShuffle)
{
    RenderSettings s = AtBeat(0);
    s.bpm = 1800;
    s.timeManualAuto = 1;
    s.timeManual = 1;
    s.timeMode = 3;
    const Beat beat = Build(s);
    ASSERT_EQ(beat.state.orderLength, 1);
    EXPECT_EQ(beat.order, (std::vector<int32_t>{0}));
    RandomStream time{9};
    AdvanceStream(time, 3);  // beat 0's step, the decision, one shuffle draw
    EXPECT_EQ(beat.state.timeStream.state, time.state);
}

TEST(BeatState, WithoutFrameOrderStorageTheStreamsEndAlike)
{
    RenderSettings s = AtBeat(3);
    SetAllProbabilities(s, 1.0);
    s.timeMode = 3;
    const Beat stored = Build(s);
    const Beat unstored = Build(s, 0, false);
    EXPECT_EQ(unstored.state.frameOrder, nullptr);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(stored.state.*kFlags[k], unstored.state.*kFlags[k]) << k;
        EXPECT_EQ((stored.state.*kStreams[k]).state, (unstored.state.*kStreams[k]).state) << k;
    }
}

struct NoiseCase {
    int32_t mode;
    bool colour;
};

class NoiseColour : public ::testing::TestWithParam<NoiseCase> {};

TEST_P(NoiseColour, FollowsTheModeAfterTheCoin)
{
    RenderSettings s = AtBeat(0);
    s.noiseManualAuto = 1;
    s.noiseManual = 1;
    s.noiseMode = GetParam().mode;
    const BeatState state = Build(s).state;
    EXPECT_TRUE(state.noiseOn);
    EXPECT_EQ(state.noiseColor, GetParam().colour);
    RandomStream noise{8};
    AdvanceStream(noise, 3);  // beat 0's step, the decision, the coin
    EXPECT_EQ(state.noiseStream.state, noise.state);
}

// Seed 0, beat 0: the noise coin is the stream's second value after its step.
INSTANTIATE_TEST_SUITE_P(Modes, NoiseColour,
                         ::testing::Values(NoiseCase{1, [] {
                                               RandomStream r{8};
                                               AdvanceStream(r, 2);
                                               return NextReal(r) < 0.5;
                                           }()},
                                           NoiseCase{2, false}, NoiseCase{3, true}));

TEST(BeatState, NoiseOffTossesNoCoin)
{
    RenderSettings s = AtBeat(0);
    s.noiseMode = 3;
    const BeatState state = Build(s).state;
    ASSERT_FALSE(state.noiseOn);
    EXPECT_FALSE(state.noiseColor);
    RandomStream noise{8};
    AdvanceStream(noise, 2);
    EXPECT_EQ(state.noiseStream.state, noise.state);
}

struct SeedCase {
    int32_t seed;
    double beat;
    uint64_t steps;
};

class Seeding : public ::testing::TestWithParam<SeedCase> {};

TEST_P(Seeding, EachStreamStartsAtSeedPlusItsPlaceAndStepsOncePerBeat)
{
    RenderSettings s = AtBeat(GetParam().beat);
    s.seed = GetParam().seed;
    const BeatState state = Started(s);
    for (int k = 0; k < 10; ++k) {
        RandomStream expected{static_cast<uint32_t>(GetParam().seed) + static_cast<uint32_t>(k)};
        AdvanceStream(expected, GetParam().steps);
        EXPECT_EQ((state.*kStreams[k]).state, expected.state) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Seeding,
    ::testing::Values(SeedCase{0, 0, 1}, SeedCase{30000, 12.5, 13}, SeedCase{INT32_MAX, 0, 1},
                      SeedCase{-5, 2, 3}, SeedCase{7, -1, 0}, SeedCase{7, -0.5, 0}, SeedCase{7, 0.5, 1},
                      SeedCase{7, 1e12, 2147483648ull}, SeedCase{7, -1e12, 0}));

TEST(BeatState, SeedWrapsAsA32BitPattern)
{
    RenderSettings s = AtBeat(-1);
    s.seed = INT32_MAX;
    BeatState state{};
    ScriptedKeyframes source;
    PF_Err err = 0;
    StartBeatState(s, {0, 1, 30}, 30.0, source, err, state);
    EXPECT_EQ(state.scrollStream.state, 0x7FFFFFFFu);
    EXPECT_EQ(state.sliceStream.state, 0x80000000u);
    EXPECT_EQ(state.timeStream.state, 0x80000008u);
}

TEST(BeatState, CarriesTheClockAndEnvelope)
{
    RenderSettings s = AtBeat(3.125);
    s.ease = 0;
    const BeatState state = Build(s, 39).state;
    EXPECT_EQ(state.beatIndex, 3);
    EXPECT_EQ(state.beats, 3.0);
    EXPECT_EQ(state.phase, 0.125);
    EXPECT_EQ(state.frameInBeat, 9);
    EXPECT_EQ(state.orderLength, 15);
    EXPECT_EQ(state.framesPerBeat, 15.0);
    EXPECT_EQ(state.frameIndexNow, 39);
    EXPECT_EQ(state.envelope, 0.5);
    EXPECT_TRUE(state.inAttack);
}

TEST(BeatState, InvalidFrameRateStopsBeforeSeeding)
{
    BeatState state{};
    state.orderLength = 5;
    ScriptedKeyframes source;
    PF_Err err = 0;
    EXPECT_EQ(StartBeatState(AtBeat(2), {0, 1, 30}, 0.0, source, err, state), BeatClockStatus::InvalidFrameRate);
    EXPECT_EQ(state.orderLength, 0);
    EXPECT_EQ(state.timeStream.state, 0u);
    EXPECT_TRUE(source.log.empty());
}

}  // namespace
}  // namespace pw
