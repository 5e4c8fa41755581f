// The footage the effect is applied to, one frame at a time by frame number.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "io/frame.h"
#include "project/frame_rate.h"
#include "project/project.h"

namespace pwcli {

struct ClipInfo {
    int width = 0;
    int height = 0;
    Depth depth = Depth::k8;            // the footage's own depth
    int frameCount = 0;                 // frames 0 .. frameCount - 1 exist
    std::optional<FrameRate> fps;       // when the footage says
    std::string description;            // for messages: "clip.mov (1920x1080, 8-bit, 240 frames)"
};

class FrameReader {
public:
    virtual ~FrameReader() = default;
    virtual const ClipInfo& Info() const = 0;
    // Frame n (0 <= n < frameCount) at full size in `depth`. Safe to call from several threads at once.
    // Throws CliError(kExitInput) when the frame cannot be read.
    virtual Frame Read(int n, Depth depth) = 0;
};

// Opens the input; `rate` is the frame rate of the job (the pattern's motion follows it). A pattern is
// `length` frames long. Throws CliError(kExitInput) when the input cannot be opened.
std::unique_ptr<FrameReader> OpenReader(const InputSpec& input, const FrameRate& rate, int length);

std::string DescribeClip(const std::string& name, int width, int height, Depth depth, int frames);

}  // namespace pwcli
