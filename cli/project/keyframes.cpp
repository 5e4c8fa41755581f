#include "project/keyframes.h"

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace pwcli {

bool ParseKeyTime(const std::string& text, KeyTime& time, std::string& error)
{
    std::string t = text;
    KeyTime out;
    if (!t.empty() && (t.back() == 's' || t.back() == 'S')) {
        out.seconds = true;
        t.pop_back();
    } else if (!t.empty() && (t.back() == 'f' || t.back() == 'F')) {
        t.pop_back();
    }
    char* end = nullptr;
    errno = 0;
    out.amount = t.empty() ? 0.0 : std::strtod(t.c_str(), &end);
    if (t.empty() || !end || *end != '\0' || errno == ERANGE || !std::isfinite(out.amount) || out.amount < 0 ||
        out.amount > 1e7) {
        error = "'" + text + "' is not a keyframe time; give frames (48 or 48f) or seconds (2.5s), 0 or more";
        return false;
    }
    time = out;
    return true;
}

std::string FormatKeyTime(const KeyTime& time)
{
    char text[48];
    std::snprintf(text, sizeof text, time.seconds ? "%gs" : "frame %g", time.amount);
    return text;
}

bool ResolveKeys(const ParamInfo& info, const Track& track, const FrameRate& rate, std::vector<TimedKey>& keys,
                 std::string& error)
{
    keys.clear();
    for (const Keyframe& k : track.keys) {
        const int64_t t = k.time.seconds ? SecondsToUnits(rate, k.time.amount) : FrameToUnits(rate, k.time.amount);
        if (t > INT32_MAX) {
            error = "'" + info.name + "' has a keyframe at " + FormatKeyTime(k.time) +
                    ", later than the host can express at this frame rate";
            return false;
        }
        keys.push_back(TimedKey{t, k.value});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const TimedKey& a, const TimedKey& b) { return a.time < b.time; });
    for (std::size_t i = 1; i < keys.size(); ++i)
        if (keys[i].time == keys[i - 1].time) {
            error = "'" + info.name + "' has two keyframes at the same time (" +
                    std::to_string(static_cast<double>(keys[i].time) / rate.num) + " s)";
            return false;
        }
    return true;
}

}  // namespace pwcli
