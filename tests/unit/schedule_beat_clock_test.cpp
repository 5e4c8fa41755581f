// The beat clock: constant and keyframed tempo, Manual mode, the chained host errors and hostile inputs.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "schedule/beat_clock.h"
#include "schedule_scripted_keyframes.h"

namespace pw {
namespace {

using Log = std::vector<std::string>;

RenderSettings Tempo(double bpm)
{
    RenderSettings settings{};
    settings.mode = 1;
    settings.bpm = bpm;
    return settings;
}

// Frames of a 30 fps composition in time scale 30.
FrameTime Frame(A_long frame) { return {frame, 1, 30}; }

struct ConstantCase {
    double bpm;
    A_long frame;
    double framesPerBeat;
    int32_t orderLength;
    double beats;
    int32_t beatIndex;
    double phase;
    int32_t frameInBeat;
};

class ConstantTempo : public ::testing::TestWithParam<ConstantCase> {};

TEST_P(ConstantTempo, GivesTheClockOfTheFrame)
{
    const ConstantCase& c = GetParam();
    ScriptedKeyframes source;
    source.currentTime = c.frame;
    PF_Err err = 0;
    BeatClock clock{};
    ASSERT_EQ(ComputeBeatClock(Tempo(c.bpm), Frame(c.frame), 30.0, source, err, clock), BeatClockStatus::Ok);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(clock.framesPerBeat, c.framesPerBeat);
    EXPECT_EQ(clock.orderLength, c.orderLength);
    EXPECT_EQ(clock.beats, c.beats);
    EXPECT_EQ(clock.beatIndex, c.beatIndex);
    EXPECT_EQ(clock.phase, c.phase);
    EXPECT_EQ(clock.frameInBeat, c.frameInBeat);
    EXPECT_EQ(source.log, (Log{"before", "after"}));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ConstantTempo,
    ::testing::Values(
        ConstantCase{120, 0, 15, 15, 0.0, 0, 0.0, 0},
        ConstantCase{120, 39, 15, 15, 39 / 15.0, 2, std::fmod(39 / 15.0, 1.0), 9},
        // 15 x 0.6666666666666665 truncates to 9, and 15 x fmod(16 / 15, 1) to 0: no rounding to the nearest.
        ConstantCase{120, 40, 15, 15, 40 / 15.0, 2, 0.6666666666666665, 9},
        ConstantCase{120, 16, 15, 15, 16 / 15.0, 1, std::fmod(16 / 15.0, 1.0), 0},
        ConstantCase{120, 45, 15, 15, 3.0, 3, 0.0, 0},
        ConstantCase{100, 20, 18, 18, 20 / 18.0, 1, std::fmod(20 / 18.0, 1.0), 2},
        ConstantCase{110, 0, 60.0 * 30.0 / 110.0, 17, 0.0, 0, 0.0, 0}));

TEST(BeatClock, PhaseTimesFramesPerBeatStaysJustBelowTheNextFrame)
{
    ScriptedKeyframes source;
    PF_Err err = 0;
    BeatClock clock{};
    ComputeBeatClock(Tempo(120), Frame(40), 30.0, source, err, clock);
    EXPECT_EQ(clock.framesPerBeat * clock.phase, 9.999999999999998);
}

struct TimeCase {
    FrameTime time;
    A_long frameIndexNow;
    double secondsNow;
};

class TimeOfFrame : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeOfFrame, IsZeroBeforeTimeZeroOrWithoutATimeStep)
{
    const TimeNow now = ComputeTimeNow(GetParam().time);
    EXPECT_EQ(now.frameIndexNow, GetParam().frameIndexNow);
    EXPECT_EQ(now.secondsNow, GetParam().secondsNow);
}

INSTANTIATE_TEST_SUITE_P(Cases, TimeOfFrame,
                         ::testing::Values(TimeCase{{39, 1, 30}, 39, 1.3}, TimeCase{{200, 100, 2997}, 2, 200 / 2997.0},
                                           TimeCase{{250, 100, 2997}, 2, 250 / 2997.0}, TimeCase{{-1, 1, 30}, 0, 0.0},
                                           TimeCase{{-90, 1, 30}, 0, 0.0}, TimeCase{{39, 0, 30}, 0, 0.0},
                                           TimeCase{{39, -1, 30}, 0, 0.0}));

TEST(BeatClock, NegativeTimeIsBeatZeroAtPhaseZero)
{
    ScriptedKeyframes source;
    source.currentTime = -45;
    PF_Err err = 0;
    BeatClock clock{};
    ASSERT_EQ(ComputeBeatClock(Tempo(120), Frame(-45), 30.0, source, err, clock), BeatClockStatus::Ok);
    EXPECT_EQ(clock.beats, 0.0);
    EXPECT_EQ(clock.beatIndex, 0);
    EXPECT_EQ(clock.phase, 0.0);
    EXPECT_EQ(clock.frameInBeat, 0);
}

// "BPM" 60 at 0 s and 120 at 2 s, linear in between.
ScriptedKeyframes RisingTempo(A_long currentTime)
{
    ScriptedKeyframes source;
    source.keys = {{60, 0, 30}, {120, 60, 30}};
    source.bpmAtZero = 60;
    source.currentTime = currentTime;
    return source;
}

struct KeyframeCase {
    A_long currentTime;
    double beats;
    Log calls;
};

class KeyframedTempo : public ::testing::TestWithParam<KeyframeCase> {};

TEST_P(KeyframedTempo, IntegratesTheTempoInHostCallOrder)
{
    ScriptedKeyframes source = RisingTempo(GetParam().currentTime);
    PF_Err err = 0;
    BeatClock clock{};
    ASSERT_EQ(ComputeBeatClock(Tempo(90), Frame(GetParam().currentTime), 30.0, source, err, clock),
              BeatClockStatus::Ok);
    EXPECT_EQ(err, 0);
    EXPECT_DOUBLE_EQ(clock.beats, GetParam().beats);
    EXPECT_EQ(source.log, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, KeyframedTempo,
    ::testing::Values(KeyframeCase{30, 1.25, {"before", "after", "zero", "key 0", "key 1"}},
                      KeyframeCase{90, 5.0, {"before", "after", "zero", "key 0", "key 1"}},
                      KeyframeCase{60, 3.0, {"before", "after", "zero", "key 0", "key 1"}},
                      KeyframeCase{0, 0.0, {"before", "after", "zero", "key 0", "key 1"}}));

TEST(BeatClock, ExactSumsOfTheKeyframeExamples)
{
    for (auto [frame, beats] : {std::pair<A_long, double>{30, 1.25}, {90, 5.0}}) {
        ScriptedKeyframes source = RisingTempo(frame);
        PF_Err err = 0;
        BeatClock clock{};
        ComputeBeatClock(Tempo(90), Frame(frame), 30.0, source, err, clock);
        EXPECT_EQ(clock.beats, beats) << frame;
        EXPECT_EQ(clock.beatIndex, static_cast<int32_t>(beats)) << frame;
    }
}

TEST(BeatClock, KeyframesOnlyAfterNowKeepTheCurrentTempo)
{
    ScriptedKeyframes source;
    source.keys = {{60, 300, 30}};
    source.currentTime = 39;
    PF_Err err = 0;
    BeatClock clock{};
    ComputeBeatClock(Tempo(120), Frame(39), 30.0, source, err, clock);
    EXPECT_EQ(clock.beats, 39 / 15.0);
    EXPECT_EQ(source.log, (Log{"before", "after"}));
}

struct FailureCase {
    std::string failOn;
    Log calls;
};

class ChainedErrors : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ChainedErrors, StopAskingAfterTheFirstFailureAndKeepIt)
{
    ScriptedKeyframes source = RisingTempo(90);
    source.failOn = GetParam().failOn;
    source.failCode = 7;
    PF_Err err = 0;
    BeatClock clock{};
    EXPECT_EQ(ComputeBeatClock(Tempo(90), Frame(90), 30.0, source, err, clock), BeatClockStatus::Ok);
    EXPECT_EQ(err, 7);
    EXPECT_EQ(source.log, GetParam().calls);
    EXPECT_TRUE(std::isfinite(clock.beats));
    EXPECT_GE(clock.frameInBeat, 0);
    EXPECT_LT(clock.frameInBeat, clock.orderLength);
}

INSTANTIATE_TEST_SUITE_P(Calls, ChainedErrors,
                         ::testing::Values(FailureCase{"before", {"before"}}, FailureCase{"after", {"before", "after"}},
                                           FailureCase{"key 0", {"before", "after", "zero", "key 0"}},
                                           FailureCase{"key 1", {"before", "after", "zero", "key 0", "key 1"}}));

TEST(BeatClock, TimeZeroResultDoesNotCount)
{
    ScriptedKeyframes source = RisingTempo(90);
    source.failOn = "zero";
    source.failCode = 7;
    PF_Err err = 0;
    BeatClock clock{};
    ComputeBeatClock(Tempo(90), Frame(90), 30.0, source, err, clock);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(source.log, (Log{"before", "after", "zero", "key 0", "key 1"}));
}

TEST(BeatClock, AnEarlierErrorAsksNothingButStillCounts)
{
    ScriptedKeyframes source = RisingTempo(90);
    PF_Err err = 3;
    BeatClock clock{};
    EXPECT_EQ(ComputeBeatClock(Tempo(120), Frame(39), 30.0, source, err, clock), BeatClockStatus::Ok);
    EXPECT_EQ(err, 3);
    EXPECT_TRUE(source.log.empty());
    EXPECT_EQ(clock.beats, 39 / 15.0);
    EXPECT_EQ(clock.frameInBeat, 9);
}

TEST(BeatClock, ManualModeTakesTheBeatButKeepsTheTempoFrames)
{
    RenderSettings settings = Tempo(120);
    settings.mode = 2;
    settings.beat = 3.75;
    ScriptedKeyframes source;
    source.currentTime = 39;
    PF_Err err = 0;
    BeatClock clock{};
    ASSERT_EQ(ComputeBeatClock(settings, Frame(39), 30.0, source, err, clock), BeatClockStatus::Ok);
    EXPECT_EQ(clock.beats, 3.0);
    EXPECT_EQ(clock.beatIndex, 3);
    EXPECT_EQ(clock.phase, 0.75);
    EXPECT_EQ(clock.framesPerBeat, 15.0);
    EXPECT_EQ(clock.orderLength, 15);
    EXPECT_EQ(clock.frameInBeat, 9);
    EXPECT_EQ(source.log, (Log{"before", "after"}));
}

struct InvalidCase {
    double frameRate;
    double bpm;
    BeatClockStatus status;
};

class InvalidClock : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidClock, IsReportedBeforeAnythingIsAskedOrSized)
{
    ScriptedKeyframes source = RisingTempo(90);
    PF_Err err = 0;
    BeatClock clock{};
    clock.orderLength = 99;
    EXPECT_EQ(ComputeBeatClock(Tempo(GetParam().bpm), Frame(90), GetParam().frameRate, source, err, clock),
              GetParam().status);
    EXPECT_EQ(err, 0);
    EXPECT_TRUE(source.log.empty());
    EXPECT_EQ(clock.orderLength, 0);
    EXPECT_EQ(clock.frameInBeat, 0);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Inputs, InvalidClock,
    ::testing::Values(InvalidCase{0.0, 120, BeatClockStatus::InvalidFrameRate},
                      InvalidCase{-30.0, 120, BeatClockStatus::InvalidFrameRate},
                      InvalidCase{kNaN, 120, BeatClockStatus::InvalidFrameRate},
                      InvalidCase{kInf, 120, BeatClockStatus::InvalidFrameRate},
                      InvalidCase{30.0, 0.0, BeatClockStatus::InvalidTempo},
                      InvalidCase{30.0, -120.0, BeatClockStatus::InvalidTempo},
                      InvalidCase{30.0, kNaN, BeatClockStatus::InvalidTempo},
                      InvalidCase{30.0, 1e-300, BeatClockStatus::InvalidTempo},
                      InvalidCase{1e300, 120, BeatClockStatus::InvalidTempo}));

