#include "music/beat_keys.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "params/param_ids.h"
#include "schedule/beat_clock.h"

namespace pwcli {
namespace {

constexpr double kLeastBpm = 1, kMostBpm = 1800;  // "BPM"'s valid range

struct UnitKey {
    int64_t units;
    double value;
};

double Seconds(int64_t units, const FrameRate& rate) { return static_cast<double>(units) / rate.num; }

Track Keyed(int param, const std::vector<UnitKey>& keys, const FrameRate& rate)
{
    Track t;
    t.param = param;
    for (const UnitKey& k : keys) t.keys.push_back(Keyframe{KeyTime{true, Seconds(k.units, rate)}, ParamValue{k.value, {}}});
    return t;
}

Track Constant(int param, double value)
{
    Track t;
    t.param = param;
    t.constant.number = value;
    return t;
}

// The keys as the host's keyframe suite hands them to the effect, seen from `seconds`.
class UnitKeySource final : public pw::BpmKeyframeSource {
public:
    UnitKeySource(const std::vector<UnitKey>& keys, const FrameRate& rate, double seconds)
        : keys_(keys), rate_(rate), seconds_(seconds)
    {
    }
    PF_Err FindAtOrBefore(pw::KeyframeSearch& result) override
    {
        result = {false, 0};
        for (std::size_t k = 0; k < keys_.size() && Seconds(keys_[k].units, rate_) <= seconds_; ++k)
            result = {true, static_cast<PF_KeyIndex>(k)};
        return PF_Err_NONE;
    }
    PF_Err FindAfter(pw::KeyframeSearch& result) override
    {
        result = {false, 0};
        for (std::size_t k = 0; k < keys_.size() && !result.found; ++k)
            if (Seconds(keys_[k].units, rate_) > seconds_) result = {true, static_cast<PF_KeyIndex>(k)};
        return PF_Err_NONE;
    }
    double BpmAtTimeZero() override { return keys_.front().value; }  // held before the first key
    PF_Err ReadKeyframe(PF_KeyIndex index, pw::BpmKeyframe& key) override
    {
        const UnitKey& k = keys_.at(static_cast<std::size_t>(index));
        key = {k.value, static_cast<A_long>(k.units), static_cast<A_u_long>(rate_.num)};
        return PF_Err_NONE;
    }

private:
    const std::vector<UnitKey>& keys_;
    const FrameRate& rate_;
    double seconds_;
};

// Beats the effect's own integral of the keyed "BPM" counts at `t` seconds.
double CountedBeats(const std::vector<UnitKey>& keys, const FrameRate& rate, double t)
{
    UnitKeySource source(keys, rate, t);
    PF_Err err = PF_Err_NONE;
    return pw::IntegrateTempo(pw::TimeNow{0, t}, 1.0, source, err);  // a key at time 0 is always found
}

}  // namespace

BeatKeys KeysForGrid(const BeatGrid& grid, BeatsAs as, const FrameRate& rate)
{
    // Beats on distinct host time units; a second beat on one unit cannot be keyed.
    struct Anchor {
        int64_t units;
        double seconds;
        double number;
    };
    std::vector<Anchor> anchors;
    for (const GridBeat& b : grid.beats) {
        const int64_t u = SecondsToUnits(rate, b.seconds);
        if (anchors.empty() || u > anchors.back().units) anchors.push_back(Anchor{u, b.seconds, static_cast<double>(b.number)});
    }
    BeatKeys out;
    const double bpm = std::clamp(grid.bpm, kLeastBpm, kMostBpm);
    if (as == BeatsAs::Beat) {
        std::vector<UnitKey> keys;
        const Anchor& first = anchors.front();
        // Before the first beat the count runs on at its tempo, down to the time 0 it starts from.
        if (first.units > 0 && first.number > 0) {
            const double period = 60.0 / grid.beats.front().bpm;
            keys.push_back(UnitKey{0, std::max(0.0, first.number - first.seconds / period)});
        }
        for (const Anchor& a : anchors) keys.push_back(UnitKey{a.units, a.number});
        // The last beat lasts one more beat, then the count holds.
        const double period = 60.0 / grid.beats.back().bpm;
        keys.push_back(UnitKey{SecondsToUnits(rate, anchors.back().seconds + period), anchors.back().number + 1});
        if (keys.back().units <= keys[keys.size() - 2].units) keys.pop_back();
        out.params[pw::PARAM_MODE] = Constant(pw::PARAM_MODE, 2);  // Manual
        out.params[pw::PARAM_BPM] = Constant(pw::PARAM_BPM, bpm);  // frames within a beat follow the tempo
        out.params[pw::PARAM_BEAT] = Keyed(pw::PARAM_BEAT, keys, rate);
        return out;
    }

    // Spans between beats (from time 0 to the first, which then counts its number of beats), each keyed at both
    // ends with its neighbours' mean tempo and at its middle with the tempo that makes its integral whole.
    std::vector<Anchor> ends;
    if (anchors.front().units > 0) ends.push_back(Anchor{0, 0, 0});
    for (const Anchor& a : anchors) {
        Anchor e = a;
        if (!ends.empty() && e.number <= ends.back().number) e.number = ends.back().number + 1;  // time 0 counts as beat 0
        ends.push_back(e);
    }
    if (ends.size() == 1) {
        const int64_t next = ends[0].units + std::max<int64_t>(1, SecondsToUnits(rate, 60.0 / bpm));
        ends.push_back(Anchor{next, Seconds(next, rate), ends[0].number + 1});
    }
    const std::size_t spans = ends.size() - 1;
    std::vector<double> spanRate(spans);
    for (std::size_t i = 0; i < spans; ++i)
        spanRate[i] = (ends[i + 1].number - ends[i].number) /
                      (Seconds(ends[i + 1].units, rate) - Seconds(ends[i].units, rate));
    auto clampRate = [](double r) { return std::clamp(r, kLeastBpm / 60, kMostBpm / 60); };
    std::vector<double> endRate(ends.size());
    for (std::size_t i = 0; i < ends.size(); ++i)
        endRate[i] = clampRate(i == 0 ? spanRate[0] : i == spans ? spanRate[spans - 1] : (spanRate[i - 1] + spanRate[i]) / 2);
    // After the last beat the count runs on at the music's tempo there.
    endRate.back() = clampRate(grid.beats.back().bpm / 60);
    std::vector<UnitKey> keys;
    for (std::size_t i = 0; i < spans; ++i) {
        keys.push_back(UnitKey{ends[i].units, endRate[i] * 60});
        const int64_t mid = (ends[i].units + ends[i + 1].units) / 2;
        if (mid <= ends[i].units || mid >= ends[i + 1].units) continue;
        const double h1 = Seconds(mid, rate) - Seconds(ends[i].units, rate);
        const double h2 = Seconds(ends[i + 1].units, rate) - Seconds(mid, rate);
        const double whole = ends[i + 1].number - ends[i].number;
        keys.push_back(UnitKey{mid, clampRate((2 * whole - endRate[i] * h1 - endRate[i + 1] * h2) / (h1 + h2)) * 60});
    }
    keys.push_back(UnitKey{ends.back().units, endRate.back() * 60});

    for (std::size_t i = 0; i < ends.size(); ++i) {
        if (ends[i].units == 0 && ends[i].number == 0) continue;  // time 0 is beat 0 by definition
        const double off = (CountedBeats(keys, rate, ends[i].seconds) - ends[i].number) / endRate[i];
        out.worstMs = std::max(out.worstMs, std::fabs(off) * 1000);
    }
    out.params[pw::PARAM_MODE] = Constant(pw::PARAM_MODE, 1);  // BPM
    out.params[pw::PARAM_BPM] = Keyed(pw::PARAM_BPM, keys, rate);
    return out;
}

}  // namespace pwcli
