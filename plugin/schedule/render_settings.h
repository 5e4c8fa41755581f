// Every parameter value of one frame, carried in a host handle from pre-render to render.
#pragma once

#include <cstdint>

#include "ae_effect.h"
#include "params/param_ids.h"

namespace pw {

// Percent parameters are stored as fractions (100 % is 1.0); popups 1-based; checkboxes 0 or non-zero.
struct RenderSettings {
    double downsampleX;
    int32_t mode;
    double bpm;
    double beat;

    int32_t scrollManualAuto;
    double scrollProbability;
    int32_t scrollManual;
    int32_t scrollMode;
    int32_t scrollDirection;
    double maxScrollLength;
    double minScrollLength;

    int32_t sliceManualAuto;
    double sliceProbability;
    int32_t sliceManual;
    int32_t sliceMode;
    int32_t sliceDirection;
    double maxSliceWidth;
    double minSliceWidth;
    double maxSliceLength;
    double minSliceLength;

    int32_t stretchManualAuto;
    double stretchProbability;
    int32_t stretchManual;
    int32_t stretchDirection;
    double maxStretchLength;
    double minStretchLength;

    int32_t rgbSeparationManualAuto;
    double rgbSeparationProbability;
    int32_t rgbSeparationManual;
    int32_t rgbSeparationMode;
    double maxRgbSeparationLength;
    double minRgbSeparationLength;
    int32_t rgbSeparationColor;
    PF_Pixel8 rgbSeparationColor1;
    PF_Pixel8 rgbSeparationColor2;
    PF_Pixel8 rgbSeparationColor3;

    int32_t colorManualAuto;
    double colorProbability;
    int32_t colorManual;
    int32_t colorBlendMode;
    PF_Pixel8 color;
    PF_Pixel8 colorVariance;
    double maxColorOpacity;
    double minColorOpacity;

    int32_t glowManualAuto;
    double glowProbability;
    int32_t glowManual;
    int32_t glowThreshold;
    int32_t glowRadius;
    double maxGlowIntensity;
    double minGlowIntensity;

    int32_t blurManualAuto;
    double blurProbability;
    int32_t blurManual;
    int32_t blurMode;
    int32_t maxBlurRadius;
    double minBlurRadius;

    int32_t mosaicManualAuto;
    double mosaicProbability;
    int32_t mosaicManual;
    double maxMosaicSize;
    double minMosaicSize;

    int32_t noiseManualAuto;
    double noiseProbability;
    int32_t noiseManual;
    int32_t noiseMode;
    double maxNoiseAmount;
    double minNoiseAmount;

    int32_t timeManualAuto;
    double timeProbability;
    int32_t timeManual;
    int32_t timeMode;

    double attack;
    double sustain;
    double release;
    double rest;
    double ease;
    int32_t seed;
};

// The parameters that fill the record, in the order the pre-render step checks them out. Glow and Blur ask for
// their checkbox first and their Manual/Auto switch last.
constexpr int kSettingsParamCount = 76;
extern const ParamId kSettingsCheckoutOrder[kSettingsParamCount];

// Fraction of a 16.16 fixed-point percent value.
double PercentFraction(PF_Fixed value);

// A radius of at least 1 follows the downsampled frame but never drops to 0; 0 (off) stays 0.
int32_t ScaleRadius(int32_t radius, double downsampleX);

// Rebuilds the record from checked-out definitions indexed by parameter id (params[PARAM_COUNT]; only those of
// kSettingsCheckoutOrder are read) and the host's horizontal downsample factor: values, fractions, the derived
// third colour, the scaled radii.
void FillRenderSettings(const PF_ParamDef* params, PF_RationalScale downsampleX, RenderSettings& settings);

}  // namespace pw
