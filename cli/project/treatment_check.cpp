#include "project/treatment_check.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "engine/render_engine.h"
#include "project/param_value.h"

namespace pwcli {
namespace {

// Whether some value the parameter takes over the render satisfies `test`.
bool Reaches(const Project& project, const ParamInfo* info, const std::function<bool(double)>& test)
{
    if (!info) return true;  // a plug-in without it: assume it can
    const auto it = project.params.find(info->index);
    if (it == project.params.end()) return test(DefaultValue(*info).number);
    const Track& track = it->second;
    if (!track.Animated()) return test(track.constant.number);
    for (const Keyframe& k : track.keys)
        if (test(k.value.number)) return true;
    return false;
}

constexpr double kManual = 1, kAuto = 2;

bool CanFire(const Project& project, const ParamCatalog& catalog, const std::string& treatment)
{
    const ParamInfo* mode = catalog.Find(treatment + " Manual/Auto");
    const bool autoFires = Reaches(project, mode, [&](double v) { return v == kAuto; }) &&
                           Reaches(project, catalog.Find(treatment + " Probability"), [](double v) { return v > 0; });
    const bool manualFires = Reaches(project, mode, [&](double v) { return v == kManual; }) &&
                             Reaches(project, catalog.Find(treatment + " Manual"), [](double v) { return v != 0; });
    return autoFires || manualFires;
}

// The least value the parameter takes over the render (sliders interpolate linearly between keyframes).
double Least(const Project& project, const ParamInfo& info)
{
    const auto it = project.params.find(info.index);
    if (it == project.params.end()) return DefaultValue(info).number;
    const Track& track = it->second;
    if (!track.Animated()) return track.constant.number;
    double least = track.keys.front().value.number;
    for (const Keyframe& k : track.keys) least = std::min(least, k.value.number);
    return least;
}

}  // namespace

std::optional<std::string> NoTreatmentWarning(const Project& project, const ParamCatalog& catalog)
{
    for (const char* name : kTreatmentNames)
        if (CanFire(project, catalog, name)) return std::nullopt;
    return std::string("no treatment can fire in this render (each is on Manual and off, or on Auto with "
                       "probability 0), so the frames come out as they went in; switch some on, e.g. --set "
                       "\"Slice Manual/Auto=Auto\" --set \"RGB Separation Manual/Auto=Auto\" (pulsewarper "
                       "params lists them)");
}

int TimeReach(const Project& project, const ParamCatalog& catalog, const FrameRate& rate)
{
    if (!CanFire(project, catalog, "Time")) return 0;
    const ParamInfo* bpm = catalog.Find("BPM");
    const double slowest = bpm ? Least(project, *bpm) : 1;
    const double frames = std::ceil(60 * rate.Fps() / std::max(slowest, 1.0));
    return static_cast<int>(std::clamp(frames, 1.0, 1e6));
}

}  // namespace pwcli
