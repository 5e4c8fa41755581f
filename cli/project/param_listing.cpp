#include "project/param_listing.h"

#include <string>

#include "project/param_value.h"

namespace pwcli {
namespace {

std::string Num(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string Details(const ParamInfo& p)
{
    switch (p.kind) {
    case ParamKind::Popup: {
        std::string choices;
        for (std::size_t i = 0; i < p.choices.size(); ++i)
            if (p.choices[i].rfind("(-", 0) != 0) choices += (choices.empty() ? "" : ", ") + p.choices[i];
        return "default " + FormatParamValue(p, DefaultValue(p)) + "; choices: " + choices;
    }
    case ParamKind::Float:
    case ParamKind::Integer:
    case ParamKind::Percent: {
        const std::string unit = p.kind == ParamKind::Percent ? " %" : "";
        std::string text = Num(p.validMin) + " to " + Num(p.validMax) + unit;
        if (p.sliderMin != p.validMin || p.sliderMax != p.validMax)
            text += " (slider " + Num(p.sliderMin) + " to " + Num(p.sliderMax) + ")";
        return text + ", default " + FormatParamValue(p, DefaultValue(p));
    }
    case ParamKind::Checkbox:
    case ParamKind::Color: return "default " + FormatParamValue(p, DefaultValue(p));
    default: return "";
    }
}

}  // namespace

void PrintParamList(std::FILE* out, const ParamCatalog& catalog)
{
    int count = 0;
    for (const ParamInfo& p : catalog.All()) count += p.Animatable();
    std::fprintf(out, "%d parameters, by display name (set them with --set \"NAME=VALUE\"):\n", count);
    std::string indent;
    for (const ParamInfo& p : catalog.All()) {
        if (p.index == 0) continue;
        if (p.kind == ParamKind::Group) {
            if (p.name.empty()) {
                indent.clear();
            } else {
                std::fprintf(out, "\n%s:\n", p.name.c_str());
                indent = "  ";
            }
            continue;
        }
        std::fprintf(out, "%s%-*s %-15s %s\n", indent.c_str(), static_cast<int>(30 - indent.size()), p.name.c_str(),
                     KindName(p.kind), Details(p).c_str());
    }
}

}  // namespace pwcli
