// The beat clock's view of "BPM" keyframes, answered from the host's own keyframes exactly as its suite answers
// the plug-in, so that the beat report computes what the render will.
#pragma once

#include "host/host.h"
#include "schedule/beat_clock.h"

namespace pwcli {

class HostKeys final : public pw::BpmKeyframeSource {
public:
    HostKeys(const pwhost::Host& host, A_Time now) : host_(host), now_(now) {}

    PF_Err FindAtOrBefore(pw::KeyframeSearch& result) override
    {
        result = Find([&](A_Time t) { return pwhost::CompareTimes(t, now_) <= 0; }, true);
        return PF_Err_NONE;
    }
    PF_Err FindAfter(pw::KeyframeSearch& result) override
    {
        result = Find([&](A_Time t) { return pwhost::CompareTimes(t, now_) > 0; }, false);
        return PF_Err_NONE;
    }
    double BpmAtTimeZero() override { return host_.ParamAt(pw::PARAM_BPM, A_Time{0, now_.scale}).u.fs_d.value; }
    PF_Err ReadKeyframe(PF_KeyIndex index, pw::BpmKeyframe& key) override
    {
        const auto& keys = Keys();
        if (index < 0 || static_cast<std::size_t>(index) >= keys.size()) return PF_Err_BAD_CALLBACK_PARAM;
        key.bpm = keys[index].value.number;
        key.time = keys[index].time.value;
        key.timeScale = keys[index].time.scale;
        return PF_Err_NONE;
    }

private:
    const std::vector<pwhost::Keyframe>& Keys() const { return host_.Params().Track(pw::PARAM_BPM).Keys(); }

    template <class Pred>
    pw::KeyframeSearch Find(Pred pred, bool last) const
    {
        const auto& keys = Keys();
        pw::KeyframeSearch s{false, 0};
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (pred(keys[i].time)) {
                s = pw::KeyframeSearch{true, static_cast<PF_KeyIndex>(i)};
                if (!last) break;
            }
        return s;
    }

    const pwhost::Host& host_;
    A_Time now_;
};

}  // namespace pwcli
