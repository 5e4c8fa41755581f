#include "farm/farm_command.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "cli_error.h"
#include "farm/slurm_scripts.h"
#include "io/frame_writer.h"
#include "io/safe_file.h"
#include "io/subprocess.h"
#include "project/job.h"
#include "report/text_output.h"

namespace pwcli {
namespace {

namespace fs = std::filesystem;

// The farm takes its job from the project file alone, so that every task renders the very same job.
void CheckOptions(const Options& options)
{
    static const std::set<std::string> kFarm = {"--chunk",  "--cpus",     "--partition", "--farm-dir", "--submit",
                                                "--plugin", "--progress", "--quiet"};
    for (const std::string& name : options.given)
        if (!kFarm.count(name))
            UsageError("farm takes the job from its project file alone (" + name +
                       " belongs in the project); it takes --chunk, --cpus, --partition, --farm-dir, --submit and "
                       "--plugin");
}

std::string Absolute(const std::string& path)
{
    std::error_code ec;
    const fs::path p = fs::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

std::string ThisProgram()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) throw CliError(kExitRenderFailed, "cannot find this program's own path: " + ec.message());
    return self.string();
}

void WriteScript(const std::string& path, const std::string& text)
{
    WriteFileWhole(path, text.data(), text.size());
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
}

}  // namespace

int RunFarm(const Options& options, PF_EntryPointFunc, const PluginFacts& facts, std::FILE* out, std::FILE* err)
{
    CheckOptions(options);
    // The whole job is checked as a render checks it: nothing is written for a job that cannot run.
    Options render = options;
    render.command = "render";
    const Job job = PlanJob(render, facts.catalog);
    if (job.outputKind != OutputKind::Sequence && job.outputKind != OutputKind::Video)
        UsageError("farm needs an output to write: an image sequence or a video (\"output\" in the project)");

    FarmPlan plan;
    plan.program = ThisProgram();
    plan.plugin = Absolute(options.plugin);
    plan.project = Absolute(options.project);
    plan.stem = fs::path(plan.project).stem().string();
    plan.dir = Absolute(options.farmDir.empty() ? (fs::path(plan.project).parent_path() / (plan.stem + ".farm")).string()
                                                : options.farmDir);
    plan.first = job.range.first;
    plan.last = job.range.last;
    const int count = plan.last - plan.first + 1;
    plan.chunk = options.chunk ? std::min(options.chunk, count) : std::max(1, (count + 9) / 10);
    plan.cpus = options.cpusPerTask;
    plan.partition = options.partition;
    plan.intermediate = job.outputKind == OutputKind::Video;
    if (plan.intermediate) {
        // Lossless in the render's depth, so the joined video is the one a single machine would encode (an EXR
        // would keep only the data window, losing the colour of transparent pixels a video keeps).
        plan.framesPattern = plan.dir + "/frames/frame.%06d." + (job.depth == Depth::kFloat ? "tif" : "png");
        plan.framesStart = 0;
    } else {
        plan.framesPattern = Absolute(job.project.output.path);
        plan.framesStart = job.files.startNumber;
    }
    plan.join = plan.intermediate || !job.project.sheet.path.empty();

    std::error_code ec;
    fs::create_directories(plan.dir + "/logs", ec);
    if (ec) throw CliError(kExitOutput, "cannot make the folder " + plan.dir + "/logs: " + ec.message());
    WriteScript(plan.dir + "/render.sbatch", RenderScript(plan));
    if (plan.join) WriteScript(plan.dir + "/join.sbatch", JoinScript(plan));
    WriteScript(plan.dir + "/submit.sh", SubmitScript(plan));

    const std::string what = std::to_string(plan.Tasks()) + " task" + (plan.Tasks() == 1 ? "" : "s") + " of up to " +
                             std::to_string(plan.chunk) + " frames (frames " + std::to_string(plan.first) + "-" +
                             std::to_string(plan.last) + ")";
    if (!options.submit) {
        std::fprintf(out, "pulsewarper: wrote %s/render.sbatch: %s%s\n", plan.dir.c_str(), what.c_str(),
                     plan.join ? (", and join.sbatch to run after it: " +
                                  std::string(plan.intermediate ? "the video and " : "") + "the contact sheet")
                                     .c_str()
                               : "");
        std::fprintf(out, "pulsewarper: submit with: bash %s\n", ShellQuote(plan.dir + "/submit.sh").c_str());
        FinishText(out);
        return kExitOk;
    }
    std::string text, error;
    if (!RunCapture({"bash", plan.dir + "/submit.sh"}, text, error))
        throw CliError(kExitRenderFailed, "sbatch refused the job: " + error);
    std::fprintf(out, "%s", text.c_str());
    std::fprintf(err, "pulsewarper: submitted %s; logs in %s/logs\n", what.c_str(), plan.dir.c_str());
    FinishText(out);
    return kExitOk;
}

}  // namespace pwcli
