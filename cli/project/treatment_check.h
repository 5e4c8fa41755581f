// What a job's settings say before anything renders: whether it can show the look at all (a render in which no
// treatment can ever fire gives back its footage unchanged, which a new user takes for a broken tool), and how
// far from a frame the Time treatment may read.
#pragma once

#include <optional>
#include <string>

#include "project/frame_rate.h"
#include "project/project.h"

namespace pwcli {

// A warning when, for every treatment, neither Auto with a probability above 0 nor Manual with its checkbox on
// is reachable at any keyframe; nothing otherwise.
std::optional<std::string> NoTreatmentWarning(const Project& project, const ParamCatalog& catalog);

// How many frames before or after the one rendered the Time treatment may show: a beat's length in frames at the
// slowest "BPM" the render reaches, 0 when Time can never fire. The footage readers keep that many decoded frames.
int TimeReach(const Project& project, const ParamCatalog& catalog, const FrameRate& rate);

}  // namespace pwcli
