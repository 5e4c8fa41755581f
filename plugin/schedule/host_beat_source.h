// The beat clock's questions to the host: the composition's frame rate and the keyframes of "BPM".
#pragma once

#include "schedule/beat_clock.h"
#include "shell/suite_cache.h"

namespace pw {

// Effect layer, its composition, that composition's frame rate; each query only while `err` is 0. Premiere
// ("PrMr") has no AEGP suites: there, when one of the three is missing, the rate is the one the render's own
// time values carry. Any other host without them throws MissingSuiteError as the suite cache does.
double QueryCompFrameRate(HostSuiteCache& suites, const PF_InData* in_data, PF_Err& err);

class HostBpmKeyframes final : public BpmKeyframeSource {
public:
    HostBpmKeyframes(HostSuiteCache& suites, const Flavour& flavour, const PF_InData* in_data)
        : utils_(suites, flavour), in_data_(in_data)
    {
    }
    PF_Err FindAtOrBefore(KeyframeSearch& result) override;
    PF_Err FindAfter(KeyframeSearch& result) override;
    double BpmAtTimeZero() override;
    PF_Err ReadKeyframe(PF_KeyIndex index, BpmKeyframe& key) override;

private:
    PF_Err Find(PF_TimeDir direction, KeyframeSearch& result);

    ParamUtilsSuite utils_;
    const PF_InData* in_data_;
};

}  // namespace pw
