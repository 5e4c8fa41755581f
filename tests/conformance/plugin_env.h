// The plug-in under test and what its flavour is expected to do differently.
#pragma once

#include <cstdint>
#include <string>

#include "ae_effect.h"

namespace pwtest {

struct FlavourFacts {
    int bits;                        // 32 or 64
    int32_t handleSuite;             // number of "PF Handle Suite" asked for
    const char* aboutText;
    bool aboutUsesAnsiSuite;         // else utils->ansi, with no suite acquired
    bool handlesGeneralCommand;      // PF_Cmd_COMPLETELY_GENERAL
    bool registersInPremiere;
    float easeValidMax, easeSliderMax;
};

const FlavourFacts& FactsFor(int bits);

struct PluginEnv {
    PF_EntryPointFunc entry = nullptr;
    const FlavourFacts* facts = nullptr;
    std::string pluginPath;  // the file under test; empty for the built-in flavours
    // The cross-built Windows deliverables, when given (--aex32=, --aex64=): their records are read as files.
    std::string aex32, aex64;
};

const PluginEnv& Env();
void SetEnv(const PluginEnv& env);

}  // namespace pwtest
