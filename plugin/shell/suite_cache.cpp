#include "suite_cache.h"

namespace pw {
namespace {

struct SuiteId {
    const char* name;
    int32_t version;
};

// Slot order is release order.
constexpr SuiteId kCatalogue[HostSuiteCache::kSlotCount] = {
    {kPFANSISuite, 1},          {kAEGPUtilitySuite, 7},         {kPFHandleSuite, 1},
    {kPFHandleSuite, 2},        {kAEGPPFInterfaceSuite, 1},     {kAEGPStreamSuite, 7},
    {kAEGPDynamicStreamSuite, 2}, {kPFParamUtilsSuite, 1},      {kPFParamUtilsSuite, 2},
    {kAEGPEffectSuite, 2},      {kAEGPCompSuite, 11},           {kAEGPLayerSuite, 11},
    {kPFWorldSuite, 1},         {kPFSampling8Suite, 1},         {kPFSampling16Suite, 1},
    {kPFSamplingFloatSuite, 1},
};

}  // namespace

HostSuiteCache::HostSuiteCache(SPBasicSuite* broker) : broker_(broker), slots_{}
{
    if (!broker_) throw MissingSuiteError{PF_Err_BAD_CALLBACK_PARAM};
}

HostSuiteCache::~HostSuiteCache()
{
    for (int i = 0; i < kSlotCount; ++i) {
        if (slots_[i]) broker_->ReleaseSuite(kCatalogue[i].name, kCatalogue[i].version);
    }
}

const void* HostSuiteCache::Acquire(Slot slot)
{
    if (slots_[slot]) return slots_[slot];
    const void* table = nullptr;
    SPErr err = broker_->AcquireSuite(kCatalogue[slot].name, kCatalogue[slot].version, &table);
    if (err != 0 || !table) throw MissingSuiteError{PF_Err_BAD_CALLBACK_PARAM};
    slots_[slot] = table;
    return table;
}

#define PW_SUITE_ACCESSOR(Type, Method, SlotId) \
    const Type& HostSuiteCache::Method() { return *static_cast<const Type*>(Acquire(SlotId)); }

PW_SUITE_ACCESSOR(PF_ANSICallbacksSuite1, Ansi1, kAnsi1)
PW_SUITE_ACCESSOR(AEGP_UtilitySuite3, Utility7, kUtility7)
PW_SUITE_ACCESSOR(PF_HandleSuite1Size32, Handle1, kHandle1)
PW_SUITE_ACCESSOR(PF_HandleSuite1, Handle2, kHandle2)
PW_SUITE_ACCESSOR(AEGP_PFInterfaceSuite1, PFInterface1, kPFInterface1)
PW_SUITE_ACCESSOR(AEGP_StreamSuite2, Stream7, kStream7)
PW_SUITE_ACCESSOR(AEGP_DynamicStreamSuite2, DynamicStream2, kDynamicStream2)
PW_SUITE_ACCESSOR(PF_ParamUtilsSuiteLegacy1, ParamUtils1, kParamUtils1)
PW_SUITE_ACCESSOR(PF_ParamUtilsSuite1, ParamUtils2, kParamUtils2)
PW_SUITE_ACCESSOR(AEGP_EffectSuite2, Effect2, kEffect2)
PW_SUITE_ACCESSOR(AEGP_CompSuite5, Comp11, kComp11)
PW_SUITE_ACCESSOR(AEGP_LayerSuite5, Layer11, kLayer11)
PW_SUITE_ACCESSOR(PF_WorldSuite1, World1, kWorld1)
PW_SUITE_ACCESSOR(PF_Sampling8Suite1, Sampling8, kSampling8)
PW_SUITE_ACCESSOR(PF_Sampling16Suite1, Sampling16, kSampling16)
PW_SUITE_ACCESSOR(PF_SamplingFloatSuite1, SamplingFloat, kSamplingFloat)
#undef PW_SUITE_ACCESSOR

// Number 1 carries 32-bit sizes; a size past that range is refused rather than truncated.
PF_Handle HandleSuite::NewHandle(A_HandleSize size)
{
    if (flavour_.handleSuiteVersion == 1) {
        if (size > 0xFFFFFFFFull) return nullptr;
        return cache_.Handle1().host_new_handle(static_cast<A_u_long>(size));
    }
    return cache_.Handle2().host_new_handle(size);
}

void* HandleSuite::Lock(PF_Handle h)
{
    return flavour_.handleSuiteVersion == 1 ? cache_.Handle1().host_lock_handle(h)
                                            : cache_.Handle2().host_lock_handle(h);
}

void HandleSuite::Unlock(PF_Handle h)
{
    if (flavour_.handleSuiteVersion == 1)
        cache_.Handle1().host_unlock_handle(h);
    else
        cache_.Handle2().host_unlock_handle(h);
}

void HandleSuite::Dispose(PF_Handle h)
{
    if (flavour_.handleSuiteVersion == 1)
        cache_.Handle1().host_dispose_handle(h);
    else
        cache_.Handle2().host_dispose_handle(h);
}

#define PW_PARAM_UTIL(Func, Member)                                                                   \
    Func ParamUtilsSuite::Member()                                                                    \
    {                                                                                                 \
        return flavour_.paramUtilsSuiteVersion == 1 ? cache_.ParamUtils1().PF_##Member                \
                                                    : cache_.ParamUtils2().PF_##Member;               \
    }

PW_PARAM_UTIL(PF_GetCurrentStateFunc, GetCurrentState)
PW_PARAM_UTIL(PF_HasParamChangedFunc, HasParamChanged)
PW_PARAM_UTIL(PF_FindKeyframeTimeFunc, FindKeyframeTime)
PW_PARAM_UTIL(PF_CheckoutKeyframeFunc, CheckoutKeyframe)
PW_PARAM_UTIL(PF_CheckinKeyframeFunc, CheckinKeyframe)
#undef PW_PARAM_UTIL

}  // namespace pw
