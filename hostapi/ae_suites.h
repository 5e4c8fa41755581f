// The suite broker and the function tables of the suites we use, one table per (name, number).
// Every slot before the last one we call is declared so that ours sit where the host puts them.
#pragma once

#include "ae_smart.h"

extern "C" {

struct SPBasicSuite {
    SPErr(PF_CDECL* AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr(PF_CDECL* ReleaseSuite)(const char* name, int32_t version);
    int32_t(PF_CDECL* IsEqual)(const char* token1, const char* token2);
    SPErr(PF_CDECL* AllocateBlock)(size_t size, void** block);
    SPErr(PF_CDECL* FreeBlock)(void* block);
    SPErr(PF_CDECL* ReallocateBlock)(void* block, size_t new_size, void** new_block);
    SPErr(PF_CDECL* Undefined)(void);
};

constexpr const char* kSPBasicSuite = "SP Basic Suite";
constexpr const char* kPFANSISuite = "PF ANSI Suite";
constexpr const char* kAEGPUtilitySuite = "AEGP Utility Suite";
constexpr const char* kPFHandleSuite = "PF Handle Suite";
constexpr const char* kAEGPPFInterfaceSuite = "AEGP PF Interface Suite";
constexpr const char* kAEGPStreamSuite = "AEGP Stream Suite";
constexpr const char* kAEGPDynamicStreamSuite = "AEGP Dynamic Stream Suite";
constexpr const char* kPFParamUtilsSuite = "PF Param Utils Suite";
constexpr const char* kAEGPEffectSuite = "AEGP Effect Suite";
constexpr const char* kAEGPCompSuite = "AEGP Comp Suite";
constexpr const char* kAEGPLayerSuite = "AEGP Layer Suite";
constexpr const char* kPFWorldSuite = "PF World Suite";
constexpr const char* kPFFillMatteSuite = "PF Fill Matte Suite";
constexpr const char* kPFSampling8Suite = "PF Sampling8 Suite";
constexpr const char* kPFSampling16Suite = "PF Sampling16 Suite";
constexpr const char* kPFSamplingFloatSuite = "PF SamplingFloat Suite";

// "PF ANSI Suite" 1
struct PF_ANSICallbacksSuite1 {
    void* atan;
    void* atan2;
    PF_FpLong(PF_CDECL* ceil)(PF_FpLong);
    void* cos;
    void* exp;
    void* fabs;
    PF_FpLong(PF_CDECL* floor)(PF_FpLong);
    PF_FpLong(PF_CDECL* fmod)(PF_FpLong, PF_FpLong);
    void* hypot;
    void* log;
    void* log10;
    void* pow;
    void* sin;
    void* sqrt;
    void* tan;
    int(PF_CDECL* sprintf)(A_char*, const A_char*, ...);
    A_char*(PF_CDECL* strcpy)(A_char*, const A_char*);
    void* asin;
    void* acos;
};

// "AEGP Utility Suite" 7
struct AEGP_UtilitySuite3 {
    A_Err(PF_CDECL* AEGP_ReportInfo)(AEGP_PluginID, const A_char*);
    void* AEGP_GetDriverPluginInitFuncVersion;
    void* AEGP_GetDriverImplementationVersion;
    void* AEGP_StartQuietErrors;
    void* AEGP_EndQuietErrors;
    void* AEGP_StartUndoGroup;
    void* AEGP_EndUndoGroup;
    A_Err(PF_CDECL* AEGP_RegisterWithAEGP)(AEGP_GlobalRefcon global_refcon, const A_char* plugin_name,
                                           AEGP_PluginID* plugin_id);
};

// "PF Handle Suite": number 2 takes 64-bit sizes, number 1 (32-bit hosts) 32-bit sizes.
struct PF_HandleSuite1 {
    PF_Handle(PF_CDECL* host_new_handle)(A_HandleSize size);
    void*(PF_CDECL* host_lock_handle)(PF_Handle h);
    void(PF_CDECL* host_unlock_handle)(PF_Handle h);
    void(PF_CDECL* host_dispose_handle)(PF_Handle h);
    A_HandleSize(PF_CDECL* host_get_handle_size)(PF_Handle h);
    PF_Err(PF_CDECL* host_resize_handle)(A_HandleSize new_size, PF_Handle* handle);
};
struct PF_HandleSuite1Size32 {
    PF_Handle(PF_CDECL* host_new_handle)(A_u_long size);
    void*(PF_CDECL* host_lock_handle)(PF_Handle h);
    void(PF_CDECL* host_unlock_handle)(PF_Handle h);
    void(PF_CDECL* host_dispose_handle)(PF_Handle h);
    A_u_long(PF_CDECL* host_get_handle_size)(PF_Handle h);
    PF_Err(PF_CDECL* host_resize_handle)(A_u_long new_size, PF_Handle* handle);
};

// "AEGP PF Interface Suite" 1
struct AEGP_PFInterfaceSuite1 {
    A_Err(PF_CDECL* AEGP_GetEffectLayer)(PF_ProgPtr effect_ref, AEGP_LayerH* layer);
    A_Err(PF_CDECL* AEGP_GetNewEffectForEffect)(AEGP_PluginID plugin_id, PF_ProgPtr effect_ref,
                                                AEGP_EffectRefH* effect);
    void* AEGP_ConvertEffectToCompTime;
    void* AEGP_GetEffectCamera;
    void* AEGP_GetEffectCameraMatrix;
};

// "AEGP Stream Suite" 7
struct AEGP_StreamSuite2 {
    void* AEGP_IsStreamLegal;
    void* AEGP_CanVaryOverTime;
    void* AEGP_GetValidInterpolations;
    void* AEGP_GetNewLayerStream;
    void* AEGP_GetEffectNumParamStreams;
    A_Err(PF_CDECL* AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID plugin_id, AEGP_EffectRefH effect,
                                                    PF_ParamIndex param_index, AEGP_StreamRefH* stream);
    void* AEGP_GetNewMaskStream;
    A_Err(PF_CDECL* AEGP_DisposeStream)(AEGP_StreamRefH stream);
};

// "AEGP Dynamic Stream Suite" 2
struct AEGP_DynamicStreamSuite2 {
    void* AEGP_GetNewStreamRefForLayer;
    void* AEGP_GetStreamDepth;
    void* AEGP_GetStreamGroupingType;
    void* AEGP_GetNumStreamsInGroup;
    void* AEGP_GetDynamicStreamFlags;
    A_Err(PF_CDECL* AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH stream, AEGP_DynStreamFlags one_flag,
                                               A_Boolean undoable, A_Boolean set);
};

// "PF Param Utils Suite": the operations common to numbers 1 and 2.
typedef PF_Err(PF_CDECL* PF_GetCurrentStateFunc)(PF_ProgPtr effect_ref, PF_State* state);
typedef PF_Err(PF_CDECL* PF_HasParamChangedFunc)(PF_ProgPtr effect_ref, const PF_State* state,
                                                 PF_ParamIndex param_index, PF_Boolean* changed);
typedef PF_Err(PF_CDECL* PF_FindKeyframeTimeFunc)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time,
                                                  A_u_long time_scale, PF_TimeDir time_dir, PF_Boolean* found,
                                                  PF_KeyIndex* key_index, A_long* key_time,
                                                  A_u_long* key_time_scale);
typedef PF_Err(PF_CDECL* PF_CheckoutKeyframeFunc)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                                                  PF_KeyIndex key_index, A_long* key_time, A_u_long* key_time_scale,
                                                  PF_ParamDef* param);