TEST(BeatClock, AFastBeatStillHasOneFrame)
{
    ScriptedKeyframes source;
    PF_Err err = 0;
    BeatClock clock{};
    ASSERT_EQ(ComputeBeatClock(Tempo(1800), Frame(7), 10.0, source, err, clock), BeatClockStatus::Ok);
    EXPECT_EQ(clock.orderLength, 1);
    EXPECT_EQ(clock.frameInBeat, 0);
}

// A tempo held at 300 BPM at time 0 but keyed 120 before and 60 after: the walk back to -2 s outweighs the
// way forward, and the frame lies -3.5 beats from time 0.
TEST(BeatClock, NegativeBeatsKeepTheFrameInsideTheBeat)
{
    ScriptedKeyframes source;
    source.keys = {{120, -60, 30}, {60, 60, 30}};
    source.bpmAtZero = 300;
    source.currentTime = 0;
    PF_Err err = 0;
    BeatClock clock{};
    ASSERT_EQ(ComputeBeatClock(Tempo(120), Frame(0), 30.0, source, err, clock), BeatClockStatus::Ok);
    EXPECT_EQ(clock.beats, -3.5);
    EXPECT_EQ(clock.phase, -0.5);
    EXPECT_EQ(clock.beatIndex, -3);
    EXPECT_EQ(clock.frameInBeat, 0);
}

