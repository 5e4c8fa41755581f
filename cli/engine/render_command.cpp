#include "engine/render_command.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <memory>
#include <mutex>
#include <vector>

#include "cli_error.h"
#include "engine/interrupt.h"
#include "engine/render_record.h"
#include "engine/resume_plan.h"
#include "engine/scheduler.h"
#include "io/image_file.h"
#include "io/safe_file.h"
#include "io/sequence_manifest.h"
#include "io/sequence_pattern.h"
#include "io/sequence_writer.h"
#include "io/video_writer.h"
#include "project/job.h"
#include "report/beats_report.h"
#include "report/contact_sheet.h"
#include "report/progress.h"
#include "report/text_output.h"

namespace pwcli {
namespace {

// The host's call record of every engine in one file, a line at a time, each line naming its engine.
class TraceFile {
public:
    explicit TraceFile(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "w"))
    {
        if (!file_) throw CliError(kExitOutput, "cannot write " + path + ": " + std::strerror(errno));
    }
    ~TraceFile()
    {
        if (file_) std::fclose(file_);
    }
    std::function<void(const std::string&)> For(int engine)
    {
        return [this, engine](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            std::fprintf(file_, "%d %s\n", engine, line.c_str());
        };
    }
    void Close()
    {
        const bool failed = std::fflush(file_) != 0 || std::ferror(file_);
        const int err = errno;
        std::fclose(file_);
        file_ = nullptr;
        if (failed) throw CliError(kExitOutput, "cannot write " + path_ + ": " + std::strerror(err));
    }

private:
    std::string path_;
    std::FILE* file_;
    std::mutex mutex_;
};

std::vector<std::unique_ptr<RenderEngine>> MakeEngines(const Job& job, PF_EntryPointFunc entry,
                                                       const ParamCatalog& catalog, int count, TraceFile* trace,
                                                       const Options& options,
                                                       std::shared_ptr<pwhost::BufferPool> pool)
{
    EngineSetup setup;
    setup.checking = options.check;
    setup.premiere = options.premiere;
    setup.pool = std::move(pool);
    setup.entry = entry;
    setup.reader = job.reader;
    setup.rate = job.rate;
    setup.depth = job.depth;
    setup.downsample = job.project.downsample;
    setup.catalog = &catalog;
    setup.params = job.project.params;
    // One host and one plug-in instance per thread, made here, one after the other.
    std::vector<std::unique_ptr<RenderEngine>> engines;
    for (int i = 0; i < count; ++i) {
        if (trace) setup.trace = trace->For(i);
        engines.push_back(std::make_unique<RenderEngine>(setup));
    }
    return engines;
}

// The frames nearest the beats found in music, with what to say of each.
std::map<int, std::string> MusicMarks(const Job& job)
{
    std::map<int, std::string> marks;
    if (!job.music) return marks;
    for (const GridBeat& b : job.music->grid.beats) {
        char text[96];
        std::snprintf(text, sizeof text, "music beat %d at %.3f s", b.number, b.seconds);
        marks.emplace(static_cast<int>(std::lround(b.seconds * job.rate.Fps())), text);
    }
    return marks;
}

int PrintBeats(const Job& job, RenderEngine& engine, std::FILE* out)
{
    const std::map<int, std::string> marks = MusicMarks(job);
    std::fprintf(out, "%s\n", BeatsHeader().c_str());
    for (int f = job.range.first; f <= job.range.last; ++f) {
        if (StopRequested().load()) return kExitInterrupted;
        std::string line = BeatsLine(engine.Beats(f));
        if (const auto mark = marks.find(f); mark != marks.end()) line += "  <- " + mark->second;
        // A reader that went away ends the listing at once.
        if (std::fprintf(out, "%s\n", line.c_str()) < 0) FinishText(out);
    }
    FinishText(out);
    return kExitOk;
}

long long ThreadCpuNs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// The already rendered frames a run takes instead of rendering them, numbered as an output sequence of the job
// would be unless told otherwise.
std::optional<FrameFiles> TakenFrames(const Options& options, const Job& job)
{
    if (options.fromFrames.empty()) return std::nullopt;
    FrameFiles files;
    files.startNumber = options.fromStart.value_or(job.reader->Info().firstNumber.value_or(0));
    if (!ParseSequencePattern(options.fromFrames, files.pattern))
        UsageError("--from-frames '" + options.fromFrames + "' has no frame-number placeholder (%06d or ######)");
    if (job.outputKind == OutputKind::Sequence && files.pattern.FileFor(0) == job.files.pattern.FileFor(0))
        UsageError("--from-frames names the output sequence itself; write the frames elsewhere");
    for (int f = job.range.first; f <= job.range.last; ++f)
        if (!std::filesystem::exists(files.FileFor(f)))
            throw CliError(kExitInput, "frame " + std::to_string(f) + " was not rendered: " + files.FileFor(f) +
                                           " is missing (--from-frames)");
    return files;
}

Frame TakeFrame(const FrameFiles& files, int frame, Depth depth, int width, int height)
{
    Frame image;
    std::string error;
    if (!ReadImage(files.FileFor(frame), depth, image, error)) throw CliError(kExitInput, error);
    if (image.width != width || image.height != height)
        throw CliError(kExitInput, files.FileFor(frame) + " is " + std::to_string(image.width) + "x" +
                                       std::to_string(image.height) + "; the job's frames are " +
                                       std::to_string(width) + "x" + std::to_string(height));
    return image;
}

std::string Seconds(double s)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

}  // namespace

