#include "param_listing.h"

#include <string>

namespace pwcli {
namespace {

std::string Format(const char* format, double a)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

std::string Num(double v) { return Format("%g", v); }
std::string Percent(PF_Fixed v) { return Num(v / 65536.0) + " %"; }

const char* KindName(PF_ParamType type)
{
    switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "integer";
    case PF_Param_FIX_SLIDER: return "percent";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "colour";
    case PF_Param_POPUP: return "popup";
    case PF_Param_FLOAT_SLIDER: return "float";
    case PF_Param_GROUP_START: return "group start";
    case PF_Param_GROUP_END: return "group end";
    default: return "other";
    }
}

std::string Details(const pwhost::ParamRegistry& params, std::size_t i)
{
    const PF_ParamDef& p = params.At(i);
    switch (p.param_type) {
    case PF_Param_POPUP: {
        const auto choices = pwhost::SplitChoices(params.Text(i));
        const int d = p.u.pd.dephault;
        const std::string name = d >= 1 && static_cast<std::size_t>(d) <= choices.size() ? choices[d - 1] : "?";
        return "default " + std::to_string(d) + " (" + name + "), " + std::to_string(p.u.pd.num_choices) +
               " choices: " + params.Text(i);
    }
    case PF_Param_FLOAT_SLIDER: {
        const PF_FloatSliderDef& f = p.u.fs_d;
        return "valid " + Num(f.valid_min) + ".." + Num(f.valid_max) + ", slider " + Num(f.slider_min) + ".." +
               Num(f.slider_max) + ", default " + Num(f.dephault) + ", precision " + std::to_string(f.precision);
    }
    case PF_Param_FIX_SLIDER: {
        const PF_FixedSliderDef& f = p.u.fd;
        return "valid " + Percent(f.valid_min) + ".." + Percent(f.valid_max) + ", slider " + Percent(f.slider_min) +
               ".." + Percent(f.slider_max) + ", default " + Percent(f.dephault) + ", precision " +
               std::to_string(f.precision);
    }
    case PF_Param_SLIDER: {
        const PF_SliderDef& s = p.u.sd;
        return "valid " + std::to_string(s.valid_min) + ".." + std::to_string(s.valid_max) + ", slider " +
               std::to_string(s.slider_min) + ".." + std::to_string(s.slider_max) + ", default " +
               std::to_string(s.dephault);
    }
    case PF_Param_CHECKBOX: return p.u.bd.dephault ? "default on" : "default off";
    case PF_Param_COLOR: {
        const PF_Pixel& c = p.u.cd.dephault;
        return "default red " + std::to_string(c.red) + ", green " + std::to_string(c.green) + ", blue " +
               std::to_string(c.blue) + ", alpha " + std::to_string(c.alpha);
    }
    default: return "";
    }
}

}  // namespace

void PrintParamList(std::FILE* out, const pwhost::ParamRegistry& params)
{
    std::fprintf(out, "Parameters (%zu, the input layer included):\n", params.Count());
    std::fprintf(out, "%5s %4s  %-28s %-12s %s\n", "index", "id", "name", "kind", "range, default, choices");
    for (std::size_t i = 0; i < params.Count(); ++i) {
        const PF_ParamDef& p = params.At(i);
        std::string name = params.Name(i);
        if (i == 0) name = "(input layer)";
        if (p.param_type == PF_Param_GROUP_END && name.empty()) name = "(end of group)";
        const std::string details = Details(params, i);
        if (details.empty())
            std::fprintf(out, "%5zu %4d  %-28s %s\n", i, static_cast<int>(p.uu.id), name.c_str(), KindName(p.param_type));
        else
            std::fprintf(out, "%5zu %4d  %-28s %-12s %s\n", i, static_cast<int>(p.uu.id), name.c_str(),
                         KindName(p.param_type), details.c_str());
    }
}

}  // namespace pwcli
