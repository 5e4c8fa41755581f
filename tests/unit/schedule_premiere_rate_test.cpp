// The beat clock in Premiere, which has no composition and no AEGP suite: the rate taken from the render's own
// time values gives, frame for frame, the BeatState that an After Effects composition of the same clip gives.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "host/state.h"
#include "host/suites.h"
#include "schedule/beat_state.h"
#include "schedule/host_beat_source.h"
#include "schedule_scripted_keyframes.h"

namespace pw {
namespace {

// The frame-rate query of a render at `timebase` against our host in the given application.
double QueriedRate(pwhost::HostApplication application, pwhost::Timebase timebase)
{
    pwhost::HostState state;
    state.settings.application = application;
    state.settings.compFrameRate = static_cast<double>(timebase.scale) / timebase.step;
    pwhost::ActiveScope active(state);
    SPBasicSuite broker = pwhost::MakeBasicSuite();
    PF_InData in_data{};
    in_data.pica_basicP = &broker;
    in_data.effect_ref = state.EffectRef();
    in_data.appl_id = pwhost::ApplicationId(state.settings);
    in_data.time_scale = timebase.scale;
    in_data.time_step = timebase.step;
    PF_Err err = 0;
    double rate = 0;
    {
        HostSuiteCache suites(&broker);
        rate = QueryCompFrameRate(suites, &in_data, err);
    }
    EXPECT_EQ(err, 0);
    EXPECT_EQ(state.broker.TotalHeld(), 0);
    EXPECT_TRUE(state.violations.empty());
    return rate;
}

auto Fields(const BeatState& s)
{
    return std::make_tuple(s.frameIndexNow, s.secondsNow, s.framesPerBeat, s.orderLength, s.beats, s.beatIndex,
                           s.phase, s.frameInBeat, s.envelope, s.inAttack,
                           std::make_tuple(s.scrollOn, s.sliceOn, s.stretchOn, s.rgbSeparationOn, s.colorOn, s.glowOn,
                                           s.blurOn, s.mosaicOn, s.noiseOn, s.timeOn, s.noiseColor),
                           std::make_tuple(s.scrollStream.state, s.sliceStream.state, s.stretchStream.state,
                                           s.rgbSeparationStream.state, s.colorStream.state, s.glowStream.state,
                                           s.blurStream.state, s.mosaicStream.state, s.noiseStream.state,
                                           s.timeStream.state));
}

struct ClipCase {
    const char* name;
    pwhost::Timebase timebase;
    int32_t mode;                       // 1 BPM, 2 Manual ("Beat" = frame x 0.07)
    std::vector<std::pair<A_long, double>> bpmKeys;  // frame, BPM
};

void PrintTo(const ClipCase& c, std::ostream* os) { *os << c.name; }

class PremiereBeatState : public ::testing::TestWithParam<ClipCase> {};

TEST_P(PremiereBeatState, EqualsTheAfterEffectsComposition)
{
    const ClipCase& c = GetParam();
    const double premiere = QueriedRate(pwhost::HostApplication::Premiere, c.timebase);
    const double afterEffects = QueriedRate(pwhost::HostApplication::AfterEffects, c.timebase);
    ASSERT_EQ(premiere, afterEffects);

    RenderSettings settings{};
    settings.mode = c.mode;
    settings.bpm = 120;
    settings.attack = settings.sustain = settings.release = 1;
    settings.seed = 7;
    for (int32_t RenderSettings::*f : {&RenderSettings::scrollManualAuto, &RenderSettings::glowManualAuto,
                                       &RenderSettings::timeManualAuto, &RenderSettings::noiseManualAuto})
        settings.*f = 2;
    settings.scrollProbability = settings.glowProbability = settings.timeProbability = settings.noiseProbability = 0.5;
    settings.timeMode = 3;
    ScriptedKeyframes keys;
    for (const auto& [frame, bpm] : c.bpmKeys) keys.keys.push_back({bpm, frame * c.timebase.step, c.timebase.scale});
    keys.bpmAtZero = c.bpmKeys.empty() ? 120 : c.bpmKeys.front().second;

    for (A_long frame = 0; frame < 120; ++frame) {
        const FrameTime time{frame * c.timebase.step, c.timebase.step, c.timebase.scale};
        keys.currentTime = time.currentTime;
        settings.beat = frame * 0.07;
        BeatState states[2];
        std::vector<int32_t> orders[2];
        const double rates[2] = {premiere, afterEffects};
        for (int k = 0; k < 2; ++k) {
            PF_Err err = 0;
            ASSERT_EQ(StartBeatState(settings, time, rates[k], keys, err, states[k]), BeatClockStatus::Ok);
            ASSERT_EQ(err, 0);
            orders[k].resize(states[k].orderLength);
            DecideTreatments(settings, orders[k].data(), states[k]);
        }
        EXPECT_EQ(Fields(states[0]), Fields(states[1])) << "frame " << frame;
        EXPECT_EQ(orders[0], orders[1]) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Clips, PremiereBeatState,
    ::testing::Values(ClipCase{"NtscBpm", pwhost::kNtscTimebase, 1, {}},
                      ClipCase{"NtscBpmKeyframes", pwhost::kNtscTimebase, 1, {{0, 100}, {20, 150}, {40, 90}}},
                      ClipCase{"NtscManual", pwhost::kNtscTimebase, 2, {}},
                      ClipCase{"NtscFieldsBpmKeyframes", pwhost::kNtscFieldsTimebase, 1, {{0, 128}, {60, 64}}},
                      ClipCase{"PalManual", pwhost::kPalTimebase, 2, {{10, 60}, {50, 140}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pw
