// Records and callback tables passed with every command: worlds, parameters, PF_InData, PF_OutData.
#pragma once

#include "ae_basic.h"
#include "ae_constants.h"

extern "C" {

typedef struct PF_LayerDef {
    void* reserved0;
    void* reserved1;
    A_long world_flags;
    void* data;
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_LRect extent_hint;
    void* platform_ref;
    A_long reserved_long1;
    void* reserved_long4;
    PF_RationalScale pix_aspect_ratio;
    void* reserved_long2;
    A_long origin_x;
    A_long origin_y;
    A_long reserved_long3;
    A_long dephault;
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

typedef struct {
    PF_ParamValue value;
    A_char value_str[32];
    A_char value_desc[32];
    PF_ParamValue valid_min, valid_max;
    PF_ParamValue slider_min, slider_max;
    PF_ParamValue dephault;
} PF_SliderDef;

typedef struct {
    PF_Fixed value;
    A_char value_str[32];
    A_char value_desc[32];
    PF_Fixed valid_min, valid_max;
    PF_Fixed slider_min, slider_max;
    PF_Fixed dephault;
    A_short precision;
    PF_ValueDisplayFlags display_flags;
} PF_FixedSliderDef;

typedef struct {
    PF_FpLong value;
    PF_FpLong phase;
    A_char value_desc[32];
    PF_FpShort valid_min, valid_max;
    PF_FpShort slider_min, slider_max;
    PF_FpShort dephault;
    A_short precision;
    PF_ValueDisplayFlags display_flags;
    PF_FSliderFlags fs_flags;
    PF_FpShort curve_tolerance;
    PF_Boolean useExponent;
    PF_FpShort exponent;
} PF_FloatSliderDef;

typedef struct {
    PF_Fixed value;
    PF_Fixed dephault;
    PF_Fixed valid_min, valid_max;
} PF_AngleDef;

typedef struct {
    PF_ParamValue value;
    PF_Boolean dephault;
    A_char reserved;
    A_short reserved1;
    union {
        const A_char* nameptr;
    } u;
} PF_CheckBoxDef;

typedef struct {
    PF_Pixel value;
    PF_Pixel dephault;
} PF_ColorDef;

typedef struct {
    PF_ParamValue value;
    A_short num_choices;
    A_short dephault;
    union {
        const A_char* namesptr;
    } u;
} PF_PopupDef;

typedef union {
    PF_LayerDef ld;
    PF_SliderDef sd;
    PF_FixedSliderDef fd;
    PF_AngleDef ad;
    PF_CheckBoxDef bd;
    PF_ColorDef cd;
    PF_PopupDef pd;
    PF_FloatSliderDef fs_d;
} PF_ParamDefUnion;

typedef struct PF_ParamDef {
    union {
        A_long id;
        A_long change_flags;
    } uu;
    PF_ParamUIFlags ui_flags;
    A_short ui_width;
    A_short ui_height;
    PF_ParamType param_type;
    A_char name[32];
    PF_ParamFlags flags;
    A_long unused;
    PF_ParamDefUnion u;
} PF_ParamDef;

typedef PF_ParamDef* PF_ParamList[];

typedef struct {
    PF_Err(PF_CDECL* checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long time_step,
                                     A_u_long time_scale, PF_ParamDef* param);
    PF_Err(PF_CDECL* checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
    PF_Err(PF_CDECL* add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDef* def);
    PF_Err(PF_CDECL* abort)(PF_ProgPtr effect_ref);
    PF_Err(PF_CDECL* progress)(PF_ProgPtr effect_ref, A_long current, A_long total);
    void* register_ui;
    void* checkout_layer_audio;
    void* checkin_layer_audio;
    void* get_audio_data;
    void* reserved_str[3];
    void* reserved[10];
} PF_InteractCallbacks;

typedef struct {
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
    A_long ansi_procs[1];
} PF_ANSICallbacks;

typedef struct {
    void* RGBtoHLS;
    void* HLStoRGB;
    void* RGBtoYIQ;
    void* YIQtoRGB;
    void* Luminance;
    void* Hue;
    void* Lightness;
    void* Saturation;
} PF_ColorCallbacks;

typedef struct {
    void* begin_sampling;
    void* subpixel_sample;
    void* area_sample;
    void* get_batch_func_is_deprecated;
    void* end_sampling;
    void* composite_rect;
    void* blend;
    void* convolve;
    PF_Err(PF_CDECL* copy)(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r,
                           PF_Rect* dst_r);
    PF_Err(PF_CDECL* fill)(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
                           PF_EffectWorld* world);
    void* gaussian_kernel;
    void* iterate;
    void* premultiply;
    void* premultiply_color;
    PF_Err(PF_CDECL* new_world)(PF_ProgPtr effect_ref, A_long width, A_long height, A_long flags,
                                PF_EffectWorld* world);
    PF_Err(PF_CDECL* dispose_world)(PF_ProgPtr effect_ref, PF_EffectWorld* world);
    void* iterate_origin;
    void* iterate_lut;
    void* transfer_rect;
    void* transform_world;
    PF_Handle(PF_CDECL* host_new_handle)(A_HandleSize size);
    void*(PF_CDECL* host_lock_handle)(PF_Handle h);
    void(PF_CDECL* host_unlock_handle)(PF_Handle h);
    void(PF_CDECL* host_dispose_handle)(PF_Handle h);
    void* get_callback_addr;
    void* app;
    PF_ANSICallbacks ansi;
    PF_ColorCallbacks colorCB;
    void* get_platform_data;
    A_HandleSize(PF_CDECL* host_get_handle_size)(PF_Handle h);
    void* iterate_origin_non_clip_src;
    void* iterate_generic;
    PF_Err(PF_CDECL* host_resize_handle)(A_HandleSize new_size, PF_Handle* handle);
    void* subpixel_sample16;
    void* area_sample16;
    PF_Err(PF_CDECL* fill16)(PF_ProgPtr effect_ref, const PF_Pixel16* color, const PF_Rect* dst_rect,
                             PF_EffectWorld* world);
    void* premultiply_color16;
    void* iterate16;
    void* iterate_origin16;
    void* iterate_origin_non_clip_src16;
    void* get_pixel_data8;
    void* get_pixel_data16;
    A_long reserved[1];
} PF_UtilCallbacks;

struct SPBasicSuite;

typedef struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    PF_Quality quality;
    PF_SpecVersion version;
    A_long serial_num;
    A_long appl_id;
    A_long num_params;
    A_long reserved;
    A_long what_cpu;
    A_long what_fpu;
    A_long current_time;
    A_long time_step;
    A_long total_time;
    A_long local_time_step;
    A_u_long time_scale;
    PF_Field field;
    PF_Fixed shutter_angle;
    A_long width;
    A_long height;
    PF_Rect extent_hint;
    A_long output_origin_x;
    A_long output_origin_y;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    PF_InFlags in_flags;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    A_long start_sampL;
    A_long dur_sampL;
    A_long total_sampL;
    PF_SoundWorld src_snd;
    struct SPBasicSuite* pica_basicP;
    A_long pre_effect_source_origin_x;
    A_long pre_effect_source_origin_y;
    PF_Fixed shutter_phase;
} PF_InData;

typedef struct PF_OutData {
    A_u_long my_version;
    A_char name[32];
    PF_Handle global_data;
    A_long num_params;
    PF_Handle sequence_data;
    A_long flat_sdata_size;
    PF_Handle frame_data;
    A_long width;
    A_long height;
    PF_Point origin;
    PF_OutFlags out_flags;
    A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
    A_long start_sampL;
    A_long dur_sampL;
    PF_SoundWorld dest_snd;
    PF_OutFlags2 out_flags2;
} PF_OutData;

typedef PF_Err(PF_CDECL* PF_EntryPointFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                             PF_ParamDef* params[], PF_LayerDef* output, void* extra);

}  // extern "C"

// The host reads these records at fixed offsets: a slip here crashes a real host.
#define PF_CHECK_OFFSET(type, field, x86, x64) \
    static_assert(offsetof(type, field) == (PF_TARGET_X86 ? (x86) : (x64)), #type "." #field)
#define PF_CHECK_SIZE(type, x86, x64) static_assert(sizeof(type) == (PF_TARGET_X86 ? (x86) : (x64)), #type " size")

#if PF_TARGET_X86 || PF_TARGET_X64
PF_CHECK_SIZE(PF_LayerDef, 84, 120);
PF_CHECK_OFFSET(PF_LayerDef, world_flags, 8, 16);
PF_CHECK_OFFSET(PF_LayerDef, data, 12, 24);
PF_CHECK_OFFSET(PF_LayerDef, rowbytes, 16, 32);
PF_CHECK_OFFSET(PF_LayerDef, width, 20, 36);
PF_CHECK_OFFSET(PF_LayerDef, height, 24, 40);
PF_CHECK_OFFSET(PF_LayerDef, extent_hint, 28, 44);
PF_CHECK_OFFSET(PF_LayerDef, platform_ref, 44, 64);
PF_CHECK_OFFSET(PF_LayerDef, pix_aspect_ratio, 56, 88);
PF_CHECK_OFFSET(PF_LayerDef, origin_x, 68, 104);
PF_CHECK_OFFSET(PF_LayerDef, dephault, 80, 116);

PF_CHECK_SIZE(PF_SliderDef, 88, 88);
PF_CHECK_OFFSET(PF_SliderDef, valid_min, 68, 68);
PF_CHECK_OFFSET(PF_SliderDef, dephault, 84, 84);
PF_CHECK_SIZE(PF_FixedSliderDef, 92, 92);
PF_CHECK_OFFSET(PF_FixedSliderDef, valid_min, 68, 68);
PF_CHECK_OFFSET(PF_FixedSliderDef, precision, 88, 88);
PF_CHECK_OFFSET(PF_FixedSliderDef, display_flags, 90, 90);
PF_CHECK_SIZE(PF_FloatSliderDef, 88, 88);
PF_CHECK_OFFSET(PF_FloatSliderDef, phase, 8, 8);
PF_CHECK_OFFSET(PF_FloatSliderDef, valid_min, 48, 48);
PF_CHECK_OFFSET(PF_FloatSliderDef, dephault, 64, 64);
PF_CHECK_OFFSET(PF_FloatSliderDef, precision, 68, 68);
PF_CHECK_OFFSET(PF_FloatSliderDef, fs_flags, 72, 72);
PF_CHECK_OFFSET(PF_FloatSliderDef, curve_tolerance, 76, 76);
PF_CHECK_OFFSET(PF_FloatSliderDef, useExponent, 80, 80);
PF_CHECK_OFFSET(PF_FloatSliderDef, exponent, 84, 84);
PF_CHECK_SIZE(PF_AngleDef, 16, 16);
PF_CHECK_SIZE(PF_CheckBoxDef, 12, 16);
PF_CHECK_OFFSET(PF_CheckBoxDef, dephault, 4, 4);
PF_CHECK_OFFSET(PF_CheckBoxDef, u, 8, 8);
PF_CHECK_SIZE(PF_ColorDef, 8, 8);
PF_CHECK_OFFSET(PF_ColorDef, dephault, 4, 4);
PF_CHECK_SIZE(PF_PopupDef, 12, 16);
PF_CHECK_OFFSET(PF_PopupDef, num_choices, 4, 4);
PF_CHECK_OFFSET(PF_PopupDef, dephault, 6, 6);
PF_CHECK_OFFSET(PF_PopupDef, u, 8, 8);
PF_CHECK_SIZE(PF_ParamDefUnion, 96, 120);
static_assert(alignof(PF_ParamDefUnion) == 8, "PF_ParamDefUnion alignment");

PF_CHECK_SIZE(PF_ParamDef, 152, 176);
PF_CHECK_OFFSET(PF_ParamDef, ui_flags, 4, 4);
PF_CHECK_OFFSET(PF_ParamDef, ui_width, 8, 8);
PF_CHECK_OFFSET(PF_ParamDef, param_type, 12, 12);
PF_CHECK_OFFSET(PF_ParamDef, name, 16, 16);
PF_CHECK_OFFSET(PF_ParamDef, flags, 48, 48);
PF_CHECK_OFFSET(PF_ParamDef, u, 56, 56);

PF_CHECK_SIZE(PF_InteractCallbacks, 88, 176);
PF_CHECK_OFFSET(PF_InteractCallbacks, checkin_param, 4, 8);
PF_CHECK_OFFSET(PF_InteractCallbacks, add_param, 8, 16);
PF_CHECK_OFFSET(PF_InteractCallbacks, abort, 12, 24);
PF_CHECK_OFFSET(PF_InteractCallbacks, progress, 16, 32);
PF_CHECK_OFFSET(PF_InteractCallbacks, reserved_str, 36, 72);
PF_CHECK_OFFSET(PF_InteractCallbacks, reserved, 48, 96);

PF_CHECK_SIZE(PF_ANSICallbacks, 80, 160);
PF_CHECK_OFFSET(PF_ANSICallbacks, ceil, 8, 16);
PF_CHECK_OFFSET(PF_ANSICallbacks, floor, 24, 48);
PF_CHECK_OFFSET(PF_ANSICallbacks, fmod, 28, 56);
PF_CHECK_OFFSET(PF_ANSICallbacks, sprintf, 60, 120);
PF_CHECK_OFFSET(PF_ANSICallbacks, strcpy, 64, 128);
PF_CHECK_OFFSET(PF_ANSICallbacks, ansi_procs, 76, 152);
PF_CHECK_SIZE(PF_ColorCallbacks, 32, 64);

PF_CHECK_SIZE(PF_UtilCallbacks, 276, 552);
PF_CHECK_OFFSET(PF_UtilCallbacks, copy, 32, 64);
PF_CHECK_OFFSET(PF_UtilCallbacks, fill, 36, 72);
PF_CHECK_OFFSET(PF_UtilCallbacks, new_world, 56, 112);
PF_CHECK_OFFSET(PF_UtilCallbacks, dispose_world, 60, 120);
PF_CHECK_OFFSET(PF_UtilCallbacks, host_new_handle, 80, 160);
PF_CHECK_OFFSET(PF_UtilCallbacks, host_lock_handle, 84, 168);
PF_CHECK_OFFSET(PF_UtilCallbacks, host_unlock_handle, 88, 176);
PF_CHECK_OFFSET(PF_UtilCallbacks, host_dispose_handle, 92, 184);
PF_CHECK_OFFSET(PF_UtilCallbacks, ansi, 104, 208);
PF_CHECK_OFFSET(PF_UtilCallbacks, colorCB, 184, 368);
PF_CHECK_OFFSET(PF_UtilCallbacks, host_get_handle_size, 220, 440);
PF_CHECK_OFFSET(PF_UtilCallbacks, host_resize_handle, 232, 464);
PF_CHECK_OFFSET(PF_UtilCallbacks, fill16, 244, 488);
PF_CHECK_OFFSET(PF_UtilCallbacks, reserved, 272, 544);

PF_CHECK_SIZE(PF_InData, 280, 408);
PF_CHECK_OFFSET(PF_InData, utils, 88, 176);
PF_CHECK_OFFSET(PF_InData, effect_ref, 92, 184);
PF_CHECK_OFFSET(PF_InData, quality, 96, 192);
PF_CHECK_OFFSET(PF_InData, version, 100, 196);
PF_CHECK_OFFSET(PF_InData, appl_id, 108, 204);
PF_CHECK_OFFSET(PF_InData, num_params, 112, 208);
PF_CHECK_OFFSET(PF_InData, current_time, 128, 224);
PF_CHECK_OFFSET(PF_InData, time_step, 132, 228);
PF_CHECK_OFFSET(PF_InData, total_time, 136, 232);
PF_CHECK_OFFSET(PF_InData, time_scale, 144, 240);
PF_CHECK_OFFSET(PF_InData, width, 156, 252);
PF_CHECK_OFFSET(PF_InData, extent_hint, 164, 260);
PF_CHECK_OFFSET(PF_InData, downsample_x, 188, 284);
PF_CHECK_OFFSET(PF_InData, downsample_y, 196, 292);
PF_CHECK_OFFSET(PF_InData, pixel_aspect_ratio, 204, 300);
PF_CHECK_OFFSET(PF_InData, in_flags, 212, 308);
PF_CHECK_OFFSET(PF_InData, global_data, 216, 312);
PF_CHECK_OFFSET(PF_InData, sequence_data, 220, 320);
PF_CHECK_OFFSET(PF_InData, frame_data, 224, 328);
PF_CHECK_OFFSET(PF_InData, src_snd, 240, 352);
PF_CHECK_OFFSET(PF_InData, pica_basicP, 264, 384);
PF_CHECK_OFFSET(PF_InData, shutter_phase, 276, 400);

PF_CHECK_SIZE(PF_OutData, 376, 408);
PF_CHECK_OFFSET(PF_OutData, name, 4, 4);
PF_CHECK_OFFSET(PF_OutData, global_data, 36, 40);
PF_CHECK_OFFSET(PF_OutData, num_params, 40, 48);
PF_CHECK_OFFSET(PF_OutData, sequence_data, 44, 56);
PF_CHECK_OFFSET(PF_OutData, frame_data, 52, 72);
PF_CHECK_OFFSET(PF_OutData, width, 56, 80);
PF_CHECK_OFFSET(PF_OutData, origin, 64, 88);
PF_CHECK_OFFSET(PF_OutData, out_flags, 72, 96);
PF_CHECK_OFFSET(PF_OutData, return_msg, 76, 100);
PF_CHECK_OFFSET(PF_OutData, start_sampL, 332, 356);
PF_CHECK_OFFSET(PF_OutData, dest_snd, 344, 368);
PF_CHECK_OFFSET(PF_OutData, out_flags2, 368, 400);
#endif
