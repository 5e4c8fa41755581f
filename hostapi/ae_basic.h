// Scalar types, pixels and small records of the host's effect interface.
// Natural alignment reproduces the host's layout on x86 and x64 alike.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define PF_CDECL __cdecl
#else
#define PF_CDECL
#endif

// Layout checks run for the two targets whose measured layouts we know.
#if defined(__i386__) || defined(_M_IX86)
#define PF_TARGET_X86 1
#define PF_TARGET_X64 0
#elif defined(__x86_64__) || defined(_M_X64)
#define PF_TARGET_X86 0
#define PF_TARGET_X64 1
#else
#define PF_TARGET_X86 0
#define PF_TARGET_X64 0
#endif

extern "C" {

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef unsigned char A_u_char;
typedef unsigned char A_Boolean;
typedef char PF_Boolean;
typedef int32_t A_Err;
typedef int32_t PF_Err;
typedef int32_t PF_Cmd;
typedef int32_t PF_Fixed;
typedef uint32_t PF_UFixed;
typedef double PF_FpLong;
typedef double A_FpLong;
typedef float PF_FpShort;
typedef int32_t PF_ParamIndex;
typedef int32_t PF_ParamValue;
typedef int32_t PF_ParamType;
typedef int32_t PF_ParamFlags;
typedef int32_t PF_ParamUIFlags;
typedef int16_t PF_ValueDisplayFlags;
typedef uint32_t PF_FSliderFlags;
typedef int32_t PF_OutFlags;
typedef int32_t PF_OutFlags2;
typedef int32_t PF_InFlags;
typedef int32_t PF_PixelFormat;
typedef int32_t PF_KeyIndex;
typedef int32_t PF_TimeDir;
typedef int16_t PF_RenderOutputFlags;
typedef int32_t PF_ChannelMask;
typedef int32_t PF_Field;
typedef int32_t PF_Quality;
typedef uint64_t A_HandleSize;
typedef int32_t AEGP_PluginID;
typedef uint32_t AEGP_DynStreamFlags;
typedef int32_t SPErr;

typedef void** PF_Handle;
typedef struct _PF_ProgressInfo* PF_ProgPtr;

struct _AEGP_Layer;
struct _AEGP_Comp;
struct _AEGP_Effect;
struct _AEGP_Stream;
struct _AEGP_Global;
typedef struct _AEGP_Layer** AEGP_LayerH;
typedef struct _AEGP_Comp** AEGP_CompH;
typedef struct _AEGP_Effect** AEGP_EffectRefH;
typedef struct _AEGP_Stream** AEGP_StreamRefH;
typedef struct _AEGP_Global* AEGP_GlobalRefcon;

typedef struct {
    A_u_char alpha, red, green, blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;

typedef struct {
    A_u_short alpha, red, green, blue;
} PF_Pixel16;

typedef struct {
    PF_FpShort alpha, red, green, blue;
} PF_PixelFloat;
typedef PF_PixelFloat PF_Pixel32;

typedef struct {
    A_long left, top, right, bottom;
} PF_LRect;
typedef PF_LRect PF_Rect;

typedef struct {
    A_long num;
    A_u_long den;
} PF_RationalScale;

typedef struct {
    A_long h, v;
} PF_Point;

typedef struct {
    A_short major, minor;
} PF_SpecVersion;

typedef struct {
    A_long value;
    A_u_long scale;
} A_Time;

typedef struct {
    A_long reservedAL[4];
} PF_State;

typedef struct {
    PF_FpLong rateF;
    A_short num_channels;
    A_short format;
    A_short sample_size;
} PF_SoundFormatInfo;

typedef struct {
    PF_SoundFormatInfo fi;
    A_long num_samples;
    void* dataP;
} PF_SoundWorld;

}  // extern "C"

static_assert(sizeof(PF_Pixel) == 4 && sizeof(PF_Pixel16) == 8 && sizeof(PF_PixelFloat) == 16, "pixel sizes");
static_assert(sizeof(PF_LRect) == 16 && sizeof(PF_RationalScale) == 8 && sizeof(PF_Point) == 8, "small records");
static_assert(sizeof(PF_SpecVersion) == 4 && sizeof(A_Time) == 8 && sizeof(PF_State) == 16, "small records");
static_assert(sizeof(PF_SoundFormatInfo) == 16, "PF_SoundFormatInfo");
#if PF_TARGET_X86
static_assert(sizeof(PF_SoundWorld) == 24, "PF_SoundWorld x86");
#elif PF_TARGET_X64
static_assert(sizeof(PF_SoundWorld) == 32, "PF_SoundWorld x64");
#endif
