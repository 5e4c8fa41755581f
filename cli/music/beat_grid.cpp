#include "music/beat_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli_error.h"

namespace pwcli {
namespace {

constexpr double kSilentDb = -60;
constexpr double kLeastConfidence = 0.2;  // aubio gives white noise ~0.1, music 0.5 and more
constexpr std::size_t kLeastBeats = 4;
constexpr int kLocalSpan = 8;     // intervals each side that set the local tempo
constexpr double kMostBpm = 240;  // a faster "beat" is a subdivision

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// The beat's attack near `t`: of the attacks within `reach`, the nearest of those at least `share` as loud as the
// loudest, so that a beat the tracker put on an off-beat hi-hat moves to the kick beside it (share 0: the nearest).
bool PickAttack(const std::vector<Attack>& onsets, double t, double reach, Attack& picked, float share = 0.6f)
{
    const auto first = std::lower_bound(onsets.begin(), onsets.end(), t - reach,
                                        [](const Attack& a, double s) { return a.seconds < s; });
    float loudest = 0;
    for (auto i = first; i != onsets.end() && i->seconds <= t + reach; ++i) loudest = std::max(loudest, i->loudness);
    bool found = false;
    for (auto i = first; i != onsets.end() && i->seconds <= t + reach; ++i)
        if (i->loudness >= share * loudest && (!found || std::fabs(i->seconds - t) < std::fabs(picked.seconds - t))) {
            picked = *i;
            found = true;
        }
    return found;
}

std::string Decibels(double db)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f dB", db);
    return text;
}

}  // namespace

