#include "project/project.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli_error.h"
#include "io/image_file.h"
#include "io/path_names.h"
#include "io/sequence_pattern.h"
#include "project/json_location.h"
#include "project/strict_json.h"
#include "project/param_value.h"
#include "io/sequence_pattern.h"

namespace pwcli {
namespace {

using json = nlohmann::json;
using Path = std::vector<std::string>;

bool IsImageExtension(const std::string& ext)
{
    return ext == "png" || ext == "exr" || ext == "tif" || ext == "tiff" || ext == "jpg" || ext == "jpeg" ||
           ext == "dpx" || ext == "bmp" || ext == "tga" || ext == "hdr" || ext == "webp";
}

bool ParseSize(const std::string& text, int& w, int& h)
{
    const auto x = Lower(text).find('x');
    if (x == std::string::npos) return false;
    try {
        std::size_t a = 0, b = 0;
        const int pw = std::stoi(text.substr(0, x), &a);
        const int ph = std::stoi(text.substr(x + 1), &b);
        if (a != x || b != text.size() - x - 1 || pw < 1 || ph < 1 || pw > kMaxPatternSize || ph > kMaxPatternSize)
            return false;
        w = pw;
        h = ph;
        return true;
    } catch (...) {
        return false;
    }
}

class Parser {
public:
    Parser(const std::string& text, const std::string& fileName, const std::string& baseDir,
           const ParamCatalog& catalog)
        : text_(text), file_(fileName), base_(baseDir), catalog_(catalog)
    {
    }

    Project Parse()
    {
        const json root = ParseJsonStrict(text_, file_);
        if (!root.is_object()) Fail({}, "a project is a JSON object ({ ... }) with keys such as \"input\" and \"params\"");
        static const char* const kKeys[] = {"input", "frames", "fps", "depth", "downsample", "params", "output",
                                            "contact_sheet", "comment", "beats_from", "beats_as", "beat_offset",
                                            "beats_every", "downbeat_first"};
        for (const auto& [key, value] : root.items()) {
            bool known = false;
            for (const char* k : kKeys) known = known || key == k;
            if (!known)
                Fail({key}, "unknown key; a project has input, frames, fps, depth, downsample, params, output, "
                            "contact_sheet, beats_from, beats_as, beat_offset, beats_every, downbeat_first and comment");
        }
        Project p;
        if (root.contains("input")) p.input = Input(root["input"]);
        if (root.contains("frames")) p.frames = Frames(root["frames"]);
        if (root.contains("fps")) p.fps = Fps(root["fps"]);
        if (root.contains("depth")) p.depth = DepthOf(root["depth"]);
        if (root.contains("downsample")) p.downsample = Integer({"downsample"}, root["downsample"], 1, kMaxDownsample);
        if (root.contains("params")) Params(root["params"], p);
        if (root.contains("output")) p.output = Output(root["output"]);
        if (root.contains("contact_sheet")) p.sheet = Sheet(root["contact_sheet"]);
        if (root.contains("beats_from")) {
            p.beats.from = String({"beats_from"}, root["beats_from"]);
            if (p.beats.from != "audio") p.beats.from = Resolve(p.beats.from);
        }
        if (root.contains("beats_as") &&
            (!root["beats_as"].is_string() || !ParseBeatsAs(root["beats_as"].get<std::string>(), p.beats.asBpm)))
            Fail({"beats_as"}, "expected \"beat\" or \"bpm\", got " + root["beats_as"].dump());
        if (root.contains("beat_offset")) {
            const json& v = root["beat_offset"];
            if (!v.is_number() || std::fabs(v.get<double>()) > kMostBeatOffset)
                Fail({"beat_offset"}, "expected seconds from -3600 to 3600, got " + v.dump());
            p.beats.offset = v.get<double>();
        }
        if (root.contains("beats_every")) p.beats.every = Integer({"beats_every"}, root["beats_every"], 1, kMostBeatsEvery);
        if (root.contains("downbeat_first")) {
            if (!root["downbeat_first"].is_boolean()) Fail({"downbeat_first"}, "expected true or false, got " + root["downbeat_first"].dump());
            p.beats.downbeatFirst = root["downbeat_first"].get<bool>();
        }
        if (p.beats.from.empty() && (root.contains("beats_as") || root.contains("beat_offset") ||
                                     root.contains("beats_every") || root.contains("downbeat_first")))
            Fail({}, "beats_as, beat_offset, beats_every and downbeat_first need beats_from (\"audio\" or a sound file)");
        return p;
    }

private:
    [[noreturn]] void Fail(const Path& path, const std::string& message, const std::string& suffix = "")
    {
        const std::string where = path.empty() ? "" : Where(text_, path) + suffix + ": ";
        UsageError(file_ + ": " + where + message);
    }

