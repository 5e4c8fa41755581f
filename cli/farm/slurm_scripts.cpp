#include "farm/slurm_scripts.h"

namespace pwcli {
namespace {

std::string Words(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& w : words) line += (line.empty() ? "" : " ") + ShellQuote(w);
    return line;
}

std::string Header(const FarmPlan& plan, const std::string& name, const std::string& log)
{
    std::string text = "#!/bin/bash\n";
    text += "#SBATCH --job-name=" + name + "\n";
    text += "#SBATCH --cpus-per-task=" + std::to_string(plan.cpus) + "\n";
    text += "#SBATCH --output=" + plan.dir + "/logs/" + log + "\n";
    text += "#SBATCH --open-mode=append\n";
    if (!plan.partition.empty()) text += "#SBATCH --partition=" + plan.partition + "\n";
    return text;
}

}  // namespace

std::string ShellQuote(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string RenderScript(const FarmPlan& plan)
{
    std::string text = Header(plan, "pulsewarper-" + plan.stem, "render-%A_%a.log");
    text += "#SBATCH --array=0-" + std::to_string(plan.Tasks() - 1) + "\n";
    // Preempted or requeued, a task starts again and renders only the frames its last run did not finish.
    text += "#SBATCH --requeue\n";
    text += "# " + plan.project + ": frames " + std::to_string(plan.first) + "-" + std::to_string(plan.last) +
            ", " + std::to_string(plan.chunk) + " a task.\n";
    text += "set -u\n";
    text += "first=$((" + std::to_string(plan.first) + " + SLURM_ARRAY_TASK_ID * " + std::to_string(plan.chunk) +
            "))\n";
    text += "last=$((first + " + std::to_string(plan.chunk - 1) + "))\n";
    text += "if [ \"$last\" -gt " + std::to_string(plan.last) + " ]; then last=" + std::to_string(plan.last) + "; fi\n";
    std::vector<std::string> words = {plan.program, "render", plan.project, "--plugin", plan.plugin};
    std::string line = "exec " + Words(words) + " --frames \"$first-$last\"";
    words = {"--resume", "--no-contact-sheet", "--report", "json", "--progress", "lines", "-j",
             std::to_string(plan.cpus)};
    if (plan.intermediate) {
        words.insert(words.end(), {"-o", plan.framesPattern, "--start-number", std::to_string(plan.framesStart),
                                   "--no-audio"});
    }
    return text + line + " " + Words(words) + "\n";
}

std::string JoinScript(const FarmPlan& plan)
{
    std::string text = Header(plan, "pulsewarper-" + plan.stem + "-join", "join-%j.log");
    text += "# " + plan.project + ": the frames the render tasks wrote, " +
            (plan.intermediate ? std::string("joined into the video and ") : std::string()) + "on the contact sheet.\n";
    std::vector<std::string> words = {plan.program, "render", plan.project, "--plugin", plan.plugin,
                                      "--from-frames", plan.framesPattern, "--from-start",
                                      std::to_string(plan.framesStart), "--report", "json", "--progress", "lines",
                                      "-j", std::to_string(plan.cpus)};
    if (!plan.intermediate) words.insert(words.end(), {"-o", "null"});
    return text + "exec " + Words(words) + "\n";
}

std::string SubmitScript(const FarmPlan& plan)
{
    std::string text = "#!/bin/bash\n# Submits the render of " + plan.project + " to Slurm.\nset -euo pipefail\n";
    text += "render=$(sbatch --parsable " + ShellQuote(plan.dir + "/render.sbatch") + ")\n";
    text += "echo \"render job: $render\"\n";
    if (plan.join) {
        text += "join=$(sbatch --parsable --dependency=afterok:\"${render%%;*}\" --kill-on-invalid-dep=yes " +
                ShellQuote(plan.dir + "/join.sbatch") + ")\n";
        text += "echo \"join job: $join\"\n";
    }
    return text;
}

}  // namespace pwcli