BeatGrid FindBeatGrid(const HeardMusic& heard, const std::string& source)
{
    if (heard.peakDb < kSilentDb)
        UsageError(source + " is silent (its loudest sound is " + Decibels(heard.peakDb) +
                   " full scale): there are no beats to follow");
    char why[160];
    std::snprintf(why, sizeof why, "aubio's confidence %.2f, %zu beats and %zu attacks in %.1f s", heard.confidence,
                  heard.beats.size(), heard.onsets.size(), heard.seconds);
    if (heard.beats.size() < kLeastBeats || heard.onsets.size() < kLeastBeats || heard.confidence < kLeastConfidence)
        UsageError(source + " has no steady beat (" + why + "); give the tempo instead (--set BPM=...)");

    // The tracked beats set on their attacks, and the tempo they lock between them.
    const std::vector<TrackedBeat>& tracked = heard.beats;
    std::vector<double> gaps;
    for (std::size_t i = 1; i < tracked.size(); ++i) gaps.push_back(tracked[i].seconds - tracked[i - 1].seconds);
    auto localMedian = [&](const std::vector<double>& v, std::size_t i) {
        const std::size_t from = i > kLocalSpan ? i - kLocalSpan : 0, to = std::min(v.size(), i + kLocalSpan + 1);
        return Median(std::vector<double>(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(to)));
    };
    std::vector<double> periods(gaps.size());  // one beat's length in each gap, a gap holding whole beats
    std::vector<int> counts(gaps.size());
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        counts[i] = std::max(1, static_cast<int>(std::lround(gaps[i] / localMedian(gaps, i))));
        periods[i] = gaps[i] / counts[i];
    }
    std::vector<double> period(gaps.size());
    for (std::size_t i = 0; i < gaps.size(); ++i) period[i] = localMedian(periods, i);
    auto periodAt = [&](std::size_t beat) { return period[std::min(beat, period.size() - 1)]; };

    struct Found {
        Attack attack;
        double confidence;
        bool tracked;
    };
    std::vector<Found> found;
    // Before the tracker locked on: back from its first beat while the music has attacks on the beat.
    Attack at;
    {
        const double p = periodAt(0);
        std::vector<Found> before;
        double t = tracked[0].seconds - p;
        if (PickAttack(heard.onsets, tracked[0].seconds, 0.55 * p, at)) t = at.seconds - p;
        for (; t > -0.25 * p && PickAttack(heard.onsets, t, 0.25 * p, at); t = at.seconds - p)
            before.push_back(Found{at, tracked[0].confidence, false});
        found.assign(before.rbegin(), before.rend());
    }
    for (std::size_t i = 0; i < tracked.size(); ++i) {
        const double p = periodAt(i);
        if (PickAttack(heard.onsets, tracked[i].seconds, 0.55 * p, at)) found.push_back(Found{at, tracked[i].confidence, true});
        if (i + 1 == tracked.size()) break;
        // A gap of several beats: the dropped ones, where the music goes on.
        for (int k = 1; k < counts[i]; ++k) {
            const double t = tracked[i].seconds + gaps[i] * k / counts[i];
            if (PickAttack(heard.onsets, t, 0.25 * periods[i], at)) found.push_back(Found{at, tracked[i].confidence, false});
        }
    }
    if (found.empty()) UsageError(source + " has no steady beat (" + why + "); give the tempo instead (--set BPM=...)");
    // After the tracker's last beat, to the end of the music.
    {
        const double p = periodAt(tracked.size() - 1);
        for (double t = found.back().attack.seconds + p; t < heard.seconds && PickAttack(heard.onsets, t, 0.25 * p, at);
             t = at.seconds + p)
            found.push_back(Found{at, tracked.back().confidence, false});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.attack.seconds < b.attack.seconds; });
    // Two beats on one attack, or closer than half a beat, are one.
    double beat = Median(period);
    std::vector<Found> grid;
    for (const Found& f : found)
        if (grid.empty() || f.attack.seconds - grid.back().attack.seconds >= 0.5 * beat) grid.push_back(f);

    // A tracker that locked half the tempo leaves beats as loud as its own halfway between them.
    std::vector<double> beatLoudness, halfLoudness;
    std::vector<Found> halves;
    for (std::size_t i = 0; i + 1 < grid.size(); ++i) {
        const double gap = grid[i + 1].attack.seconds - grid[i].attack.seconds;
        if (gap > 1.5 * beat) continue;
        beatLoudness.push_back(grid[i].attack.loudness);
        Attack half;
        const bool has = PickAttack(heard.onsets, grid[i].attack.seconds + gap / 2, 0.1 * gap, half, 0.f);
        halfLoudness.push_back(has ? half.loudness : 0.0);
        if (has) halves.push_back(Found{half, grid[i].confidence, false});
    }
    if (!beatLoudness.empty() && 60.0 / beat * 2 <= kMostBpm && Median(halfLoudness) >= 0.7 * Median(beatLoudness)) {
        grid.insert(grid.end(), halves.begin(), halves.end());
        std::sort(grid.begin(), grid.end(), [](const Found& a, const Found& b) { return a.attack.seconds < b.attack.seconds; });
        beat /= 2;
    }

    // An off-beat the tracker slipped onto between two beats: a quiet attack close to both.
    for (std::size_t i = 1; i + 1 < grid.size();) {
        const Found &a = grid[i - 1], &b = grid[i], &c = grid[i + 1];
        const bool squeezed = b.attack.seconds - a.attack.seconds < 0.75 * beat &&
                              c.attack.seconds - b.attack.seconds < 0.75 * beat;
        if (squeezed && b.attack.loudness < 0.5f * std::min(a.attack.loudness, c.attack.loudness))
            grid.erase(grid.begin() + static_cast<long>(i));
        else
            ++i;
    }

    BeatGrid out;
    out.seconds = heard.seconds;
    out.confidence = heard.confidence;
    out.bpm = 60.0 / beat;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        // The local tempo from the neighbours a beat apart; across a pause, the locked tempo.
        std::vector<double> near;
        for (std::size_t j = i > 0 ? i - 1 : 0; j < std::min(grid.size() - 1, i + 1); ++j) {
            const double gap = grid[j + 1].attack.seconds - grid[j].attack.seconds;
            if (gap < 1.5 * 60.0 / out.bpm) near.push_back(gap);
        }
        double p = 60.0 / out.bpm;
        if (!near.empty()) p = (near.front() + near.back()) / 2;
        out.beats.push_back(GridBeat{grid[i].attack.seconds, 60.0 / p, grid[i].confidence, grid[i].tracked, 0});
    }
    // Before the tracker is sure of anything its confidence reads 0: such beats take the first it gives.
    for (std::size_t i = out.beats.size(); i-- > 0;)
        if (out.beats[i].confidence <= 0 && i + 1 < out.beats.size()) out.beats[i].confidence = out.beats[i + 1].confidence;
    return out;
}

BeatGrid EditGrid(BeatGrid grid, const GridEdits& edits, const std::string& source)
{
    std::vector<GridBeat> kept;
    for (GridBeat b : grid.beats) {
        b.seconds += edits.offset;
        if (b.seconds >= 0) kept.push_back(b);
    }
    if (kept.empty())
        UsageError(source + ": --beat-offset moves every beat before the start");
    // Counted from time 0 at the tempo of the first beat, unless the first beat is the downbeat.
    const double first = kept.front().seconds * kept.front().bpm / 60.0;
    const int base = edits.downbeatFirst ? 0 : std::max(0, static_cast<int>(std::ceil(first - 1e-3)));
    std::vector<GridBeat> every;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const int number = base + static_cast<int>(i);
        if (number % edits.every != 0) continue;
        GridBeat b = kept[i];
        b.number = number / edits.every;
        b.bpm /= edits.every;
        every.push_back(b);
    }
    if (every.empty()) UsageError(source + ": no beat is left after --beats-every " + std::to_string(edits.every));
    grid.beats = every;
    grid.bpm /= edits.every;
    return grid;
}

}  // namespace pwcli
