// The effect's parameters as the user and saved projects see them.
#pragma once

#include "ae_basic.h"
#include "shell/flavour.h"
#include "param_ids.h"

namespace pw {

enum class ParamKind { Popup, FloatSlider, Percent, IntSlider, Checkbox, Colour, GroupStart, GroupEnd };

struct ParamSpec {
    ParamId id;
    const char* name;  // "" for group ends
    ParamKind kind;
    // Sliders: ranges and default in the user's units (percent values in percent). Popups: default choice.
    float validMin, validMax, sliderMin, sliderMax, dephault;
    A_short precision;
    const char* choices;  // popups: "A|B|C"
    PF_Pixel colour;      // colours: alpha, red, green, blue
};

// The 102 declared parameters (PARAM_MODE .. PARAM_SEED) in declaration order, as the given flavour declares them.
constexpr int kDeclaredParamCount = PARAM_COUNT - 1;
ParamSpec DeclaredParam(const Flavour& flavour, int position);

// Number of choices in a "A|B|C" list.
int CountChoices(const char* choices);

}  // namespace pw
