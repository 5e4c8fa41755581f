// "pulsewarper render": plans the job, renders its frames on threads and writes them, with feedback.
#pragma once

#include <cstdio>
#include <string>

#include "ae_effect.h"
#include "project/options.h"
#include "engine/render_engine.h"

namespace pwcli {

// What a render did, for a farm manager's report.
struct RenderSummary {
    int first = 0, last = -1;  // the frames of the job
    int rendered = 0;          // frames made and written by this run
    int kept = 0;              // frames a resumed run found done
    double seconds = 0;
    std::string output;
};

// Returns the exit code; faults are reported on `err` as "pulsewarper: ..." lines. With --from-frames the frames
// are read from the sequence named there (frame n is file n) instead of being rendered.
int RunRender(const Options& options, PF_EntryPointFunc entry, const PluginFacts& facts, std::FILE* out,
              std::FILE* err, RenderSummary* summary = nullptr);

}  // namespace pwcli
