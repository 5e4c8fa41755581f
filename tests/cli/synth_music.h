// Music made in the test: click tracks and drum patterns with known beat times, a tempo ramp, a pause, noise.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace pwtest {

constexpr int kSynthRate = 44100;

struct SynthTrack {
    std::vector<float> samples;  // mono, kSynthRate
    std::vector<double> beats;   // true beat times, seconds
};

enum class Voice { Click, Drums };

// One beat's sound at `at`: a click, or a kick on every beat with a snare on the off ones and hi-hats between.
inline void Strike(std::vector<float>& s, double at, double period, int index, Voice voice, std::mt19937& rng)
{
    std::uniform_real_distribution<float> white(-1.f, 1.f);
    const auto put = [&](double t0, double seconds, auto wave) {
        const long first = std::lround(t0 * kSynthRate);
        for (long i = 0; i < static_cast<long>(seconds * kSynthRate); ++i)
            if (first + i >= 0 && first + i < static_cast<long>(s.size()))
                s[first + i] += wave(static_cast<double>(i) / kSynthRate);
    };
    if (voice == Voice::Click) {
        put(at, 0.02, [](double t) { return static_cast<float>(0.8 * std::sin(2 * M_PI * 1500 * t) * std::exp(-t * 250)); });
        return;
    }
    put(at, 0.25, [](double t) {
        const double f = 50 + 90 * std::exp(-t * 30);  // the kick's falling pitch
        return static_cast<float>(0.9 * std::sin(2 * M_PI * f * t) * std::exp(-t * 12));
    });
    if (index % 2 == 1) put(at, 0.15, [&](double t) { return static_cast<float>(0.35 * white(rng) * std::exp(-t * 25)); });
    put(at + period / 2, 0.05, [&](double t) { return static_cast<float>(0.12 * white(rng) * std::exp(-t * 90)); });
}

// Beats at `bpm` from `first` to `seconds`; the tempo moves linearly to `endBpm` over the track; no beats
// inside [pauseFrom, pauseTo).
inline SynthTrack MakeTrack(double bpm, double first, double seconds, Voice voice, double endBpm = 0,
                            double pauseFrom = -1, double pauseTo = -1, unsigned seed = 1)
{
    SynthTrack track;
    track.samples.assign(static_cast<std::size_t>(seconds * kSynthRate), 0.f);
    std::mt19937 rng(seed);
    if (endBpm <= 0) endBpm = bpm;
    int index = 0;
    for (double t = first; t < seconds - 0.3; ++index) {
        const double tempo = bpm + (endBpm - bpm) * t / seconds;
        const double period = 60.0 / tempo;
        if (!(t >= pauseFrom && t < pauseTo)) {
            track.beats.push_back(t);
            Strike(track.samples, t, period, index, voice, rng);
        }
        t += period;
    }
    return track;
}

inline SynthTrack MakeNoise(double seconds, float level, unsigned seed = 7)
{
    SynthTrack track;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> white(-level, level);
    track.samples.resize(static_cast<std::size_t>(seconds * kSynthRate));
    for (float& v : track.samples) v = white(rng);
    return track;
}

// 16-bit PCM WAV.
inline bool WriteWav(const std::string& path, const std::vector<float>& samples)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    const auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f); u32(36 + bytes); std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16); u16(1); u16(1); u32(kSynthRate); u32(kSynthRate * 2); u16(2); u16(16);
    std::fwrite("data", 1, 4, f); u32(bytes);
    for (float v : samples) {
        const float c = std::fmax(-1.f, std::fmin(1.f, v));
        u16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(c * 32767))));
    }
    return std::fclose(f) == 0;
}

}  // namespace pwtest

namespace pwtest {

// Share of `truth` with a found beat within `tolerance` s (each found beat matches one true beat at most), of
// found beats that match, and the F-measure of the two.
struct BeatScore {
    double recall = 0, precision = 0, fMeasure = 0;
};

inline BeatScore ScoreBeats(const std::vector<double>& found, const std::vector<double>& truth, double tolerance)
{
    std::vector<bool> used(found.size());
    int hits = 0;
    for (double t : truth) {
        long best = -1;
        for (std::size_t i = 0; i < found.size(); ++i)
            if (!used[i] && std::fabs(found[i] - t) <= tolerance &&
                (best < 0 || std::fabs(found[i] - t) < std::fabs(found[static_cast<std::size_t>(best)] - t)))
                best = static_cast<long>(i);
        if (best >= 0) {
            used[static_cast<std::size_t>(best)] = true;
            ++hits;
        }
    }
    BeatScore s;
    s.recall = truth.empty() ? 0 : static_cast<double>(hits) / truth.size();
    s.precision = found.empty() ? 0 : static_cast<double>(hits) / found.size();
    s.fMeasure = s.recall + s.precision > 0 ? 2 * s.recall * s.precision / (s.recall + s.precision) : 0;
    return s;
}

}  // namespace pwtest
