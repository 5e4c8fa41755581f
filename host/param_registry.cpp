#include "host/param_registry.h"

#include <algorithm>
#include <cstring>

namespace pwhost {

ParamRegistry::ParamRegistry() { Reset(); }

void ParamRegistry::Reset()
{
    entries_.clear();
    auto input = std::make_unique<Entry>();
    std::memset(&input->def, 0, sizeof input->def);
    input->def.param_type = PF_Param_LAYER;
    input->track = ParamTrack(PF_Param_LAYER);
    entries_.push_back(std::move(input));
    ++revision_;
}

void ParamRegistry::RepointText(Entry& entry)
{
    if (entry.def.param_type == PF_Param_POPUP && entry.def.u.pd.u.namesptr)
        entry.def.u.pd.u.namesptr = entry.text.c_str();
    else if (entry.def.param_type == PF_Param_CHECKBOX && entry.def.u.bd.u.nameptr)
        entry.def.u.bd.u.nameptr = entry.text.c_str();
}

PF_Err ParamRegistry::Add(PF_ParamIndex index, const PF_ParamDef& def)
{
    if (index != -1 && index != static_cast<PF_ParamIndex>(entries_.size())) return PF_Err_INVALID_INDEX;
    auto entry = std::make_unique<Entry>();
    std::memcpy(&entry->def, &def, sizeof def);
    if (def.param_type == PF_Param_POPUP && def.u.pd.u.namesptr) entry->text = def.u.pd.u.namesptr;
    if (def.param_type == PF_Param_CHECKBOX && def.u.bd.u.nameptr) entry->text = def.u.bd.u.nameptr;
    RepointText(*entry);
    entry->track = ParamTrack(def.param_type, ReadValue(def));
    Touch(*entry);
    entries_.push_back(std::move(entry));
    return PF_Err_NONE;
}

void ParamRegistry::Touch(Entry& entry) { entry.changedAt = ++revision_; }

int ParamRegistry::IndexOf(const std::string& name) const
{
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (Name(i) == name) return static_cast<int>(i);
    return -1;
}

void ParamRegistry::SetValue(std::size_t index, const ParamValue& value)
{
    Entry& entry = *entries_.at(index);
    if (entry.track.SetStatic(value)) Touch(entry);
}

void ParamRegistry::SetKeyframes(std::size_t index, std::vector<Keyframe> keys)
{
    Entry& entry = *entries_.at(index);
    if (entry.track.SetKeys(std::move(keys))) Touch(entry);
}

PF_ParamDef ParamRegistry::At(std::size_t index, A_Time time) const
{
    const Entry& entry = *entries_.at(index);
    PF_ParamDef def = entry.def;
    WriteValue(entry.track.ValueAt(time), def);
    return def;
}

std::string ParamRegistry::Name(std::size_t index) const
{
    const PF_ParamDef& def = At(index);
    const char* end = std::find(def.name, def.name + sizeof def.name, '\0');
    return std::string(def.name, end);
}

std::vector<std::string> SplitChoices(const std::string& list)
{
    std::vector<std::string> choices;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = list.find('|', start);
        choices.push_back(list.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return choices;
}

}  // namespace pwhost
