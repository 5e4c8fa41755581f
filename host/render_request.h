// One smart-render request as the host keeps it: the records its pre-render and render see, the layer checkouts
// the pre-render made, the pre-render data held between the two commands, and the render's images.
#pragma once

#include <vector>

#include "ae_smart.h"
#include "host/settings.h"

namespace pwhost {

// One checkout_layer call, as the plug-in made it.
struct LayerCheckoutRecord {
    PF_ParamIndex index;
    A_long checkoutId;
    PF_RenderRequest request;
    A_long time;
    A_long step;
    A_u_long scale;
};

struct RenderRequest {
    PF_PreRenderInput preInput{};
    PF_PreRenderOutput preOutput{};
    PF_PreRenderCallbacks preCallbacks{};
    PF_PreRenderExtra preExtra{};
    PF_SmartRenderInput renderInput{};
    PF_SmartRenderCallbacks renderCallbacks{};
    PF_SmartRenderExtra renderExtra{};
    std::vector<LayerCheckoutRecord> layerCheckouts;

    // Handed over by a pre-render; the host's until the delete callback has run on it, once.
    bool pending = false;
    void* data = nullptr;
    PF_DeletePreRenderDataFunc deleteData = nullptr;

    // The render's input and output, made when the plug-in first asks for them.
    bool hasInput = false;
    bool hasOutput = false;
    PF_EffectWorld input{};
    PF_EffectWorld output{};

    // Fresh records for a command, from the settings; the render passes on the pending pre-render data.
    void PreparePreRender(const HostSettings& s);
    void PrepareRender(const HostSettings& s);
    bool CheckedOut(A_long checkoutId) const;
};

// The request the host makes of the effect: the settings' rectangle or the whole downsampled frame.
PF_RenderRequest HostRequest(const HostSettings& s);
// The frame rectangle clipped to `rect`; all zero when nothing is left.
PF_LRect ClipToFrame(const HostSettings& s, const PF_LRect& rect);

// The smart-render callback tables (callbacks_smart.cpp).
PF_PreRenderCallbacks MakePreRenderCallbacks();
PF_SmartRenderCallbacks MakeSmartRenderCallbacks();

}  // namespace pwhost
