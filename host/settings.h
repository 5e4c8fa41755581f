// The per-command facts the host puts into PF_InData and the smart-render records, settable between commands.
#pragma once

#include <optional>

#include "ae_smart.h"

namespace pwhost {

// The application whose hosting of effect plug-ins the host follows.
//
// Premiere Pro: in_data->appl_id is "PrMr" (applId is not used), the broker has no "AEGP ..." suite at all (its
// PF suites are all there), local_time_step is time_step, and the time values are the editor's own (SetTimebase:
// 30000/1001 for NTSC, 60000/1001 for NTSC fields, 25/1 for PAL; the ratio carries the time, not the scale).
// How an editor asks for frames is in host/editor_requests.h.
enum class HostApplication { AfterEffects, Premiere };

struct HostSettings {
    HostApplication application = HostApplication::AfterEffects;
    // appl_id in After Effects mode (another application's code here makes a host that is neither).
    A_long applId = PF_APPL_ID_AFTER_EFFECTS;
    PF_SpecVersion version{13, 28};
    PF_Quality quality = 1;  // high
    // 30 frames per second: one frame is one time_scale unit.
    A_long currentTime = 0;
    A_long timeStep = 1;
    A_long localTimeStep = 1;
    A_long totalTime = 300;  // the layer's duration; frames outside [0, totalTime) are transparent black
    A_u_long timeScale = 30;
    // The footage (the effect's input layer) at full resolution; in_data->width/height.
    A_long width = 1920;
    A_long height = 1080;
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
    PF_RationalScale pixelAspectRatio{1, 1};
    PF_Field field = 0;
    PF_Fixed shutterAngle = 0;
    PF_Fixed shutterPhase = 0;
    PF_InFlags inFlags = 0;

    // The composition that holds the layer ("AEGP Comp Suite" frame rate); 0 is allowed.
    double compFrameRate = 30.0;

    // Every world the host allocates is in this format (the render's depth), with this many unused pixels at the
    // end of each row, so a plug-in that steps rows by width instead of rowbytes shows.
    PF_PixelFormat pixelFormat = PF_PixelFormat_ARGB32;
    A_long rowPaddingPixels = 3;

    // Smart pre-render: the area asked of the effect (default: the whole downsampled frame), its channels, and
    // the rectangles the host passes in the pre-render output (default empty).
    std::optional<PF_LRect> requestRect;
    PF_ChannelMask channelMask = PF_ChannelMask_ARGB;
    PF_LRect outputResultRect{0, 0, 0, 0};
    PF_LRect outputMaxResultRect{0, 0, 0, 0};
    // What checkout_layer reports for the input (defaults: the frame clipped to the request; the whole frame).
    std::optional<PF_LRect> layerResultRect;
    std::optional<PF_LRect> layerMaxResultRect;

    // Smart render: the output world's shape, for the plug-in's "buffers do not fit" paths.
    A_long outputHeightDelta = 0;         // added to the input height
    std::optional<A_long> outputRowbytes;  // replaces the padded rowbytes (may be smaller than a row)
};

// One frame's time values: time_scale units per second and time_step units per frame.
struct Timebase {
    A_u_long scale;
    A_long step;
};
inline constexpr Timebase kNtscTimebase{30000, 1001};        // 29.97 frames per second
inline constexpr Timebase kNtscFieldsTimebase{60000, 1001};  // 59.94 fields per second
inline constexpr Timebase kPalTimebase{25, 1};

// Switches to another timebase keeping the current frame and the layer's length in frames.
void SetTimebase(HostSettings& s, Timebase timebase);

// What goes into in_data for the settings' application.
A_long ApplicationId(const HostSettings& s);
A_long LocalTimeStep(const HostSettings& s);
// Whether the application's broker has a suite of that name at all.
bool OffersSuite(const HostSettings& s, const char* name);

// The input layer's size at the current downsample factors: the footage size scaled and rounded up.
A_long FrameWidth(const HostSettings& s);
A_long FrameHeight(const HostSettings& s);

}  // namespace pwhost
