// Parameter values of the effect instance, by index or display name.
#include <stdexcept>

#include "host/host.h"

namespace pwhost {

int Host::ParamIndex(const std::string& name) const
{
    const int index = state_.params.IndexOf(name);
    if (index < 0) throw std::out_of_range("no parameter named \"" + name + "\"");
    return index;
}

void Host::SetParam(int index, const ParamValue& value) { state_.params.SetValue(static_cast<std::size_t>(index), value); }

void Host::SetParam(const std::string& name, const ParamValue& value) { SetParam(ParamIndex(name), value); }

void Host::SetKeyframes(int index, std::vector<Keyframe> keys)
{
    state_.params.SetKeyframes(static_cast<std::size_t>(index), std::move(keys));
}

void Host::SetKeyframes(const std::string& name, std::vector<Keyframe> keys)
{
    SetKeyframes(ParamIndex(name), std::move(keys));
}

PF_ParamDef Host::ParamAt(int index, A_Time time) const { return state_.params.At(static_cast<std::size_t>(index), time); }

PF_ParamDef Host::ParamNow(int index) const
{
    return ParamAt(index, A_Time{state_.settings.currentTime, state_.settings.timeScale});
}

}  // namespace pwhost
