// The beat grid of a piece of music: the beats aubio tracked, set on the attacks they belong to, with the beats
// it missed filled in from the tempo it locked where the music has attacks there (before it locked on, across a
// dropped beat), but not across a pause. Then the edits a user asks for: an offset, bars instead of beats, and
// where counting starts.
#pragma once

#include <string>
#include <vector>

#include "music/beat_tracker.h"

namespace pwcli {

struct GridBeat {
    double seconds = 0;
    double bpm = 0;         // local tempo: from this beat to its neighbours
    double confidence = 0;  // the tracker's, at this beat or (filled) at the tracked beat before it
    bool tracked = false;   // aubio's own beat, or filled in
    int number = 0;         // beats (or bars) since time 0, as the effect will count them
};

struct BeatGrid {
    std::vector<GridBeat> beats;
    double bpm = 0;         // median tempo
    double confidence = 0;  // the tracker's at the end of the music
    double seconds = 0;     // length of the music
};

// Throws CliError(kExitUsage) naming `source` when the music is silent or has no steady beat.
BeatGrid FindBeatGrid(const HeardMusic& heard, const std::string& source);

struct GridEdits {
    double offset = 0;           // seconds added to every beat; beats before 0 are dropped
    int every = 1;               // keep every N-th beat (2, 4: bars)
    bool downbeatFirst = false;  // the first beat is number 0; otherwise beats count from time 0 at the tempo
};

// Throws CliError(kExitUsage) when no beat is left.
BeatGrid EditGrid(BeatGrid grid, const GridEdits& edits, const std::string& source);

}  // namespace pwcli
