// A beat grid as keyframes of the effect: "Beat" keyed at every beat in Manual mode (the phase runs 0..1 between
// two real beats), or "BPM" keyed so that the effect's own trapezoid integral of the tempo lands on the beats.
#pragma once

#include <map>
#include <string>

#include "music/beat_grid.h"
#include "project/frame_rate.h"
#include "project/keyframes.h"

namespace pwcli {

enum class BeatsAs { Beat, Bpm };

struct BeatKeys {
    std::map<int, Track> params;  // by parameter index: "Mode", "BPM" and (Manual) "Beat"
    double worstMs = 0;           // farthest a beat of the grid lands from where the effect counts it
};

// Key times fall on the host's time units at `rate`, as a project's keyframes do.
BeatKeys KeysForGrid(const BeatGrid& grid, BeatsAs as, const FrameRate& rate);

}  // namespace pwcli
