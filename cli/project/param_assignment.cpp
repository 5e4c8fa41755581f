#include "project/param_assignment.h"

#include "cli_error.h"
#include "project/param_value.h"

namespace pwcli {
namespace {

// Splits "NAME=VALUE" at the first '=': display names hold none, values may.
bool SplitAssignment(const std::string& text, std::string& name, std::string& value)
{
    const auto eq = text.find('=');
    if (eq == std::string::npos) return false;
    name = text.substr(0, eq);
    value = text.substr(eq + 1);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!value.empty() && value.front() == ' ') value.erase(0, 1);
    return !name.empty();
}

const ParamInfo& SettableParam(const ParamCatalog& catalog, const std::string& option, const std::string& name)
{
    const ParamInfo* info = catalog.Find(name);
    if (!info) UsageError(option + ": " + catalog.UnknownMessage(name));
    if (!info->Animatable()) UsageError(option + ": " + AcceptedText(*info));
    return *info;
}

}  // namespace

void ApplySet(Project& project, const ParamCatalog& catalog, const std::string& assignment)
{
    std::string name, text, error;
    if (!SplitAssignment(assignment, name, text))
        UsageError("--set '" + assignment + "': expected NAME=VALUE, as --set \"BPM=128\"");
    const ParamInfo& info = SettableParam(catalog, "--set '" + assignment + "'", name);
    Track track;
    track.param = info.index;
    if (!ParseParamText(info, text, track.constant, error)) UsageError("--set '" + assignment + "': " + error);
    project.params[info.index] = track;
}

void ApplyKey(Project& project, const ParamCatalog& catalog, const std::string& assignment, std::set<int>& keyed)
{
    std::string lhs, text, error;
    const auto at = assignment.find('@');
    if (at == std::string::npos || !SplitAssignment(assignment.substr(at + 1), lhs, text))
        UsageError("--key '" + assignment + "': expected NAME@TIME=VALUE, as --key \"BPM@2.5s=140\" or --key \"Beat@48=4\"");
    const std::string option = "--key '" + assignment + "'";
    const ParamInfo& info = SettableParam(catalog, option, assignment.substr(0, at));
    Keyframe key;
    if (!ParseKeyTime(lhs, key.time, error)) UsageError(option + ": " + error);
    if (!ParseParamText(info, text, key.value, error)) UsageError(option + ": " + error);
    Track& track = project.params[info.index];
    if (keyed.insert(info.index).second) {
        track = Track{};
        track.param = info.index;
        track.constant = DefaultValue(info);
    }
    track.keys.push_back(key);
}

}  // namespace pwcli
