// The per-command facts the host puts into PF_InData, settable between commands.
#pragma once

#include "ae_effect.h"

namespace pwhost {

struct HostSettings {
    A_long applId = PF_APPL_ID_AFTER_EFFECTS;
    PF_SpecVersion version{13, 28};
    PF_Quality quality = 1;  // high
    // 30 frames per second: one frame is one time_scale unit.
    A_long currentTime = 0;
    A_long timeStep = 1;
    A_long localTimeStep = 1;
    A_long totalTime = 300;
    A_u_long timeScale = 30;
    A_long width = 1920;
    A_long height = 1080;
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
    PF_RationalScale pixelAspectRatio{1, 1};
    PF_Field field = 0;
    PF_Fixed shutterAngle = 0;
    PF_Fixed shutterPhase = 0;
    PF_InFlags inFlags = 0;
};

}  // namespace pwhost
