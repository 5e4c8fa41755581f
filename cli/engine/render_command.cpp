#include "engine/render_command.h"

#include <chrono>
#include <memory>
#include <vector>

#include "report/beats_report.h"
#include "cli_error.h"
#include "report/contact_sheet.h"
#include "io/image_file.h"
#include "engine/interrupt.h"
#include "project/job.h"
#include "report/progress.h"
#include "engine/scheduler.h"
#include "io/sequence_pattern.h"
#include "io/sequence_writer.h"
#include "io/video_writer.h"

namespace pwcli {
namespace {

std::vector<std::unique_ptr<RenderEngine>> MakeEngines(const Job& job, PF_EntryPointFunc entry,
                                                       const ParamCatalog& catalog, int count)
{
    EngineSetup setup;
    setup.entry = entry;
    setup.reader = job.reader;
    setup.rate = job.rate;
    setup.depth = job.depth;
    setup.downsample = job.project.downsample;
    setup.catalog = &catalog;
    setup.params = job.project.params;
    // One host and one plug-in instance per thread, made here, one after the other.
    std::vector<std::unique_ptr<RenderEngine>> engines;
    for (int i = 0; i < count; ++i) engines.push_back(std::make_unique<RenderEngine>(setup));
    return engines;
}

int PrintBeats(const Job& job, RenderEngine& engine, std::FILE* out)
{
    std::fprintf(out, "%s\n", BeatsHeader().c_str());
    for (int f = job.range.first; f <= job.range.last; ++f) {
        if (StopRequested().load()) return kExitInterrupted;
        std::fprintf(out, "%s\n", BeatsLine(engine.Beats(f)).c_str());
    }
    return kExitOk;
}

std::string Seconds(double s)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

}  // namespace

int RunRender(const Options& options, PF_EntryPointFunc entry, const PluginFacts& facts, std::FILE* out,
              std::FILE* err)
{
    const Job job = PlanJob(options, facts.catalog);
    const Project& p = job.project;
    const bool talk = options.progress != ProgressMode::None;
    if (options.beats) {
        auto engines = MakeEngines(job, entry, facts.catalog, 1);
        return PrintBeats(job, *engines.front(), out);
    }
    if (talk)
        std::fprintf(err, "pulsewarper: %s, frames %d-%d at %s fps, %s%s, %d thread%s\n",
                     job.reader->Info().description.c_str(), job.range.first, job.range.last,
                     FormatFrameRate(job.rate).c_str(), DepthName(job.depth),
                     job.depth == Depth::kFloat ? "" : "-bit", job.threads, job.threads == 1 ? "" : "s");

    auto engines = MakeEngines(job, entry, facts.catalog, job.threads);
    const int width = engines.front()->Width(), height = engines.front()->Height();

    // Frames to render: with --resume, those whose files are not yet complete.
    std::vector<int> frames;
    int skipped = 0;
    for (int f = job.range.first; f <= job.range.last && job.range.Count() > 0; ++f) {
        if (options.resume && SequenceFrameComplete(p.output.path, f, width, height)) {
            ++skipped;
            continue;
        }
        frames.push_back(f);
    }
    if (talk && options.resume)
        std::fprintf(err, "pulsewarper: %d frame%s already complete, %zu to render\n", skipped,
                     skipped == 1 ? "" : "s", frames.size());

    std::unique_ptr<ContactSheet> sheet;
    std::map<int, std::string> labels;
    if (!p.sheet.path.empty()) {
        sheet = std::make_unique<ContactSheet>(p.sheet, SheetFrames(job.range, p.sheet.frames));
        for (int f : sheet->Frames()) labels[f] = SheetLabel(engines.front()->Beats(f));
    }

    std::unique_ptr<FrameWriter> writer;
    if (job.outputKind == OutputKind::Sequence) writer = OpenSequenceWriter(p.output.path);
    else if (job.outputKind == OutputKind::Video) writer = OpenVideoWriter(p.output, width, height, job.rate, job.depth);
    else if (job.outputKind == OutputKind::Null) writer = OpenNullWriter();

    Progress progress(options.progress, static_cast<int>(frames.size()), job.threads, err);
    for (std::size_t slot = 0; slot < engines.size(); ++slot) {
        engines[slot]->SetProgressListener(
            [&progress, slot](long current, long total) { progress.Partial(static_cast<int>(slot), current, total); });
    }
    ScheduleCallbacks callbacks;
    callbacks.render = [&](int slot, int frame) {
        Frame image = engines[static_cast<std::size_t>(slot)]->Render(frame);
        progress.FrameDone(slot);
        return image;
    };
    callbacks.deliver = [&](int, int frame, Frame& image) {
        if (sheet && sheet->Wants(frame)) sheet->Add(frame, image, labels.at(frame));
        if (writer) writer->Write(frame, image);
    };
    const auto start = std::chrono::steady_clock::now();
    const bool ordered = writer && writer->NeedsOrder();
    const ScheduleResult result =
        RunFrames(frames, job.threads, ordered, 2 * job.threads + 2, callbacks, StopRequested());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    engines.clear();

    if (result.error || result.stopped) {
        if (writer) writer->Abandon();
        progress.Finish("");
        if (result.error) throw *result.error;
        std::string text = "pulsewarper: stopped after " + std::to_string(result.delivered) + " of " +
                           std::to_string(frames.size()) + " frames.";
        if (job.outputKind == OutputKind::Sequence)
            text += " Every finished frame is kept; to finish, run the same command again with --resume.";
        else if (job.outputKind == OutputKind::Video)
            text += " The unfinished video was removed; run the command again to render it.";
        std::fprintf(err, "%s\n", text.c_str());
        return kExitInterrupted;
    }
    if (writer) writer->Finish();
    if (sheet) {
        // Frames skipped by --resume come back from their files.
        for (int f : sheet->Frames()) {
            if (sheet->Has(f) || job.outputKind != OutputKind::Sequence) continue;
            SequencePattern pattern;
            ParseSequencePattern(p.output.path, pattern);
            Frame image;
            std::string error;
            if (ReadImage(pattern.FileFor(f), Depth::k8, image, error)) sheet->Add(f, image, labels.at(f));
        }
        sheet->Write();
    }
    std::string closing;
    if (talk) {
        char rate[64];
        std::snprintf(rate, sizeof rate, "%.1f", seconds > 0 ? result.delivered / seconds : 0.0);
        closing = "pulsewarper: rendered " + std::to_string(result.delivered) + " frame" +
                  (result.delivered == 1 ? "" : "s") + " in " + Seconds(seconds) + " (" + rate + " fps)";
        if (writer) closing += "\npulsewarper: wrote " + writer->Describe();
        if (sheet) closing += "\npulsewarper: wrote the contact sheet " + p.sheet.path;
    }
    progress.Finish(closing);
    (void)out;
    return kExitOk;
}

}  // namespace pwcli
