// Outputs that would destroy what the job reads or writes: an output file that is an input file (the footage is
// lost, and the Time treatment would read rendered frames back), a contact sheet that is a frame of the output or
// an input. Refused before anything renders.
#pragma once

#include <string>
#include <vector>

#include "io/sequence_pattern.h"
#include "project/frame_range.h"

namespace pwcli {

struct OutputPlan {
    std::vector<std::string> inputs;  // the files the input reads
    bool sequence = false;            // else a video (or nothing) at `path`
    FrameFiles files;                 // of a sequence output
    FrameRange frames;                // every frame the job writes (all shards)
    std::string path;                 // a video output; empty: none
    std::string sheet;                // empty: none
};

// Throws CliError(kExitUsage) naming the clash and what to change.
void CheckNoOverwrite(const OutputPlan& plan);

// The file as the system resolves it (folders and links), for comparing names; also for files not yet made.
std::string ResolvedPath(const std::string& path);

}  // namespace pwcli
