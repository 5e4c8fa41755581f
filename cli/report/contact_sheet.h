// A contact sheet: thumbnails of a few frames in a grid, each labelled with its frame and beat number, as one
// 8-bit PNG. Transparent parts show over a grey checkerboard.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "io/frame.h"
#include "project/frame_range.h"
#include "project/project.h"

namespace pwcli {

// `count` frames spread evenly over the range, first and last included; all of them when the range is shorter.
std::vector<int> SheetFrames(const FrameRange& range, int count);

class ContactSheet {
public:
    ContactSheet(const SheetSpec& spec, std::vector<int> frames);

    const std::vector<int>& Frames() const { return frames_; }
    bool Wants(int frame) const;
    // Keeps a thumbnail of the frame; safe from any thread.
    void Add(int frame, const Frame& image, const std::string& label);
    bool Has(int frame) const;
    // The sheet as an image (frames never added stay empty cells).
    Frame Compose() const;
    // Composes and writes it (temporary name, then renamed). Throws CliError(kExitOutput).
    void Write() const;

private:
    struct Cell {
        Frame thumb;
        std::string label;
    };
    SheetSpec spec_;
    std::vector<int> frames_;
    mutable std::mutex mutex_;
    std::map<int, Cell> cells_;
};

}  // namespace pwcli
