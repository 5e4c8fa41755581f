// The image operations behind the utility callbacks and the world, fill and sampling suites. Each works only on
// worlds the host allocated (it knows their format and true size from its table) and reports misuse as a
// violation with PF_Err_BAD_CALLBACK_PARAM.
//
// Rectangles are left, top, right, bottom with right and bottom exclusive; a null rectangle means the whole world.
// Copies and fills touch only the pixels of their rectangles that lie inside the worlds.
#pragma once

#include <string>

#include "ae_smart.h"
#include "host/state.h"

namespace pwhost {

std::string RectText(const PF_Rect* rect);

// A world the plug-in owns until it disposes of it; `op` names the operation in violations.
PF_Err NewPluginWorld(HostState& s, const char* op, A_long width, A_long height, PF_PixelFormat format, bool clear,
                      PF_EffectWorld* world);
PF_Err DisposePluginWorld(HostState& s, const char* op, PF_EffectWorld* world);

// Copies src_r of src to dst_r of dst. Both rectangles null: the whole of src to the top left of dst (the area
// both worlds share); one null: it takes the other's rectangle. The worlds must have one format and the
// rectangles one size (the host does not scale). The part that falls outside either world is not copied.
PF_Err CopyWorld(HostState& s, const PF_EffectWorld* src, const PF_EffectWorld* dst, const PF_Rect* src_r,
                 const PF_Rect* dst_r);

// Fills a rectangle with one colour. An 8-bit colour goes into a world of any format, converted as the host
// converts (Channel8To16, Channel8ToFloat); a 16-bit or float colour only into a world of its own depth.
PF_Err FillWorld(HostState& s, const char* op, const PF_Pixel* color, const PF_Rect* rect, const PF_EffectWorld* world);
PF_Err FillWorld(HostState& s, const char* op, const PF_Pixel16* color, const PF_Rect* rect,
                 const PF_EffectWorld* world);
PF_Err FillWorld(HostState& s, const char* op, const PF_PixelFloat* color, const PF_Rect* rect,
                 const PF_EffectWorld* world);

// Nearest-neighbour sampling of params->src at 16.16 fixed-point coordinates: pixel (i, j) covers [i, i + 1) x
// [j, j + 1), so the sample is the pixel at floor(x / 65536), floor(y / 65536), clamped into the world (a point
// outside reads the nearest edge pixel). The world must be of the sampler's depth.
PF_Err NnSample(HostState& s, const char* op, PF_Fixed x, PF_Fixed y, const PF_SampPB* params, PF_Pixel* dst);
PF_Err NnSample(HostState& s, const char* op, PF_Fixed x, PF_Fixed y, const PF_SampPB* params, PF_Pixel16* dst);
PF_Err NnSample(HostState& s, const char* op, PF_Fixed x, PF_Fixed y, const PF_SampPB* params, PF_PixelFloat* dst);

}  // namespace pwhost
