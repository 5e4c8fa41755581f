// The per-beat draws of the four treatments that move pixels. Depth-independent: they only decide numbers.
#pragma once

#include <cstdint>

#include "schedule/beat_state.h"
#include "schedule/render_settings.h"

namespace pw {

// Destination row y shows source row (y + scrollOffset) mod height; 0 .. height - 1.
int32_t DrawScrollOffset(const RenderSettings& settings, BeatState& beat, int32_t height);

struct StretchPlan {
    bool after;      // columns >= column read it; otherwise columns <= column do
    int32_t column;  // 0 .. width - 1
};
StretchPlan DrawStretch(const RenderSettings& settings, BeatState& beat, int32_t width);

// The three colour copies of RGB Separation: A with colour 1, B with the derived colour 3, C with colour 2.
struct RgbSeparationPlan {
    int32_t offsetA, offsetB, offsetC;
    PF_Pixel8 colourA, colourB, colourC;
};

struct SliceBand {
    int32_t top, height, shift;  // source column x lands in column (x + shift) mod width
};

// Slice and RGB Separation share one sequence of draws: the slice coin, the RGB Separation draws (which in
// Random colour mode rewrite the settings' colours), then the bands. Use only when either treatment is on.
class SliceAndSeparationDraws {
public:
    SliceAndSeparationDraws(RenderSettings& settings, BeatState& beat, int32_t width, int32_t height);
    // First: the slice coin. Then, with RGB Separation on, the caller clears the output and calls DrawSeparation.
    void DrawSliceCoin();
    RgbSeparationPlan DrawSeparation();
    // Next band from `top`; with Slice off a single band covering the frame, unshifted.
    SliceBand DrawBand(int32_t top);

private:
    RenderSettings& settings_;
    BeatState& beat_;
    int32_t width_, height_;
    bool sliceDirectionFlag_ = false;
};

// Easing of a drawn displacement v >= 0 over an extent L (height for Scroll, width for Slice).
int32_t EaseOneWay(int32_t v, int32_t extent, double strength);
int32_t EaseReturn(int32_t v, double strength);

// x mod n in 0 .. n - 1 for any sign of x.
inline int32_t Wrap(int64_t x, int32_t n)
{
    int64_t r = x % n;
    return static_cast<int32_t>(r < 0 ? r + n : r);
}

}  // namespace pw
