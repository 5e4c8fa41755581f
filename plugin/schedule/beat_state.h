// Everything one render decides about its beat: clock, envelope, which treatments fire, and the random streams
// the treatments go on drawing from.
#pragma once

#include <cstdint>

#include "kernels/random_stream.h"
#include "schedule/beat_clock.h"
#include "schedule/render_settings.h"

namespace pw {

struct BeatState {
    A_long frameIndexNow;
    double secondsNow;
    double framesPerBeat;
    int32_t orderLength;
    double beats;
    int32_t beatIndex;
    double phase;
    int32_t frameInBeat;
    double envelope;  // 0..1
    bool inAttack;

    bool scrollOn;
    bool sliceOn;
    bool stretchOn;
    bool rgbSeparationOn;
    bool colorOn;
    bool glowOn;
    bool blurOn;
    bool mosaicOn;
    bool noiseOn;
    bool timeOn;
    bool noiseColor;  // Noise per colour channel rather than one value for all three

    int32_t* frameOrder;  // orderLength entries, owned by the caller

    RandomStream scrollStream;
    RandomStream sliceStream;
    RandomStream stretchStream;
    RandomStream rgbSeparationStream;
    RandomStream colorStream;
    RandomStream glowStream;
    RandomStream blurStream;
    RandomStream mosaicStream;
    RandomStream noiseStream;
    RandomStream timeStream;
};

// First half of a render's beat scheduling: the clock, the envelope, and the streams seeded from "Seed" and moved
// to the current beat. No treatment is decided yet. Unless Ok, the state is zero and the render must stop.
// Next the caller allocates orderLength int32 values for the frame order and calls DecideTreatments.
BeatClockStatus StartBeatState(const RenderSettings& settings, const FrameTime& time, double compFrameRate,
                               BpmKeyframeSource& source, PF_Err& err, BeatState& state);

// Second half: fills frameOrder (state.orderLength entries) and decides the ten treatments and the Noise colour,
// drawing from the streams. A null frameOrder (allocation skipped after an error) is left null, with the streams
// moved as if it had been filled.
void DecideTreatments(const RenderSettings& settings, int32_t* frameOrder, BeatState& state);

}  // namespace pw
