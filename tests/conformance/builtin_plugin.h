#pragma once

#include "ae_effect.h"

namespace pwtest {

// The dispatch of the 32-bit or the 64-bit deliverable, compiled into this binary.
PF_EntryPointFunc BuiltinEntryPoint(int bits);

}  // namespace pwtest
