// Footage from a video file, decoded by ffmpeg into raw frames through a pipe.
#pragma once

#include <optional>

#include "io/frame_reader.h"

namespace pwcli {

struct VideoProbe {
    int width = 0, height = 0;
    Depth depth = Depth::k8;
    int frameCount = 0;
    std::optional<FrameRate> fps;
    std::string audioCodec;  // empty: no sound
};

// ffprobe's view of the first video stream; throws CliError(kExitInput) when there is none.
VideoProbe ProbeVideo(const std::string& path);

std::unique_ptr<FrameReader> OpenVideoReader(const std::string& path);

}  // namespace pwcli