    std::string Resolve(const std::string& path) const
    {
        if (path.empty() || path[0] == '/' || base_.empty()) return path;
        return (std::filesystem::path(base_) / path).lexically_normal().string();
    }

    std::string String(const Path& path, const json& v)
    {
        if (!v.is_string() || v.get<std::string>().empty()) Fail(path, "expected a non-empty text, got " + v.dump());
        return v.get<std::string>();
    }

    int Integer(const Path& path, const json& v, int min, int max)
    {
        if (!v.is_number() || v.get<double>() != static_cast<double>(static_cast<long long>(v.get<double>())) ||
            v.get<double>() < min || v.get<double>() > max)
            Fail(path, "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max) +
                           ", got " + v.dump());
        return static_cast<int>(v.get<double>());
    }

    InputSpec Input(const json& v)
    {
        InputSpec in;
        std::string error;
        if (v.is_string()) {
            if (!ParseInputText(v.get<std::string>(), in, error)) Fail({"input"}, error);
        } else if (v.is_object()) {
            int kinds = 0;
            for (const auto& [key, value] : v.items()) {
                const Path at{"input", key};
                if (key == "pattern") {
                    ++kinds;
                    in.kind = InputSpec::Kind::Pattern;
                    const std::string size = value.is_string() ? value.get<std::string>() : "";
                    if (size != "" && size != "default" && !ParseSize(size, in.width, in.height))
                        Fail(at, "expected a size as \"WIDTHxHEIGHT\" (1 to " + std::to_string(kMaxPatternSize) +
                                     "), or \"default\", got " + value.dump());
                } else if (key == "sequence" || key == "video" || key == "still") {
                    ++kinds;
                    in.path = String(at, value);
                    in.kind = key == "video" ? InputSpec::Kind::Video
                                             : key == "still" ? InputSpec::Kind::Still : InputSpec::Kind::Sequence;
                    SequencePattern sp;
                    if (key == "sequence" && !ParseSequencePattern(in.path, sp))
                        Fail(at, "a sequence needs one frame-number placeholder in its file name, as shot.%04d.exr "
                                 "or shot.####.exr");
                } else if (key == "first") {
                    if (!value.is_number_integer() || value.get<long long>() < 0)
                        Fail(at, "expected the file number shown at frame 0 (0 or more), got " + value.dump());
                    in.first = value.get<long long>();
                } else if (key == "length") {
                    in.length = Integer(at, value, 1, 10000000);
                } else if (key == "size") {
                    if (!value.is_string() || !ParseSize(value.get<std::string>(), in.width, in.height))
                        Fail(at, "expected a size as \"WIDTHxHEIGHT\", got " + value.dump());
                } else {
                    Fail(at, "unknown key; an input has one of pattern, sequence, still or video, and may add "
                             "size, length (pattern) or first (sequence)");
                }
            }
            if (kinds != 1) Fail({"input"}, "give exactly one of pattern, sequence, still or video");
        } else {
            Fail({"input"}, "expected a file name, \"pattern\", or an object such as {\"video\": \"clip.mov\"}");
        }
        if (in.kind != InputSpec::Kind::Pattern) in.path = Resolve(in.path);
        return in;
    }

    FrameRange Frames(const json& v)
    {
        FrameRange r;
        std::string error;
        if (v.is_string()) {
            if (!ParseFrameRange(v.get<std::string>(), r, error)) Fail({"frames"}, error);
        } else if (v.is_array() && v.size() == 2 && v[0].is_number_integer() && v[1].is_number_integer()) {
            if (!ParseFrameRange(std::to_string(v[0].get<long long>()) + "-" + std::to_string(v[1].get<long long>()),
                                 r, error))
                Fail({"frames"}, error);
        } else {
            Fail({"frames"}, "expected \"FIRST-LAST\" or [FIRST, LAST], got " + v.dump());
        }
        return r;
    }

