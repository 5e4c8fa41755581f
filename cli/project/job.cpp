#include "project/job.h"

#include <algorithm>
#include <set>
#include <thread>

#include "cli_error.h"
#include "io/image_file.h"
#include "project/param_assignment.h"

namespace pwcli {
namespace {

constexpr int kDefaultPatternLength = 120;

bool IsImagePath(const std::string& path)
{
    Depth d;
    std::string error;
    return FileDepthFor(path, Depth::k8, d, error);
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
    if (o.output) p.output.path = *o.output;
    if (o.codec) p.output.codec = *o.codec;
    if (o.crf) p.output.crf = *o.crf;
    p.output.ffmpegArgs.insert(p.output.ffmpegArgs.end(), o.ffmpegArgs.begin(), o.ffmpegArgs.end());
    if (o.sheetPath) p.sheet.path = *o.sheetPath;
    if (o.sheetFrames) p.sheet.frames = *o.sheetFrames;
    if (o.sheetColumns) p.sheet.columns = *o.sheetColumns;
    if (o.sheetWidth) p.sheet.width = *o.sheetWidth;
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
    job.range = o.shard ? ShardOf(job.whole, *o.shard) : job.whole;
    // Each shard's sheet shows its own frames, under its own name, so that shards never write one file.
    if (o.shard && !p.sheet.path.empty()) {
        const auto dot = p.sheet.path.find_last_of('.');
        const std::string tag = "-shard" + std::to_string(o.shard->index) + "of" + std::to_string(o.shard->count);
        p.sheet.path.insert(dot == std::string::npos ? p.sheet.path.size() : dot, tag);
    }

    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    job.threads = std::max(1, std::min(o.threads ? o.threads : cores, std::max(job.range.Count(), 1)));
    return job;
}

}  // namespace pwcli
