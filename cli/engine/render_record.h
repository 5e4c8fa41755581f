// What a rendered frame depends on, written down: the input, the frame rate, depth and resolution, the file
// format, the plug-in's version and every parameter's value and keyframes. Two renders with the same record give
// the same frame files; the record's id is what the sequence's manifest keeps for each frame.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "project/job.h"

namespace pwcli {

// The renderer's own version, also in the record.
extern const char* const kRendererVersion;

nlohmann::json RenderRecord(const Job& job, const ParamCatalog& catalog, const std::string& pluginAbout);
std::string RecordId(const nlohmann::json& record);

// The names of the record's entries that differ ("Seed", "depth", ...), for saying why frames render again.
std::vector<std::string> RecordDifferences(const nlohmann::json& a, const nlohmann::json& b);

}  // namespace pwcli