    FrameRate Fps(const json& v)
    {
        FrameRate rate;
        std::string error;
        const std::string text = v.is_string() ? v.get<std::string>() : v.is_number() ? v.dump() : "";
        if (text.empty()) Fail({"fps"}, "expected a frame rate as 30, 29.97 or \"30000/1001\", got " + v.dump());
        if (!ParseFrameRate(text, rate, error)) Fail({"fps"}, error);
        return rate;
    }

    Depth DepthOf(const json& v)
    {
        Depth d;
        const std::string text = v.is_string() ? v.get<std::string>() : v.is_number_integer() ? v.dump() : "";
        if (!ParseDepth(text, d)) Fail({"depth"}, "expected 8, 16 or \"float\", got " + v.dump());
        return d;
    }

    void Params(const json& v, Project& p)
    {
        if (!v.is_object()) Fail({"params"}, "expected an object of display names and values");
        for (const auto& [name, value] : v.items()) {
            const Path at{"params", name};
            const ParamInfo* info = catalog_.Find(name);
            if (!info) Fail(at, catalog_.UnknownMessage(name));
            if (!info->Animatable()) Fail(at, AcceptedText(*info));
            Track track;
            track.param = info->index;
            track.constant = DefaultValue(*info);
            std::string error;
            if (value.is_object()) {
                for (const auto& [key, _] : value.items())
                    if (key != "keyframes")
                        Fail(at, "an animated value is {\"keyframes\": [{\"frame\": 0, \"value\": ...}, ...]}; "
                                 "unknown key \"" + key + "\"");
                const json& keys = value.contains("keyframes") ? value["keyframes"] : json();
                if (!keys.is_array() || keys.empty())
                    Fail(at, "\"keyframes\" must be a list of at least one {\"frame\" or \"seconds\", \"value\"}");
                for (std::size_t i = 0; i < keys.size(); ++i)
                    track.keys.push_back(Key(*info, keys[i], {"params", name, "keyframes"}, i));
            } else if (!ParseParamJson(*info, value, track.constant, error)) {
                Fail(at, error);
            }
            if (p.params.count(info->index)) Fail(at, "'" + info->name + "' is given twice");
            p.params[info->index] = track;
        }
    }

    Keyframe Key(const ParamInfo& info, const json& k, const Path& at, std::size_t i)
    {
        const std::string suffix = "[" + std::to_string(i) + "]";
        if (!k.is_object()) Fail(at, "a keyframe is {\"frame\": N, \"value\": V} or {\"seconds\": S, \"value\": V}", suffix);
        Keyframe key;
        int times = 0;
        bool hasValue = false;
        std::string error;
        for (const auto& [field, value] : k.items()) {
            if (field == "frame" || field == "seconds") {
                ++times;
                if (!value.is_number() || !(value.get<double>() >= 0) || value.get<double>() > 1e7)
                    Fail(at, "\"" + field + "\" must be a number from 0 to 10000000, got " + value.dump(), suffix);
                key.time.seconds = field == "seconds";
                key.time.amount = value.get<double>();
            } else if (field == "value") {
                hasValue = true;
                if (!ParseParamJson(info, value, key.value, error)) Fail(at, error, suffix);
            } else {
                Fail(at, "unknown key \"" + field + "\" in a keyframe; it has \"frame\" or \"seconds\", and \"value\"",
                     suffix);
            }
        }
        if (times != 1 || !hasValue)
            Fail(at, "a keyframe needs one time (\"frame\" or \"seconds\") and a \"value\"", suffix);
        return key;
    }

