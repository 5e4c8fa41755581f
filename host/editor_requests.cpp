#include "host/editor_requests.h"

namespace pwhost {

EditorFrame RenderDraftThenFull(Host& host, A_long time, const DraftRequest& draft)
{
    HostSettings& s = host.Settings();
    const HostSettings full = s;
    s.downsampleX = s.downsampleY = draft.downsample;
    s.pixelFormat = draft.format;
    EditorFrame result;
    result.draft = host.RenderFrame(time);
    s.downsampleX = full.downsampleX;
    s.downsampleY = full.downsampleY;
    s.pixelFormat = full.pixelFormat;
    result.full = host.RenderFrame(time);
    return result;
}

TwicePreRendered RenderAfterTwoPreRenders(Host& host, A_long time)
{
    TwicePreRendered result;
    host.Settings().currentTime = time;
    result.first = host.SmartPreRender();
    if (result.first.command.err) {
        result.frame.preRender = result.first;
        return result;
    }
    result.frame = host.RenderFrame(time);
    return result;
}

}  // namespace pwhost
