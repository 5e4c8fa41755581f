// "pulsewarper farm slurm JOB.json": the job cut into chunks of frames for a cluster's scheduler. Every task is
// "pulsewarper render JOB.json --frames A-B --resume", so a killed or requeued task finishes only what is missing;
// a last task, after all of them, joins a video from the frames and writes the contact sheet.
#pragma once

#include <cstdio>

#include "ae_effect.h"
#include "engine/render_engine.h"
#include "project/options.h"

namespace pwcli {

// Checks the job as a render would (a bad project fails here, before anything is written or submitted), writes
// the scripts into the farm folder and, with --submit, submits them. Returns the exit code.
int RunFarm(const Options& options, PF_EntryPointFunc entry, const PluginFacts& facts, std::FILE* out,
            std::FILE* err);

}  // namespace pwcli
