# The other builds of the same sources, built with this one and tested by this tree's ctest:
#   native32  Linux i686 (the 32-bit deliverable's code and SSE2 arithmetic), or Linux x64 with the 32-bit
#             deliverable's behaviour forced where no 32-bit compiler is installed
#   sanitize  Linux, unit tests under AddressSanitizer and UndefinedBehaviorSanitizer
#   win32     Pulsewarper.aex (i686, mingw-w64), tests under Wine
#   win64     Pulsewarper(64bit).aex (x86_64, mingw-w64), tests under Wine
include(ExternalProject)

set(PW_SUB_COMMON -DPW_SUBBUILDS=OFF -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DPW_GTEST_SOURCE=${PW_GTEST_SOURCE})

function(pw_sub_build name)
  ExternalProject_Add(${name}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
    CMAKE_ARGS ${PW_SUB_COMMON} ${ARGN}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
endfunction()

# Can this machine build and run 32-bit x86 programs? Some kernels and sandboxes refuse them ("Exec format
# error"); their tests then run under qemu's user-mode emulation, which computes SSE2 doubles exactly.
set(PW_PROBE32_DIR ${CMAKE_BINARY_DIR}/probe32)
file(WRITE ${PW_PROBE32_DIR}/probe.cpp "int main() { return 0; }\n")
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -m32 probe.cpp -o probe WORKING_DIRECTORY ${PW_PROBE32_DIR}
  RESULT_VARIABLE PW_PROBE32_BUILT OUTPUT_QUIET ERROR_QUIET)
set(PW_RUNS_I386 OFF)
set(PW_RUN32 "")
if(PW_PROBE32_BUILT EQUAL 0)
  execute_process(COMMAND ${PW_PROBE32_DIR}/probe RESULT_VARIABLE PW_PROBE32_RAN OUTPUT_QUIET ERROR_QUIET)
  find_program(PW_QEMU_I386 qemu-i386)
  if(PW_PROBE32_RAN EQUAL 0)
    set(PW_RUNS_I386 ON)
  elseif(PW_QEMU_I386)
    set(PW_RUN32 ${PW_QEMU_I386})
  else()
    set(PW_PROBE32_BUILT 1)
    message(WARNING "this machine cannot run 32-bit programs and qemu-i386 is missing: native32 is built for x64")
  endif()
endif()

if(PW_PROBE32_BUILT EQUAL 0)
  # The build runs a program of its own (the registration record writer): through qemu too where needed.
  if(PW_RUN32)
    set(PW_EMULATOR32 ${PW_RUN32})
  else()
    set(PW_EMULATOR32 env)
  endif()
  pw_sub_build(native32 -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/linux-i686.cmake -DPW_WITH_CLI=OFF
    -DCMAKE_CROSSCOMPILING_EMULATOR=${PW_EMULATOR32})
else()
  pw_sub_build(native32 -DPW_FORCE_FLAVOUR_32=ON -DPW_WITH_CLI=OFF)
endif()
add_test(NAME native32/unit COMMAND ${PW_RUN32} ${CMAKE_BINARY_DIR}/native32/tests/pw_unit_tests)
add_test(NAME native32/conformance COMMAND ${PW_RUN32} ${CMAKE_BINARY_DIR}/native32/tests/pw_conformance
  --plugin=${CMAKE_BINARY_DIR}/native32/plugin/Pulsewarper.so --flavour=32)
add_test(NAME native32/conformance-builtin64 COMMAND ${PW_RUN32} ${CMAKE_BINARY_DIR}/native32/tests/pw_conformance
  --plugin=builtin --flavour=64)

