// The function tables the host hands out. Each family lives in its own suites_*.cpp; a new suite is one table
// there plus one Register line in RegisterStandardSuites.
#pragma once

#include "ae_suites.h"
#include "host/broker.h"

namespace pwhost {

void RegisterAnsiSuite(SuiteBroker& broker);      // "PF ANSI Suite" 1
void RegisterHandleSuites(SuiteBroker& broker);   // "PF Handle Suite" 1 (32-bit sizes) and 2 (64-bit sizes)
void RegisterUtilitySuite(SuiteBroker& broker);   // "AEGP Utility Suite" 7
void RegisterAegpSuites(SuiteBroker& broker);      // PF Interface 1, Layer 11, Comp 11, Effect 2, Stream 7,
                                                   // Dynamic Stream 2
void RegisterParamUtilsSuites(SuiteBroker& broker);  // "PF Param Utils Suite" 1 and 2
void RegisterWorldSuites(SuiteBroker& broker);     // "PF World Suite" 1 and 2
void RegisterFillMatteSuite(SuiteBroker& broker);  // "PF Fill Matte Suite" 2
void RegisterSamplingSuites(SuiteBroker& broker);  // "PF Sampling8/16/Float Suite" 1
void RegisterStandardSuites(SuiteBroker& broker);

// The tables embedded in or reached from PF_InData.
SPBasicSuite MakeBasicSuite();
PF_ANSICallbacks MakeAnsiCallbacks();
PF_UtilCallbacks MakeUtilCallbacks();
PF_InteractCallbacks MakeInteractCallbacks();
void FillHandleCallbacks(PF_UtilCallbacks& utils);

}  // namespace pwhost
