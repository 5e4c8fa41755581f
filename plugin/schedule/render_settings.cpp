#include "schedule/render_settings.h"

#include <cmath>

#include "kernels/real_to_int.h"
#include "schedule/third_color.h"

namespace pw {

const ParamId kSettingsCheckoutOrder[kSettingsParamCount] = {
    PARAM_MODE, PARAM_BPM, PARAM_BEAT,
    // Scroll
    PARAM_SCROLL_MANUAL_AUTO, PARAM_SCROLL_PROBABILITY, PARAM_SCROLL_MANUAL, PARAM_SCROLL_MODE, PARAM_SCROLL_DIRECTION,
    PARAM_MAX_SCROLL_LENGTH, PARAM_MIN_SCROLL_LENGTH,
    // Slice
    PARAM_SLICE_MANUAL_AUTO, PARAM_SLICE_PROBABILITY, PARAM_SLICE_MANUAL, PARAM_SLICE_MODE, PARAM_SLICE_DIRECTION,
    PARAM_MAX_SLICE_WIDTH, PARAM_MIN_SLICE_WIDTH, PARAM_MAX_SLICE_LENGTH, PARAM_MIN_SLICE_LENGTH,
    // Stretch
    PARAM_STRETCH_MANUAL_AUTO, PARAM_STRETCH_PROBABILITY, PARAM_STRETCH_MANUAL, PARAM_STRETCH_DIRECTION,
    PARAM_MAX_STRETCH_LENGTH, PARAM_MIN_STRETCH_LENGTH,
    // RGB Separation
    PARAM_RGB_SEPARATION_MANUAL_AUTO, PARAM_RGB_SEPARATION_PROBABILITY, PARAM_RGB_SEPARATION_MANUAL,
    PARAM_RGB_SEPARATION_MODE, PARAM_MAX_RGB_SEPARATION_LENGTH, PARAM_MIN_RGB_SEPARATION_LENGTH,
    PARAM_RGB_SEPARATION_COLOR, PARAM_RGB_SEPARATION_COLOR_1, PARAM_RGB_SEPARATION_COLOR_2,
    // Color
    PARAM_COLOR_MANUAL_AUTO, PARAM_COLOR_PROBABILITY, PARAM_COLOR_MANUAL, PARAM_COLOR_BLEND_MODE, PARAM_COLOR,
    PARAM_COLOR_VARIANCE, PARAM_MAX_COLOR_OPACITY, PARAM_MIN_COLOR_OPACITY,
    // Glow
    PARAM_GLOW_MANUAL, PARAM_GLOW_PROBABILITY, PARAM_GLOW_MANUAL_AUTO, PARAM_GLOW_THRESHOLD, PARAM_GLOW_RADIUS,
    PARAM_MAX_GLOW_INTENSITY, PARAM_MIN_GLOW_INTENSITY,
    // Blur
    PARAM_BLUR_MANUAL, PARAM_BLUR_PROBABILITY, PARAM_BLUR_MANUAL_AUTO, PARAM_BLUR_MODE, PARAM_MAX_BLUR_RADIUS,
    PARAM_MIN_BLUR_RADIUS,
    // Mosaic
    PARAM_MOSAIC_MANUAL_AUTO, PARAM_MOSAIC_PROBABILITY, PARAM_MOSAIC_MANUAL, PARAM_MAX_MOSAIC_SIZE,
    PARAM_MIN_MOSAIC_SIZE,
    // Noise
    PARAM_NOISE_MANUAL_AUTO, PARAM_NOISE_PROBABILITY, PARAM_NOISE_MANUAL, PARAM_NOISE_MODE, PARAM_MAX_NOISE_AMOUNT,
    PARAM_MIN_NOISE_AMOUNT,
    // Time
    PARAM_TIME_MANUAL_AUTO, PARAM_TIME_PROBABILITY, PARAM_TIME_MANUAL, PARAM_TIME_MODE,
    // Envelope and seed
    PARAM_ATTACK, PARAM_SUSTAIN, PARAM_RELEASE, PARAM_REST, PARAM_EASE, PARAM_SEED,
};

double PercentFraction(PF_Fixed value) { return value / 65536.0 * 0.01; }

int32_t ScaleRadius(int32_t radius, double downsampleX)
{
    if (radius < 1) return radius;
    const int32_t scaled = TruncToInt32(radius * downsampleX + 0.5);
    // Below 1 only when the factor is tiny or (from a faulty host) negative: the radius stays switched on.
    return scaled < 1 ? 1 : scaled;
}

void FillRenderSettings(const PF_ParamDef* params, PF_RationalScale downsampleX, RenderSettings& settings)
{
    auto popup = [params](ParamId id) { return params[id].u.pd.value; };
    auto checkbox = [params](ParamId id) { return params[id].u.bd.value; };
    auto integer = [params](ParamId id) { return params[id].u.sd.value; };
    auto colour = [params](ParamId id) { return params[id].u.cd.value; };
    auto real = [params](ParamId id) { return params[id].u.fs_d.value; };
    auto fraction = [params](ParamId id) { return PercentFraction(params[id].u.fd.value); };

    RenderSettings s{};
    s.downsampleX = static_cast<double>(downsampleX.num) / static_cast<double>(downsampleX.den);
    // A zero denominator is no downsampling we could honour; full size keeps the radii sane.
    if (!std::isfinite(s.downsampleX)) s.downsampleX = 1.0;
    s.mode = popup(PARAM_MODE);
    s.bpm = real(PARAM_BPM);
    s.beat = real(PARAM_BEAT);

    s.scrollManualAuto = popup(PARAM_SCROLL_MANUAL_AUTO);
    s.scrollProbability = real(PARAM_SCROLL_PROBABILITY);
    s.scrollManual = checkbox(PARAM_SCROLL_MANUAL);
    s.scrollMode = popup(PARAM_SCROLL_MODE);
    s.scrollDirection = popup(PARAM_SCROLL_DIRECTION);
    s.maxScrollLength = real(PARAM_MAX_SCROLL_LENGTH);
    s.minScrollLength = fraction(PARAM_MIN_SCROLL_LENGTH);

    s.sliceManualAuto = popup(PARAM_SLICE_MANUAL_AUTO);
    s.sliceProbability = real(PARAM_SLICE_PROBABILITY);
    s.sliceManual = checkbox(PARAM_SLICE_MANUAL);
    s.sliceMode = popup(PARAM_SLICE_MODE);
    s.sliceDirection = popup(PARAM_SLICE_DIRECTION);
    s.maxSliceWidth = real(PARAM_MAX_SLICE_WIDTH);
    s.minSliceWidth = fraction(PARAM_MIN_SLICE_WIDTH);
    s.maxSliceLength = real(PARAM_MAX_SLICE_LENGTH);
    s.minSliceLength = fraction(PARAM_MIN_SLICE_LENGTH);

    s.stretchManualAuto = popup(PARAM_STRETCH_MANUAL_AUTO);
    s.stretchProbability = real(PARAM_STRETCH_PROBABILITY);
    s.stretchManual = checkbox(PARAM_STRETCH_MANUAL);
    s.stretchDirection = popup(PARAM_STRETCH_DIRECTION);
    s.maxStretchLength = real(PARAM_MAX_STRETCH_LENGTH);
    s.minStretchLength = fraction(PARAM_MIN_STRETCH_LENGTH);

    s.rgbSeparationManualAuto = popup(PARAM_RGB_SEPARATION_MANUAL_AUTO);
    s.rgbSeparationProbability = real(PARAM_RGB_SEPARATION_PROBABILITY);
    s.rgbSeparationManual = checkbox(PARAM_RGB_SEPARATION_MANUAL);
    s.rgbSeparationMode = popup(PARAM_RGB_SEPARATION_MODE);
    s.maxRgbSeparationLength = real(PARAM_MAX_RGB_SEPARATION_LENGTH);
    s.minRgbSeparationLength = fraction(PARAM_MIN_RGB_SEPARATION_LENGTH);
    s.rgbSeparationColor = popup(PARAM_RGB_SEPARATION_COLOR);
    s.rgbSeparationColor1 = colour(PARAM_RGB_SEPARATION_COLOR_1);
    s.rgbSeparationColor2 = colour(PARAM_RGB_SEPARATION_COLOR_2);

    s.colorManualAuto = popup(PARAM_COLOR_MANUAL_AUTO);
    s.colorProbability = real(PARAM_COLOR_PROBABILITY);
    s.colorManual = checkbox(PARAM_COLOR_MANUAL);
    s.colorBlendMode = popup(PARAM_COLOR_BLEND_MODE);
    s.color = colour(PARAM_COLOR);
    s.colorVariance = colour(PARAM_COLOR_VARIANCE);
    s.maxColorOpacity = fraction(PARAM_MAX_COLOR_OPACITY);
    s.minColorOpacity = fraction(PARAM_MIN_COLOR_OPACITY);

    s.glowManualAuto = popup(PARAM_GLOW_MANUAL_AUTO);
    s.glowProbability = real(PARAM_GLOW_PROBABILITY);
    s.glowManual = checkbox(PARAM_GLOW_MANUAL);
    s.glowThreshold = integer(PARAM_GLOW_THRESHOLD);
    s.glowRadius = integer(PARAM_GLOW_RADIUS);
    s.maxGlowIntensity = real(PARAM_MAX_GLOW_INTENSITY);
    s.minGlowIntensity = fraction(PARAM_MIN_GLOW_INTENSITY);

    s.blurManualAuto = popup(PARAM_BLUR_MANUAL_AUTO);
    s.blurProbability = real(PARAM_BLUR_PROBABILITY);
    s.blurManual = checkbox(PARAM_BLUR_MANUAL);
    s.blurMode = popup(PARAM_BLUR_MODE);
    s.maxBlurRadius = integer(PARAM_MAX_BLUR_RADIUS);
    s.minBlurRadius = fraction(PARAM_MIN_BLUR_RADIUS);

    s.mosaicManualAuto = popup(PARAM_MOSAIC_MANUAL_AUTO);
    s.mosaicProbability = real(PARAM_MOSAIC_PROBABILITY);
    s.mosaicManual = checkbox(PARAM_MOSAIC_MANUAL);
    s.maxMosaicSize = real(PARAM_MAX_MOSAIC_SIZE);
    s.minMosaicSize = fraction(PARAM_MIN_MOSAIC_SIZE);

    s.noiseManualAuto = popup(PARAM_NOISE_MANUAL_AUTO);
    s.noiseProbability = real(PARAM_NOISE_PROBABILITY);
    s.noiseManual = checkbox(PARAM_NOISE_MANUAL);
    s.noiseMode = popup(PARAM_NOISE_MODE);
    s.maxNoiseAmount = real(PARAM_MAX_NOISE_AMOUNT);
    s.minNoiseAmount = fraction(PARAM_MIN_NOISE_AMOUNT);

    s.timeManualAuto = popup(PARAM_TIME_MANUAL_AUTO);
    s.timeProbability = real(PARAM_TIME_PROBABILITY);
    s.timeManual = checkbox(PARAM_TIME_MANUAL);
    s.timeMode = popup(PARAM_TIME_MODE);

    s.attack = real(PARAM_ATTACK);
    s.sustain = real(PARAM_SUSTAIN);
    s.release = real(PARAM_RELEASE);
    s.rest = fraction(PARAM_REST);
    s.ease = real(PARAM_EASE);
    s.seed = integer(PARAM_SEED);

    DeriveThirdColor(s.rgbSeparationColor1, s.rgbSeparationColor2, s.rgbSeparationColor3);
    s.glowRadius = ScaleRadius(s.glowRadius, s.downsampleX);
    s.maxBlurRadius = ScaleRadius(s.maxBlurRadius, s.downsampleX);
    settings = s;
}

}  // namespace pw