option(PW_SANITIZE_BUILD "Build and run the sanitizer build" ON)
if(PW_SANITIZE_BUILD)
  pw_sub_build(sanitize -DPW_SANITIZE=ON -DPW_WITH_CLI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo)
  add_test(NAME sanitize/unit COMMAND ${CMAKE_BINARY_DIR}/sanitize/tests/pw_unit_tests)
  add_test(NAME sanitize/conformance COMMAND ${CMAKE_BINARY_DIR}/sanitize/tests/pw_conformance
    --plugin=${CMAKE_BINARY_DIR}/sanitize/plugin/Pulsewarper.so --flavour=64)
  set_tests_properties(sanitize/conformance PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
endif()

# Fuzz targets: clang with libFuzzer, ASan and UBSan. Each runs a few seconds from its committed corpus on every
# test run; tests/fuzz/run_fuzz.sh runs them longer by hand.
find_program(PW_CLANG clang++-14)
file(GLOB PW_LIBFUZZER /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a)
if(PW_CLANG AND PW_LIBFUZZER AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  ExternalProject_Add(fuzz
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
    CMAKE_ARGS -DPW_SUBBUILDS=OFF -DPW_GTEST_SOURCE=${PW_GTEST_SOURCE} -DCMAKE_BUILD_TYPE=RelWithDebInfo
      -DCMAKE_CXX_COMPILER=${PW_CLANG} -DPW_FUZZ=ON
    BUILD_COMMAND ${CMAKE_COMMAND} --build . --target pw_fuzz
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
  set(PW_FUZZ_SECONDS 12 CACHE STRING "Seconds each fuzz target runs in the test suite")
  foreach(target render pipl pe project sequence)
    set(dict "")
    if(EXISTS ${PROJECT_SOURCE_DIR}/tests/fuzz/${target}.dict)
      set(dict ${PROJECT_SOURCE_DIR}/tests/fuzz/${target}.dict)
    endif()
    add_test(NAME fuzz/${target} COMMAND bash ${PROJECT_SOURCE_DIR}/tests/fuzz/run_fuzz.sh
      ${CMAKE_BINARY_DIR}/fuzz/tests/fuzz/fuzz_${target} ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${target}
      ${PW_FUZZ_SECONDS} ${dict})
    set_tests_properties(fuzz/${target} PROPERTIES TIMEOUT 600)
  endforeach()
else()
  message(WARNING "clang++-14 with libFuzzer missing: the fuzz targets are skipped")
endif()

find_program(PW_MINGW32 i686-w64-mingw32-g++-posix)
find_program(PW_MINGW64 x86_64-w64-mingw32-g++-posix)
find_program(PW_WINE wine)
find_program(PW_WINE64 wine64 PATHS /usr/lib/wine /usr/lib64/wine)
find_program(PW_OBJDUMP32 i686-w64-mingw32-objdump)
find_program(PW_OBJDUMP64 x86_64-w64-mingw32-objdump)
if(NOT PW_MINGW32 OR NOT PW_MINGW64 OR NOT PW_WINE OR NOT PW_WINE64)
  message(WARNING "mingw-w64 (posix) or wine missing: the Windows builds are skipped")
  return()
endif()

pw_sub_build(win32 -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-i686.cmake -DPW_WITH_CLI=OFF)
pw_sub_build(win64 -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake -DPW_WITH_CLI=OFF)

# 32-bit Wine runs only where the kernel runs 32-bit programs (qemu's emulation cannot host it); elsewhere the x86
# DLL's image and registration record are still checked, and its code is tested by the i686 native32 build.
# Debian's wine script answers --version without the 32-bit loader (wine32:i386), so ask the loader itself.
set(PW_WINE32_RUNS OFF)
find_program(PW_WINE32_LOADER wine PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine NO_DEFAULT_PATH)
if(PW_RUNS_I386 AND PW_WINE32_LOADER)
  execute_process(COMMAND ${PW_WINE32_LOADER} --version RESULT_VARIABLE PW_WINE32_RC OUTPUT_QUIET ERROR_QUIET)
  if(PW_WINE32_RC EQUAL 0)
    set(PW_WINE32_RUNS ON)
  endif()
endif()
if(NOT PW_WINE32_RUNS)
  message(WARNING "this machine cannot run 32-bit Windows programs under Wine: the x86 DLL is built and checked, "
    "its tests run in the i686 native32 build")
endif()

# One Wine prefix for both, made once per test run; its first start is slow.
set(PW_WINE_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
if(PW_WINE32_RUNS)
  add_test(NAME wine/prefix COMMAND ${PW_WINE} wineboot -i)
else()
  list(APPEND PW_WINE_ENV "WINELOADER=${PW_WINE64}")
  add_test(NAME wine/prefix COMMAND ${PW_WINE64} wineboot -i)
endif()
set_tests_properties(wine/prefix PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${PW_WINE_ENV}" TIMEOUT 600)

foreach(bits 32 64)
  if(bits EQUAL 32)
    set(aex "Pulsewarper.aex")
    set(objdump ${PW_OBJDUMP32})
  else()
    set(aex "Pulsewarper(64bit).aex")
    set(objdump ${PW_OBJDUMP64})
  endif()
  set(dir ${CMAKE_BINARY_DIR}/win${bits})
  if(bits EQUAL 32)
    set(other 64)
    set(wine ${PW_WINE})
  else()
    set(other 32)
    set(wine ${PW_WINE64})
  endif()
  if(bits EQUAL 64 OR PW_WINE32_RUNS)
    add_test(NAME win${bits}/unit COMMAND ${wine} ${dir}/tests/pw_unit_tests.exe)
    add_test(NAME win${bits}/conformance COMMAND ${wine} ${dir}/tests/pw_conformance.exe
      "--plugin=Z:${dir}/plugin/${aex}" --flavour=${bits})
    add_test(NAME win${bits}/conformance-builtin${other} COMMAND ${wine} ${dir}/tests/pw_conformance.exe
      --plugin=builtin --flavour=${other})
    set_tests_properties(win${bits}/unit win${bits}/conformance win${bits}/conformance-builtin${other} PROPERTIES
      FIXTURES_REQUIRED wine ENVIRONMENT "${PW_WINE_ENV}" TIMEOUT 900)
  endif()
  add_test(NAME win${bits}/dll-image COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${objdump} "-DDLL=${dir}/plugin/${aex}"
    -DBITS=${bits} -P ${PROJECT_SOURCE_DIR}/tests/check_dll_image.cmake)
endforeach()

# The native conformance binary also reads both Windows deliverables' registration records as files.
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND NOT PW_FORCE_FLAVOUR_32)
  add_test(NAME conformance-aex-records COMMAND pw_conformance --plugin=$<TARGET_FILE:pulsewarper> --flavour=64
    "--aex32=${CMAKE_BINARY_DIR}/win32/plugin/Pulsewarper.aex"
    "--aex64=${CMAKE_BINARY_DIR}/win64/plugin/Pulsewarper(64bit).aex"
    "--gtest_filter=*Registration*:*Deliverable*")
endif()
