#include "project/output_conflicts.h"

#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "cli_error.h"

namespace pwcli {
namespace {

namespace fs = std::filesystem;

// Resolving each folder once: a sequence of thousands of files has one.
class Resolver {
public:
    std::string operator()(const std::string& path)
    {
        const fs::path p(path);
        const std::string parent = p.parent_path().string();
        auto it = folders_.find(parent);
        if (it == folders_.end()) it = folders_.emplace(parent, ResolvedPath(parent.empty() ? "." : parent)).first;
        return (fs::path(it->second) / p.filename()).string();
    }

private:
    std::map<std::string, std::string> folders_;
};

}  // namespace

std::string ResolvedPath(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    if (ec) p = fs::absolute(path, ec).lexically_normal();
    return p.string();
}

void CheckNoOverwrite(const OutputPlan& plan)
{
    Resolver resolve;
    std::map<std::string, std::string> inputs;  // resolved -> as given
    for (const std::string& f : plan.inputs) inputs.emplace(resolve(f), f);
    auto isInput = [&](const std::string& path) { return inputs.count(resolve(path)) != 0; };

    if (plan.sequence) {
        for (int f = plan.frames.first; f <= plan.frames.last; ++f) {
            const std::string file = plan.files.FileFor(f);
            if (isInput(file))
                UsageError("--output would overwrite the input: frame " + std::to_string(f) + " goes to " + file +
                           ", a file of the input; write the render to another folder or name");
        }
    } else if (!plan.path.empty() && isInput(plan.path)) {
        UsageError("--output " + plan.path + " is the input itself; write the render to another file");
    }
    if (plan.sheet.empty()) return;
    if (isInput(plan.sheet)) UsageError("--contact-sheet " + plan.sheet + " is a file of the input; name it otherwise");
    const std::string sheet = resolve(plan.sheet);
    if (!plan.sequence && !plan.path.empty() && sheet == resolve(plan.path))
        UsageError("--contact-sheet " + plan.sheet + " is the output video itself; name it otherwise");
    if (plan.sequence) {
        // A name of the sequence would be taken for one of its frames by every tool that lists it.
        SequencePattern resolved = plan.files.pattern;
        resolved.prefix = resolve(resolved.prefix + "x");
        resolved.prefix.pop_back();
        if (resolved.Matches(sheet))
            UsageError("--contact-sheet " + plan.sheet + " is a file name of the output sequence; name it otherwise");
    }
}

}  // namespace pwcli
