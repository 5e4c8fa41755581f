#include "music/beat_tracker.h"

#include <algorithm>
#include <cmath>

#include <aubio/aubio.h>

namespace pwcli {
namespace {

// aubio's own sizes for tempo; onsets on a finer hop, whose "hfc" detector lands within a few milliseconds of
// an attack where the tracker's beats may lag a tempo change. A block is one onset hop; two make a tempo hop.
constexpr uint_t kTempoWindow = 1024, kTempoHop = 512;
constexpr uint_t kOnsetWindow = 1024, kBlock = 256;
constexpr float kSilence = 1e-3f;  // -60 dB

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

// The loudest block peak over the samples [from, to).
float PeakOver(const std::vector<float>& peaks, long from, long to)
{
    float peak = 0;
    const long first = std::max(0L, from / static_cast<long>(kBlock));
    const long last = std::min(static_cast<long>(peaks.size()) - 1, to / static_cast<long>(kBlock));
    for (long b = first; b <= last; ++b) peak = std::max(peak, peaks[static_cast<std::size_t>(b)]);
    return peak;
}

}  // namespace

struct MusicListener::Aubio {
    std::unique_ptr<aubio_tempo_t, TempoFree> tempo;
    std::unique_ptr<aubio_onset_t, OnsetFree> onset;
    Fvec tempoIn{new_fvec(kTempoHop)}, onsetIn{new_fvec(kBlock)}, beat{new_fvec(2)}, found{new_fvec(1)};
};

MusicListener::MusicListener(int sampleRate) : rate_(sampleRate), aubio_(std::make_unique<Aubio>())
{
    aubio_->tempo.reset(new_aubio_tempo("default", kTempoWindow, kTempoHop, static_cast<uint_t>(sampleRate)));
    aubio_->onset.reset(new_aubio_onset("hfc", kOnsetWindow, kBlock, static_cast<uint_t>(sampleRate)));
    // aubio drops a beat whose hop is silent, which in a click track is most of them: the beat falls just before
    // its click. Silence is judged at the end instead, around the beat.
    aubio_tempo_set_silence(aubio_->tempo.get(), -1000);
    block_.reserve(kBlock);
}

MusicListener::~MusicListener() = default;

void MusicListener::Feed(const float* samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        block_.push_back(samples[i]);
        if (block_.size() < kBlock) continue;
        float peak = 0;
        for (float v : block_) peak = std::max(peak, std::fabs(v));
        peaks_.push_back(peak);
        std::copy(block_.begin(), block_.end(), aubio_->onsetIn->data);
        aubio_onset_do(aubio_->onset.get(), aubio_->onsetIn.get(), aubio_->found.get());
        if (aubio_->found->data[0] != 0)
            heard_.onsets.push_back(Attack{aubio_onset_get_last_s(aubio_->onset.get()), 0.f});
        const std::size_t half = peaks_.size() % 2 == 1 ? 0 : kBlock;
        std::copy(block_.begin(), block_.end(), aubio_->tempoIn->data + half);
        if (half) {
            // The tracker's beat flag carries the beat's place within the hop and reads 0 for a beat on the
            // hop's first sample; a new last-beat position is the sure sign.
            const uint_t before = aubio_tempo_get_last(aubio_->tempo.get());
            aubio_tempo_do(aubio_->tempo.get(), aubio_->tempoIn.get(), aubio_->beat.get());
            const uint_t last = aubio_tempo_get_last(aubio_->tempo.get());
            if (last != before) {
                heard_.beats.push_back(TrackedBeat{aubio_tempo_get_last_s(aubio_->tempo.get()),
                                                   aubio_tempo_get_confidence(aubio_->tempo.get())});
                beatSamples_.push_back(last);
            }
        }
        samples_ += block_.size();
        block_.clear();
    }
}

HeardMusic MusicListener::Finish()
{
    samples_ += block_.size();
    HeardMusic heard = std::move(heard_);
    heard.seconds = static_cast<double>(samples_) / rate_;
    const float peak = peaks_.empty() ? 0.f : *std::max_element(peaks_.begin(), peaks_.end());
    heard.peakDb = peak > 0 ? 20 * std::log10(static_cast<double>(peak)) : -200;
    heard.confidence = aubio_tempo_get_confidence(aubio_->tempo.get());
    // A tracker's beats in a pause (nothing above -60 dB within a tenth of a second) are guesses, not music.
    std::vector<TrackedBeat> kept;
    for (std::size_t i = 0; i < heard.beats.size(); ++i) {
        const long at = static_cast<long>(beatSamples_[i]);
        const bool later = kept.empty() || heard.beats[i].seconds > kept.back().seconds;
        if (later && PeakOver(peaks_, at - rate_ / 10, at + rate_ / 10) > kSilence) kept.push_back(heard.beats[i]);
    }
    heard.beats = kept;
    std::sort(heard.onsets.begin(), heard.onsets.end(),
              [](const Attack& a, const Attack& b) { return a.seconds < b.seconds; });
    for (Attack& a : heard.onsets) {
        const long at = std::lround(a.seconds * rate_);
        a.loudness = PeakOver(peaks_, at - rate_ / 200, at + rate_ / 25);
    }
    return heard;
}

HeardMusic ListenTo(const std::vector<float>& samples, int sampleRate)
{
    MusicListener listener(sampleRate);
    listener.Feed(samples.data(), samples.size());
    return listener.Finish();
}

}  // namespace pwcli
