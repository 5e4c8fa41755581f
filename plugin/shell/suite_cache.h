// Per-command access to the host's named suites: acquired on first use, all released when the command ends.
#pragma once

#include "ae_suites.h"
#include "flavour.h"

namespace pw {

// The only exception in the plug-in: a missing host suite, caught by the entry point.
using MissingSuiteError = PF_Err;

class HostSuiteCache {
public:
    // Throws MissingSuiteError when the host gave no broker.
    explicit HostSuiteCache(SPBasicSuite* broker);
    ~HostSuiteCache();
    HostSuiteCache(const HostSuiteCache&) = delete;
    HostSuiteCache& operator=(const HostSuiteCache&) = delete;

    // Each accessor returns the table of exactly that (name, number); it never returns null.
    const PF_ANSICallbacksSuite1& Ansi1();
    const AEGP_UtilitySuite3& Utility7();
    const PF_HandleSuite1Size32& Handle1();
    const PF_HandleSuite1& Handle2();
    const AEGP_PFInterfaceSuite1& PFInterface1();
    const AEGP_StreamSuite2& Stream7();
    const AEGP_DynamicStreamSuite2& DynamicStream2();
    const PF_ParamUtilsSuiteLegacy1& ParamUtils1();
    const PF_ParamUtilsSuite1& ParamUtils2();
    const AEGP_EffectSuite2& Effect2();
    const AEGP_CompSuite5& Comp11();
    const AEGP_LayerSuite5& Layer11();
    const PF_WorldSuite1& World1();
    const PF_Sampling8Suite1& Sampling8();
    const PF_Sampling16Suite1& Sampling16();
    const PF_SamplingFloatSuite1& SamplingFloat();

    enum Slot : int {
        kAnsi1,
        kUtility7,
        kHandle1,
        kHandle2,
        kPFInterface1,
        kStream7,
        kDynamicStream2,
        kParamUtils1,
        kParamUtils2,
        kEffect2,
        kComp11,
        kLayer11,
        kWorld1,
        kSampling8,
        kSampling16,
        kSamplingFloat,
        kSlotCount
    };

private:
    const void* Acquire(Slot slot);

    SPBasicSuite* broker_;
    const void* slots_[kSlotCount];
};

// The handle operations through the table of the flavour's number.
class HandleSuite {
public:
    HandleSuite(HostSuiteCache& cache, const Flavour& flavour) : cache_(cache), flavour_(flavour) {}
    PF_Handle NewHandle(A_HandleSize size);
    void* Lock(PF_Handle h);
    void Unlock(PF_Handle h);
    void Dispose(PF_Handle h);

private:
    HostSuiteCache& cache_;
    const Flavour& flavour_;
};

// The parameter-utility operations through the table of the flavour's number.
class ParamUtilsSuite {
public:
    ParamUtilsSuite(HostSuiteCache& cache, const Flavour& flavour) : cache_(cache), flavour_(flavour) {}
    PF_GetCurrentStateFunc GetCurrentState();
    PF_HasParamChangedFunc HasParamChanged();
    PF_FindKeyframeTimeFunc FindKeyframeTime();
    PF_CheckoutKeyframeFunc CheckoutKeyframe();
    PF_CheckinKeyframeFunc CheckinKeyframe();

private:
    HostSuiteCache& cache_;
    const Flavour& flavour_;
};

// One-shot acquire/release that report failure in the output record instead of throwing.
PF_Err AcquireSuiteWithMessage(const PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                               const char* message, const void** suite_out);
PF_Err ReleaseSuiteWithMessage(const PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                               const char* message);

}  // namespace pw
