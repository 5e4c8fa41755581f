// A parameter value as a user writes it (text on the command line, or JSON in a project), checked against what
// the plug-in declared: kind, valid range, choices.
#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "project/param_catalog.h"

namespace pwcli {

struct ParamValue {
    double number = 0.0;  // popup choice (1-based), slider value (percent in percent), checkbox 0 or 1
    Rgb color;            // colours

    bool operator==(const ParamValue& o) const { return number == o.number && color == o.color; }
};

ParamValue DefaultValue(const ParamInfo& info);

// What the parameter accepts, for messages: "a number from 1 to 1800", "one of: Manual, Auto", ...
std::string AcceptedText(const ParamInfo& info);

// On failure `error` says what is wrong and what is accepted (without naming the parameter's source).
bool ParseParamText(const ParamInfo& info, const std::string& text, ParamValue& value, std::string& error);
bool ParseParamJson(const ParamInfo& info, const nlohmann::json& json, ParamValue& value, std::string& error);

// As a person would write it back: "128", "Auto", "on", "#ff0000", "50 %".
std::string FormatParamValue(const ParamInfo& info, const ParamValue& value);

}  // namespace pwcli
