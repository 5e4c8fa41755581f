// A "BPM" keyframe source answering from a list, logging each question, optionally failing one of them.
#pragma once

#include <string>
#include <vector>

#include "schedule/beat_clock.h"

namespace pw {

class ScriptedKeyframes : public BpmKeyframeSource {
public:
    // Keys in time order, all in the frame's time scale; currentTime in the same units.
    std::vector<BpmKeyframe> keys;
    A_long currentTime = 0;
    double bpmAtZero = 0.0;
    std::vector<std::string> log;
    std::string failOn;  // log entry of the call that fails
    PF_Err failCode = 0;

    PF_Err FindAtOrBefore(KeyframeSearch& result) override
    {
        result = {false, 0};
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i].time <= currentTime) result = {true, static_cast<PF_KeyIndex>(i)};
        return Answer("before");
    }
    PF_Err FindAfter(KeyframeSearch& result) override
    {
        result = {false, 0};
        for (size_t i = keys.size(); i-- > 0;)
            if (keys[i].time > currentTime) result = {true, static_cast<PF_KeyIndex>(i)};
        return Answer("after");
    }
    double BpmAtTimeZero() override
    {
        return Answer("zero") == 0 ? bpmAtZero : 0.0;
    }
    PF_Err ReadKeyframe(PF_KeyIndex index, BpmKeyframe& key) override
    {
        if (index >= 0 && static_cast<size_t>(index) < keys.size()) key = keys[index];
        return Answer("key " + std::to_string(index));
    }

private:
    PF_Err Answer(const std::string& call)
    {
        log.push_back(call);
        return call == failOn ? failCode : 0;
    }
};

}  // namespace pw