typedef PF_Err(PF_CDECL* PF_CheckinKeyframeFunc)(PF_ProgPtr effect_ref, PF_ParamDef* param);

// Number 2, the current table.
struct PF_ParamUtilsSuite1 {
    void* PF_UpdateParamUI;
    PF_GetCurrentStateFunc PF_GetCurrentState;
    PF_HasParamChangedFunc PF_HasParamChanged;
    void* PF_HaveInputsChangedOverTimeSpan;
    void* PF_IsIdenticalCheckout;
    PF_FindKeyframeTimeFunc PF_FindKeyframeTime;
    void* PF_GetKeyframeCount;
    PF_CheckoutKeyframeFunc PF_CheckoutKeyframe;
    PF_CheckinKeyframeFunc PF_CheckinKeyframe;
    void* PF_KeyIndexToTime;
};

// Number 1, served by 32-bit hosts: no PF_HaveInputsChangedOverTimeSpan, so later entries sit one slot earlier.
struct PF_ParamUtilsSuiteLegacy1 {
    void* PF_UpdateParamUI;
    PF_GetCurrentStateFunc PF_GetCurrentState;
    PF_HasParamChangedFunc PF_HasParamChanged;
    void* PF_IsIdenticalCheckout;
    PF_FindKeyframeTimeFunc PF_FindKeyframeTime;
    void* PF_GetKeyframeCount;
    PF_CheckoutKeyframeFunc PF_CheckoutKeyframe;
    PF_CheckinKeyframeFunc PF_CheckinKeyframe;
    void* PF_KeyIndexToTime;
};

