// Records the plug-in keeps in host handles between calls.
#pragma once

#include "ae_constants.h"
#include "version.h"

namespace pw {

struct PluginGlobalData {
    A_u_char initialized;
    AEGP_PluginID plugin_id;
};

struct SequenceStateRecord {
    PF_State state;
};
static_assert(sizeof(SequenceStateRecord) == 16, "the state token is 16 bytes");

// The registration resource is generated from the same macros, so the two cannot drift.
inline constexpr A_u_long kPluginVersion = PW_PLUGIN_VERSION;
inline constexpr PF_OutFlags kGlobalOutFlags = PW_GLOBAL_OUT_FLAGS;
inline constexpr PF_OutFlags2 kGlobalOutFlags2 = PW_GLOBAL_OUT_FLAGS2;
static_assert(kPluginVersion == PF_Version(1, 0, 0, PF_Stage_RELEASE, 1), "plug-in version");
static_assert(kGlobalOutFlags == (PF_OutFlag_NON_PARAM_VARY | PF_OutFlag_USE_OUTPUT_EXTENT |
                                  PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI),
              "capability flags");
static_assert(kGlobalOutFlags2 == (PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE),
              "second capability flags");

}  // namespace pw
