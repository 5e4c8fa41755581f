# The other builds of the same sources, built with this one and tested by this tree's ctest:
#   native32  Linux, 32-bit deliverable's behaviour forced
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

pw_sub_build(native32 -DPW_FORCE_FLAVOUR_32=ON -DPW_WITH_CLI=OFF)
add_test(NAME native32/unit COMMAND ${CMAKE_BINARY_DIR}/native32/tests/pw_unit_tests)
add_test(NAME native32/conformance COMMAND ${CMAKE_BINARY_DIR}/native32/tests/pw_conformance
  --plugin=${CMAKE_BINARY_DIR}/native32/plugin/Pulsewarper.so --flavour=32)
add_test(NAME native32/conformance-builtin64 COMMAND ${CMAKE_BINARY_DIR}/native32/tests/pw_conformance
  --plugin=builtin --flavour=64)

option(PW_SANITIZE_BUILD "Build and run the sanitizer build" ON)
if(PW_SANITIZE_BUILD)
  pw_sub_build(sanitize -DPW_SANITIZE=ON -DPW_WITH_CLI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo)
  add_test(NAME sanitize/unit COMMAND ${CMAKE_BINARY_DIR}/sanitize/tests/pw_unit_tests)
  add_test(NAME sanitize/conformance COMMAND ${CMAKE_BINARY_DIR}/sanitize/tests/pw_conformance
    --plugin=${CMAKE_BINARY_DIR}/sanitize/plugin/Pulsewarper.so --flavour=64)
  set_tests_properties(sanitize/conformance PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1")
endif()

find_program(PW_MINGW32 i686-w64-mingw32-g++-posix)
find_program(PW_MINGW64 x86_64-w64-mingw32-g++-posix)
find_program(PW_WINE wine)
find_program(PW_OBJDUMP32 i686-w64-mingw32-objdump)
find_program(PW_OBJDUMP64 x86_64-w64-mingw32-objdump)
if(NOT PW_MINGW32 OR NOT PW_MINGW64 OR NOT PW_WINE)
  message(WARNING "mingw-w64 (posix) or wine missing: the Windows builds are skipped")
  return()
endif()

pw_sub_build(win32 -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-i686.cmake -DPW_WITH_CLI=OFF)
pw_sub_build(win64 -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake -DPW_WITH_CLI=OFF)

# One Wine prefix for both, made once per test run; its first start is slow.
set(PW_WINE_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
add_test(NAME wine/prefix COMMAND wineboot -i)
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
  add_test(NAME win${bits}/unit COMMAND ${PW_WINE} ${dir}/tests/pw_unit_tests.exe)
  add_test(NAME win${bits}/conformance COMMAND ${PW_WINE} ${dir}/tests/pw_conformance.exe
    "--plugin=Z:${dir}/plugin/${aex}" --flavour=${bits})
  if(bits EQUAL 32)
    set(other 64)
  else()
    set(other 32)
  endif()
  add_test(NAME win${bits}/conformance-builtin${other} COMMAND ${PW_WINE} ${dir}/tests/pw_conformance.exe
    --plugin=builtin --flavour=${other})
  set_tests_properties(win${bits}/unit win${bits}/conformance win${bits}/conformance-builtin${other} PROPERTIES
    FIXTURES_REQUIRED wine ENVIRONMENT "${PW_WINE_ENV}" TIMEOUT 900)
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
