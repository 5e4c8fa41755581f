// Project files and command-line words through the renderer's parsers, nothing rendered: any bytes give a valid
// job or a clear usage error (exit 2) that names what is wrong, never a library's exception text or a crash.
// Input: the project text, then command-line words, each ended by a zero byte.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "cli_error.h"
#include "engine/render_engine.h"
#include "project/keyframes.h"
#include "project/options.h"
#include "project/param_assignment.h"
#include "project/project.h"
#include "project/treatment_check.h"
#include "shell/commands.h"

namespace {

extern "C" PF_Err PF_CDECL Entry(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[],
                                 PF_LayerDef* output, void* extra)
{
    return pw::Dispatch(pw::kBuildFlavour, cmd, in, out, params, output, extra);
}

const pwcli::ParamCatalog& Catalog()
{
    static const pwcli::PluginFacts facts = pwcli::QueryPlugin(Entry);
    return facts.catalog;
}

[[noreturn]] void Finding(const std::string& what)
{
    std::fprintf(stderr, "finding: %s\n", what.c_str());
    std::abort();
}

// Everything the user wrote this time: a message may echo any of it.
std::string g_input;

// A usage error says what is wrong in the tool's words: a library's phrase in it that the user did not write
// came from the library.
void CheckMessage(const pwcli::CliError& e)
{
    const std::string text = e.what();
    if (e.code != pwcli::kExitUsage) Finding("exit " + std::to_string(e.code) + ": " + text);
    if (text.empty()) Finding("an empty message");
    for (const char* library : {"[json.exception", "basic_string", "vector::", "bad_alloc", "std::", "what()",
                                ": stoi", ": stol", ": stoul", ": stof", ": stod"})
        if (text.find(library) != std::string::npos && g_input.find(library) == std::string::npos)
            Finding("a library's text: " + text);
}

template <class Fn>
bool Guarded(Fn&& fn)
{
    try {
        fn();
        return true;
    } catch (const pwcli::CliError& e) {
        CheckMessage(e);
    } catch (const std::exception& e) {
        Finding(std::string("an exception escaped: ") + e.what());
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Catalog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_input.assign(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) parts.emplace_back();
        else parts.back() += static_cast<char>(data[i]);
    }
    const pwcli::ParamCatalog& catalog = Catalog();

    std::vector<const char*> argv = {"pulsewarper"};
    for (std::size_t i = 1; i < parts.size(); ++i) argv.push_back(parts[i].c_str());
    Guarded([&] { pwcli::ParseOptions(static_cast<int>(argv.size()), argv.data(), "Pulsewarper.so"); });

    pwcli::Project project;
    if (!Guarded([&] { project = pwcli::ParseProject(parts[0], "job.json", "/base", catalog); })) project = {};
    std::set<int> keyed;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string& word = parts[i];
        if (word.find('=') == std::string::npos) continue;
        if (word.find('@') != std::string::npos) Guarded([&] { pwcli::ApplyKey(project, catalog, word, keyed); });
        else Guarded([&] { pwcli::ApplySet(project, catalog, word); });
    }
    const pwcli::FrameRate rate = project.fps.value_or(pwcli::FrameRate{});
    for (const auto& [index, track] : project.params) {
        const pwcli::ParamInfo* info = catalog.ByIndex(index);
        std::vector<pwcli::TimedKey> keys;
        std::string error;
        if (info && !pwcli::ResolveKeys(*info, track, rate, keys, error) && error.empty())
            Finding("keyframes refused without a reason");
    }
    pwcli::NoTreatmentWarning(project, catalog);
    pwcli::TimeReach(project, catalog, rate);
    return 0;
}