int RunRender(const Options& options, PF_EntryPointFunc entry, const PluginFacts& facts, std::FILE* out,
              std::FILE* err, RenderSummary* summary)
{
    const Job job = PlanJob(options, facts.catalog);
    const Project& p = job.project;
    RenderSummary ignored;
    RenderSummary& done = summary ? *summary : ignored;
    done.first = job.range.first;
    done.last = job.range.last;
    done.output = p.output.path;
    const std::optional<FrameFiles> taken = TakenFrames(options, job);
    const bool talk = options.progress != ProgressMode::None;
    std::unique_ptr<TraceFile> trace;
    if (!options.trace.empty()) trace = std::make_unique<TraceFile>(options.trace);
    if (job.music && talk) std::fprintf(err, "pulsewarper: %s\n", DescribeMusicBeats(*job.music).c_str());
    if (options.beats) {
        auto engines = MakeEngines(job, entry, facts.catalog, 1, trace.get(), options, nullptr);
        const int code = PrintBeats(job, *engines.front(), out);
        if (trace) trace->Close();
        return code;
    }
    for (const std::string& w : job.warnings) std::fprintf(err, "pulsewarper: warning: %s\n", w.c_str());
    // What a killed render of this machine left in the output folders goes first.
    for (const std::string& path : {p.output.path, p.sheet.path}) {
        if (path.empty() || path == "null") continue;
        const int removed = RemoveStalePartials(FolderOf(path));
        if (removed && talk)
            std::fprintf(err, "pulsewarper: removed %d unfinished file%s left by an interrupted render in %s\n",
                         removed, removed == 1 ? "" : "s", FolderOf(path).c_str());
    }
    if (talk)
        std::fprintf(err, "pulsewarper: %s, frames %d-%d at %s fps, %s%s, %d thread%s\n",
                     job.reader->Info().description.c_str(), job.range.first, job.range.last,
                     FormatFrameRate(job.rate).c_str(), DepthName(job.depth),
                     job.depth == Depth::kFloat ? "" : "-bit", job.threads, job.threads == 1 ? "" : "s");

    // Frames in flight, each with its world, plus the few each host allocates for itself.
    const auto pool = std::make_shared<pwhost::BufferPool>(static_cast<std::size_t>(4 * job.threads + 8));
    auto engines = MakeEngines(job, entry, facts.catalog, job.threads, trace.get(), options, pool);
    const int width = engines.front()->Width(), height = engines.front()->Height();

    std::vector<int> frames;
    for (int f = job.range.first; f <= job.range.last && job.range.Count() > 0; ++f) frames.push_back(f);
    std::shared_ptr<ManifestWriter> manifest;
    if (job.outputKind == OutputKind::Sequence) {
        const nlohmann::json record = RenderRecord(job, facts.catalog, facts.about);
        const std::string id = RecordId(record);
        const std::string path = ManifestPath(job.files.pattern);
        // With --resume, the frames whose files are complete and recorded with these settings stay.
        if (options.resume) {
            const ResumePlan plan = PlanResume(frames, job.files, ReadManifest(path), id, record, *job.reader);
            frames = plan.render;
            done.kept = static_cast<int>(plan.kept.size());
            if (talk) std::fprintf(err, "pulsewarper: resume: %s\n", plan.Summary().c_str());
        }
        manifest = std::make_shared<ManifestWriter>(path, id, record);
    }

    std::unique_ptr<ContactSheet> sheet;
    std::map<int, std::string> labels;
    if (!p.sheet.path.empty()) {
        // With beats from music, the sheet shows a few of the beats found, each at the height of its burst.
        std::vector<int> frames = SheetFrames(job.range, p.sheet.frames);
        std::vector<int> onBeat;
        for (const auto& [f, mark] : MusicMarks(job))
            if (f >= job.range.first && f <= job.range.last) onBeat.push_back(f);
        if (!onBeat.empty()) {
            frames.clear();
            for (int i : SheetFrames(FrameRange{0, static_cast<int>(onBeat.size()) - 1}, p.sheet.frames)) {
                const std::size_t at = static_cast<std::size_t>(i);
                const int end = at + 1 < onBeat.size() ? onBeat[at + 1] : job.range.last + 1;
                int best = onBeat[at];
                double height = -1;
                for (int f = onBeat[at]; f < end; ++f)
                    if (const double e = engines.front()->Beats(f).envelope; e > height) {
                        best = f;
                        height = e;
                    }
                frames.push_back(best);
            }
        }
        sheet = std::make_unique<ContactSheet>(p.sheet, frames);
        for (int f : sheet->Frames()) labels[f] = SheetLabel(engines.front()->Beats(f));
    }

    std::unique_ptr<FrameWriter> writer;
    if (job.outputKind == OutputKind::Sequence) {
        SequenceTarget target;
        target.files = job.files;
        target.options = job.imageOptions;
        target.manifest = manifest;
        const std::shared_ptr<FrameReader> reader = job.reader;
        target.inputStamp = [reader](int frame) { return reader->Stamp(frame); };
        writer = OpenSequenceWriter(std::move(target));
    } else if (job.outputKind == OutputKind::Video) {
        writer = OpenVideoWriter(p.output, width, height, job.rate, job.depth, job.audio);
    } else if (job.outputKind == OutputKind::Null) {
        writer = OpenNullWriter();
    }

    Progress progress(options.progress, static_cast<int>(frames.size()), job.threads, err);
    for (std::size_t slot = 0; slot < engines.size(); ++slot) {
        engines[slot]->SetProgressListener(
            [&progress, slot](long current, long total) { progress.Partial(static_cast<int>(slot), current, total); });
    }
    ScheduleCallbacks callbacks;
    // CPU time of the render threads alone: what a frame costs the effect and its host, apart from decoding and
    // encoding, which share the machine's cores.
    std::atomic<long long> renderCpuNs{0};
    callbacks.render = [&](int slot, int frame) {
        const long long cpu0 = ThreadCpuNs();
        Frame image = taken ? TakeFrame(*taken, frame, job.depth, width, height)
                            : engines[static_cast<std::size_t>(slot)]->Render(frame);
        renderCpuNs += ThreadCpuNs() - cpu0;
        progress.FrameDone(slot);
        return image;
    };
    callbacks.deliver = [&](int, int frame, Frame& image) {
        if (sheet && sheet->Wants(frame)) sheet->Add(frame, image, labels.at(frame));
        if (writer) writer->Write(frame, image);
        // Its memory holds the next frame a host renders.
        pool->Give(std::move(image.pixels));
    };
    const auto start = std::chrono::steady_clock::now();
    const bool ordered = writer && writer->NeedsOrder();
    const ScheduleResult result =
        RunFrames(frames, job.threads, ordered, 2 * job.threads + 2, callbacks, StopRequested());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    engines.clear();
    done.rendered = result.delivered;
    done.seconds = seconds;

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
        // Frames kept by --resume come back from their files.
        for (int f : sheet->Frames()) {
            if (sheet->Has(f) || job.outputKind != OutputKind::Sequence) continue;
            Frame image;
            std::string error;
            if (ReadImage(job.files.FileFor(f), Depth::k8, image, error)) sheet->Add(f, image, labels.at(f));
        }
        sheet->Write();
    }
    if (trace) trace->Close();
    std::string closing;
    if (talk) {
        char rate[64];
        std::snprintf(rate, sizeof rate, "%.1f fps; %.1f ms of render-thread CPU a frame",
                      seconds > 0 ? result.delivered / seconds : 0.0,
                      result.delivered > 0 ? 1e-6 * static_cast<double>(renderCpuNs.load()) / result.delivered : 0.0);
        closing = "pulsewarper: rendered " + std::to_string(result.delivered) + " frame" +
                  (result.delivered == 1 ? "" : "s") + " in " + Seconds(seconds) + " (" + rate + ")";
        if (writer) closing += "\npulsewarper: wrote " + writer->Describe();
        if (sheet) closing += "\npulsewarper: wrote the contact sheet " + p.sheet.path;
    }
    progress.Finish(closing);
    (void)out;
    return kExitOk;
}

}  // namespace pwcli
