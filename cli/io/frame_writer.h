// Where rendered frames go. Nothing is left half-written (io/safe_file.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "io/frame.h"
#include "project/frame_rate.h"
#include "project/project.h"

namespace pwcli {

class FrameWriter {
public:
    virtual ~FrameWriter() = default;
    // Sequences take frames from any thread in any order; a video takes them in order from one thread.
    virtual bool NeedsOrder() const = 0;
    // Throws CliError(kExitOutput) when the frame cannot be written.
    virtual void Write(int frame, const Frame& image) = 0;
    // Completes the output (a video is closed and renamed into place). Throws CliError(kExitOutput).
    virtual void Finish() = 0;
    // After an error or an interruption: removes whatever is incomplete; finished sequence files stay.
    virtual void Abandon() = 0;
    // What was written, for the closing message.
    virtual std::string Describe() const = 0;
};

enum class OutputKind { None, Sequence, Video, Null };

// Sequence for a path with a frame-number placeholder, video for a known video extension, Null for "null"
// (render and discard, for timing); throws
// CliError(kExitUsage) for anything else (with the reason).
OutputKind ClassifyOutput(const std::string& path);

// Takes frames and keeps nothing.
std::unique_ptr<FrameWriter> OpenNullWriter();

// Checks everything that can be checked before rendering (format, depth, options), throwing CliError(kExitUsage).
void CheckOutput(const OutputSpec& output, Depth depth);

}  // namespace pwcli
