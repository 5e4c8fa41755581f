#include "music/beat_tracker.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <aubio/aubio.h>

namespace pwcli {
namespace {

// aubio's own sizes for tempo; onsets on a finer hop, whose "hfc" detector lands within a few milliseconds of
// an attack where the tracker's beats may lag a tempo change.
constexpr uint_t kTempoWindow = 1024, kTempoHop = 512;
constexpr uint_t kOnsetWindow = 1024, kOnsetHop = 256;

struct FvecFree {
    void operator()(fvec_t* v) const { del_fvec(v); }
};
struct TempoFree {
    void operator()(aubio_tempo_t* t) const { del_aubio_tempo(t); }
};
struct OnsetFree {
    void operator()(aubio_onset_t* o) const { del_aubio_onset(o); }
};
using Fvec = std::unique_ptr<fvec_t, FvecFree>;

// Runs `step` over every whole hop of the samples.
template <class Step>
void Hops(const std::vector<float>& samples, uint_t hop, Step step)
{
    Fvec in(new_fvec(hop));
    for (std::size_t at = 0; at + hop <= samples.size(); at += hop) {
        std::copy(samples.begin() + static_cast<long>(at), samples.begin() + static_cast<long>(at + hop), in->data);
        step(in.get());
    }
}

// Nothing louder than -60 dB within `reach` samples of `at`: a pause, where a tracker's beats are guesses.
bool Silent(const std::vector<float>& samples, std::size_t at, std::size_t reach)
{
    const std::size_t from = at > reach ? at - reach : 0, to = std::min(samples.size(), at + reach);
    for (std::size_t i = from; i < to; ++i)
        if (std::fabs(samples[i]) > 1e-3f) return false;
    return true;
}

}  // namespace

HeardMusic ListenTo(const std::vector<float>& samples, int sampleRate)
{
    HeardMusic heard;
    heard.seconds = static_cast<double>(samples.size()) / sampleRate;
    float peak = 0;
    for (float v : samples) peak = std::max(peak, std::fabs(v));
    heard.peakDb = peak > 0 ? 20 * std::log10(static_cast<double>(peak)) : -200;

    std::unique_ptr<aubio_tempo_t, TempoFree> tempo(new_aubio_tempo("default", kTempoWindow, kTempoHop, sampleRate));
    // aubio drops a beat whose hop is silent, which in a click track is most of them: the beat falls just before
    // its click. Silence is judged here instead, around the beat.
    aubio_tempo_set_silence(tempo.get(), -1000);
    Fvec beat(new_fvec(2));
    Hops(samples, kTempoHop, [&](fvec_t* in) {
        // The tracker's beat flag carries the beat's place within the hop and reads 0 for a beat on the hop's
        // first sample; a new last-beat position is the sure sign.
        const uint_t before = aubio_tempo_get_last(tempo.get());
        aubio_tempo_do(tempo.get(), in, beat.get());
        const uint_t last = aubio_tempo_get_last(tempo.get());
        if (last != before && !Silent(samples, last, sampleRate / 10))
            heard.beats.push_back(TrackedBeat{aubio_tempo_get_last_s(tempo.get()),
                                              aubio_tempo_get_confidence(tempo.get())});
    });
    heard.confidence = aubio_tempo_get_confidence(tempo.get());

    std::unique_ptr<aubio_onset_t, OnsetFree> onset(new_aubio_onset("hfc", kOnsetWindow, kOnsetHop, sampleRate));
    Fvec found(new_fvec(1));
    Hops(samples, kOnsetHop, [&](fvec_t* in) {
        aubio_onset_do(onset.get(), in, found.get());
        if (found->data[0] != 0) heard.onsets.push_back(Attack{aubio_onset_get_last_s(onset.get()), 0.f});
    });
    std::sort(heard.onsets.begin(), heard.onsets.end(),
              [](const Attack& a, const Attack& b) { return a.seconds < b.seconds; });
    for (Attack& a : heard.onsets) {
        const long at = std::lround(a.seconds * sampleRate);
        const long from = std::max(0L, at - sampleRate / 200), to = std::min<long>(static_cast<long>(samples.size()), at + sampleRate / 25);
        for (long i = from; i < to; ++i) a.loudness = std::max(a.loudness, std::fabs(samples[static_cast<std::size_t>(i)]));
    }
    return heard;
}

}  // namespace pwcli
