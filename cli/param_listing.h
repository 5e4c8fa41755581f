// The parameter list as a person reads it: one line per parameter the host received.
#pragma once

#include <cstdio>

#include "host/param_registry.h"

namespace pwcli {

void PrintParamList(std::FILE* out, const pwhost::ParamRegistry& params);

}  // namespace pwcli
