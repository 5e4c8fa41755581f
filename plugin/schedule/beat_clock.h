// Where the current frame lies in the music: beats since time 0, the beat's number, the phase inside it.
#pragma once

#include <cstdint>

#include "ae_basic.h"
#include "schedule/render_settings.h"

namespace pw {

// The clock cannot be built; the render must stop before anything sizes or indexes the frame order by it.
enum class BeatClockStatus {
    Ok,
    InvalidFrameRate,  // the composition's frame rate is not a positive number (also after a failed query)
    InvalidTempo,      // frames per beat is not a positive number that an int32 frame order can hold
};

// The time fields of the host's in_data for this frame.
struct FrameTime {
    A_long currentTime;
    A_long timeStep;
    A_u_long timeScale;
};

struct BpmKeyframe {
    double bpm;
    A_long time;  // in timeScale units
    A_u_long timeScale;
};

struct KeyframeSearch {
    bool found;
    PF_KeyIndex index;
};

// The host's answers about the keyframes of "BPM", implemented by the render handler. The clock asks in this order:
// FindAtOrBefore, FindAfter; then, only with a keyframe at or before the current time, BpmAtTimeZero and
// ReadKeyframe for index 0 .. that keyframe's index, then ReadKeyframe for the one after, if found. Each call is
// made only while the running error is 0, and a call's error becomes the running error; the results of a failing
// call are not used.
class BpmKeyframeSource {
public:
    // Keyframes relative to the frame's current time.
    virtual PF_Err FindAtOrBefore(KeyframeSearch& result) = 0;
    virtual PF_Err FindAfter(KeyframeSearch& result) = 0;
    // "BPM" checked out (and in again) at time 0. Its result codes do not count as errors; 0 when it fails.
    virtual double BpmAtTimeZero() = 0;
    // Checks the keyframe out and in again.
    virtual PF_Err ReadKeyframe(PF_KeyIndex index, BpmKeyframe& key) = 0;

protected:
    ~BpmKeyframeSource() = default;
};

struct TimeNow {
    A_long frameIndexNow;
    double secondsNow;
};

// Both are 0 before time 0 or with a time step below 1.
TimeNow ComputeTimeNow(const FrameTime& time);

// Frames per second that the time values carry, time_scale / time_step as a double (the step the frame index
// counts in); 0, which no clock accepts, for a step below 1.
double TimeValueFrameRate(const FrameTime& time);

// Beats since time 0 of a "BPM" that is linear between keyframes (constant without keyframes at or before now).
double IntegrateTempo(const TimeNow& now, double framesPerBeat, BpmKeyframeSource& source, PF_Err& err);

struct BeatClock {
    A_long frameIndexNow;
    double secondsNow;
    double framesPerBeat;
    int32_t orderLength;  // ceil(framesPerBeat), at least 1
    double beats;
    int32_t beatIndex;  // trunc(beats), saturated at the int32 range
    double phase;
    int32_t frameInBeat;  // 0 .. orderLength - 1, from the tempo clock even in Manual mode
};

// Reads mode, bpm and beat of the settings. Unless Ok, the clock is zero and the source was not asked. The
// source is asked only while err is 0 and its first failure is kept in err; the arithmetic goes on with what was
// gathered. An err already set (by the frame-rate query, which leaves the rate at 0) outranks the status.
BeatClockStatus ComputeBeatClock(const RenderSettings& settings, const FrameTime& time, double compFrameRate,
                                 BpmKeyframeSource& source, PF_Err& err, BeatClock& clock);

}  // namespace pw
