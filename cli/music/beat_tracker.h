// What aubio hears in the music: the beats its tempo tracker follows, the onsets (every attack of a sound) and
// how sure the tracker is. No beat tracking of our own: the grid is built from these.
#pragma once

#include <cstddef>
#include <memory>
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

// Listens to the music as it is decoded, keeping no more of it than a peak level every few milliseconds, so that
// an hour of sound costs a few megabytes.
class MusicListener {
public:
    explicit MusicListener(int sampleRate);
    ~MusicListener();
    MusicListener(const MusicListener&) = delete;
    MusicListener& operator=(const MusicListener&) = delete;

    void Feed(const float* samples, std::size_t count);
    HeardMusic Finish();

private:
    struct Aubio;
    int rate_;
    std::unique_ptr<Aubio> aubio_;
    std::vector<float> block_;   // the samples of the block being filled
    std::vector<float> peaks_;   // loudest sample of every block so far
    std::vector<std::size_t> beatSamples_;
    HeardMusic heard_;
    std::size_t samples_ = 0;
};

HeardMusic ListenTo(const std::vector<float>& samples, int sampleRate);

}  // namespace pwcli
