# The effect's registration record, one property per line: key, kind, value.
# Kinds: code (four characters), pstring (length-prefixed text), cstring (zero-terminated text),
# shorts (16-bit values, comma-separated), long (32-bit value). Values in ${...} come from plugin/shell/version.h;
# ENTRY_KEY and SPEC_VERSION are the only ones that depend on the build.
set(PIPL_PROPERTIES
  "kind|code|eFKT"
  "name|pstring|${PW_EFFECT_NAME}"
  "catg|pstring|${PW_EFFECT_CATEGORY}"
  "${ENTRY_KEY}|cstring|EntryPointFunc"
  "ePVR|shorts|2,0"
  "eSVR|shorts|${SPEC_VERSION}"
  "eVER|long|${PW_PLUGIN_VERSION}"
  "eINF|shorts|0"
  "eGLO|long|${PW_GLOBAL_OUT_FLAGS}"
  "eGL2|long|${PW_GLOBAL_OUT_FLAGS2}"
  "eMNA|pstring|${PW_EFFECT_MATCH_NAME}"
  "aeFL|long|8")
