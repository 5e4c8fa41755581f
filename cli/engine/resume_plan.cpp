#include "engine/resume_plan.h"

#include "engine/render_record.h"
#include "io/content_hash.h"
#include "io/safe_file.h"

namespace pwcli {
namespace {

std::string NameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Plural(int n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

}  // namespace

std::string ResumePlan::Summary() const
{
    std::string text = "kept " + Plural(static_cast<int>(kept.size()), "frame");
    if (render.empty()) return text + "; nothing to render";
    text += "; rendering " + std::to_string(render.size()) + ":";
    bool first = true;
    for (const auto& [why, count] : again) {
        text += std::string(first ? " " : ", ") + std::to_string(count) + " " + why;
        first = false;
    }
    return text;
}

ResumePlan PlanResume(const std::vector<int>& frames, const FrameFiles& files, const Manifest& manifest,
                      const std::string& job, const nlohmann::json& record, const FrameReader& reader)
{
    ResumePlan plan;
    std::map<std::string, std::string> settingsWhy;  // by other job id
    for (int f : frames) {
        const std::string path = files.FileFor(f);
        std::vector<unsigned char> bytes;
        std::string error;
        std::string why;
        const auto entry = manifest.frames.find(f);
        if (!ReadFileBytes(path, bytes, error)) {
            why = "not rendered yet";
        } else if (entry == manifest.frames.end()) {
            why = "with no record of how they were rendered";
        } else if (entry->second.job != job) {
            auto it = settingsWhy.find(entry->second.job);
            if (it == settingsWhy.end()) {
                const auto old = manifest.jobs.find(entry->second.job);
                std::string names;
                if (old != manifest.jobs.end())
                    for (const std::string& n : RecordDifferences(old->second, record))
                        names += (names.empty() ? "" : ", ") + n;
                it = settingsWhy.emplace(entry->second.job, "rendered with other settings" +
                                                                (names.empty() ? "" : " (" + names + ")")).first;
            }
            why = it->second;
        } else if (entry->second.input != reader.Stamp(f)) {
            why = "whose input frame changed";
        } else if (entry->second.file != NameOf(path) || entry->second.bytes != bytes.size() ||
                   entry->second.hash != HexOf(HashBytes(bytes.data(), bytes.size()))) {
            why = "damaged or changed since they were written";
        }
        if (why.empty()) {
            plan.kept.push_back(f);
        } else {
            plan.render.push_back(f);
            ++plan.again[why];
        }
    }
    return plan;
}

}  // namespace pwcli
