// "pulsewarper render": plans the job, renders its frames on threads and writes them, with feedback.
#pragma once

#include <cstdio>

#include "ae_effect.h"
#include "project/options.h"
#include "engine/render_engine.h"

namespace pwcli {

// Returns the exit code; faults are reported on `err` as "pulsewarper: ..." lines.
int RunRender(const Options& options, PF_EntryPointFunc entry, const PluginFacts& facts, std::FILE* out,
              std::FILE* err);

}  // namespace pwcli
