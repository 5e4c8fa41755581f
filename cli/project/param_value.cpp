#include "project/param_value.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "io/path_names.h"

namespace pwcli {
namespace {

std::string Trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Num(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

bool ParseDouble(const std::string& text, double& v)
{
    const std::string t = Trim(text);
    if (t.empty()) return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(t.c_str(), &end);
    return end && *end == '\0' && errno != ERANGE && std::isfinite(v);
}

bool IsSeparator(const std::string& choice) { return choice.rfind("(-", 0) == 0; }

std::string ChoiceList(const ParamInfo& info)
{
    std::string out;
    for (std::size_t i = 0; i < info.choices.size(); ++i) {
        if (IsSeparator(info.choices[i])) continue;
        if (!out.empty()) out += ", ";
        out += info.choices[i] + " (" + std::to_string(i + 1) + ")";
    }
    return out;
}

bool CheckNumber(const ParamInfo& info, double v, const std::string& shown, ParamValue& value, std::string& error)
{
    if (info.kind == ParamKind::Integer && v != std::floor(v)) {
        error = "'" + shown + "' is not a whole number; " + AcceptedText(info);
        return false;
    }
    // Slider bounds are declared in single precision; the value is compared with them as declared.
    if (!(v >= info.validMin && v <= info.validMax)) {
        error = shown + " is out of range; " + AcceptedText(info);
        return false;
    }
    value.number = v;
    return true;
}

bool ParseChoice(const ParamInfo& info, const std::string& text, ParamValue& value, std::string& error)
{
    const std::string t = Lower(Trim(text));
    for (std::size_t i = 0; i < info.choices.size(); ++i)
        if (!IsSeparator(info.choices[i]) && Lower(info.choices[i]) == t) {
            value.number = static_cast<double>(i + 1);
            return true;
        }
    double v = 0;
    if (ParseDouble(t, v) && v == std::floor(v) && v >= 1 && v <= static_cast<double>(info.choices.size()) &&
        !IsSeparator(info.choices[static_cast<std::size_t>(v) - 1])) {
        value.number = v;
        return true;
    }
    error = "'" + text + "' is not a choice; " + AcceptedText(info);
    return false;
}

bool ParseCheckbox(const std::string& text, ParamValue& value)
{
    const std::string t = Lower(Trim(text));
    if (t == "on" || t == "true" || t == "yes" || t == "1") value.number = 1;
    else if (t == "off" || t == "false" || t == "no" || t == "0") value.number = 0;
    else return false;
    return true;
}

bool ColorChannel(double v, uint8_t& out)
{
    if (!(v >= 0 && v <= 255) || v != std::floor(v)) return false;
    out = static_cast<uint8_t>(v);
    return true;
}

bool ParseColor(const std::string& text, Rgb& rgb)
{
    std::string t = Trim(text);
    if (!t.empty() && t[0] == '#') {
        t = t.substr(1);
        if (t.size() != 6) return false;
        for (char c : t)
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        const unsigned long v = std::strtoul(t.c_str(), nullptr, 16);
        rgb = Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
        return true;
    }
    double c[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const auto comma = t.find(',', start);
        if ((i < 2) == (comma == std::string::npos)) return false;
        if (!ParseDouble(t.substr(start, comma == std::string::npos ? std::string::npos : comma - start), c[i]))
            return false;
        start = comma + 1;
    }
    return ColorChannel(c[0], rgb.red) && ColorChannel(c[1], rgb.green) && ColorChannel(c[2], rgb.blue);
}

}  // namespace

ParamValue DefaultValue(const ParamInfo& info)
{
    ParamValue v;
    v.number = info.defaultNumber;
    v.color = info.defaultColor;
    return v;
}

std::string AcceptedText(const ParamInfo& info)
{
    switch (info.kind) {
    case ParamKind::Popup: return "'" + info.name + "' takes one of: " + ChoiceList(info);
    case ParamKind::Float:
        return "'" + info.name + "' takes a number from " + Num(info.validMin) + " to " + Num(info.validMax);
    case ParamKind::Percent:
        return "'" + info.name + "' takes a percentage from " + Num(info.validMin) + " to " + Num(info.validMax);
    case ParamKind::Integer:
        return "'" + info.name + "' takes a whole number from " + Num(info.validMin) + " to " + Num(info.validMax);
    case ParamKind::Checkbox: return "'" + info.name + "' takes on or off (true/false, 1/0)";
    case ParamKind::Color:
        return "'" + info.name + "' takes a colour as \"#RRGGBB\", \"R,G,B\" or [R, G, B] with 0 to 255";
    case ParamKind::Group: return "'" + info.name + "' is a group heading, not a parameter";
    case ParamKind::Other: return "'" + info.name + "' is the input layer, set by the input";
    }
    return "";
}

bool ParseParamText(const ParamInfo& info, const std::string& text, ParamValue& value, std::string& error)
{
    switch (info.kind) {
    case ParamKind::Popup: return ParseChoice(info, text, value, error);
    case ParamKind::Float:
    case ParamKind::Integer:
    case ParamKind::Percent: {
        std::string t = Trim(text);
        if (info.kind == ParamKind::Percent && !t.empty() && t.back() == '%') t = Trim(t.substr(0, t.size() - 1));
        double v = 0;
        if (!ParseDouble(t, v)) {
            error = "'" + text + "' is not a number; " + AcceptedText(info);
            return false;
        }
        return CheckNumber(info, v, Trim(text), value, error);
    }
    case ParamKind::Checkbox:
        if (ParseCheckbox(text, value)) return true;
        error = "'" + text + "' is not on or off; " + AcceptedText(info);
        return false;
    case ParamKind::Color:
        if (ParseColor(text, value.color)) return true;
        error = "'" + text + "' is not a colour; " + AcceptedText(info);
        return false;
    case ParamKind::Group:
    case ParamKind::Other: break;
    }
    error = AcceptedText(info);
    return false;
}

bool ParseParamJson(const ParamInfo& info, const nlohmann::json& json, ParamValue& value, std::string& error)
{
    if (json.is_string()) return ParseParamText(info, json.get<std::string>(), value, error);
    const std::string shown = json.dump();
    switch (info.kind) {
    case ParamKind::Popup:
    case ParamKind::Float:
    case ParamKind::Integer:
    case ParamKind::Percent:
        if (json.is_number()) {
            const double v = json.get<double>();
            if (info.kind == ParamKind::Popup) return ParseChoice(info, shown, value, error);
            return CheckNumber(info, v, shown, value, error);
        }
        break;
    case ParamKind::Checkbox:
        if (json.is_boolean()) {
            value.number = json.get<bool>() ? 1 : 0;
            return true;
        }
        if (json.is_number() && ParseCheckbox(shown, value)) return true;
        break;
    case ParamKind::Color:
        if (json.is_array() && json.size() == 3 && json[0].is_number() && json[1].is_number() &&
            json[2].is_number() && ColorChannel(json[0].get<double>(), value.color.red) &&
            ColorChannel(json[1].get<double>(), value.color.green) &&
            ColorChannel(json[2].get<double>(), value.color.blue))
            return true;
        break;
    case ParamKind::Group:
    case ParamKind::Other: error = AcceptedText(info); return false;
    }
    error = shown + " is not a valid value; " + AcceptedText(info);
    return false;
}

std::string FormatParamValue(const ParamInfo& info, const ParamValue& value)
{
    switch (info.kind) {
    case ParamKind::Popup: {
        const auto i = static_cast<std::size_t>(value.number);
        return i >= 1 && i <= info.choices.size() ? info.choices[i - 1] : Num(value.number);
    }
    case ParamKind::Checkbox: return value.number != 0 ? "on" : "off";
    case ParamKind::Color: {
        char text[16];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", value.color.red, value.color.green, value.color.blue);
        return text;
    }
    case ParamKind::Percent: return Num(value.number) + " %";
    default: return Num(value.number);
    }
}

}  // namespace pwcli
