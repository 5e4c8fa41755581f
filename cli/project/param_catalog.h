// The parameters as the plug-in declared them to the host, looked up by display name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/param_registry.h"

namespace pwcli {

enum class ParamKind { Popup, Float, Percent, Integer, Checkbox, Color, Group, Other };

const char* KindName(ParamKind kind);

struct Rgb {
    uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
};

struct ParamInfo {
    int index = 0;
    std::string name;
    ParamKind kind = ParamKind::Other;
    // Sliders (percent in percent units), popups (1 .. choice count) and checkboxes (0, 1).
    double validMin = 0, validMax = 0, sliderMin = 0, sliderMax = 0, defaultNumber = 0;
    int precision = 0;
    std::vector<std::string> choices;  // popups, in order; separators ("(-") keep their place
    Rgb defaultColor;

    bool Animatable() const { return kind != ParamKind::Group && kind != ParamKind::Other; }
    // Sliders interpolate between keyframes; popups, checkboxes and colours hold.
    bool Interpolates() const
    {
        return kind == ParamKind::Float || kind == ParamKind::Percent || kind == ParamKind::Integer;
    }
};

class ParamCatalog {
public:
    ParamCatalog() = default;
    explicit ParamCatalog(const pwhost::ParamRegistry& registry);

    const std::vector<ParamInfo>& All() const { return params_; }
    const ParamInfo* ByIndex(int index) const;
    // Exact display name first, then the same name in any case.
    const ParamInfo* Find(const std::string& name) const;
    // Up to three settable names close to an unknown one, best first.
    std::vector<std::string> Suggest(const std::string& name) const;
    // "unknown parameter 'X'; did you mean 'Y'? (pulsewarper params lists them all)"
    std::string UnknownMessage(const std::string& name) const;

private:
    std::vector<ParamInfo> params_;
};

}  // namespace pwcli
