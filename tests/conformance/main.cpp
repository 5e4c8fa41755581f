// pw_conformance --plugin=PATH|builtin --flavour=32|64 [--aex32=PATH] [--aex64=PATH] [GoogleTest options]
// "builtin" runs the suite against that flavour's dispatch linked into this binary.
#include <cstdio>
#include <cstring>
#include <string>

#include <gmock/gmock.h>

#include "builtin_plugin.h"
#include "host/module.h"
#include "plugin_env.h"

namespace {

int Usage(const char* why)
{
    std::fprintf(stderr, "pw_conformance: %s\nusage: pw_conformance --plugin=PATH|builtin --flavour=32|64 [--aex32=PATH] [--aex64=PATH] [gtest options]\n",
                 why);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleMock(&argc, argv);

    std::string plugin;
    int bits = 0;
    std::string aex32, aex64;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--plugin=", 0) == 0) {
            plugin = arg.substr(9);
        } else if (arg == "--plugin" && i + 1 < argc) {
            plugin = argv[++i];
        } else if (arg.rfind("--aex32=", 0) == 0) {
            aex32 = arg.substr(8);
        } else if (arg.rfind("--aex64=", 0) == 0) {
            aex64 = arg.substr(8);
        } else if (arg == "--flavour=32" || arg == "--flavour=64") {
            bits = std::stoi(arg.substr(10));
        } else {
            return Usage(("unknown argument: " + arg).c_str());
        }
    }
    if (plugin.empty()) return Usage("--plugin is required");
    if (!bits) return Usage("--flavour=32 or --flavour=64 is required");

    if (plugin == "builtin") {
        pwtest::SetEnv(pwtest::PluginEnv{pwtest::BuiltinEntryPoint(bits), &pwtest::FactsFor(bits), "", aex32, aex64});
        return RUN_ALL_TESTS();
    }
    pwhost::PluginModule module(plugin);
    if (!module.IsLoaded()) {
        std::fprintf(stderr, "pw_conformance: %s\n", module.Error().c_str());
        return 2;
    }
    pwtest::SetEnv(pwtest::PluginEnv{module.EntryPoint(), &pwtest::FactsFor(bits), plugin, aex32, aex64});
    return RUN_ALL_TESTS();
}
