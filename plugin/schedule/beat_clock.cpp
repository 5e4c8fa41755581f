#include "schedule/beat_clock.h"

#include <cmath>

#include "kernels/real_to_int.h"

namespace pw {
namespace {

constexpr int32_t kManualMode = 2;

double RateOf(double bpm) { return bpm / 60.0; }
double SecondsOf(const BpmKeyframe& key) { return static_cast<double>(key.time) / static_cast<double>(key.timeScale); }

}  // namespace

TimeNow ComputeTimeNow(const FrameTime& time)
{
    if (time.currentTime < 0 || time.timeStep < 1) return {0, 0.0};
    return {time.currentTime / time.timeStep,
            static_cast<double>(time.currentTime) / static_cast<double>(time.timeScale)};
}

double TimeValueFrameRate(const FrameTime& time)
{
    if (time.timeStep < 1) return 0.0;
    return static_cast<double>(time.timeScale) / static_cast<double>(time.timeStep);
}

double IntegrateTempo(const TimeNow& now, double framesPerBeat, BpmKeyframeSource& source, PF_Err& err)
{
    KeyframeSearch before{false, 0};
    KeyframeSearch after{false, 0};
    if (err == 0) {
        KeyframeSearch found{false, 0};
        err = source.FindAtOrBefore(found);
        if (err == 0) before = found;
    }
    if (err == 0) {
        KeyframeSearch found{false, 0};
        err = source.FindAfter(found);
        if (err == 0) after = found;
    }
    if (!before.found) return now.frameIndexNow / framesPerBeat;

    // Trapezoids between keyframes.
    double previousRate = 0.0;
    if (err == 0) previousRate = RateOf(source.BpmAtTimeZero());
    double previousTime = 0.0;
    double beats = 0.0;
    // Once a read fails, the remaining keys would all be skipped: stop rather than walk a bogus index range.
    for (int64_t k = 0; k <= before.index && err == 0; ++k) {
        BpmKeyframe key{};
        err = source.ReadKeyframe(static_cast<PF_KeyIndex>(k), key);
        if (err != 0) break;
        const double rate = RateOf(key.bpm);
        const double time = SecondsOf(key);
        beats += (previousRate + rate) * (time - previousTime) * 0.5;
        previousRate = rate;
        previousTime = time;
    }

    BpmKeyframe next{};
    bool haveNext = false;
    if (after.found && err == 0) {
        err = source.ReadKeyframe(after.index, next);
        haveNext = err == 0;
    }
    if (haveNext) {
        const double nextRate = RateOf(next.bpm);
        const double nextTime = SecondsOf(next);
        const double dt = now.secondsNow - previousTime;
        beats += (2.0 * previousRate + (nextRate - previousRate) / (nextTime - previousTime) * dt) * dt * 0.5;
    } else {
        beats += previousRate * (now.secondsNow - previousTime);
    }
    return beats;
}

BeatClockStatus ComputeBeatClock(const RenderSettings& settings, const FrameTime& time, double compFrameRate,
                                 BpmKeyframeSource& source, PF_Err& err, BeatClock& clock)
{
    clock = BeatClock{};
    // A zero rate (the value left by a failed query) would make an empty frame order that Time still indexes.
    if (!(compFrameRate > 0.0) || !std::isfinite(compFrameRate)) return BeatClockStatus::InvalidFrameRate;
    const double framesPerBeat = 60.0 * compFrameRate / settings.bpm;
    if (!(framesPerBeat > 0.0) || !(std::ceil(framesPerBeat) <= 2147483647.0)) return BeatClockStatus::InvalidTempo;

    const TimeNow now = ComputeTimeNow(time);
    clock.frameIndexNow = now.frameIndexNow;
    clock.secondsNow = now.secondsNow;
    clock.framesPerBeat = framesPerBeat;
    clock.orderLength = static_cast<int32_t>(std::ceil(framesPerBeat));
    clock.beats = IntegrateTempo(now, framesPerBeat, source, err);
    clock.phase = std::fmod(clock.beats, 1.0);

    // Keyframes before time 0 can integrate to negative beats, whose negative phase would index before the frame
    // order; the upper bound only guards the last bit of the product.
    int32_t frameInBeat = TruncToInt32(framesPerBeat * clock.phase);
    if (frameInBeat < 0) frameInBeat = 0;
    if (frameInBeat > clock.orderLength - 1) frameInBeat = clock.orderLength - 1;
    clock.frameInBeat = frameInBeat;

    if (settings.mode == kManualMode) {
        const double beatFloor = std::floor(settings.beat);
        clock.beats = TruncToInt32(beatFloor);
        clock.phase = settings.beat - beatFloor;
    }
    clock.beatIndex = TruncToInt32(clock.beats);
    return BeatClockStatus::Ok;
}

}  // namespace pw
