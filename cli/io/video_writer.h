// A video file, encoded by ffmpeg from raw frames through a pipe, with the input's audio carried along.
#pragma once

#include <optional>

#include "io/frame_writer.h"

namespace pwcli {

bool IsVideoPath(const std::string& path);
std::string VideoExtensions();  // ".mp4 .mov ..." for messages

// The input's sound for the rendered frames: its first audio stream over the rendered time.
struct AudioSource {
    std::string path;
    std::string codec;           // as ffprobe names it
    double start = 0;            // seconds into the input
    std::optional<double> span;  // seconds; to the end when absent
};

// How the audio goes into the container: stream copy where it fits, else the container's usual codec.
struct AudioPlan {
    bool copy = true;
    std::string encoder;  // when not copied
};
// Nothing for a container without sound (.gif).
std::optional<AudioPlan> PlanAudio(const std::string& outputPath, const std::string& codec);

// The ffmpeg arguments that follow the inputs: codec, pixel format and quality by extension unless given.
std::vector<std::string> EncoderArgs(const OutputSpec& output, int width, int height, Depth depth);

std::unique_ptr<FrameWriter> OpenVideoWriter(const OutputSpec& output, int width, int height, const FrameRate& rate,
                                             Depth depth, const std::optional<AudioSource>& audio);

}  // namespace pwcli
