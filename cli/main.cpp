// pulsewarper: loads the plug-in in our host and shows what it tells a host about itself.
#include <cstdio>
#include <cstring>
#include <string>

#include "host/host.h"
#include "host/module.h"
#include "param_listing.h"

namespace {

#ifdef PW_DEFAULT_PLUGIN
constexpr const char* kDefaultPlugin = PW_DEFAULT_PLUGIN;
#else
constexpr const char* kDefaultPlugin = nullptr;
#endif

void PrintUsage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: pulsewarper [--plugin PATH]\n"
                 "\n"
                 "Loads the Pulsewarper plug-in in a host, runs its global set-up and prints its About text and\n"
                 "the parameters it declares, then sets it down again.\n"
                 "\n"
                 "  --plugin PATH   the plug-in file to load");
    if (kDefaultPlugin) std::fprintf(out, " (default: %s)", kDefaultPlugin);
    std::fprintf(out, "\n  --help          show this text\n");
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "pulsewarper: %s\n", message.c_str());
    return 1;
}

// Runs one command; a failure is reported with the command's name.
bool Run(pwhost::Host& host, PF_Cmd cmd, const char* what, pwhost::CommandResult* result = nullptr)
{
    pwhost::CommandResult r = host.Call(cmd);
    if (r.err) {
        std::fprintf(stderr, "pulsewarper: %s failed with error %d\n", what, static_cast<int>(r.err));
        const std::string message = r.ReturnMessage();
        if (!message.empty()) std::fprintf(stderr, "pulsewarper: the plug-in says: %s\n", message.c_str());
        return false;
    }
    if (result) *result = r;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string plugin = kDefaultPlugin ? kDefaultPlugin : "";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            return 0;
        }
        if (arg == "--plugin") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "pulsewarper: --plugin needs a path\n");
                PrintUsage(stderr);
                return 2;
            }
            plugin = argv[++i];
        } else if (arg.rfind("--plugin=", 0) == 0) {
            plugin = arg.substr(9);
        } else {
            std::fprintf(stderr, "pulsewarper: unknown %s '%s'\n", arg[0] == '-' ? "option" : "argument",
                         arg.c_str());
            PrintUsage(stderr);
            return 2;
        }
    }
    if (plugin.empty()) {
        std::fprintf(stderr, "pulsewarper: no plug-in given\n");
        PrintUsage(stderr);
        return 2;
    }

    pwhost::PluginModule module(plugin);
    if (!module.IsLoaded()) return Fail(module.Error());

    pwhost::Host host(module.EntryPoint());
    pwhost::CommandResult about;
    bool ok = Run(host, PF_Cmd_GLOBAL_SETUP, "global set-up") && Run(host, PF_Cmd_ABOUT, "About", &about);
    if (ok) {
        std::string text = about.ReturnMessage();
        for (char& c : text)
            if (c == '\r') c = '\n';
        std::printf("%s\n\n", text.c_str());
        ok = Run(host, PF_Cmd_PARAMS_SETUP, "parameter declaration");
        if (ok) pwcli::PrintParamList(stdout, host.Params());
        ok = Run(host, PF_Cmd_SEQUENCE_SETUP, "sequence set-up") && ok;
    }
    if (host.SequenceData()) ok = Run(host, PF_Cmd_SEQUENCE_SETDOWN, "sequence set-down") && ok;
    if (host.GlobalData()) ok = Run(host, PF_Cmd_GLOBAL_SETDOWN, "global set-down") && ok;

    for (const std::string& violation : host.Violations())
        std::fprintf(stderr, "pulsewarper: the plug-in broke the interface: %s\n", violation.c_str());
    return ok && host.Violations().empty() ? 0 : 1;
}
