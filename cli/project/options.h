// The command line: a command word, then options. Every value is checked where it is parsed, so a mistake is
// reported with the option's name before anything runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "io/frame.h"
#include "project/frame_range.h"
#include "project/frame_rate.h"

namespace pwcli {

enum class ProgressMode { Auto, Bar, Lines, None };

struct Options {
    std::string command;  // render, demo, params, about, help, version, farm, beats
    std::string source;   // beats SOURCE
    std::string plugin;
    std::string project;

    std::optional<std::string> input;
    std::optional<std::string> output;
    std::optional<FrameRange> frames;
    std::optional<Shard> shard;
    std::optional<FrameRate> fps;
    std::optional<Depth> depth;
    std::optional<int> width, height;  // --size, for a pattern input
    std::optional<int> length;         // --length, of a pattern input
    std::optional<int> downsample;
    std::vector<std::string> sets;  // NAME=VALUE, in order
    std::vector<std::string> keys;  // NAME@TIME=VALUE, in order
    std::optional<std::string> seed;

    int threads = 0;  // 0: the machine's cores
    bool resume = false;
    bool beats = false;

    std::optional<std::string> sheetPath;
    std::optional<int> sheetFrames, sheetColumns, sheetWidth;

    std::optional<std::string> codec, crf;
    std::vector<std::string> ffmpegArgs;
    std::optional<long long> startNumber;  // file number of frame 0 in a sequence output
    std::optional<std::string> exrType, exrCompression;
    bool noAudio = false;
    std::string trace;  // a file for the host's record of every call the plug-in makes
    bool check = false;  // the host as an examiner: padded, guarded worlds, every breach an error
    bool premiere = false;  // --host premiere: the host behaves as Premiere Pro does (no AEGP suites)

    // Beats found in music (override the project's beats_from and its edits).
    std::optional<std::string> beatsFrom;
    std::optional<bool> beatsAsBpm;
    std::optional<double> beatOffset;
    std::optional<int> beatsEvery;
    bool downbeatFirst = false;
    std::string beatsFormat = "text";  // beats: text, json, csv or params

    bool noSheet = false;       // --no-contact-sheet: none, whatever the project says
    std::string fromFrames;     // frames already rendered, as an image sequence: frame n is file fromStart + n
    std::optional<long long> fromStart;
    std::string report;         // "json": one line on standard output that says how the run ended

    // farm KIND PROJECT: the job cut into chunks for a scheduler.
    std::string farmKind;    // slurm
    int chunk = 0;           // frames a task (0: a tenth of the frames, at least 1)
    int cpusPerTask = 1;
    std::string partition;
    std::string farmDir;     // where the scripts, logs and intermediate frames go
    bool submit = false;

    std::vector<std::string> given;  // the options on the command line, by long name, in order

    ProgressMode progress = ProgressMode::Auto;
    bool json = false;  // params: machine-readable listing
    std::string outDir;  // demo: where to put the clip and the sheet
};

// Throws CliError(kExitUsage) naming the option and what it accepts.
Options ParseOptions(int argc, const char* const* argv, const std::string& defaultPlugin);

// The full --help text, exit codes included.
std::string UsageText(const std::string& defaultPlugin);

}  // namespace pwcli
