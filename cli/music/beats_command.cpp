#include "music/beats_command.h"

#include <nlohmann/json.hpp>

#include "cli_error.h"
#include "io/safe_file.h"
#include "music/music_beats.h"
#include "params/param_ids.h"
#include "report/text_output.h"

namespace pwcli {
namespace {

std::string Fixed(const char* format, double v)
{
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

nlohmann::json ParamsFragment(const MusicBeats& beats, const ParamCatalog& catalog)
{
    nlohmann::json params = nlohmann::json::object();
    for (const auto& [index, track] : beats.keys.params) {
        const ParamInfo* info = catalog.ByIndex(index);
        if (!info) continue;
        auto value = [&](const ParamValue& v) -> nlohmann::json {
            if (info->kind == ParamKind::Popup) return info->choices.at(static_cast<std::size_t>(v.number) - 1);
            return v.number;
        };
        if (!track.Animated()) {
            params[info->name] = value(track.constant);
            continue;
        }
        nlohmann::json keys = nlohmann::json::array();
        for (const Keyframe& k : track.keys) keys.push_back({{"seconds", k.time.amount}, {"value", value(k.value)}});
        params[info->name] = {{"keyframes", keys}};
    }
    return {{"comment", "beats found in " + beats.source + "; render with: pulsewarper render THIS.json -i CLIP -o OUT"},
            {"params", params}};
}

std::string Listing(const MusicBeats& beats, const std::string& format, const ParamCatalog& catalog)
{
    const BeatGrid& g = beats.grid;
    if (format == "params") return ParamsFragment(beats, catalog).dump(2) + "\n";
    if (format == "json") {
        nlohmann::json list = nlohmann::json::array();
        for (const GridBeat& b : g.beats)
            list.push_back({{"beat", b.number}, {"seconds", b.seconds}, {"bpm", b.bpm}, {"confidence", b.confidence},
                            {"tracked", b.tracked}});
        nlohmann::json doc{{"source", beats.source}, {"bpm", g.bpm}, {"confidence", g.confidence},
                           {"seconds", g.seconds}, {"beats", list}};
        if (beats.asBpm) doc["worst_ms"] = beats.keys.worstMs;
        return doc.dump(2) + "\n";
    }
    std::string text = format == "csv" ? "beat,seconds,bpm,confidence,tracked\n"
                                       : "  beat    seconds      bpm  confidence  found\n";
    for (const GridBeat& b : g.beats) {
        if (format == "csv")
            text += std::to_string(b.number) + "," + Fixed("%.4f", b.seconds) + "," + Fixed("%.2f", b.bpm) + "," +
                    Fixed("%.3f", b.confidence) + "," + (b.tracked ? "1" : "0") + "\n";
        else
            text += Fixed("%6.0f", b.number) + Fixed("  %9.4f", b.seconds) + Fixed("  %7.2f", b.bpm) +
                    Fixed("  %10.3f", b.confidence) + (b.tracked ? "  tracked\n" : "  filled in\n");
    }
    if (format == "text") text += DescribeMusicBeats(beats) + "\n";
    return text;
}

}  // namespace

int RunBeatsCommand(const Options& options, const ParamCatalog& catalog, std::FILE* out, std::FILE* err)
{
    if (options.source == "audio")
        UsageError("beats takes the music as a file: pulsewarper beats SONG.wav (or CLIP.mp4 for its sound)");
    BeatsSpec spec;
    spec.from = options.source;
    spec.asBpm = options.beatsAsBpm.value_or(false);
    spec.offset = options.beatOffset.value_or(0.0);
    spec.every = options.beatsEvery.value_or(1);
    spec.downbeatFirst = options.downbeatFirst;
    const MusicBeats beats = FindMusicBeats(spec, "", options.fps.value_or(FrameRate{}));
    const std::string text = Listing(beats, options.beatsFormat, catalog);
    if (options.output) {
        WriteFileWhole(*options.output, text.data(), text.size());
        if (options.progress != ProgressMode::None)
            std::fprintf(err, "pulsewarper: %s\npulsewarper: wrote %s\n", DescribeMusicBeats(beats).c_str(),
                         options.output->c_str());
    } else {
        PutText(out, text);
        FinishText(out);
    }
    return kExitOk;
}

}  // namespace pwcli
