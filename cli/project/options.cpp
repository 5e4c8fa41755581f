#include "project/options.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "cli_error.h"
#include "io/image_file.h"
#include "project/project.h"

namespace pwcli {
namespace {

int ParseInt(const std::string& option, const std::string& text, int min, int max)
{
    char* end = nullptr;
    errno = 0;
    const long long v = text.empty() ? 0 : std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || !end || *end != '\0' || errno == ERANGE || v < min || v > max)
        UsageError(option + " '" + text + "': expected a whole number from " + std::to_string(min) + " to " +
                   std::to_string(max));
    return static_cast<int>(v);
}

}  // namespace

std::string UsageText(const std::string& defaultPlugin)
{
    std::string text = R"(usage: pulsewarper COMMAND [options]

Commands:
  render [PROJECT.json]  render frames of an input through the effect (options below override the project)
  demo                   render the built-in demo clip, every treatment on Auto, to a video and a contact sheet
  params [--json]        list every parameter the plug-in declares: kind, range, default, choices
  about                  show the plug-in's About text
  version                show the renderer's and the plug-in's versions (also --version)
  farm slurm PROJECT.json  write (and with --submit, submit) the render as a Slurm array job: a task a chunk of
                         frames, each resuming what a killed or requeued task left, then a task that joins a
                         video and writes the contact sheet
  beats SOURCE           find the beats of a song or a video's sound: beat times, local tempo and confidence
                         (--format text, json, csv for an editor's markers, or params: a project file the
                         renderer reads back; -o FILE writes it there)
  help                   show this text

Input and frames:
  -i, --input SPEC       a video file, an image sequence (shot.%04d.exr, shot.####.png), a still image, or
                         "pattern" / "pattern:WxH" (the host's moving test pattern)
      --size WxH         size of the pattern (default 640x360)
      --length N         duration of the pattern in frames (default: to the end of --frames, else 120)
      --frames A-B       frames to render, from 0 (default: the whole input)
      --shard I/N        render only the I-th of N equal, contiguous parts of the frames (1 <= I <= N); the N
                         shards together render every frame exactly once (a contact sheet of a shard
                         is named NAME-shardIofN.png)
      --fps RATE         30, 25, 29.97, 30000/1001 ... (default: the video's rate, else 30)
      --depth D          8, 16 or float (default: the input's depth)
      --downsample N     render at 1/N resolution, as a host's draft resolution does (1 to 64)

Parameters (by display name, as "pulsewarper params" lists them):
      --set NAME=VALUE   e.g. --set "BPM=128" --set "Slice Manual/Auto=Auto" --set "Color=#ff8000"
                         --set "Max Color Opacity=50" (percent); overrides the project
      --key NAME@T=VALUE keyframe at T frames (48) or seconds (2.5s), e.g. --key "BPM@0=120" --key "BPM@4s=140";
                         sliders are linear between keyframes, popups, checkboxes and colours hold
      --seed N           the same as --set Seed=N

Beats from the music (the effect follows the beats found; "Mode", "Beat" and "BPM" are set from them):
      --beats-from SRC   "audio" (the input video's own sound) or a sound file (WAV, FLAC, MP3, AAC, ...)
      --beats-as AS      beat (default: Manual mode, "Beat" keyed at every beat) or bpm ("BPM" keyed so the
                         tempo's integral lands on the beats; the worst miss is reported)
      --beat-offset S    move every beat by S seconds (-0.05 a little earlier)
      --beats-every N    every N-th beat only (2, 4: bars)
      --downbeat-first   the first beat found is beat 0 (otherwise beats count from time 0 at the tempo)

Output:
  -o, --output PATH      an image sequence (out.%04d.png, .tif, .exr) in the render's depth where the format
                         has it (PNG 8/16, TIFF 8/16/float, EXR float), or a video (.mp4 .mov .mkv .webm ...)
                         through ffmpeg; alpha is kept where the format has it; "null" renders and
                         discards (for timing)
      --codec NAME       ffmpeg video codec (default by extension: mp4 libx264, mov prores_ks 4444, mkv ffv1,
                         webm libvpx-vp9)
      --crf Q            ffmpeg quality (-crf)
      --ffmpeg-arg ARG   one more argument for the ffmpeg encoder (repeatable), e.g. --ffmpeg-arg=-preset
      --no-audio         leave out the input video's sound (by default it is carried into a video output as it
                         is, or in the container's usual codec where it does not fit)
      --start-number N   file number of frame 0 in a sequence output (default: the input sequence's own
                         numbers, so plate 1001-1100 renders to 1001-1100; else 0)
      --exr-type T       half or float (default float)
      --exr-compression C  zip (default), none, rle, zips, piz, pxr24, b44, b44a, dwaa or dwab
      --contact-sheet PNG  also write a contact sheet of a few frames with frame and beat numbers
      --sheet-frames N   frames on the sheet (default 12); --sheet-columns C (4); --sheet-width PX (240)
      --resume           skip frames of an image sequence that are complete and were rendered with these very
                         settings (the sequence's manifest, .NAME####.EXT.pulsewarper, records them)
      --beats            print per frame the beat, phase, envelope and the treatments that fire; render nothing
      --no-contact-sheet no contact sheet, whatever the project says
      --from-frames SEQ  take the frames from an image sequence rendered before instead of rendering them (frame
                         n is file N + n, --from-start N, by default numbered as a sequence output would be): joins
                         a farm's chunks into a video and writes the contact sheet
      --report json      end with one line on standard output, whatever happens: {"status": "ok" | "failed" |
                         "interrupted", "exit": CODE, "frames": [A, B], "rendered": N, "kept": N, "seconds": S,
                         "output": PATH, "message": TEXT}; for farm managers

Running:
  -j, --threads N        frames rendered at once, each by its own host and plug-in instance (default: cores)
      --progress MODE    auto (a bar on a terminal, lines otherwise), bar, lines or none
  -q, --quiet            the same as --progress none
      --trace FILE       write the host's record of every call the plug-in makes, one line each (slow)
      --check            run the host as the conformance suite does: padded rows, guard bytes around every
                         world, worlds filled with a pattern when not cleared; a plug-in that steps outside its
                         pixels stops the render (slower)
      --host APP         aftereffects (default) or premiere: the host as Premiere Pro hosts effects (no AEGP
                         suites, the sequence's timebase as the frame rate, each frame pre-rendered twice before
                         it renders), to check a look for an editor; the frames are the same
      --plugin PATH      the plug-in to load)";
    if (!defaultPlugin.empty()) text += " (default: " + defaultPlugin + ")";
    text += R"(
      --out DIR          demo: where to write (default: ./pulsewarper-demo)

Farm (farm slurm PROJECT.json):
      --chunk N          frames a task renders (default: a tenth of the frames)
      --cpus N           cores a task asks for and renders on (default 1)
      --partition P      the Slurm partition (default: the cluster's)
      --farm-dir DIR     scripts, logs and a video's intermediate frames (default: PROJECT.farm beside the project)
      --submit           submit the jobs with sbatch (otherwise write the scripts and say how to submit them)

Exit codes:
  0    success
  1    the render failed (the plug-in or the host reported an error)
  2    bad command line, project file or parameter value, or an output that would overwrite an input; nothing
       was written
  3    the input cannot be read (a missing file of a sequence, a frame too large)
  4    an output cannot be written (a full disk, a failing encoder, standard output lost); no incomplete file is
       left under its name
  130  interrupted (Ctrl-C): finished frames are kept; run again with --resume to finish
)";
    return text;
}

Options ParseOptions(int argc, const char* const* argv, const std::string& defaultPlugin)
{
    Options o;
    o.plugin = defaultPlugin;
    int i = 1;
    if (i < argc && argv[i][0] != '-') o.command = argv[i++];
    else if (i < argc && (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h")) o.command = "help";
    else if (i < argc && std::string(argv[i]) == "--version") o.command = "version";
    static const char* const kCommands[] = {"render", "demo", "params", "about", "help", "version", "farm", "beats"};
    if (o.command.empty()) o.command = argc > 1 ? "render" : "help";
    bool known = false;
    for (const char* c : kCommands) known = known || o.command == c;
    if (!known)
        UsageError("unknown command '" + o.command + "'; commands are render, demo, params, about, version, farm, beats and help");
    if (o.command == "farm") {
        if (i >= argc || argv[i][0] == '-') UsageError("farm needs a scheduler: pulsewarper farm slurm PROJECT.json");
        o.farmKind = argv[i++];
        if (o.farmKind != "slurm")
            UsageError("farm '" + o.farmKind + "': the scheduler this tool writes jobs for is slurm (other farm "
                       "managers call 'pulsewarper render' with --frames and --report json; see the README)");
    }

    using Handler = std::function<void(const std::string& option, const std::string& value)>;
    std::map<std::string, std::pair<bool, Handler>> table;  // name -> (takes a value, handler)
    auto value = [&](const char* name, Handler h) { table[name] = {true, std::move(h)}; };
    auto flag = [&](const char* name, std::function<void()> h) {
        table[name] = {false, [h](const std::string&, const std::string&) { h(); }};
    };
    std::string error;
    value("--input", [&](auto&, auto& v) { o.input = v; });
    value("--output", [&](auto&, auto& v) { o.output = v; });
    value("--frames", [&](auto& n, auto& v) {
        FrameRange r;
        if (!ParseFrameRange(v, r, error)) UsageError(n + ": " + error);
        o.frames = r;
    });
    value("--shard", [&](auto& n, auto& v) {
        Shard s;
        if (!ParseShard(v, s, error)) UsageError(n + ": " + error);
        o.shard = s;
    });
    value("--fps", [&](auto& n, auto& v) {
        FrameRate r;
        if (!ParseFrameRate(v, r, error)) UsageError(n + ": " + error);
        o.fps = r;
    });
    value("--depth", [&](auto& n, auto& v) {
        Depth d;
        if (!ParseDepth(v, d)) UsageError(n + " '" + v + "': expected 8, 16 or float");
        o.depth = d;
    });
    value("--size", [&](auto& n, auto& v) {
        InputSpec spec;
        if (!ParseInputText("pattern:" + v, spec, error))
            UsageError(n + " '" + v + "': expected WIDTHxHEIGHT, as 640x360 (1 to " + std::to_string(kMaxPatternSize) + ")");
        o.width = spec.width;
        o.height = spec.height;
    });
    value("--length", [&](auto& n, auto& v) { o.length = ParseInt(n, v, 1, 10000000); });
    value("--downsample", [&](auto& n, auto& v) { o.downsample = ParseInt(n, v, 1, kMaxDownsample); });
    value("--set", [&](auto&, auto& v) { o.sets.push_back(v); });
    value("--key", [&](auto&, auto& v) { o.keys.push_back(v); });
    value("--seed", [&](auto&, auto& v) { o.seed = v; });
    value("--threads", [&](auto& n, auto& v) { o.threads = ParseInt(n, v, 1, 256); });
    flag("--resume", [&] { o.resume = true; });
    flag("--beats", [&] { o.beats = true; });
    value("--contact-sheet", [&](auto&, auto& v) { o.sheetPath = v; });
    value("--sheet-frames", [&](auto& n, auto& v) { o.sheetFrames = ParseInt(n, v, 1, 400); });
    value("--sheet-columns", [&](auto& n, auto& v) { o.sheetColumns = ParseInt(n, v, 1, 40); });
    value("--sheet-width", [&](auto& n, auto& v) { o.sheetWidth = ParseInt(n, v, 16, 4096); });
    value("--codec", [&](auto&, auto& v) { o.codec = v; });
    value("--crf", [&](auto&, auto& v) { o.crf = v; });
    value("--ffmpeg-arg", [&](auto&, auto& v) { o.ffmpegArgs.push_back(v); });
    flag("--no-audio", [&] { o.noAudio = true; });
    value("--start-number", [&](auto& n, auto& v) { o.startNumber = ParseInt(n, v, 0, 999999999); });
    value("--exr-type", [&](auto& n, auto& v) {
        if (v != "half" && v != "float") UsageError(n + " '" + v + "': expected half or float");
        o.exrType = v;
    });
    value("--exr-compression", [&](auto& n, auto& v) {
        if (!IsExrCompression(v)) UsageError(n + " '" + v + "': expected one of " + ExrCompressionList());
        o.exrCompression = v;
    });
    value("--beats-from", [&](auto& n, auto& v) {
        if (v.empty()) UsageError(n + " needs \"audio\" (the input video's sound) or a sound file");
        o.beatsFrom = v;
    });
    value("--beats-as", [&](auto& n, auto& v) {
        bool bpm = false;
        if (!ParseBeatsAs(v, bpm)) UsageError(n + " '" + v + "': expected beat or bpm");
        o.beatsAsBpm = bpm;
    });
    value("--beat-offset", [&](auto& n, auto& v) {
        char* end = nullptr;
        errno = 0;
        const double s = std::strtod(v.c_str(), &end);
        if (v.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(s) || std::fabs(s) > kMostBeatOffset)
            UsageError(n + " '" + v + "': expected seconds from -3600 to 3600, as 0.12 or -0.05");
        o.beatOffset = s;
    });
    value("--beats-every", [&](auto& n, auto& v) { o.beatsEvery = ParseInt(n, v, 1, kMostBeatsEvery); });
    flag("--downbeat-first", [&] { o.downbeatFirst = true; });
    value("--format", [&](auto& n, auto& v) {
        if (v != "text" && v != "json" && v != "csv" && v != "params")
            UsageError(n + " '" + v + "': expected text, json, csv or params");
        o.beatsFormat = v;
    });
    value("--trace", [&](auto&, auto& v) { o.trace = v; });
    flag("--check", [&] { o.check = true; });
    flag("--no-contact-sheet", [&] { o.noSheet = true; });
    value("--from-frames", [&](auto& n, auto& v) {
        if (v.empty()) UsageError(n + " needs an image sequence, as frames/f.%06d.png");
        o.fromFrames = v;
    });
    value("--from-start", [&](auto& n, auto& v) { o.fromStart = ParseInt(n, v, 0, 999999999); });
    value("--report", [&](auto& n, auto& v) {
        if (v != "json") UsageError(n + " '" + v + "': expected json");
        o.report = v;
    });
    value("--chunk", [&](auto& n, auto& v) { o.chunk = ParseInt(n, v, 1, 10000000); });
    value("--cpus", [&](auto& n, auto& v) { o.cpusPerTask = ParseInt(n, v, 1, 256); });
    value("--partition", [&](auto& n, auto& v) {
        if (v.empty() || v.find_first_of(" \t\n'\"\\$`;") != std::string::npos)
            UsageError(n + " '" + v + "': expected a partition name");
        o.partition = v;
    });
    value("--farm-dir", [&](auto&, auto& v) { o.farmDir = v; });
    flag("--submit", [&] { o.submit = true; });
    value("--host", [&](auto& n, auto& v) {
        if (v != "aftereffects" && v != "premiere") UsageError(n + " '" + v + "': expected aftereffects or premiere");
        o.premiere = v == "premiere";
    });
    value("--progress", [&](auto& n, auto& v) {
        if (v == "auto") o.progress = ProgressMode::Auto;
        else if (v == "bar") o.progress = ProgressMode::Bar;
        else if (v == "lines") o.progress = ProgressMode::Lines;
        else if (v == "none") o.progress = ProgressMode::None;
        else UsageError(n + " '" + v + "': expected auto, bar, lines or none");
    });
    flag("--quiet", [&] { o.progress = ProgressMode::None; });
    value("--plugin", [&](auto&, auto& v) { o.plugin = v; });
    flag("--json", [&] { o.json = true; });
    value("--out", [&](auto&, auto& v) { o.outDir = v; });
    flag("--help", [&] { o.command = "help"; });
    flag("--version", [&] { o.command = "version"; });
    static const std::map<std::string, std::string> kShort = {
        {"-i", "--input"}, {"-o", "--output"}, {"-j", "--threads"}, {"-q", "--quiet"}, {"-h", "--help"}};

    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.empty() || arg[0] != '-' || arg == "-") {
            if ((o.command == "render" || o.command == "farm") && o.project.empty()) {
                o.project = arg;
                continue;
            }
            if (o.command != "beats" && std::find(o.given.begin(), o.given.end(), "--format") != o.given.end())
        UsageError("--format belongs to the beats command: pulsewarper beats SONG.wav --format csv");
    if (o.command == "beats" && o.source.empty()) {
                o.source = arg;
                continue;
            }
            UsageError("unexpected argument '" + arg + "' (see pulsewarper help)");
        }
        std::string inlineValue;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInline = true;
            }
        } else if (kShort.count(arg)) {
            arg = kShort.at(arg);
        }
        const auto it = table.find(arg);
        if (it == table.end()) UsageError("unknown option '" + arg + "' (see pulsewarper help)");
        o.given.push_back(arg);
        if (!it->second.first) {
            if (hasInline) UsageError(arg + " takes no value");
            it->second.second(arg, "");
            continue;
        }
        if (!hasInline) {
            if (i + 1 >= argc) UsageError(arg + " needs a value");
            inlineValue = argv[++i];
        }
        it->second.second(arg, inlineValue);
    }
    if (o.command != "beats" && std::find(o.given.begin(), o.given.end(), "--format") != o.given.end())
        UsageError("--format belongs to the beats command: pulsewarper beats SONG.wav --format csv");
    if (o.command == "beats" && o.source.empty())
        UsageError("beats needs the music: pulsewarper beats SONG.wav (or a video with sound)");
    if (o.command == "farm" && o.project.empty())
        UsageError("farm " + o.farmKind + " needs the project file of the job: pulsewarper farm slurm JOB.json");
    return o;
}

}  // namespace pwcli
