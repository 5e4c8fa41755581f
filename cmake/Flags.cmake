# Frames must be bit-identical in every build: no contraction, no fast-math, SSE2 doubles on x86.
set(PW_COMMON_FLAGS -ffp-contract=off -fno-fast-math -Wall -Wextra)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i686|i386|x86$")
  list(APPEND PW_COMMON_FLAGS -msse2 -mfpmath=sse)
endif()
add_compile_options(${PW_COMMON_FLAGS})

if(WIN32)
  # Windows keeps the stack 16-byte aligned, not the 32 that AVX spills assume: let the assembler make every vector
  # move an unaligned one (as fast on aligned data).
  add_compile_options(-Wa,-muse-unaligned-vector-move)
  # No runtime DLLs beside the system's: the host loads the plug-in alone.
  set(PW_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
  add_link_options(${PW_STATIC_RUNTIME})
endif()
