/* Identity and capability numbers of the effect, shared by global set-up and the registration resource.
   Plain macros: the resource compiler's preprocessor reads this file too. */
#ifndef PW_VERSION_H
#define PW_VERSION_H

#define PW_EFFECT_NAME "Pulsewarper"
#define PW_EFFECT_CATEGORY "Vantik"
#define PW_EFFECT_MATCH_NAME "Pulsewarper by Dolmavena"

/* 1.0, release stage, build 1 */
#define PW_PLUGIN_VERSION 525825
/* NON_PARAM_VARY | USE_OUTPUT_EXTENT | DEEP_COLOR_AWARE | SEND_UPDATE_PARAMS_UI */
#define PW_GLOBAL_OUT_FLAGS 0x06000044
/* SUPPORTS_SMART_RENDER | FLOAT_COLOR_AWARE */
#define PW_GLOBAL_OUT_FLAGS2 0x00001400

#endif