struct HugeCase {
    int32_t mode;
    double beat;
    A_long frame;
    int32_t beatIndex;
};

class BeyondInt32 : public ::testing::TestWithParam<HugeCase> {};

TEST_P(BeyondInt32, SaturatesTheBeatNumber)
{
    RenderSettings settings = Tempo(1800);
    settings.mode = GetParam().mode;
    settings.beat = GetParam().beat;
    ScriptedKeyframes source;
    PF_Err err = 0;
    BeatClock clock{};
    ASSERT_EQ(ComputeBeatClock(settings, {GetParam().frame, 1, 1}, 1.0, source, err, clock), BeatClockStatus::Ok);
    EXPECT_EQ(clock.beatIndex, GetParam().beatIndex);
    EXPECT_GE(clock.frameInBeat, 0);
    EXPECT_LT(clock.frameInBeat, clock.orderLength);
}

INSTANTIATE_TEST_SUITE_P(Inputs, BeyondInt32,
                         ::testing::Values(HugeCase{1, 0, INT_MAX, INT_MAX}, HugeCase{2, 1e12, 0, INT_MAX},
                                           HugeCase{2, -1e12, 0, INT_MIN}, HugeCase{2, kInf, 0, INT_MAX},
                                           HugeCase{2, kNaN, 0, 0}, HugeCase{2, 50000.5, 0, 50000}));

}  // namespace
}  // namespace pw
