#include "project/param_catalog.h"

#include <algorithm>
#include <cctype>

#include "io/path_names.h"

namespace pwcli {
namespace {

std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diag = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diag = up;
        }
    }
    return row[b.size()];
}

ParamInfo Describe(const pwhost::ParamRegistry& registry, std::size_t i)
{
    const PF_ParamDef& p = registry.At(i);
    ParamInfo info;
    info.index = static_cast<int>(i);
    info.name = registry.Name(i);
    switch (p.param_type) {
    case PF_Param_POPUP:
        info.kind = ParamKind::Popup;
        info.choices = pwhost::SplitChoices(registry.Text(i));
        info.validMin = info.sliderMin = 1;
        info.validMax = info.sliderMax = p.u.pd.num_choices;
        info.defaultNumber = p.u.pd.dephault;
        break;
    case PF_Param_FLOAT_SLIDER:
        info.kind = ParamKind::Float;
        info.validMin = p.u.fs_d.valid_min;
        info.validMax = p.u.fs_d.valid_max;
        info.sliderMin = p.u.fs_d.slider_min;
        info.sliderMax = p.u.fs_d.slider_max;
        info.defaultNumber = p.u.fs_d.dephault;
        info.precision = p.u.fs_d.precision;
        break;
    case PF_Param_FIX_SLIDER:
        info.kind = ParamKind::Percent;
        info.validMin = p.u.fd.valid_min / 65536.0;
        info.validMax = p.u.fd.valid_max / 65536.0;
        info.sliderMin = p.u.fd.slider_min / 65536.0;
        info.sliderMax = p.u.fd.slider_max / 65536.0;
        info.defaultNumber = p.u.fd.dephault / 65536.0;
        info.precision = p.u.fd.precision;
        break;
    case PF_Param_SLIDER:
        info.kind = ParamKind::Integer;
        info.validMin = p.u.sd.valid_min;
        info.validMax = p.u.sd.valid_max;
        info.sliderMin = p.u.sd.slider_min;
        info.sliderMax = p.u.sd.slider_max;
        info.defaultNumber = p.u.sd.dephault;
        break;
    case PF_Param_CHECKBOX:
        info.kind = ParamKind::Checkbox;
        info.validMax = info.sliderMax = 1;
        info.defaultNumber = p.u.bd.dephault ? 1 : 0;
        break;
    case PF_Param_COLOR:
        info.kind = ParamKind::Color;
        info.defaultColor = Rgb{p.u.cd.dephault.red, p.u.cd.dephault.green, p.u.cd.dephault.blue};
        break;
    case PF_Param_GROUP_START:
    case PF_Param_GROUP_END: info.kind = ParamKind::Group; break;
    default: info.kind = ParamKind::Other; break;
    }
    return info;
}

}  // namespace

const char* KindName(ParamKind kind)
{
    switch (kind) {
    case ParamKind::Popup: return "popup";
    case ParamKind::Float: return "float slider";
    case ParamKind::Percent: return "percent";
    case ParamKind::Integer: return "integer slider";
    case ParamKind::Checkbox: return "checkbox";
    case ParamKind::Color: return "colour";
    case ParamKind::Group: return "group";
    case ParamKind::Other: return "layer";
    }
    return "?";
}

ParamCatalog::ParamCatalog(const pwhost::ParamRegistry& registry)
{
    for (std::size_t i = 0; i < registry.Count(); ++i) params_.push_back(Describe(registry, i));
}

const ParamInfo* ParamCatalog::ByIndex(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < params_.size() ? &params_[index] : nullptr;
}

const ParamInfo* ParamCatalog::Find(const std::string& name) const
{
    if (name.empty()) return nullptr;
    for (const ParamInfo& p : params_)
        if (p.index > 0 && p.name == name) return &p;
    const std::string lower = Lower(name);
    for (const ParamInfo& p : params_)
        if (p.index > 0 && Lower(p.name) == lower) return &p;
    return nullptr;
}

std::vector<std::string> ParamCatalog::Suggest(const std::string& name) const
{
    const std::string lower = Lower(name);
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const ParamInfo& p : params_) {
        if (!p.Animatable()) continue;
        const std::string candidate = Lower(p.name);
        std::size_t d = EditDistance(lower, candidate);
        // A name that contains what was typed (or the reverse) is a likely meaning too.
        if (!lower.empty() && (candidate.find(lower) != std::string::npos || lower.find(candidate) != std::string::npos))
            d = std::min<std::size_t>(d, 2);
        if (d <= std::max<std::size_t>(2, lower.size() / 3)) scored.emplace_back(d, p.name);
    }
    std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (const auto& s : scored) {
        if (out.size() == 3) break;
        out.push_back(s.second);
    }
    return out;
}

std::string ParamCatalog::UnknownMessage(const std::string& name) const
{
    std::string text = "unknown parameter '" + name + "'";
    const auto near = Suggest(name);
    if (!near.empty()) {
        text += "; did you mean ";
        for (std::size_t i = 0; i < near.size(); ++i) text += (i ? (i + 1 == near.size() ? " or '" : ", '") : "'") + near[i] + "'";
        text += "?";
    }
    return text + " ('pulsewarper params' lists every parameter)";
}

}  // namespace pwcli
