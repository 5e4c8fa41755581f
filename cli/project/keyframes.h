// Parameter values over time as a project gives them: a constant, or keyframes in frames or seconds. The host
// interpolates them (sliders linearly, popups, checkboxes and colours hold); here they only get host times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "project/frame_rate.h"
#include "project/param_value.h"

namespace pwcli {

struct KeyTime {
    bool seconds = false;  // else frames
    double amount = 0.0;
};

// "48" or "48f" (frames), "2.5s" (seconds); negative times are refused.
bool ParseKeyTime(const std::string& text, KeyTime& time, std::string& error);
std::string FormatKeyTime(const KeyTime& time);

struct Keyframe {
    KeyTime time;
    ParamValue value;
};

struct Track {
    int param = 0;       // index in the plug-in's parameter list
    ParamValue constant;  // used when there are no keyframes
    std::vector<Keyframe> keys;

    bool Animated() const { return !keys.empty(); }
};

struct TimedKey {
    int64_t time;  // host time units
    ParamValue value;
};

// The keyframes in host time units, in time order. Two keyframes at the same time unit are refused.
bool ResolveKeys(const ParamInfo& info, const Track& track, const FrameRate& rate, std::vector<TimedKey>& keys,
                 std::string& error);

}  // namespace pwcli
