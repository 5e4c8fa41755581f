#include "music/music_beats.h"

#include <cstdio>

#include "cli_error.h"
#include "music/beat_tracker.h"
#include "music/pcm_decode.h"

namespace pwcli {

MusicBeats FindMusicBeats(const BeatsSpec& spec, const std::string& inputVideo, const FrameRate& rate)
{
    MusicBeats out;
    out.asBpm = spec.asBpm;
    out.source = spec.from;
    if (spec.from == "audio") {
        if (inputVideo.empty())
            UsageError("--beats-from audio takes the beats from the input video's sound, and the input is not a "
                       "video; give the music as a file (--beats-from song.wav)");
        out.source = inputVideo;
    }
    MusicListener listener(kAnalysisRate);
    DecodeMono(out.source, [&](const float* samples, std::size_t count) { listener.Feed(samples, count); });
    const HeardMusic heard = listener.Finish();
    GridEdits edits;
    edits.offset = spec.offset;
    edits.every = spec.every;
    edits.downbeatFirst = spec.downbeatFirst;
    out.grid = EditGrid(FindBeatGrid(heard, out.source), edits, out.source);
    out.keys = KeysForGrid(out.grid, spec.asBpm ? BeatsAs::Bpm : BeatsAs::Beat, rate);
    return out;
}

std::vector<std::string> ApplyMusicBeats(const MusicBeats& beats, std::map<int, Track>& params,
                                         const ParamCatalog& catalog)
{
    std::vector<std::string> warnings;
    for (const auto& [index, track] : beats.keys.params) {
        if (params.count(index)) {
            const ParamInfo* info = catalog.ByIndex(index);
            warnings.push_back("the beats found in " + beats.source + " set \"" + (info ? info->name : "?") +
                               "\": the value given for it is not used");
        }
        params[index] = track;
    }
    return warnings;
}

std::string DescribeMusicBeats(const MusicBeats& beats)
{
    char text[256];
    std::snprintf(text, sizeof text, "%zu beats from %s, %.1f BPM, aubio's confidence %.2f, keyed as \"%s\"",
                  beats.grid.beats.size(), beats.source.c_str(), beats.grid.bpm, beats.grid.confidence,
                  beats.asBpm ? "BPM" : "Beat");
    std::string s = text;
    if (beats.asBpm) {
        std::snprintf(text, sizeof text, " (the farthest beat lands %.2f ms from its count)", beats.keys.worstMs);
        s += text;
    }
    return s;
}

}  // namespace pwcli
