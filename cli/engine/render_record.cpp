#include "engine/render_record.h"

#include <cstdio>
#include <set>

#include "io/content_hash.h"
#include "io/path_names.h"
#include "project/keyframes.h"
#include "project/output_conflicts.h"
#include "project/param_value.h"

namespace pwcli {

const char* const kRendererVersion = "1.1";

namespace {

using json = nlohmann::json;

// Exact: a value that differs in its last bit is another value.
std::string Exact(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

json ValueOf(const ParamInfo& info, const ParamValue& v)
{
    if (info.kind == ParamKind::Color) return FormatParamValue(info, v);
    return Exact(v.number);
}

json InputOf(const Job& job)
{
    const InputSpec& in = job.project.input;
    const ClipInfo& clip = job.reader->Info();
    static const char* const kKinds[] = {"none", "pattern", "sequence", "still", "video"};
    json j{{"kind", kKinds[static_cast<int>(in.kind)]},
           {"size", std::to_string(clip.width) + "x" + std::to_string(clip.height)},
           {"frames", clip.frameCount}};
    if (!in.path.empty()) j["path"] = ResolvedPath(in.path);
    if (clip.firstNumber) j["first"] = *clip.firstNumber;
    // A video or a still is one file: what it holds now is part of every frame.
    if (in.kind == InputSpec::Kind::Video || in.kind == InputSpec::Kind::Still) j["file"] = FileStamp(in.path);
    return j;
}

}  // namespace

json RenderRecord(const Job& job, const ParamCatalog& catalog, const std::string& pluginAbout)
{
    json params = json::object();
    for (const ParamInfo& info : catalog.All()) {
        if (!info.Animatable()) continue;
        const auto it = job.project.params.find(info.index);
        if (it == job.project.params.end() || !it->second.Animated()) {
            params[info.name] = ValueOf(info, it == job.project.params.end() ? DefaultValue(info) : it->second.constant);
            continue;
        }
        std::vector<TimedKey> keys;
        std::string error;
        ResolveKeys(info, it->second, job.rate, keys, error);
        json list = json::array();
        for (const TimedKey& k : keys) list.push_back(json::array({k.time, ValueOf(info, k.value)}));
        params[info.name] = json{{"keyframes", list}};
    }
    const ImageWriteOptions& io = job.imageOptions;
    return json{{"renderer", kRendererVersion},
                {"plugin", pluginAbout},
                {"input", InputOf(job)},
                {"fps", std::to_string(job.rate.num) + "/" + std::to_string(job.rate.den)},
                {"depth", DepthName(job.depth)},
                {"downsample", job.project.downsample},
                {"format",
                 {{"extension", Extension(job.project.output.path)},
                  {"exr_type", io.exrType == ExrType::Half ? "half" : "float"},
                  {"exr_compression", io.exrCompression},
                  {"windows", io.display.Empty() ? "" :
                                  std::to_string(io.canvas.x) + "," + std::to_string(io.canvas.y) + " " +
                                      std::to_string(io.display.x) + "," + std::to_string(io.display.y) + "," +
                                      std::to_string(io.display.width) + "x" + std::to_string(io.display.height)}}},
                {"start_number", job.files.startNumber},
                {"params", params}};
}

std::string RecordId(const nlohmann::json& record) { return HexOf(HashText(record.dump())); }

std::vector<std::string> RecordDifferences(const nlohmann::json& a, const nlohmann::json& b)
{
    std::vector<std::string> names;
    auto compare = [&](const json& x, const json& y, bool inParams) {
        std::set<std::string> keys;
        if (x.is_object())
            for (const auto& [k, _] : x.items()) keys.insert(k);
        if (y.is_object())
            for (const auto& [k, _] : y.items()) keys.insert(k);
        for (const std::string& k : keys) {
            if (!inParams && k == "params") continue;
            const bool same = x.is_object() && y.is_object() && x.contains(k) && y.contains(k) && x[k] == y[k];
            if (!same) names.push_back(k);
        }
    };
    compare(a, b, false);
    compare(a.value("params", json::object()), b.value("params", json::object()), true);
    return names;
}

}  // namespace pwcli
