#include "project/treatment_check.h"

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

}  // namespace

std::optional<std::string> NoTreatmentWarning(const Project& project, const ParamCatalog& catalog)
{
    constexpr double kManual = 1, kAuto = 2;
    for (const char* name : kTreatmentNames) {
        const std::string t = name;
        const ParamInfo* mode = catalog.Find(t + " Manual/Auto");
        const bool autoFires = Reaches(project, mode, [&](double v) { return v == kAuto; }) &&
                               Reaches(project, catalog.Find(t + " Probability"), [](double v) { return v > 0; });
        const bool manualFires = Reaches(project, mode, [&](double v) { return v == kManual; }) &&
                                 Reaches(project, catalog.Find(t + " Manual"), [](double v) { return v != 0; });
        if (autoFires || manualFires) return std::nullopt;
    }
    return std::string("no treatment can fire in this render (each is on Manual and off, or on Auto with "
                       "probability 0), so the frames come out as they went in; switch some on, e.g. --set "
                       "\"Slice Manual/Auto=Auto\" --set \"RGB Separation Manual/Auto=Auto\" (pulsewarper "
                       "params lists them)");
}

}  // namespace pwcli
