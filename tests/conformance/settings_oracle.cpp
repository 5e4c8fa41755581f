#include "settings_oracle.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "params/param_ids.h"
#include "schedule/pre_render_data.h"

namespace pwtest {
namespace {

using pw::RenderSettings;

enum class Kind { Int, Double, Fraction, Colour, Radius };

struct Field {
    const char* name;
    std::size_t offset;
    Kind kind;
    int param;  // -1 for a field with no parameter of its own
};

#define PW_FIELD(member, kind, param) Field{#member, offsetof(RenderSettings, member), kind, param}

// Every field of the record, in its order, with the parameter it comes from.
const Field kFields[] = {
    PW_FIELD(downsampleX, Kind::Double, -1),
    PW_FIELD(mode, Kind::Int, pw::PARAM_MODE),
    PW_FIELD(bpm, Kind::Double, pw::PARAM_BPM),
    PW_FIELD(beat, Kind::Double, pw::PARAM_BEAT),
    PW_FIELD(scrollManualAuto, Kind::Int, pw::PARAM_SCROLL_MANUAL_AUTO),
    PW_FIELD(scrollProbability, Kind::Double, pw::PARAM_SCROLL_PROBABILITY),
    PW_FIELD(scrollManual, Kind::Int, pw::PARAM_SCROLL_MANUAL),
    PW_FIELD(scrollMode, Kind::Int, pw::PARAM_SCROLL_MODE),
    PW_FIELD(scrollDirection, Kind::Int, pw::PARAM_SCROLL_DIRECTION),
    PW_FIELD(maxScrollLength, Kind::Double, pw::PARAM_MAX_SCROLL_LENGTH),
    PW_FIELD(minScrollLength, Kind::Fraction, pw::PARAM_MIN_SCROLL_LENGTH),
    PW_FIELD(sliceManualAuto, Kind::Int, pw::PARAM_SLICE_MANUAL_AUTO),
    PW_FIELD(sliceProbability, Kind::Double, pw::PARAM_SLICE_PROBABILITY),
    PW_FIELD(sliceManual, Kind::Int, pw::PARAM_SLICE_MANUAL),
    PW_FIELD(sliceMode, Kind::Int, pw::PARAM_SLICE_MODE),
    PW_FIELD(sliceDirection, Kind::Int, pw::PARAM_SLICE_DIRECTION),
    PW_FIELD(maxSliceWidth, Kind::Double, pw::PARAM_MAX_SLICE_WIDTH),
    PW_FIELD(minSliceWidth, Kind::Fraction, pw::PARAM_MIN_SLICE_WIDTH),
    PW_FIELD(maxSliceLength, Kind::Double, pw::PARAM_MAX_SLICE_LENGTH),
    PW_FIELD(minSliceLength, Kind::Fraction, pw::PARAM_MIN_SLICE_LENGTH),
    PW_FIELD(stretchManualAuto, Kind::Int, pw::PARAM_STRETCH_MANUAL_AUTO),
    PW_FIELD(stretchProbability, Kind::Double, pw::PARAM_STRETCH_PROBABILITY),
    PW_FIELD(stretchManual, Kind::Int, pw::PARAM_STRETCH_MANUAL),
    PW_FIELD(stretchDirection, Kind::Int, pw::PARAM_STRETCH_DIRECTION),
    PW_FIELD(maxStretchLength, Kind::Double, pw::PARAM_MAX_STRETCH_LENGTH),
    PW_FIELD(minStretchLength, Kind::Fraction, pw::PARAM_MIN_STRETCH_LENGTH),
    PW_FIELD(rgbSeparationManualAuto, Kind::Int, pw::PARAM_RGB_SEPARATION_MANUAL_AUTO),
    PW_FIELD(rgbSeparationProbability, Kind::Double, pw::PARAM_RGB_SEPARATION_PROBABILITY),
    PW_FIELD(rgbSeparationManual, Kind::Int, pw::PARAM_RGB_SEPARATION_MANUAL),
    PW_FIELD(rgbSeparationMode, Kind::Int, pw::PARAM_RGB_SEPARATION_MODE),
    PW_FIELD(maxRgbSeparationLength, Kind::Double, pw::PARAM_MAX_RGB_SEPARATION_LENGTH),
    PW_FIELD(minRgbSeparationLength, Kind::Fraction, pw::PARAM_MIN_RGB_SEPARATION_LENGTH),
    PW_FIELD(rgbSeparationColor, Kind::Int, pw::PARAM_RGB_SEPARATION_COLOR),
    PW_FIELD(rgbSeparationColor1, Kind::Colour, -1),
    PW_FIELD(rgbSeparationColor2, Kind::Colour, -1),
    PW_FIELD(rgbSeparationColor3, Kind::Colour, -1),
    PW_FIELD(colorManualAuto, Kind::Int, pw::PARAM_COLOR_MANUAL_AUTO),
    PW_FIELD(colorProbability, Kind::Double, pw::PARAM_COLOR_PROBABILITY),
    PW_FIELD(colorManual, Kind::Int, pw::PARAM_COLOR_MANUAL),
    PW_FIELD(colorBlendMode, Kind::Int, pw::PARAM_COLOR_BLEND_MODE),
    PW_FIELD(color, Kind::Colour, pw::PARAM_COLOR),
    PW_FIELD(colorVariance, Kind::Colour, pw::PARAM_COLOR_VARIANCE),
    PW_FIELD(maxColorOpacity, Kind::Fraction, pw::PARAM_MAX_COLOR_OPACITY),
    PW_FIELD(minColorOpacity, Kind::Fraction, pw::PARAM_MIN_COLOR_OPACITY),
    PW_FIELD(glowManualAuto, Kind::Int, pw::PARAM_GLOW_MANUAL_AUTO),
    PW_FIELD(glowProbability, Kind::Double, pw::PARAM_GLOW_PROBABILITY),
    PW_FIELD(glowManual, Kind::Int, pw::PARAM_GLOW_MANUAL),
    PW_FIELD(glowThreshold, Kind::Int, pw::PARAM_GLOW_THRESHOLD),
    PW_FIELD(glowRadius, Kind::Radius, pw::PARAM_GLOW_RADIUS),
    PW_FIELD(maxGlowIntensity, Kind::Double, pw::PARAM_MAX_GLOW_INTENSITY),
    PW_FIELD(minGlowIntensity, Kind::Fraction, pw::PARAM_MIN_GLOW_INTENSITY),
    PW_FIELD(blurManualAuto, Kind::Int, pw::PARAM_BLUR_MANUAL_AUTO),
    PW_FIELD(blurProbability, Kind::Double, pw::PARAM_BLUR_PROBABILITY),
    PW_FIELD(blurManual, Kind::Int, pw::PARAM_BLUR_MANUAL),
    PW_FIELD(blurMode, Kind::Int, pw::PARAM_BLUR_MODE),
    PW_FIELD(maxBlurRadius, Kind::Radius, pw::PARAM_MAX_BLUR_RADIUS),
    PW_FIELD(minBlurRadius, Kind::Fraction, pw::PARAM_MIN_BLUR_RADIUS),
    PW_FIELD(mosaicManualAuto, Kind::Int, pw::PARAM_MOSAIC_MANUAL_AUTO),
    PW_FIELD(mosaicProbability, Kind::Double, pw::PARAM_MOSAIC_PROBABILITY),
    PW_FIELD(mosaicManual, Kind::Int, pw::PARAM_MOSAIC_MANUAL),
    PW_FIELD(maxMosaicSize, Kind::Double, pw::PARAM_MAX_MOSAIC_SIZE),
    PW_FIELD(minMosaicSize, Kind::Fraction, pw::PARAM_MIN_MOSAIC_SIZE),
    PW_FIELD(noiseManualAuto, Kind::Int, pw::PARAM_NOISE_MANUAL_AUTO),
    PW_FIELD(noiseProbability, Kind::Double, pw::PARAM_NOISE_PROBABILITY),
    PW_FIELD(noiseManual, Kind::Int, pw::PARAM_NOISE_MANUAL),
    PW_FIELD(noiseMode, Kind::Int, pw::PARAM_NOISE_MODE),
    PW_FIELD(maxNoiseAmount, Kind::Double, pw::PARAM_MAX_NOISE_AMOUNT),
    PW_FIELD(minNoiseAmount, Kind::Fraction, pw::PARAM_MIN_NOISE_AMOUNT),
    PW_FIELD(timeManualAuto, Kind::Int, pw::PARAM_TIME_MANUAL_AUTO),
    PW_FIELD(timeProbability, Kind::Double, pw::PARAM_TIME_PROBABILITY),
    PW_FIELD(timeManual, Kind::Int, pw::PARAM_TIME_MANUAL),
    PW_FIELD(timeMode, Kind::Int, pw::PARAM_TIME_MODE),
    PW_FIELD(attack, Kind::Double, pw::PARAM_ATTACK),
    PW_FIELD(sustain, Kind::Double, pw::PARAM_SUSTAIN),
    PW_FIELD(release, Kind::Double, pw::PARAM_RELEASE),
    PW_FIELD(rest, Kind::Fraction, pw::PARAM_REST),
    PW_FIELD(ease, Kind::Double, pw::PARAM_EASE),
    PW_FIELD(seed, Kind::Int, pw::PARAM_SEED),
};
#undef PW_FIELD
static_assert(sizeof kFields / sizeof kFields[0] == 78, "one entry per field of the record");

template <class T>
void Put(RenderSettings& s, std::size_t offset, const T& v)
{
    std::memcpy(reinterpret_cast<char*>(&s) + offset, &v, sizeof v);
}

template <class T>
T Get(const RenderSettings& s, std::size_t offset)
{
    T v;
    std::memcpy(&v, reinterpret_cast<const char*>(&s) + offset, sizeof v);
    return v;
}

// Red, green and blue of colours 1 and 2 scaled down so no sum passes 255; the third colour takes the rest.
void DeriveColours(PF_Pixel& c1, PF_Pixel& c2, PF_Pixel& c3)
{
    const int r = c1.red + c2.red, g = c1.green + c2.green, b = c1.blue + c2.blue;
    const int d = std::max(r, std::max(g, b));
    if (d > 255) {
        for (PF_Pixel* c : {&c1, &c2}) {
            c->red = static_cast<A_u_char>(c->red * 255 / d);
            c->green = static_cast<A_u_char>(c->green * 255 / d);
            c->blue = static_cast<A_u_char>(c->blue * 255 / d);
        }
    }
    c3.red = static_cast<A_u_char>(255 - c1.red - c2.red);
    c3.green = static_cast<A_u_char>(255 - c1.green - c2.green);
    c3.blue = static_cast<A_u_char>(255 - c1.blue - c2.blue);
    c1.alpha = c2.alpha = c3.alpha = 255;
}

std::string Text(const RenderSettings& s, const Field& f)
{
    switch (f.kind) {
    case Kind::Int:
    case Kind::Radius: return std::to_string(Get<int32_t>(s, f.offset));
    case Kind::Double:
    case Kind::Fraction: {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", Get<double>(s, f.offset));
        return text;
    }
    case Kind::Colour: {
        const auto c = Get<PF_Pixel>(s, f.offset);
        return std::to_string(c.alpha) + "," + std::to_string(c.red) + "," + std::to_string(c.green) + "," +
               std::to_string(c.blue);
    }
    }
    return {};
}

}  // namespace

RenderSettings ExpectedSettings(const pwhost::Host& host, PF_RationalScale downsampleX)
{
    RenderSettings s;
    std::memset(&s, 0, sizeof s);
    const double factor = static_cast<double>(downsampleX.num) / static_cast<double>(downsampleX.den);
    for (const Field& f : kFields) {
        if (f.param < 0) continue;
        const PF_ParamDef p = host.ParamNow(f.param);
        switch (f.kind) {
        case Kind::Int:
            Put(s, f.offset, p.param_type == PF_Param_POPUP      ? p.u.pd.value
                             : p.param_type == PF_Param_CHECKBOX ? p.u.bd.value
                                                                 : p.u.sd.value);
            break;
        case Kind::Double: Put(s, f.offset, p.u.fs_d.value); break;
        case Kind::Fraction: Put(s, f.offset, p.u.fd.value / 65536.0 * 0.01); break;
        case Kind::Colour: Put(s, f.offset, p.u.cd.value); break;
        case Kind::Radius: {
            int32_t r = p.u.sd.value;
            if (r >= 1) {
                r = static_cast<int32_t>(r * factor + 0.5);
                if (r == 0) r = 1;
            }
            Put(s, f.offset, r);
            break;
        }
        }
    }
    s.downsampleX = factor;
    s.rgbSeparationColor1 = host.ParamNow(pw::PARAM_RGB_SEPARATION_COLOR_1).u.cd.value;
    s.rgbSeparationColor2 = host.ParamNow(pw::PARAM_RGB_SEPARATION_COLOR_2).u.cd.value;
    DeriveColours(s.rgbSeparationColor1, s.rgbSeparationColor2, s.rgbSeparationColor3);
    return s;
}

std::vector<std::string> SettingsDifferences(const RenderSettings& got, const RenderSettings& want)
{
    std::vector<std::string> differences;
    for (const Field& f : kFields) {
        const std::string a = Text(got, f), b = Text(want, f);
        if (a != b) differences.push_back(std::string(f.name) + ": got " + a + ", want " + b);
    }
    return differences;
}

RenderSettings SettingsFromData(const std::vector<uint8_t>& data)
{
    static_assert(offsetof(pw::PreRenderData, settings) == 0, "the record opens the pre-render data");
    RenderSettings s;
    std::memset(&s, 0, sizeof s);
    std::memcpy(&s, data.data(), std::min(data.size(), sizeof s));
    return s;
}

}  // namespace pwtest
