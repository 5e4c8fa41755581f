// Beats found in music, made into the effect's keyframes: the one way in for the renderer and the beats command.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "music/beat_grid.h"
#include "music/beat_keys.h"
#include "project/param_catalog.h"
#include "project/project.h"

namespace pwcli {

struct MusicBeats {
    std::string source;  // the file the music came from
    BeatGrid grid;       // with the user's edits
    BeatKeys keys;
    bool asBpm = false;
};

// `inputVideo` is the render's input video ("" when the input is none): "audio" means its sound. Throws CliError:
// kExitInput for music that cannot be read, kExitUsage for a request that cannot be met (no sound, silence, no
// beat).
MusicBeats FindMusicBeats(const BeatsSpec& spec, const std::string& inputVideo, const FrameRate& rate);

// Puts the keyframes into the parameters; returns a warning for each value of the project or command line they
// replace.
std::vector<std::string> ApplyMusicBeats(const MusicBeats& beats, std::map<int, Track>& params,
                                         const ParamCatalog& catalog);

// "58 beats from song.wav, 120.2 BPM, aubio's confidence 1.28, keyed as "Beat"".
std::string DescribeMusicBeats(const MusicBeats& beats);

}  // namespace pwcli
