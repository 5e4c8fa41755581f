// Records of the smart pre-render and smart render commands, and the sampling parameter block.
#pragma once

#include "ae_effect.h"

extern "C" {

typedef struct {
    PF_LRect rect;
    PF_Field field;
    PF_ChannelMask channel_mask;
    PF_Boolean preserve_rgb_of_zero_alpha;
    A_char unused[3];
    A_long reserved[4];
} PF_RenderRequest;

typedef struct {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_RationalScale par;
    PF_Boolean solid;
    PF_Boolean reservedB[3];
    A_long ref_width;
    A_long ref_height;
    A_long reserved[6];
} PF_CheckoutResult;

typedef void(PF_CDECL* PF_DeletePreRenderDataFunc)(void* pre_render_data);

typedef struct {
    PF_RenderRequest output_request;
    A_short bitdepth;
    const void* gpu_data;
    A_long what_gpu;
    A_u_long device_index;
} PF_PreRenderInput;

typedef struct {
    PF_LRect result_rect;
    PF_LRect max_result_rect;
    PF_Boolean solid;
    PF_Boolean reserved;
    PF_RenderOutputFlags flags;
    void* pre_render_data;
    PF_DeletePreRenderDataFunc delete_pre_render_data_func;
} PF_PreRenderOutput;

typedef struct {
    PF_Err(PF_CDECL* checkout_layer)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id,
                                     const PF_RenderRequest* req, A_long what_time, A_long time_step,
                                     A_u_long time_scale, PF_CheckoutResult* checkout_result);
    void* GuidMixInPtr;
} PF_PreRenderCallbacks;

typedef struct {
    PF_PreRenderInput* input;
    PF_PreRenderOutput* output;
    PF_PreRenderCallbacks* cb;
} PF_PreRenderExtra;

typedef struct {
    PF_RenderRequest output_request;
    A_short bitdepth;
    void* pre_render_data;
    const void* gpu_data;
    A_long what_gpu;
    A_u_long device_index;
} PF_SmartRenderInput;

typedef struct {
    PF_Err(PF_CDECL* checkout_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id, PF_EffectWorld** pixels);
    PF_Err(PF_CDECL* checkin_layer_pixels)(PF_ProgPtr effect_ref, A_long checkout_id);
    PF_Err(PF_CDECL* checkout_output)(PF_ProgPtr effect_ref, PF_EffectWorld** output);
} PF_SmartRenderCallbacks;

typedef struct {
    PF_SmartRenderInput* input;
    PF_SmartRenderCallbacks* cb;
} PF_SmartRenderExtra;

typedef struct {
    A_long xfer;
    A_long rand_seed;
    A_u_char opacity;
    PF_Boolean rgb_only;
    A_u_short opacitySu;
} PF_CompositeMode;

typedef struct {
    PF_Fixed x_radius;
    PF_Fixed y_radius;
    PF_Fixed area;
    PF_EffectWorld* src;
    A_u_long samp_behave;
    A_long allow_asynch;
    A_long motion_blur;
    PF_CompositeMode comp_mode;
    void* mask0;
    A_u_char* fcm_table;
    A_u_char* fcd_table;
    A_long reserved[8];
} PF_SampPB;

}  // extern "C"

#if PF_TARGET_X86 || PF_TARGET_X64
PF_CHECK_SIZE(PF_RenderRequest, 44, 44);
PF_CHECK_OFFSET(PF_RenderRequest, field, 16, 16);
PF_CHECK_OFFSET(PF_RenderRequest, channel_mask, 20, 20);
PF_CHECK_OFFSET(PF_RenderRequest, preserve_rgb_of_zero_alpha, 24, 24);
PF_CHECK_OFFSET(PF_RenderRequest, reserved, 28, 28);
PF_CHECK_SIZE(PF_CheckoutResult, 76, 76);
PF_CHECK_OFFSET(PF_CheckoutResult, max_result_rect, 16, 16);
PF_CHECK_OFFSET(PF_CheckoutResult, par, 32, 32);
PF_CHECK_OFFSET(PF_CheckoutResult, solid, 40, 40);
PF_CHECK_OFFSET(PF_CheckoutResult, ref_width, 44, 44);
PF_CHECK_OFFSET(PF_CheckoutResult, reserved, 52, 52);
PF_CHECK_SIZE(PF_PreRenderInput, 60, 64);
PF_CHECK_OFFSET(PF_PreRenderInput, bitdepth, 44, 44);
PF_CHECK_OFFSET(PF_PreRenderInput, gpu_data, 48, 48);
PF_CHECK_OFFSET(PF_PreRenderInput, what_gpu, 52, 56);
PF_CHECK_OFFSET(PF_PreRenderInput, device_index, 56, 60);
PF_CHECK_SIZE(PF_PreRenderOutput, 44, 56);
PF_CHECK_OFFSET(PF_PreRenderOutput, max_result_rect, 16, 16);
PF_CHECK_OFFSET(PF_PreRenderOutput, solid, 32, 32);
PF_CHECK_OFFSET(PF_PreRenderOutput, flags, 34, 34);
PF_CHECK_OFFSET(PF_PreRenderOutput, pre_render_data, 36, 40);
PF_CHECK_OFFSET(PF_PreRenderOutput, delete_pre_render_data_func, 40, 48);
PF_CHECK_SIZE(PF_PreRenderCallbacks, 8, 16);
PF_CHECK_SIZE(PF_PreRenderExtra, 12, 24);
PF_CHECK_OFFSET(PF_PreRenderExtra, output, 4, 8);
PF_CHECK_OFFSET(PF_PreRenderExtra, cb, 8, 16);
PF_CHECK_SIZE(PF_SmartRenderInput, 64, 72);
PF_CHECK_OFFSET(PF_SmartRenderInput, bitdepth, 44, 44);
PF_CHECK_OFFSET(PF_SmartRenderInput, pre_render_data, 48, 48);
PF_CHECK_OFFSET(PF_SmartRenderInput, gpu_data, 52, 56);
PF_CHECK_OFFSET(PF_SmartRenderInput, what_gpu, 56, 64);
PF_CHECK_OFFSET(PF_SmartRenderInput, device_index, 60, 68);
PF_CHECK_SIZE(PF_SmartRenderCallbacks, 12, 24);
PF_CHECK_OFFSET(PF_SmartRenderCallbacks, checkout_output, 8, 16);
PF_CHECK_SIZE(PF_SmartRenderExtra, 8, 16);
PF_CHECK_OFFSET(PF_SmartRenderExtra, cb, 4, 8);
PF_CHECK_SIZE(PF_CompositeMode, 12, 12);
PF_CHECK_OFFSET(PF_CompositeMode, opacitySu, 10, 10);
PF_CHECK_SIZE(PF_SampPB, 84, 104);
PF_CHECK_OFFSET(PF_SampPB, src, 12, 16);
PF_CHECK_OFFSET(PF_SampPB, samp_behave, 16, 24);
PF_CHECK_OFFSET(PF_SampPB, comp_mode, 28, 36);
PF_CHECK_OFFSET(PF_SampPB, mask0, 40, 48);
PF_CHECK_OFFSET(PF_SampPB, fcd_table, 48, 64);
PF_CHECK_OFFSET(PF_SampPB, reserved, 52, 72);
#endif
