// What the pre-render step hands the render step through the host: the settings, and how to give them back.
#pragma once

#include "ae_effect.h"
#include "schedule/render_settings.h"

namespace pw {

struct PreRenderData {
    RenderSettings settings;
    // The host's delete callback gets nothing but the handle, so the handle carries the host's own routines
    // for unlocking and disposing of it (no plug-in state may outlive a call).
    void(PF_CDECL* unlock)(PF_Handle);
    void(PF_CDECL* dispose)(PF_Handle);
};

// The pre-render output's delete callback: releases the record once the host is done with the request.
extern "C" void PF_CDECL DeletePreRenderData(void* preRenderData);

}  // namespace pw
