// Records the plug-in keeps in host handles between calls.
#pragma once

#include "ae_constants.h"

namespace pw {

struct PluginGlobalData {
    A_u_char initialized;
    AEGP_PluginID plugin_id;
};

struct SequenceStateRecord {
    PF_State state;
};
static_assert(sizeof(SequenceStateRecord) == 16, "the state token is 16 bytes");

// Version 1.0, release, build 1: the registration record carries the same numbers.
inline constexpr A_u_long kPluginVersion = 525825;
inline constexpr PF_OutFlags kGlobalOutFlags = PF_OutFlag_NON_PARAM_VARY | PF_OutFlag_USE_OUTPUT_EXTENT |
                                               PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
inline constexpr PF_OutFlags2 kGlobalOutFlags2 = PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
static_assert(kGlobalOutFlags == 0x06000044 && kGlobalOutFlags2 == 0x00001400, "capability flags");

}  // namespace pw
