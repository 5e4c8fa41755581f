// The two deliverables differ only in the points gathered here; the build target picks one.
#pragma once

#include <cstdint>

namespace pw {

struct Flavour {
    bool is32Bit;
    int32_t handleSuiteVersion;      // "PF Handle Suite"
    int32_t paramUtilsSuiteVersion;  // "PF Param Utils Suite"
    float easeValidMax;
    float easeSliderMax;
    bool handlesGeneralCommand;       // PF_Cmd_COMPLETELY_GENERAL
    bool skipsRegistrationInPremiere;
};

inline constexpr Flavour kFlavour32{true, 1, 1, 10.0f, 5.0f, true, false};
inline constexpr Flavour kFlavour64{false, 2, 2, 20.0f, 10.0f, false, true};

#if defined(PW_FORCE_FLAVOUR_32) || defined(__i386__) || defined(_M_IX86)
inline constexpr const Flavour& kBuildFlavour = kFlavour32;
#else
inline constexpr const Flavour& kBuildFlavour = kFlavour64;
#endif

}  // namespace pw
