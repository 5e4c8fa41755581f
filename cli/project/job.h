// A render job made concrete: the project with the command line's overrides, the footage opened, and every
// default settled (frame rate, depth, frame range, shard, file numbers, formats, sound), checked before anything
// is rendered or written.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/frame_reader.h"
#include "io/frame_writer.h"
#include "io/image_file.h"
#include "io/sequence_pattern.h"
#include "io/video_writer.h"
#include "music/music_beats.h"
#include "project/options.h"
#include "project/project.h"

namespace pwcli {

struct Job {
    Project project;            // with the overrides applied
    std::shared_ptr<FrameReader> reader;
    FrameRate rate;
    Depth depth = Depth::k8;
    FrameRange whole;           // the frames asked for
    FrameRange range;           // this shard's part of them
    OutputKind outputKind = OutputKind::None;
    int threads = 1;
    FrameFiles files;                   // a sequence output's files
    ImageWriteOptions imageOptions;     // its format options and windows
    std::optional<AudioSource> audio;   // the sound a video output carries
    std::optional<MusicBeats> music;    // the beats found in music, already in the project's parameters
    std::vector<std::string> warnings;  // said before rendering
};

// The project file (if any) with the options on top. Throws CliError (usage faults before input faults).
Project MergeProject(const Options& options, const ParamCatalog& catalog);

// Settles the job; opens the input. Throws CliError.
Job PlanJob(const Options& options, const ParamCatalog& catalog);

}  // namespace pwcli
