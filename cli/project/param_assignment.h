// Parameter values given on the command line, on top of a project: --set NAME=VALUE and --key NAME@TIME=VALUE.
#pragma once

#include <set>
#include <string>

#include "project/project.h"

namespace pwcli {

// "NAME=VALUE" (as --set gives it): sets a constant, dropping any keyframes of that parameter.
void ApplySet(Project& project, const ParamCatalog& catalog, const std::string& assignment);
// "NAME@TIME=VALUE" (as --key gives it): adds a keyframe. The first --key of a parameter (not yet in `keyed`)
// replaces whatever the project gave that parameter; later ones add to it.
void ApplyKey(Project& project, const ParamCatalog& catalog, const std::string& assignment, std::set<int>& keyed);

}  // namespace pwcli
