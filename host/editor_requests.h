// How an editor (Premiere Pro's renderer, MediaCore) asks an effect for frames, on top of the host's single
// requests: while the user scrubs or plays, a fast draft of a frame and at once its full request; and a
// pre-render sent twice for one request before the render. Frames come in whatever order the user moves to.
#pragma once

#include "host/host.h"

namespace pwhost {

// The draft asked for first: downsampled, possibly in 8 bits.
struct DraftRequest {
    PF_RationalScale downsample{1, 2};
    PF_PixelFormat format = PF_PixelFormat_ARGB32;
};

struct EditorFrame {
    FrameResult draft;
    FrameResult full;
};

// The draft of the frame at `time`, then its full request at the settings' own size and depth, which the host
// keeps as they were.
EditorFrame RenderDraftThenFull(Host& host, A_long time, const DraftRequest& draft);

struct TwicePreRendered {
    PreRenderResult first;  // its data let go when the second pre-render replaces it
    FrameResult frame;      // the second pre-render and the render
};

// Pre-render, pre-render again for the same request, render. A failed first pre-render ends the request.
TwicePreRendered RenderAfterTwoPreRenders(Host& host, A_long time);

}  // namespace pwhost
