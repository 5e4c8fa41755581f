#include "plugin_env.h"

namespace pwtest {
namespace {

constexpr FlavourFacts kFacts32{32, 1, "Pulsewarper, v1.0\rVivoria!", true, true, true, 10.0f, 5.0f};
constexpr FlavourFacts kFacts64{64, 2, "Pulsewarper, v1.00\rVivoria!", false, false, false, 20.0f, 10.0f};

PluginEnv g_env;

}  // namespace

const FlavourFacts& FactsFor(int bits) { return bits == 32 ? kFacts32 : kFacts64; }

const PluginEnv& Env() { return g_env; }

void SetEnv(const PluginEnv& env) { g_env = env; }

}  // namespace pwtest
