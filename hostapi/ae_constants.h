// Command numbers, flags, error codes and four-character codes of the host interface.
#pragma once

#include "ae_basic.h"

enum : PF_Cmd {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_UNUSED_0 = 2,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SEQUENCE_SETUP = 5,
    PF_Cmd_SEQUENCE_RESETUP = 6,
    PF_Cmd_SEQUENCE_FLATTEN = 7,
    PF_Cmd_SEQUENCE_SETDOWN = 8,
    PF_Cmd_DO_DIALOG = 9,
    PF_Cmd_FRAME_SETUP = 10,
    PF_Cmd_RENDER = 11,
    PF_Cmd_FRAME_SETDOWN = 12,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_UPDATE_PARAMS_UI = 14,
    PF_Cmd_EVENT = 15,
    PF_Cmd_GET_EXTERNAL_DEPENDENCIES = 16,
    PF_Cmd_COMPLETELY_GENERAL = 17,
    PF_Cmd_QUERY_DYNAMIC_FLAGS = 18,
    PF_Cmd_AUDIO_RENDER = 19,
    PF_Cmd_AUDIO_SETUP = 20,
    PF_Cmd_AUDIO_SETDOWN = 21,
    PF_Cmd_ARBITRARY_CALLBACK = 22,
    PF_Cmd_SMART_PRE_RENDER = 23,
    PF_Cmd_SMART_RENDER = 24,
    PF_Cmd_NUM_CMDS = 34,
};

enum : PF_Err {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
    PF_Err_INVALID_INDEX = 513,
    PF_Err_UNRECOGNIZED_PARAM_TYPE = 514,
    PF_Err_INVALID_CALLBACK = 515,
    PF_Err_BAD_CALLBACK_PARAM = 516,
    PF_Interrupt_CANCEL = 517,
};

enum : A_Err {
    A_Err_NONE = 0,
    A_Err_GENERIC = 1,
    A_Err_STRUCT = 2,
    A_Err_PARAMETER = 3,
    A_Err_ALLOC = 4,
    A_Err_MISSING_SUITE = 13,
};

enum : PF_OutFlags {
    PF_OutFlag_NONE = 0,
    PF_OutFlag_NON_PARAM_VARY = 1 << 2,
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 1 << 4,
    PF_OutFlag_USE_OUTPUT_EXTENT = 1 << 6,
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 1 << 8,
    PF_OutFlag_PIX_INDEPENDENT = 1 << 10,
    PF_OutFlag_REFRESH_UI = 1 << 17,
    PF_OutFlag_DEEP_COLOR_AWARE = 1 << 25,
    PF_OutFlag_SEND_UPDATE_PARAMS_UI = 1 << 26,
};

enum : PF_OutFlags2 {
    PF_OutFlag2_NONE = 0,
    PF_OutFlag2_I_AM_THREADSAFE = 1 << 4,
    PF_OutFlag2_SUPPORTS_SMART_RENDER = 1 << 10,
    PF_OutFlag2_FLOAT_COLOR_AWARE = 1 << 12,
};

enum : PF_ParamType {
    PF_Param_RESERVED = -1,
    PF_Param_LAYER = 0,
    PF_Param_SLIDER = 1,
    PF_Param_FIX_SLIDER = 2,
    PF_Param_ANGLE = 3,
    PF_Param_CHECKBOX = 4,
    PF_Param_COLOR = 5,
    PF_Param_POINT = 6,
    PF_Param_POPUP = 7,
    PF_Param_CUSTOM = 8,
    PF_Param_NO_DATA = 9,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_ARBITRARY_DATA = 11,
    PF_Param_PATH = 12,
    PF_Param_GROUP_START = 13,
    PF_Param_GROUP_END = 14,
    PF_Param_BUTTON = 15,
    PF_Param_POINT_3D = 18,
};

enum : PF_ParamFlags {
    PF_ParamFlag_CANNOT_TIME_VARY = 0x2,
    PF_ParamFlag_COLLAPSE_TWIRLY = 0x20,
    PF_ParamFlag_SUPERVISE = 0x40,
};

