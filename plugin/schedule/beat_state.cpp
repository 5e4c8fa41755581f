#include "schedule/beat_state.h"

#include "schedule/envelope.h"
#include "schedule/frame_order.h"
#include "kernels/random_stream.h"

namespace pw {
namespace {

constexpr int32_t kManual = 1;
constexpr int32_t kTimeReverse = 1;
constexpr int32_t kTimeStop = 2;
constexpr int32_t kTimeShuffle = 3;
constexpr int32_t kNoiseWhite = 2;
constexpr int32_t kNoiseColor = 3;

// One treatment's stream, switch and deciding settings. Table order gives the seed offsets.
struct Treatment {
    RandomStream BeatState::*stream;
    bool BeatState::*on;
    double RenderSettings::*probability;
    int32_t RenderSettings::*manualAuto;
    int32_t RenderSettings::*manual;
};

constexpr Treatment kTreatments[] = {
    {&BeatState::scrollStream, &BeatState::scrollOn, &RenderSettings::scrollProbability,
     &RenderSettings::scrollManualAuto, &RenderSettings::scrollManual},
    {&BeatState::sliceStream, &BeatState::sliceOn, &RenderSettings::sliceProbability,
     &RenderSettings::sliceManualAuto, &RenderSettings::sliceManual},
    {&BeatState::stretchStream, &BeatState::stretchOn, &RenderSettings::stretchProbability,
     &RenderSettings::stretchManualAuto, &RenderSettings::stretchManual},
    {&BeatState::rgbSeparationStream, &BeatState::rgbSeparationOn, &RenderSettings::rgbSeparationProbability,
     &RenderSettings::rgbSeparationManualAuto, &RenderSettings::rgbSeparationManual},
    {&BeatState::colorStream, &BeatState::colorOn, &RenderSettings::colorProbability,
     &RenderSettings::colorManualAuto, &RenderSettings::colorManual},
    {&BeatState::glowStream, &BeatState::glowOn, &RenderSettings::glowProbability, &RenderSettings::glowManualAuto,
     &RenderSettings::glowManual},
    {&BeatState::blurStream, &BeatState::blurOn, &RenderSettings::blurProbability, &RenderSettings::blurManualAuto,
     &RenderSettings::blurManual},
    {&BeatState::mosaicStream, &BeatState::mosaicOn, &RenderSettings::mosaicProbability,
     &RenderSettings::mosaicManualAuto, &RenderSettings::mosaicManual},
    {&BeatState::noiseStream, &BeatState::noiseOn, &RenderSettings::noiseProbability,
     &RenderSettings::noiseManualAuto, &RenderSettings::noiseManual},
    {&BeatState::timeStream, &BeatState::timeOn, &RenderSettings::timeProbability, &RenderSettings::timeManualAuto,
     &RenderSettings::timeManual},
};
constexpr int kTreatmentCount = sizeof kTreatments / sizeof kTreatments[0];
constexpr int kTimeTreatment = kTreatmentCount - 1;

// The draw is made whatever the switch says, so Manual and Auto leave the stream in the same place.
void Decide(const Treatment& treatment, const RenderSettings& settings, BeatState& state)
{
    const double r = NextReal(state.*treatment.stream);
    bool on = r < settings.*treatment.probability;
    if (settings.*treatment.manualAuto == kManual) on = settings.*treatment.manual != 0;
    state.*treatment.on = on;
}

}  // namespace

BeatClockStatus StartBeatState(const RenderSettings& settings, const FrameTime& time, double compFrameRate,
                               BpmKeyframeSource& source, PF_Err& err, BeatState& state)
{
    state = BeatState{};
    BeatClock clock{};
    const BeatClockStatus status = ComputeBeatClock(settings, time, compFrameRate, source, err, clock);
    if (status != BeatClockStatus::Ok) return status;

    state.frameIndexNow = clock.frameIndexNow;
    state.secondsNow = clock.secondsNow;
    state.framesPerBeat = clock.framesPerBeat;
    state.orderLength = clock.orderLength;
    state.beats = clock.beats;
    state.beatIndex = clock.beatIndex;
    state.phase = clock.phase;
    state.frameInBeat = clock.frameInBeat;
    const Envelope envelope = ComputeEnvelope(clock.phase, settings.attack, settings.sustain, settings.release,
                                              settings.rest, settings.ease);
    state.envelope = envelope.envelope;
    state.inAttack = envelope.inAttack;

    // Every stream steps once per beat up to and including the current one (none before beat 0), in one jump.
    const uint64_t steps = clock.beatIndex < 0 ? 0 : static_cast<uint64_t>(clock.beatIndex) + 1;
    const StreamJump jump = JumpOf(steps);
    for (int k = 0; k < kTreatmentCount; ++k) {
        RandomStream& stream = state.*kTreatments[k].stream;
        stream.state = static_cast<uint32_t>(settings.seed) + static_cast<uint32_t>(k);
        ApplyJump(jump, stream);
    }
    return BeatClockStatus::Ok;
}

void DecideTreatments(const RenderSettings& settings, int32_t* frameOrder, BeatState& state)
{
    const int32_t length = state.orderLength;
    state.frameOrder = frameOrder;
    if (frameOrder != nullptr) FillIdentityOrder(frameOrder, length);

    Decide(kTreatments[kTimeTreatment], settings, state);
    if (state.timeOn && frameOrder != nullptr) {
        if (settings.timeMode == kTimeReverse) ReverseOrder(frameOrder, length);
        if (settings.timeMode == kTimeStop) FillZero(frameOrder, length);
        if (settings.timeMode == kTimeShuffle) ShuffleOrder(frameOrder, length, state.timeStream);
    } else if (state.timeOn && settings.timeMode == kTimeShuffle && length > 0) {
        AdvanceStream(state.timeStream, static_cast<uint64_t>(length));
    }

    for (int k = 0; k < kTimeTreatment; ++k) Decide(kTreatments[k], settings, state);

    state.noiseColor = false;
    if (state.noiseOn) {
        state.noiseColor = NextReal(state.noiseStream) < 0.5;
        if (settings.noiseMode == kNoiseWhite) state.noiseColor = false;
        if (settings.noiseMode == kNoiseColor) state.noiseColor = true;
    }
}

}  // namespace pw