// "AEGP Effect Suite" 2
struct AEGP_EffectSuite2 {
    void* AEGP_GetLayerNumEffects;
    void* AEGP_GetLayerEffectByIndex;
    void* AEGP_GetInstalledKeyFromLayerEffect;
    void* AEGP_GetEffectParamUnionByIndex;
    void* AEGP_GetEffectFlags;
    void* AEGP_SetEffectFlags;
    void* AEGP_ReorderEffect;
    void* AEGP_EffectCallGeneric;
    A_Err(PF_CDECL* AEGP_DisposeEffect)(AEGP_EffectRefH effect);
};

// "AEGP Comp Suite" 11
struct AEGP_CompSuite5 {
    void* AEGP_GetCompFromItem;
    void* AEGP_GetItemFromComp;
    void* AEGP_GetCompDownsampleFactor;
    void* AEGP_SetCompDownsampleFactor;
    void* AEGP_GetCompBGColor;
    void* AEGP_SetCompBGColor;
    void* AEGP_GetCompFlags;
    A_Err(PF_CDECL* AEGP_GetCompFramerate)(AEGP_CompH comp, A_FpLong* fps);
};

// "AEGP Layer Suite" 11
struct AEGP_LayerSuite5 {
    void* AEGP_GetCompNumLayers;
    void* AEGP_GetCompLayerByIndex;
    void* AEGP_GetActiveLayer;
    void* AEGP_GetLayerIndex;
    void* AEGP_GetLayerSourceItem;
    void* AEGP_GetLayerSourceItemID;
    A_Err(PF_CDECL* AEGP_GetLayerParentComp)(AEGP_LayerH layer, AEGP_CompH* comp);
};

// "PF World Suite" 1
struct PF_WorldSuite1 {
    PF_Err(PF_CDECL* new_world)(PF_ProgPtr effect_ref, A_long width, A_long height, A_long flags,
                                PF_EffectWorld* world);
    PF_Err(PF_CDECL* dispose_world)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
};

// "PF World Suite" 2
struct PF_WorldSuite2 {
    PF_Err(PF_CDECL* PF_NewWorld)(PF_ProgPtr effect_ref, A_long width, A_long height, PF_Boolean clear_pixels,
                                  PF_PixelFormat pixel_format, PF_EffectWorld* world);
    PF_Err(PF_CDECL* PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
    PF_Err(PF_CDECL* PF_GetPixelFormat)(const PF_EffectWorld* world, PF_PixelFormat* pixel_format);
};

// "PF Fill Matte Suite" 2
struct PF_FillMatteSuite2 {
    PF_Err(PF_CDECL* fill)(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
                           PF_EffectWorld* world);
    PF_Err(PF_CDECL* fill16)(PF_ProgPtr effect_ref, const PF_Pixel16* color, const PF_Rect* dst_rect,
                             PF_EffectWorld* world);
    PF_Err(PF_CDECL* fill_float)(PF_ProgPtr effect_ref, const PF_PixelFloat* color, const PF_Rect* dst_rect,
                                 PF_EffectWorld* world);
};

// "PF Sampling8 Suite" 1, "PF Sampling16 Suite" 1, "PF SamplingFloat Suite" 1
struct PF_Sampling8Suite1 {
    PF_Err(PF_CDECL* nn_sample)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const PF_SampPB* params,
                                PF_Pixel* dst_pixel);
    void* subpixel_sample;
    void* area_sample;
};
struct PF_Sampling16Suite1 {
    PF_Err(PF_CDECL* nn_sample16)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const PF_SampPB* params,
                                  PF_Pixel16* dst_pixel);
    void* subpixel_sample16;
    void* area_sample16;
};
struct PF_SamplingFloatSuite1 {
    PF_Err(PF_CDECL* nn_sample_float)(PF_ProgPtr effect_ref, PF_Fixed x, PF_Fixed y, const PF_SampPB* params,
                                      PF_PixelFloat* dst_pixel);
    void* subpixel_sample_float;
    void* area_sample_float;
};

}  // extern "C"

