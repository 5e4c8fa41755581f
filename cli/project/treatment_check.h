// Whether a job can show the look at all: a render in which no treatment can ever fire gives back its footage
// unchanged, which a new user takes for a broken tool.
#pragma once

#include <optional>
#include <string>

#include "project/project.h"

namespace pwcli {

// A warning when, for every treatment, neither Auto with a probability above 0 nor Manual with its checkbox on
// is reachable at any keyframe; nothing otherwise.
std::optional<std::string> NoTreatmentWarning(const Project& project, const ParamCatalog& catalog);

}  // namespace pwcli