enum : PF_ValueDisplayFlags {
    PF_ValueDisplayFlag_NONE = 0,
    PF_ValueDisplayFlag_PERCENT = 1,
    PF_ValueDisplayFlag_PIXEL = 2,
};

enum : A_short {
    PF_Precision_INTEGER = 0,
    PF_Precision_TENTHS = 1,
    PF_Precision_HUNDREDTHS = 2,
    PF_Precision_THOUSANDTHS = 3,
};

enum : int32_t {
    PF_Stage_DEVELOP = 0,
    PF_Stage_ALPHA = 1,
    PF_Stage_BETA = 2,
    PF_Stage_RELEASE = 3,
};

// Pixel formats spell their name in memory: first character in the low byte.
enum : PF_PixelFormat {
    PF_PixelFormat_ARGB32 = 0x62677261,
    PF_PixelFormat_ARGB64 = 0x36316561,
    PF_PixelFormat_ARGB128 = 0x32336561,
    PF_PixelFormat_BGRA32 = 0x61726762,
    PF_PixelFormat_INVALID = 0x66646162,
};

enum : int32_t {
    PF_NewWorldFlag_NONE = 0,
    PF_NewWorldFlag_CLEAR_PIXELS = 1,
    PF_NewWorldFlag_DEEP_PIXELS = 2,
};

enum : int32_t {
    PF_WorldFlag_DEEP = 1,
    PF_WorldFlag_WRITEABLE = 2,
};

enum : PF_ParamIndex {
    PF_ParamIndex_NONE = -1,
    PF_ParamIndex_CHECK_ALL = -2,
    PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS = -3,
    PF_ParamIndex_CHECK_ALL_HONOR_EXCLUDE = -4,
};

enum : PF_KeyIndex { PF_KeyIndex_NONE = -1 };

enum : PF_TimeDir {
    PF_TimeDir_GREATER_THAN = 0x0000,
    PF_TimeDir_LESS_THAN = 0x0001,
    PF_TimeDir_GREATER_THAN_OR_EQUAL = 0x1000,
    PF_TimeDir_LESS_THAN_OR_EQUAL = 0x1001,
};

enum : AEGP_DynStreamFlags {
    AEGP_DynStreamFlag_ACTIVE_EYEBALL = 1,
    AEGP_DynStreamFlag_HIDDEN = 2,
    AEGP_DynStreamFlag_DISABLED = 0x10,
};

enum : PF_RenderOutputFlags {
    PF_RenderOutputFlag_RETURNS_EXTRA_PIXELS = 1,
    PF_RenderOutputFlag_GPU_RENDER_POSSIBLE = 2,
};

enum : PF_ChannelMask {
    PF_ChannelMask_ALPHA = 1,
    PF_ChannelMask_RED = 2,
    PF_ChannelMask_GREEN = 4,
    PF_ChannelMask_BLUE = 8,
    PF_ChannelMask_ARGB = 0xF,
};

// appl_id codes are ordinary multi-character constants: first character in the high byte.
enum : A_long {
    PF_APPL_ID_AFTER_EFFECTS = 0x46585443,  // 'FXTC'
    PF_APPL_ID_PREMIERE = 0x50724D72,       // 'PrMr'
};

constexpr int PF_MAX_EFFECT_MSG_LEN = 255;
constexpr int PF_MAX_EFFECT_PARAM_NAME_LEN = 31;
constexpr A_u_short PF_MAX_CHAN16 = 32768;
constexpr A_u_char PF_MAX_CHAN8 = 255;

constexpr A_u_long PF_Version(A_u_long vers, A_u_long subvers, A_u_long bugfix, A_u_long stage, A_u_long build)
{
    return ((vers >> 3) & 0xF) << 26 | (vers & 7) << 19 | (subvers & 0xF) << 15 | (bugfix & 0xF) << 11 |
           (stage & 3) << 9 | (build & 0x1FF);
}
static_assert(PF_Version(1, 0, 0, PF_Stage_RELEASE, 1) == 525825, "PF_VERSION packing");
