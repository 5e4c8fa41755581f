// What every stage of one smart render shares: the host records, the running error, the frame and its buffers.
#pragma once

#include <cstdint>

#include "ae_suites.h"
#include "kernels/image_view.h"
#include "kernels/pixel_depth.h"
#include "schedule/beat_state.h"
#include "schedule/render_settings.h"
#include "shell/suite_cache.h"

namespace pw {

enum class Depth { Bits8, Bits16, Float };

struct RenderContext {
    const Flavour& flavour;
    PF_InData* in_data;
    PF_OutData* out_data;
    HostSuiteCache& suites;
    const PF_WorldSuite2* world2;
    const PF_FillMatteSuite2* fillMatte;

    RenderSettings& settings;
    BeatState& beat;

    Depth depth;
    PF_EffectWorld* input;
    PF_EffectWorld* output;
    PF_EffectWorld* working;
    int32_t width, height;               // the input's; the output is addressed with them too
    int32_t outputStride, workingStride;  // in pixels
    void* lineBuffer;                     // max(width, height) entries, when a stage needs it

    // Host calls run only while this is 0; the first failure is the render's result.
    PF_Err err;
    int32_t progressDone, progressTotal;

    PF_ProgPtr effect() const { return in_data->effect_ref; }

    template <typename Pixel>
    ImageView<Pixel> Output() const
    {
        return {static_cast<Pixel*>(output->data), width, height, outputStride};
    }
    template <typename Pixel>
    ImageView<Pixel> Working() const
    {
        return {static_cast<Pixel*>(working->data), width, height, workingStride};
    }

    // A stage's rows count toward progress; the host may cancel through its answer.
    void StageDone()
    {
        progressDone += height;
        if (!err) err = in_data->inter.progress(effect(), progressDone, progressTotal);
    }
};

// Runs f with the depth's traits (Depth8, Depth16 or DepthFloat) as its argument.
template <typename F>
void WithDepth(Depth depth, F&& f)
{
    switch (depth) {
    case Depth::Bits8: f(Depth8{}); break;
    case Depth::Bits16: f(Depth16{}); break;
    case Depth::Float: f(DepthFloat{}); break;
    }
}

// A value drawn between a Min (a fraction of the Max) and a Max parameter.
inline double DrawBetween(double max, double minFraction, double r) { return max * (1 - minFraction) * r + max * minFraction; }

}  // namespace pw
