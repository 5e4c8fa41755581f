// pulsewarper: renders footage through the Pulsewarper plug-in, loaded into our own host as a compositing host
// would load it.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli_error.h"
#include "project/demo.h"
#include "host/module.h"
#include "io/safe_file.h"
#include "engine/interrupt.h"
#include "project/options.h"
#include "project/param_listing.h"
#include "engine/render_command.h"
#include "engine/render_engine.h"
#include "engine/render_record.h"
#include "farm/farm_command.h"
#include "music/beats_command.h"
#include "report/text_output.h"

namespace {

#ifdef PW_DEFAULT_PLUGIN
constexpr const char* kDefaultPlugin = PW_DEFAULT_PLUGIN;
#else
constexpr const char* kDefaultPlugin = "";
#endif

using namespace pwcli;

int RunDemo(Options options, PF_EntryPointFunc entry, const PluginFacts& facts)
{
    const std::string dir = options.outDir.empty() ? "pulsewarper-demo" : options.outDir;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw CliError(kExitOutput, "cannot make the folder " + dir + ": " + ec.message());
    const std::string project = dir + "/pulsewarper-demo.json";
    WriteFileWhole(project, DemoProjectText().data(), DemoProjectText().size());
    options.project = project;
    const int code = RunRender(options, entry, facts, stdout, stderr);
    if (code == kExitOk && !options.beats) {
        std::printf("The demo clip:     %s/%s\n", dir.c_str(), kDemoVideo);
        std::printf("Its contact sheet: %s/%s\n", dir.c_str(), kDemoSheet);
        std::printf("Its project file:  %s\n", project.c_str());
        FinishText(stdout);
    }
    return code;
}

void PrintParamsJson(const ParamCatalog& catalog)
{
    nlohmann::json list = nlohmann::json::array();
    for (const ParamInfo& p : catalog.All()) {
        if (!p.Animatable()) continue;
        nlohmann::json j{{"index", p.index}, {"name", p.name}, {"kind", KindName(p.kind)}};
        if (p.kind == ParamKind::Popup) {
            j["choices"] = p.choices;
            j["default"] = p.choices.at(static_cast<std::size_t>(p.defaultNumber) - 1);
        } else if (p.kind == ParamKind::Checkbox) {
            j["default"] = p.defaultNumber != 0;
        } else if (p.kind == ParamKind::Color) {
            j["default"] = {p.defaultColor.red, p.defaultColor.green, p.defaultColor.blue};
        } else {
            j["min"] = p.validMin;
            j["max"] = p.validMax;
            j["slider_min"] = p.sliderMin;
            j["slider_max"] = p.sliderMax;
            j["default"] = p.defaultNumber;
        }
        list.push_back(j);
    }
    PutText(stdout, list.dump(2) + "\n");
}

int Main(int argc, char** argv, RenderSummary& summary)
{
    InstallInterruptHandler();
    const Options options = ParseOptions(argc, argv, kDefaultPlugin);
    if (options.command == "help") {
        PutText(stdout, UsageText(kDefaultPlugin));
        FinishText(stdout);
        return kExitOk;
    }
    if (options.command == "version") std::printf("pulsewarper %s (command-line renderer)\n", kRendererVersion);
    if (options.plugin.empty()) UsageError("no plug-in given: use --plugin PATH");
    pwhost::PluginModule module(options.plugin);
    if (!module.IsLoaded()) throw CliError(kExitRenderFailed, module.Error());
    const PluginFacts facts = QueryPlugin(module.EntryPoint());
    if (options.command == "about" || options.command == "version") {
        const std::string about = facts.about.substr(0, facts.about.find('\n'));
        if (options.command == "version") std::printf("plug-in: %s (%s)\n", about.c_str(), options.plugin.c_str());
        else std::printf("%s\n", facts.about.c_str());
        FinishText(stdout);
        return kExitOk;
    }
    if (options.command == "params") {
        if (options.json) PrintParamsJson(facts.catalog);
        else PrintParamList(stdout, facts.catalog);
        FinishText(stdout);
        return kExitOk;
    }
    if (options.command == "demo") return RunDemo(options, module.EntryPoint(), facts);
    if (options.command == "beats") return RunBeatsCommand(options, facts.catalog, stdout, stderr);
    if (options.command == "farm") return RunFarm(options, module.EntryPoint(), facts, stdout, stderr);
    return RunRender(options, module.EntryPoint(), facts, stdout, stderr, &summary);
}

// --report json, looked for before the options are parsed: a command line that cannot be parsed gets its line too.
bool WantsJsonReport(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--report=json" || (arg == "--report" && i + 1 < argc && std::string(argv[i + 1]) == "json"))
            return true;
    }
    return false;
}

void PrintReport(int code, const RenderSummary& summary, const std::string& message)
{
    const char* status = code == kExitOk ? "ok" : code == kExitInterrupted ? "interrupted" : "failed";
    nlohmann::json line{{"status", status},
                        {"exit", code},
                        {"frames", {summary.first, summary.last}},
                        {"rendered", summary.rendered},
                        {"kept", summary.kept},
                        {"seconds", std::round(summary.seconds * 1000) / 1000},
                        {"output", summary.output},
                        {"message", message}};
    std::printf("%s\n", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool report = WantsJsonReport(argc, argv);
    RenderSummary summary;
    std::string message;
    int code = kExitOk;
    try {
        code = Main(argc, argv, summary);
    } catch (const CliError& e) {
        std::fprintf(stderr, "pulsewarper: %s\n", e.what());
        if (e.code == kExitUsage) std::fprintf(stderr, "pulsewarper: nothing was written ('pulsewarper help' shows the options)\n");
        message = e.what();
        code = e.code;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pulsewarper: unexpected failure: %s\n", e.what());
        message = std::string("unexpected failure: ") + e.what();
        code = kExitRenderFailed;
    }
    if (report) PrintReport(code, summary, message);
    return code;
}
