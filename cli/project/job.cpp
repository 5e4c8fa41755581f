#include "project/job.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <thread>

#include "cli_error.h"
#include "io/image_file.h"
#include "io/path_names.h"
#include "project/output_conflicts.h"
#include "project/param_assignment.h"
#include "project/treatment_check.h"

namespace pwcli {
namespace {

constexpr int kDefaultPatternLength = 120;

bool IsImagePath(const std::string& path)
{
    Depth d;
    std::string error;
    return FileDepthFor(path, Depth::k8, d, error);
}

// A window at 1/factor of the resolution, as the host reduces the layer: sides rounded up.
PixelRect Reduced(const PixelRect& r, int factor)
{
    if (factor <= 1) return r;
    auto down = [&](int v) { return static_cast<int>(std::floor(static_cast<double>(v) / factor)); };
    auto up = [&](int v) { return (v + factor - 1) / factor; };
    return PixelRect{down(r.x), down(r.y), up(r.width), up(r.height)};
}

// The sequence's frames a job needs that have no file, as file numbers.
std::vector<long long> MissingWithin(const ClipInfo& clip, const FrameRange& frames)
{
    std::vector<long long> missing;
    if (!clip.firstNumber) return missing;
    for (long long n : clip.missing) {
        const long long frame = n - *clip.firstNumber;
        if (frame >= frames.first && frame <= frames.last) missing.push_back(n);
    }
    return missing;
}

}  // namespace

Project MergeProject(const Options& o, const ParamCatalog& catalog)
{
    Project p = o.project.empty() ? Project{} : LoadProject(o.project, catalog);
    std::string error;
    if (o.input && !ParseInputText(*o.input, p.input, error)) UsageError("--input: " + error);
    if (o.width) {
        if (p.input.kind != InputSpec::Kind::Pattern) UsageError("--size applies to a pattern input only");
        p.input.width = *o.width;
        p.input.height = *o.height;
    }
    if (o.length) {
        if (p.input.kind != InputSpec::Kind::Pattern && p.input.kind != InputSpec::Kind::Still)
            UsageError("--length applies to a pattern or still input only");
        p.input.length = *o.length;
    }
    if (o.frames) p.frames = o.frames;
    if (o.fps) p.fps = o.fps;
    if (o.depth) p.depth = o.depth;
    if (o.downsample) p.downsample = *o.downsample;
    for (const std::string& s : o.sets) ApplySet(p, catalog, s);
    std::set<int> keyed;
    for (const std::string& k : o.keys) ApplyKey(p, catalog, k, keyed);
    if (o.seed) ApplySet(p, catalog, "Seed=" + *o.seed);
    if (o.output) {
        // The project's encoder settings were chosen for its own container; another one gets its defaults.
        if (Extension(*o.output) != Extension(p.output.path)) {
            p.output.codec.clear();
            p.output.crf.clear();
            p.output.ffmpegArgs.clear();
        }
        p.output.path = *o.output;
    }
    if (o.codec) p.output.codec = *o.codec;
    if (o.crf) p.output.crf = *o.crf;
    p.output.ffmpegArgs.insert(p.output.ffmpegArgs.end(), o.ffmpegArgs.begin(), o.ffmpegArgs.end());
    if (o.startNumber) p.output.startNumber = *o.startNumber;
    if (o.exrType) p.output.exrType = *o.exrType;
    if (o.exrCompression) p.output.exrCompression = *o.exrCompression;
    if (o.noAudio) p.output.audio = false;
    if (o.sheetPath) p.sheet.path = *o.sheetPath;
    if (o.noSheet) p.sheet.path.clear();
    if (o.sheetFrames) p.sheet.frames = *o.sheetFrames;
    if (o.sheetColumns) p.sheet.columns = *o.sheetColumns;
    if (o.sheetWidth) p.sheet.width = *o.sheetWidth;
    if (o.beatsFrom) p.beats.from = *o.beatsFrom;
    if (o.beatsAsBpm) p.beats.asBpm = *o.beatsAsBpm;
    if (o.beatOffset) p.beats.offset = *o.beatOffset;
    if (o.beatsEvery) p.beats.every = *o.beatsEvery;
    if (o.downbeatFirst) p.beats.downbeatFirst = true;
    if (p.beats.from.empty() && (o.beatsAsBpm || o.beatOffset || o.beatsEvery || o.downbeatFirst))
        UsageError("--beats-as, --beat-offset, --beats-every and --downbeat-first need --beats-from (audio or a "
                   "sound file)");
    return p;
}

Job PlanJob(const Options& o, const ParamCatalog& catalog)
{
    Job job;
    job.project = MergeProject(o, catalog);
    Project& p = job.project;

    // Everything that needs no input first, so that a usage fault is reported as one.
    if (p.input.kind == InputSpec::Kind::None)
        UsageError("no input: give --input (a video, an image sequence, a still or \"pattern\") or a project");
    job.outputKind = ClassifyOutput(p.output.path);
    if (!o.beats && job.outputKind == OutputKind::None && p.sheet.path.empty())
        UsageError("nothing to write: give --output and/or --contact-sheet (or --beats to print the beat table)");
    if (!p.sheet.path.empty() && !IsImagePath(p.sheet.path))
        UsageError("--contact-sheet '" + p.sheet.path + "': give a .png (or .tif, .jpg) file name");
    if (o.resume && job.outputKind != OutputKind::Sequence)
        UsageError("--resume needs an image-sequence output: a video cannot be continued");
    if (o.shard && job.outputKind == OutputKind::Video)
        UsageError("--shard needs an image-sequence output: each shard writes its own frames of the sequence");
    if (job.outputKind != OutputKind::Sequence && p.output.startNumber)
        UsageError("--start-number applies to an image-sequence output");
    const bool exr = Extension(p.output.path) == "exr";
    if (!exr && (!p.output.exrType.empty() || !p.output.exrCompression.empty()))
        UsageError("--exr-type and --exr-compression apply to an .exr sequence output");

    const bool timeless = p.input.kind == InputSpec::Kind::Pattern || p.input.kind == InputSpec::Kind::Still;
    int length = p.input.length;
    if (timeless && !length) length = p.frames ? p.frames->last + 1 : kDefaultPatternLength;
    // Only a video has a rate of its own; the pattern moves with the job's rate, which is then given or 30.
    job.reader = OpenReader(p.input, p.fps.value_or(FrameRate{}), length);
    const ClipInfo& clip = job.reader->Info();
    job.rate = p.fps ? *p.fps : clip.fps.value_or(FrameRate{});

    job.depth = p.depth.value_or(clip.depth);
    if (job.outputKind != OutputKind::None) CheckOutput(p.output, job.depth);

    job.whole = p.frames.value_or(FrameRange{0, clip.frameCount - 1});
    if (job.whole.last >= clip.frameCount)
        UsageError("--frames " + std::to_string(job.whole.first) + "-" + std::to_string(job.whole.last) +
                   ": the input has " + std::to_string(clip.frameCount) + " frames (0 to " +
                   std::to_string(clip.frameCount - 1) + ")");
    if (FrameToUnits(job.rate, static_cast<double>(clip.frameCount)) > INT32_MAX)
        UsageError("the input is longer than the host can express at " + FormatFrameRate(job.rate) + " fps");
    const std::vector<long long> missing = MissingWithin(clip, job.whole);
    if (!missing.empty())
        throw CliError(kExitInput, "the input sequence " + p.input.path + " has no file" +
                                       (missing.size() == 1 ? " " : "s ") + NumberRuns(missing) +
                                       "; render frames without them (--frames) or fill the gap");
    job.range = o.shard ? ShardOf(job.whole, *o.shard) : job.whole;
    // Each shard's sheet shows its own frames, under its own name, so that shards never write one file.
    if (o.shard && !p.sheet.path.empty()) {
        const auto dot = p.sheet.path.find_last_of('.');
        const std::string tag = "-shard" + std::to_string(o.shard->index) + "of" + std::to_string(o.shard->count);
        p.sheet.path.insert(dot == std::string::npos ? p.sheet.path.size() : dot, tag);
    }

    if (job.outputKind == OutputKind::Sequence) {
        ParseSequencePattern(p.output.path, job.files.pattern);
        // A plate numbered from 1001 renders to files numbered from 1001.
        job.files.startNumber = p.output.startNumber.value_or(clip.firstNumber.value_or(0));
        job.imageOptions.exrType = p.output.exrType == "half" ? ExrType::Half : ExrType::Float;
        if (!p.output.exrCompression.empty()) job.imageOptions.exrCompression = p.output.exrCompression;
        if (clip.windowed) {
            const PixelRect display = Reduced(clip.display, p.downsample);
            PixelRect canvas = Reduced(clip.canvas, p.downsample);
            job.imageOptions.display = display;
            job.imageOptions.canvas = canvas;
            if (!exr)
                job.warnings.push_back("the input's data windows do not fit ." + Extension(p.output.path) +
                                       " files: each frame is written as its display window; write .exr to keep "
                                       "them");
        }
    }
    OutputPlan plan;
    plan.inputs = job.reader->Files();
    plan.sequence = job.outputKind == OutputKind::Sequence;
    plan.files = job.files;
    plan.frames = job.whole;
    if (job.outputKind == OutputKind::Video) plan.path = p.output.path;
    plan.sheet = p.sheet.path;
    CheckNoOverwrite(plan);

    if (job.outputKind == OutputKind::Video && p.output.audio && !clip.audioCodec.empty()) {
        AudioSource audio;
        audio.path = p.input.path;
        audio.codec = clip.audioCodec;
        audio.start = static_cast<double>(job.range.first) / job.rate.Fps();
        if (job.range.first > 0 || job.range.last < clip.frameCount - 1)
            audio.span = static_cast<double>(job.range.Count()) / job.rate.Fps();
        const std::optional<AudioPlan> sound = PlanAudio(p.output.path, audio.codec);
        if (!sound)
            job.warnings.push_back("." + Extension(p.output.path) + " holds no sound: the input's audio is left out");
        else if (!sound->copy)
            job.warnings.push_back("the input's audio (" + audio.codec + ") does not fit ." + Extension(p.output.path) +
                                   " as it is: it is encoded with " + sound->encoder);
        if (sound) job.audio = audio;
    }
    if (const auto warning = NoTreatmentWarning(p, catalog)) job.warnings.push_back(*warning);
    if (!p.beats.from.empty()) {
        if (p.beats.from == "audio" && p.input.kind == InputSpec::Kind::Video && clip.audioCodec.empty())
            UsageError(p.input.path + " has no audio track to find beats in; give the music as a file "
                       "(--beats-from song.wav)");
        job.music = FindMusicBeats(p.beats, p.input.kind == InputSpec::Kind::Video ? p.input.path : "", job.rate);
        for (const std::string& w : ApplyMusicBeats(*job.music, p.params, catalog)) job.warnings.push_back(w);
    }

    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    job.threads = std::max(1, std::min(o.threads ? o.threads : cores, std::max(job.range.Count(), 1)));
    // Threads ask for frames a little out of order, the Time treatment within a beat.
    job.reader->Prepare(job.depth, TimeReach(p, catalog, job.rate) + job.threads);
    return job;
}

}  // namespace pwcli
