// The parameter list as a person reads it: one line per parameter, in the plug-in's order, under its group.
#pragma once

#include <cstdio>

#include "project/param_catalog.h"

namespace pwcli {

void PrintParamList(std::FILE* out, const ParamCatalog& catalog);

}  // namespace pwcli
