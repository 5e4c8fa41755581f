// What aubio hears in the music: the beats its tempo tracker follows, the onsets (every attack of a sound) and
// how sure the tracker is. No beat tracking of our own: the grid is built from these.
#pragma once

#include <vector>

namespace pwcli {

struct TrackedBeat {
    double seconds = 0;
    double confidence = 0;  // aubio's confidence in the tempo it follows at that moment
};

struct Attack {
    double seconds = 0;
    float loudness = 0;  // peak level just after the attack, 0..1
};

struct HeardMusic {
    double seconds = 0;               // length of the audio
    double peakDb = -200;             // loudest sample, dB full scale
    std::vector<TrackedBeat> beats;   // in time order
    std::vector<Attack> onsets;       // in time order
    double confidence = 0;            // the tracker's at the end
};

HeardMusic ListenTo(const std::vector<float>& samples, int sampleRate);

}  // namespace pwcli
