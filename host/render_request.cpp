#include "host/render_request.h"

#include <algorithm>
#include <cstring>

#include "host/worlds.h"

namespace pwhost {

PF_RenderRequest HostRequest(const HostSettings& s)
{
    PF_RenderRequest request;
    std::memset(&request, 0, sizeof request);
    request.rect = s.requestRect.value_or(PF_LRect{0, 0, FrameWidth(s), FrameHeight(s)});
    request.field = s.field;
    request.channel_mask = s.channelMask;
    return request;
}

PF_LRect ClipToFrame(const HostSettings& s, const PF_LRect& rect)
{
    const PF_LRect clipped{std::max<A_long>(rect.left, 0), std::max<A_long>(rect.top, 0),
                           std::min(rect.right, FrameWidth(s)), std::min(rect.bottom, FrameHeight(s))};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return PF_LRect{0, 0, 0, 0};
    return clipped;
}

void RenderRequest::PreparePreRender(const HostSettings& s)
{
    layerCheckouts.clear();
    std::memset(&preInput, 0, sizeof preInput);
    preInput.output_request = HostRequest(s);
    preInput.bitdepth = BitDepth(s.pixelFormat);
    std::memset(&preOutput, 0, sizeof preOutput);
    preOutput.result_rect = s.outputResultRect;
    preOutput.max_result_rect = s.outputMaxResultRect;
    preCallbacks = MakePreRenderCallbacks();
    preExtra = PF_PreRenderExtra{&preInput, &preOutput, &preCallbacks};
}

void RenderRequest::PrepareRender(const HostSettings& s)
{
    if (!pending) layerCheckouts.clear();  // a render without a request of its own has nothing checked out
    std::memset(&renderInput, 0, sizeof renderInput);
    renderInput.output_request = HostRequest(s);
    renderInput.bitdepth = BitDepth(s.pixelFormat);
    renderInput.pre_render_data = pending ? data : nullptr;
    renderCallbacks = MakeSmartRenderCallbacks();
    renderExtra = PF_SmartRenderExtra{&renderInput, &renderCallbacks};
}

bool RenderRequest::CheckedOut(A_long checkoutId) const
{
    return std::any_of(layerCheckouts.begin(), layerCheckouts.end(),
                       [&](const LayerCheckoutRecord& r) { return r.checkoutId == checkoutId; });
}

}  // namespace pwhost
