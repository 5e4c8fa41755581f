// The host's built-in footage: a moving test pattern in which every treatment of the effect shows.
//
// The frame is four horizontal bands (band b holds the rows y with y * 4 / height == b):
//   0  eight colour bars (white, yellow, cyan, green, magenta, red, blue, black) drifting right;
//   1  gradients: red across, green down the band, blue a diagonal ramp that moves;
//   2  "text": 5 x 7 glyph-like blocks of near-white on a dark ground in 6 x 8 cells, scrolling and changing twice
//      a second (high-contrast detail);
//   3  transparency: an alpha ramp that moves across, with 8 x 8 cells of zero alpha (their colour kept) and of
//      half alpha;
// and over all of it three bright white discs with a near-white halo that travel across the frame (for glow).
// Everything is integer arithmetic on the pixel position, the frame size and the time in whole milliseconds
// (floor(time * 1000 / scale)), so the pattern is the same in every build. The pattern is made in 8 bits and
// converted with the host's own conversion (Channel8To16, Channel8ToFloat), so the three depths agree exactly.
#pragma once

#include <cstdint>

#include "host/frame_source.h"
#include "host/worlds.h"

namespace pwhost {

// One 8-bit pixel of the pattern of a width x height frame at `ms` milliseconds.
PF_Pixel TestPatternPixel(A_long x, A_long y, A_long width, A_long height, int64_t ms);

// The pattern's milliseconds for a host time.
int64_t PatternMilliseconds(A_long time, A_u_long scale);

// The pattern of one frame as a tight image in any of the three formats.
Image TestPatternImage(A_long time, A_u_long scale, PF_PixelFormat format, A_long width, A_long height);

class TestPattern : public FrameSource {
public:
    PF_Err Render(A_long time, A_u_long scale, PF_PixelFormat format, const PF_EffectWorld& world) override;
};

}  // namespace pwhost
