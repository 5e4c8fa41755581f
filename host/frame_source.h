// Where the host's input layer comes from: one frame at a time, asked for by time, in the depth and size of the
// render. The host's built-in source is TestPattern (host/test_pattern.h); the command-line tool reads files.
//
// The host asks only for times inside the layer, 0 <= time / scale < total_time / time_scale. A time before the
// first frame or at or past the end is answered by the host itself with transparent black, as a real host shows
// nothing of a layer outside its duration.
#pragma once

#include "ae_effect.h"

namespace pwhost {

class FrameSource {
public:
    virtual ~FrameSource() = default;

    // Writes the frame shown at time / scale seconds into `world`, which the host allocated in `format`
    // (PF_PixelFormat_ARGB32, ARGB64 or ARGB128) at the size wanted, with rows `rowbytes` apart. Only the
    // width × height pixels may be written. A non-zero result fails the host operation that asked.
    virtual PF_Err Render(A_long time, A_u_long scale, PF_PixelFormat format, const PF_EffectWorld& world) = 0;

    // A host in production may take a frame the source already holds instead of a copy, as a real host hands over
    // its cached frames: the pixels of that frame (rows `rowbytes` apart), unchanged and valid until Return is
    // called with them. Null when the source holds no such frame; the host then asks Render.
    virtual const void* Lend(A_long /*time*/, A_u_long /*scale*/, PF_PixelFormat /*format*/, A_long /*width*/,
                             A_long /*height*/, A_long& /*rowbytes*/)
    {
        return nullptr;
    }
    virtual void Return(const void* /*pixels*/) {}
};

}  // namespace pwhost
