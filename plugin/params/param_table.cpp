#include "param_table.h"

namespace pw {
namespace {

using K = ParamKind;

constexpr const char* kManualAuto = "Manual|Auto";
constexpr const char* kBothOneWayReturn = "Both|One-way|Return";

constexpr ParamSpec Popup(ParamId id, const char* name, const char* choices, int dephault = 1)
{
    return {id, name, K::Popup, 0, 0, 0, 0, float(dephault), 0, choices, {}};
}
constexpr ParamSpec Float(ParamId id, const char* name, float vmin, float vmax, float smin, float smax, float dephault,
                          A_short precision = 2)
{
    return {id, name, K::FloatSlider, vmin, vmax, smin, smax, dephault, precision, nullptr, {}};
}
constexpr ParamSpec Percent(ParamId id, const char* name, float dephault = 0)
{
    return {id, name, K::Percent, 0, 100, 0, 100, dephault, 1, nullptr, {}};
}
constexpr ParamSpec Int(ParamId id, const char* name, float vmin, float vmax, float smin, float smax, float dephault)
{
    return {id, name, K::IntSlider, vmin, vmax, smin, smax, dephault, 0, nullptr, {}};
}
constexpr ParamSpec Check(ParamId id, const char* name) { return {id, name, K::Checkbox, 0, 0, 0, 0, 0, 0, nullptr, {}}; }
constexpr ParamSpec Colour(ParamId id, const char* name, A_u_char r, A_u_char g, A_u_char b)
{
    return {id, name, K::Colour, 0, 0, 0, 0, 0, 0, nullptr, {255, r, g, b}};
}
constexpr ParamSpec Group(ParamId id, const char* name) { return {id, name, K::GroupStart, 0, 0, 0, 0, 0, 0, nullptr, {}}; }
constexpr ParamSpec End(ParamId id) { return {id, "", K::GroupEnd, 0, 0, 0, 0, 0, 0, nullptr, {}}; }

constexpr ParamSpec kTable[kDeclaredParamCount] = {
    Popup(PARAM_MODE, "Mode", "BPM|Manual"),
    Float(PARAM_BPM, "BPM", 1, 1800, 1, 300, 180),
    Float(PARAM_BEAT, "Beat", 0, 50000, 0, 50, 0),
    Group(PARAM_MANUAL_AUTO_GROUP, "Manual/Auto"),
    Popup(PARAM_SCROLL_MANUAL_AUTO, "Scroll Manual/Auto", kManualAuto),
    Popup(PARAM_SLICE_MANUAL_AUTO, "Slice Manual/Auto", kManualAuto),
    Popup(PARAM_STRETCH_MANUAL_AUTO, "Stretch Manual/Auto", kManualAuto),
    Popup(PARAM_RGB_SEPARATION_MANUAL_AUTO, "RGB Separation Manual/Auto", kManualAuto),
    Popup(PARAM_COLOR_MANUAL_AUTO, "Color Manual/Auto", kManualAuto),
    Popup(PARAM_GLOW_MANUAL_AUTO, "Glow Manual/Auto", kManualAuto),
    Popup(PARAM_BLUR_MANUAL_AUTO, "Blur Manual/Auto", kManualAuto),
    Popup(PARAM_MOSAIC_MANUAL_AUTO, "Mosaic Manual/Auto", kManualAuto),
    Popup(PARAM_NOISE_MANUAL_AUTO, "Noise Manual/Auto", kManualAuto),
    Popup(PARAM_TIME_MANUAL_AUTO, "Time Manual/Auto", kManualAuto),
    End(PARAM_MANUAL_AUTO_GROUP_END),
    Group(PARAM_MANUAL_GROUP, "Manual"),
    Check(PARAM_SCROLL_MANUAL, "Scroll Manual"),
    Check(PARAM_SLICE_MANUAL, "Slice Manual"),
    Check(PARAM_STRETCH_MANUAL, "Stretch Manual"),
    Check(PARAM_RGB_SEPARATION_MANUAL, "RGB Separation Manual"),
    Check(PARAM_COLOR_MANUAL, "Color Manual"),
    Check(PARAM_GLOW_MANUAL, "Glow Manual"),
    Check(PARAM_BLUR_MANUAL, "Blur Manual"),
    Check(PARAM_MOSAIC_MANUAL, "Mosaic Manual"),
    Check(PARAM_NOISE_MANUAL, "Noise Manual"),
    Check(PARAM_TIME_MANUAL, "Time Manual"),
    End(PARAM_MANUAL_GROUP_END),
    Group(PARAM_AUTO_GROUP, "Auto"),
    Float(PARAM_SCROLL_PROBABILITY, "Scroll Probability", 0, 1, 0, 1, 0.333f),
    Float(PARAM_SLICE_PROBABILITY, "Slice Probability", 0, 1, 0, 1, 0.5f),
    Float(PARAM_STRETCH_PROBABILITY, "Stretch Probability", 0, 1, 0, 1, 0.3f),
    Float(PARAM_RGB_SEPARATION_PROBABILITY, "RGB Separation Probability", 0, 1, 0, 1, 0.5f),
    Float(PARAM_COLOR_PROBABILITY, "Color Probability", 0, 1, 0, 1, 0.5f),
    Float(PARAM_GLOW_PROBABILITY, "Glow Probability", 0, 1, 0, 1, 0.5f),
    Float(PARAM_BLUR_PROBABILITY, "Blur Probability", 0, 1, 0, 1, 0.25f),
    Float(PARAM_MOSAIC_PROBABILITY, "Mosaic Probability", 0, 1, 0, 1, 0.2f),
    Float(PARAM_NOISE_PROBABILITY, "Noise Probability", 0, 1, 0, 1, 0.5f),
    Float(PARAM_TIME_PROBABILITY, "Time Probability", 0, 1, 0, 1, 0.25f),
    End(PARAM_AUTO_GROUP_END),
    Group(PARAM_SCROLL_GROUP, "Scroll Parameters"),
    Popup(PARAM_SCROLL_MODE, "Scroll Mode", kBothOneWayReturn),
    Popup(PARAM_SCROLL_DIRECTION, "Scroll Direction", "Both|Up|Down"),
    Float(PARAM_MAX_SCROLL_LENGTH, "Max Scroll Length", 0, 10, 0, 2, 1.5f),
    Percent(PARAM_MIN_SCROLL_LENGTH, "Min Scroll Length"),
    End(PARAM_SCROLL_GROUP_END),
    Group(PARAM_SLICE_GROUP, "Slice Parameters"),
    Popup(PARAM_SLICE_MODE, "Slice Mode", kBothOneWayReturn),
    Popup(PARAM_SLICE_DIRECTION, "Slice Direction", "Both 1|Both 2|Left|Right"),
    Float(PARAM_MAX_SLICE_WIDTH, "Max Slice Width", 0.01f, 1, 0.01f, 1, 0.2f),
    Percent(PARAM_MIN_SLICE_WIDTH, "Min Slice Width"),
    Float(PARAM_MAX_SLICE_LENGTH, "Max Slice Length", 0, 10, 0, 2, 1),
    Percent(PARAM_MIN_SLICE_LENGTH, "Min Slice Length"),
    End(PARAM_SLICE_GROUP_END),
    Group(PARAM_STRETCH_GROUP, "Stretch Parameters"),
    Popup(PARAM_STRETCH_DIRECTION, "Stretch Direction", "Both|Left|Right"),
    Float(PARAM_MAX_STRETCH_LENGTH, "Max Stretch Length", 0, 1, 0, 1, 1),
    Percent(PARAM_MIN_STRETCH_LENGTH, "Min Stretch Length"),
    End(PARAM_STRETCH_GROUP_END),
    Group(PARAM_RGB_SEPARATION_GROUP, "RGB Separation Parameters"),
    Popup(PARAM_RGB_SEPARATION_MODE, "RGB Separation Mode", "Both|Three|Two"),
    Float(PARAM_MAX_RGB_SEPARATION_LENGTH, "Max RGB Separation Length", 0, 10, 0, 1, 0.05f),
    Percent(PARAM_MIN_RGB_SEPARATION_LENGTH, "Min RGB Separation Length"),
    Popup(PARAM_RGB_SEPARATION_COLOR, "RGB Separation Color", "Manual|Random"),
    Colour(PARAM_RGB_SEPARATION_COLOR_1, "RGB Separation Color 1", 255, 0, 0),
    Colour(PARAM_RGB_SEPARATION_COLOR_2, "RGB Separation Color 2", 0, 0, 255),
    End(PARAM_RGB_SEPARATION_GROUP_END),
    Group(PARAM_COLOR_GROUP, "Color Parameters"),
    Popup(PARAM_COLOR_BLEND_MODE, "Color Blend Mode", "Normal|(-|Add|Multiply|Screen|Overlay|Dodge|Burn", 5),
    Colour(PARAM_COLOR, "Color", 255, 255, 255),
    Colour(PARAM_COLOR_VARIANCE, "Color Variance", 255, 255, 255),
    Percent(PARAM_MAX_COLOR_OPACITY, "Max Color Opacity", 100),
    Percent(PARAM_MIN_COLOR_OPACITY, "Min Color Opacity", 100),
    End(PARAM_COLOR_GROUP_END),
    Group(PARAM_GLOW_GROUP, "Glow Parameters"),
    Int(PARAM_GLOW_THRESHOLD, "Glow Threshold", 0, 255, 0, 255, 150),
    Int(PARAM_GLOW_RADIUS, "Glow Radius", 0, 50, 1, 25, 10),
    Float(PARAM_MAX_GLOW_INTENSITY, "Max Glow Intensity", 0, 10, 0, 2, 0.5f),
    Percent(PARAM_MIN_GLOW_INTENSITY, "Min Glow Intensity"),
    End(PARAM_GLOW_GROUP_END),
    Group(PARAM_BLUR_GROUP, "Blur Parameters"),
    Popup(PARAM_BLUR_MODE, "Blur Mode", "Both|Horizontal|Vertical"),
    Int(PARAM_MAX_BLUR_RADIUS, "Max Blur Radius", 0, 250, 0, 50, 15),
    Percent(PARAM_MIN_BLUR_RADIUS, "Min Blur Radius"),
    End(PARAM_BLUR_GROUP_END),
    Group(PARAM_MOSAIC_GROUP, "Mosaic Parameters"),
    Float(PARAM_MAX_MOSAIC_SIZE, "Max Mosaic Size", 0.01f, 2, 0.01f, 1, 0.25f),
    Percent(PARAM_MIN_MOSAIC_SIZE, "Min Mosaic Size"),
    End(PARAM_MOSAIC_GROUP_END),
    Group(PARAM_NOISE_GROUP, "Noise Parameters"),
    Popup(PARAM_NOISE_MODE, "Noise Mode", "Both|White|Color"),
    Float(PARAM_MAX_NOISE_AMOUNT, "Max Noise Amount", 0, 1, 0, 1, 0.2f),
    Percent(PARAM_MIN_NOISE_AMOUNT, "Min Noise Amount"),
    End(PARAM_NOISE_GROUP_END),
    Group(PARAM_TIME_GROUP, "Time Parameters"),
    Popup(PARAM_TIME_MODE, "Time Mode", "Reverse|Stop|Shuffle"),
    End(PARAM_TIME_GROUP_END),
    Float(PARAM_ATTACK, "Attack", 0, 1, 0, 1, 0.25f),
    Float(PARAM_SUSTAIN, "Sustain", 0, 1, 0, 1, 0.5f),
    Float(PARAM_RELEASE, "Release", 0, 1, 0, 1, 0.25f),
    Percent(PARAM_REST, "Rest"),
    Float(PARAM_EASE, "Ease", 0, 20, 0, 10, 2, 1),  // ranges per flavour, see DeclaredParam
    Int(PARAM_SEED, "Seed", 0, 30000, 0, 200, 0),
};

constexpr bool TableIsInOrder()
{
    for (int i = 0; i < kDeclaredParamCount; ++i)
        if (kTable[i].id != i + 1) return false;
    return true;
}
static_assert(TableIsInOrder(), "declaration order is the params array order");

}  // namespace

ParamSpec DeclaredParam(const Flavour& flavour, int position)
{
    ParamSpec spec = kTable[position];
    if (spec.id == PARAM_EASE) {
        spec.validMax = flavour.easeValidMax;
        spec.sliderMax = flavour.easeSliderMax;
    }
    return spec;
}

int CountChoices(const char* choices)
{
    int count = 1;
    for (const char* c = choices; *c; ++c) count += (*c == '|');
    return count;
}

}  // namespace pw
