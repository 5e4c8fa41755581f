// A render job as a file: input, frames, frame rate, depth, parameters (constant or keyframed) and outputs.
//
//   {
//     "input":  "clip.mov" | "plates/shot.%04d.exr" | "pattern" | {"pattern": "640x360", "length": 120} | ...,
//     "frames": "0-95",  "fps": 30,  "depth": 16,  "downsample": 1,
//     "params": {"BPM": 128, "Slice Manual/Auto": "Auto",
//                "Beat": {"keyframes": [{"frame": 0, "value": 0}, {"seconds": 4, "value": 8}]}},
//     "output": "out/frame.%04d.png" | {"path": "out.mp4", "codec": "libx264", "crf": 18, "ffmpeg_args": [...],
//                "audio": false} | {"path": "out/f.####.exr", "start_number": 1001, "exr_type": "half",
//                "exr_compression": "piz"},
//     "contact_sheet": "sheet.png" | {"path": "sheet.png", "frames": 12, "columns": 4, "width": 240},
//     "beats_from": "audio" | "song.wav",  "beats_as": "beat" | "bpm",  "beat_offset": 0.1,  "beats_every": 4,
//     "downbeat_first": true
//   }
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "io/frame.h"
#include "project/frame_range.h"
#include "project/frame_rate.h"
#include "project/keyframes.h"
#include "project/param_catalog.h"

namespace pwcli {

struct InputSpec {
    enum class Kind { None, Pattern, Sequence, Still, Video };
    Kind kind = Kind::None;
    std::string path;                // file, or sequence pattern
    int width = 0, height = 0;       // pattern size (0: default)
    int length = 0;                  // pattern duration in frames (0: default)
    std::optional<long long> first;  // sequence: the file number shown at frame 0 (default: the lowest found)
};

// "pattern", "pattern:WxH", a sequence pattern (%04d, ####), an image file (a still) or a video file.
bool ParseInputText(const std::string& text, InputSpec& input, std::string& error);

struct OutputSpec {
    std::string path;  // sequence pattern or video file; empty: no frames written
    std::string codec;
    std::string crf;
    std::vector<std::string> ffmpegArgs;
    std::optional<long long> startNumber;  // file number of frame 0 (sequences)
    std::string exrType;                   // "half" or "float"; empty: float
    std::string exrCompression;            // empty: zip
    bool audio = true;                     // the input video's sound into a video output
};

struct SheetSpec {
    std::string path;  // empty: no contact sheet
    int frames = 12;
    int columns = 4;
    int width = 240;  // of one thumbnail, in pixels
};

// Beats found in music instead of a typed tempo.
struct BeatsSpec {
    std::string from;            // "audio" (the input video's sound) or a sound file; empty: none
    bool asBpm = false;          // keyed "BPM" instead of Manual mode's keyed "Beat"
    double offset = 0;           // seconds added to every beat
    int every = 1;               // every N-th beat: bars
    bool downbeatFirst = false;  // the first beat found is beat 0
};

// "audio" or a path; how a value of --beats-as, --beat-offset and --beats-every is checked.
bool ParseBeatsAs(const std::string& text, bool& asBpm);
constexpr double kMostBeatOffset = 3600;
constexpr int kMostBeatsEvery = 64;

struct Project {
    InputSpec input;
    std::optional<FrameRange> frames;
    std::optional<FrameRate> fps;
    std::optional<Depth> depth;
    int downsample = 1;
    std::map<int, Track> params;  // by parameter index
    OutputSpec output;
    SheetSpec sheet;
    BeatsSpec beats;
};

// Parses and checks a project text; relative paths are taken from `baseDir`. Every fault throws a CliError with
// exit code kExitUsage whose message starts with "<fileName>: line N, <key path>: ".
Project ParseProject(const std::string& text, const std::string& fileName, const std::string& baseDir,
                     const ParamCatalog& catalog);

// Reads and parses a project file.
Project LoadProject(const std::string& path, const ParamCatalog& catalog);

// Limits shared by the project file and the command line.
constexpr int kMaxDownsample = 64;
constexpr int kMaxPatternSize = 16384;

}  // namespace pwcli