#if PF_TARGET_X86 || PF_TARGET_X64
#define PF_CHECK_SLOT(type, field, index) PF_CHECK_OFFSET(type, field, (index) * 4, (index) * 8)
PF_CHECK_SIZE(SPBasicSuite, 28, 56);
PF_CHECK_SLOT(SPBasicSuite, ReleaseSuite, 1);
PF_CHECK_SLOT(PF_ANSICallbacksSuite1, ceil, 2);
PF_CHECK_SLOT(PF_ANSICallbacksSuite1, floor, 6);
PF_CHECK_SLOT(PF_ANSICallbacksSuite1, fmod, 7);
PF_CHECK_SLOT(PF_ANSICallbacksSuite1, sprintf, 15);
PF_CHECK_SLOT(PF_ANSICallbacksSuite1, strcpy, 16);
PF_CHECK_SIZE(PF_ANSICallbacksSuite1, 76, 152);
PF_CHECK_SLOT(AEGP_UtilitySuite3, AEGP_RegisterWithAEGP, 7);
PF_CHECK_SLOT(PF_HandleSuite1, host_lock_handle, 1);
PF_CHECK_SLOT(PF_HandleSuite1, host_dispose_handle, 3);
PF_CHECK_SLOT(PF_HandleSuite1, host_resize_handle, 5);
PF_CHECK_SIZE(PF_HandleSuite1, 24, 48);
PF_CHECK_SIZE(PF_HandleSuite1Size32, 24, 48);
PF_CHECK_SLOT(AEGP_PFInterfaceSuite1, AEGP_GetNewEffectForEffect, 1);
PF_CHECK_SIZE(AEGP_PFInterfaceSuite1, 20, 40);
PF_CHECK_SLOT(AEGP_StreamSuite2, AEGP_GetNewEffectStreamByIndex, 5);
PF_CHECK_SLOT(AEGP_StreamSuite2, AEGP_DisposeStream, 7);
PF_CHECK_SLOT(AEGP_DynamicStreamSuite2, AEGP_SetDynamicStreamFlag, 5);
PF_CHECK_SLOT(PF_ParamUtilsSuite1, PF_GetCurrentState, 1);
PF_CHECK_SLOT(PF_ParamUtilsSuite1, PF_HasParamChanged, 2);
PF_CHECK_SLOT(PF_ParamUtilsSuite1, PF_FindKeyframeTime, 5);
PF_CHECK_SLOT(PF_ParamUtilsSuite1, PF_CheckoutKeyframe, 7);
PF_CHECK_SLOT(PF_ParamUtilsSuite1, PF_CheckinKeyframe, 8);
PF_CHECK_SIZE(PF_ParamUtilsSuite1, 40, 80);
PF_CHECK_SLOT(PF_ParamUtilsSuiteLegacy1, PF_FindKeyframeTime, 4);
PF_CHECK_SLOT(PF_ParamUtilsSuiteLegacy1, PF_CheckoutKeyframe, 6);
PF_CHECK_SLOT(PF_ParamUtilsSuiteLegacy1, PF_CheckinKeyframe, 7);
PF_CHECK_SIZE(PF_ParamUtilsSuiteLegacy1, 36, 72);
PF_CHECK_SLOT(AEGP_EffectSuite2, AEGP_DisposeEffect, 8);
PF_CHECK_SLOT(AEGP_CompSuite5, AEGP_GetCompFramerate, 7);
PF_CHECK_SLOT(AEGP_LayerSuite5, AEGP_GetLayerParentComp, 6);
PF_CHECK_SLOT(PF_WorldSuite1, dispose_world, 1);
PF_CHECK_SLOT(PF_WorldSuite2, PF_GetPixelFormat, 2);
PF_CHECK_SLOT(PF_FillMatteSuite2, fill_float, 2);
PF_CHECK_SIZE(PF_Sampling8Suite1, 12, 24);
PF_CHECK_SIZE(PF_Sampling16Suite1, 12, 24);
PF_CHECK_SIZE(PF_SamplingFloatSuite1, 12, 24);
#endif
