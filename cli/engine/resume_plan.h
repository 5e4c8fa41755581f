// Which frames of a sequence a resumed render can keep: those whose file is in place, unchanged since it was
// written, and recorded in the manifest as rendered with these very settings from the same input frame.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "io/frame_reader.h"
#include "io/sequence_manifest.h"
#include "io/sequence_pattern.h"

namespace pwcli {

struct ResumePlan {
    std::vector<int> render;           // frames to render, in order
    std::vector<int> kept;
    std::map<std::string, int> again;  // why frames render again, with how many
    // "kept 40 frames; rendering 12: 8 rendered with other settings (Seed), 4 not rendered yet"
    std::string Summary() const;
};

ResumePlan PlanResume(const std::vector<int>& frames, const FrameFiles& files, const Manifest& manifest,
                      const std::string& job, const nlohmann::json& record, const FrameReader& reader);

}  // namespace pwcli
