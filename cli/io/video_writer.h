// A video file, encoded by ffmpeg from raw frames through a pipe.
#pragma once

#include "io/frame_writer.h"

namespace pwcli {

bool IsVideoPath(const std::string& path);
std::string VideoExtensions();  // ".mp4 .mov ..." for messages

// The ffmpeg arguments that follow the raw input: codec, pixel format and quality by extension unless given.
std::vector<std::string> EncoderArgs(const OutputSpec& output, int width, int height, Depth depth);

std::unique_ptr<FrameWriter> OpenVideoWriter(const OutputSpec& output, int width, int height, const FrameRate& rate,
                                             Depth depth);

}  // namespace pwcli