    OutputSpec Output(const json& v)
    {
        OutputSpec out;
        if (v.is_string()) {
            out.path = String({"output"}, v);
        } else if (v.is_object()) {
            for (const auto& [key, value] : v.items()) {
                const Path at{"output", key};
                if (key == "path") out.path = String(at, value);
                else if (key == "codec") out.codec = String(at, value);
                else if (key == "crf") {
                    if (!value.is_number() && !value.is_string()) Fail(at, "expected a number, got " + value.dump());
                    out.crf = value.is_string() ? value.get<std::string>() : value.dump();
                } else if (key == "ffmpeg_args") {
                    if (!value.is_array()) Fail(at, "expected a list of texts passed to ffmpeg");
                    for (const json& a : value) out.ffmpegArgs.push_back(String(at, a));
                } else if (key == "audio") {
                    if (!value.is_boolean()) Fail(at, "expected true or false, got " + value.dump());
                    out.audio = value.get<bool>();
                } else if (key == "start_number") {
                    out.startNumber = Integer(at, value, 0, 999999999);
                } else if (key == "exr_type") {
                    out.exrType = String(at, value);
                    if (out.exrType != "half" && out.exrType != "float")
                        Fail(at, "expected \"half\" or \"float\", got " + value.dump());
                } else if (key == "exr_compression") {
                    out.exrCompression = String(at, value);
                    if (!IsExrCompression(out.exrCompression))
                        Fail(at, "expected one of " + ExrCompressionList() + ", got " + value.dump());
                } else {
                    Fail(at, "unknown key; an output has path, codec, crf, ffmpeg_args, audio, start_number, "
                             "exr_type and exr_compression");
                }
            }
            if (out.path.empty()) Fail({"output"}, "an output needs a \"path\"");
            SequencePattern sp;
            const bool sequence = ParseSequencePattern(out.path, sp);
            if (sequence && (!out.codec.empty() || !out.crf.empty() || !out.ffmpegArgs.empty()))
                Fail({"output"}, "codec, crf and ffmpeg_args are for a video output, and \"" + out.path +
                                     "\" is an image sequence");
            if (!sequence && out.startNumber) Fail({"output", "start_number"}, "a start number is for an image sequence");
        } else {
            Fail({"output"}, "expected a file name or {\"path\": ...}");
        }
        out.path = Resolve(out.path);
        return out;
    }

    SheetSpec Sheet(const json& v)
    {
        SheetSpec s;
        if (v.is_string()) {
            s.path = String({"contact_sheet"}, v);
        } else if (v.is_object()) {
            for (const auto& [key, value] : v.items()) {
                const Path at{"contact_sheet", key};
                if (key == "path") s.path = String(at, value);
                else if (key == "frames") s.frames = Integer(at, value, 1, 400);
                else if (key == "columns") s.columns = Integer(at, value, 1, 40);
                else if (key == "width") s.width = Integer(at, value, 16, 4096);
                else Fail(at, "unknown key; a contact sheet has path, frames, columns and width");
            }
            if (s.path.empty()) Fail({"contact_sheet"}, "a contact sheet needs a \"path\"");
        } else {
            Fail({"contact_sheet"}, "expected a file name or {\"path\": ...}");
        }
        s.path = Resolve(s.path);
        return s;
    }

    const std::string& text_;
    std::string file_;
    std::string base_;
    const ParamCatalog& catalog_;
};

}  // namespace

bool ParseBeatsAs(const std::string& text, bool& asBpm)
{
    if (text != "beat" && text != "bpm") return false;
    asBpm = text == "bpm";
    return true;
}

bool ParseInputText(const std::string& text, InputSpec& input, std::string& error)
{
    InputSpec in;
    if (text == "pattern" || text.rfind("pattern:", 0) == 0) {
        in.kind = InputSpec::Kind::Pattern;
        if (text.size() > 8 && !ParseSize(text.substr(8), in.width, in.height)) {
            error = "'" + text + "': a pattern's size is WIDTHxHEIGHT, as pattern:640x360 (1 to " +
                    std::to_string(kMaxPatternSize) + ")";
            return false;
        }
    } else if (text.empty()) {
        error = "the input is empty; give a video file, an image sequence (shot.%04d.png) or \"pattern\"";
        return false;
    } else {
        SequencePattern sp;
        in.path = text;
        if (ParseSequencePattern(text, sp)) in.kind = InputSpec::Kind::Sequence;
        else if (IsImageExtension(Extension(text))) in.kind = InputSpec::Kind::Still;
        else in.kind = InputSpec::Kind::Video;
    }
    input = in;
    return true;
}

Project ParseProject(const std::string& text, const std::string& fileName, const std::string& baseDir,
                     const ParamCatalog& catalog)
{
    return Parser(text, fileName, baseDir, catalog).Parse();
}

Project LoadProject(const std::string& path, const ParamCatalog& catalog)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) UsageError(path + ": is a folder, not a project file");
    std::ifstream in(path, std::ios::binary);
    if (!in) UsageError(path + ": cannot open the project file");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) UsageError(path + ": cannot read the project file");
    const std::string dir = std::filesystem::path(path).parent_path().string();
    return ParseProject(text.str(), path, dir, catalog);
}

}  // namespace pwcli
