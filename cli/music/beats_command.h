// pulsewarper beats SOURCE: the beats found in a song or a video's sound, for a person (text), an editor's
// markers (csv, json) or the renderer (params: a project file of the keyframes).
#pragma once

#include <cstdio>

#include "project/options.h"
#include "project/param_catalog.h"

namespace pwcli {

int RunBeatsCommand(const Options& options, const ParamCatalog& catalog, std::FILE* out, std::FILE* err);

}  // namespace pwcli
