# Source files follow one rule: a name ending in "Win" (DirWin.cpp, ConfigWinTest.cpp) needs
# <windows.h>; every other file compiles natively too. The Windows build takes all of a folder's
# files, the native build (AddressSanitizer, UBSan) only the portable ones.

# In the native build, our DLLs that have no portable part do not exist: drop them from a list.
function(vx_native_libs out)
  set(kept)
  foreach(lib ${ARGN})
    if(TARGET ${lib} OR NOT lib MATCHES "^Vx")
      list(APPEND kept ${lib})
    endif()
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

function(vx_split_sources dir out_all out_portable)
  file(GLOB all CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  set(portable)
  foreach(f ${all})
    get_filename_component(stem ${f} NAME_WE)
    if(NOT stem MATCHES "Win(Test)?$")
      list(APPEND portable ${f})
    endif()
  endforeach()
  set(${out_all} ${all} PARENT_SCOPE)
  set(${out_portable} ${portable} PARENT_SCOPE)
endfunction()

# vx_dll(NAME [LIBS targets...] [WIN_LIBS libs...] [RESOURCES files.rc...])
# NAME.dll from src/ under Windows; natively a static NAME from the portable files of src/, so tests
# link NAME either way. Headers live in include/<folder>/, the DLL is built with NAME_BUILD
# (upper case) defined so that its API macro exports.
function(vx_dll name)
  cmake_parse_arguments(A "" "" "LIBS;WIN_LIBS;RESOURCES" ${ARGN})
  vx_split_sources(${CMAKE_CURRENT_SOURCE_DIR}/src all portable)
  if(NOT all)
    return()
  endif()
  if(VX_NATIVE)
    if(NOT portable)
      return()
    endif()
    add_library(${name} STATIC ${portable})
    vx_native_libs(libs ${A_LIBS})
    target_link_libraries(${name} PUBLIC ${libs})
  else()
    add_library(${name} SHARED ${all} ${A_RESOURCES})
    target_link_libraries(${name} PUBLIC ${A_LIBS} PRIVATE ${A_WIN_LIBS})
    string(TOUPPER ${name} upper)
    target_compile_definitions(${name} PRIVATE ${upper}_BUILD)
  endif()
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
endfunction()

# vx_exe(NAME [WIN32] SOURCES files... [LIBS targets...]): a Windows program (not built natively).
function(vx_exe name)
  cmake_parse_arguments(A "WIN32" "" "SOURCES;LIBS" ${ARGN})
  if(VX_NATIVE)
    return()
  endif()
  if(A_WIN32)
    add_executable(${name} WIN32 ${A_SOURCES})
  else()
    add_executable(${name} ${A_SOURCES})
  endif()
  target_link_libraries(${name} PRIVATE ${A_LIBS})
endfunction()

# vx_test(NAME [LIBS targets...] [TIMEOUT seconds] [ENVIRONMENT VAR=value...])
# One GoogleTest program per folder from tests/*.cpp; under Windows it runs through the Wine
# wrapper, natively only the portable test files are built, under the sanitizers.
function(vx_test name)
  if(VX_FUZZ)
    return()
  endif()
  cmake_parse_arguments(A "" "TIMEOUT" "LIBS;ENVIRONMENT" ${ARGN})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  vx_split_sources(${CMAKE_CURRENT_SOURCE_DIR}/tests all portable)
  if(NOT all)
    return()
  endif()
  if(VX_NATIVE)
    if(NOT portable)
      return()
    endif()
    add_executable(${name} ${portable})
    vx_native_libs(A_LIBS ${A_LIBS})
  else()
    add_executable(${name} ${all})
  endif()
  target_link_libraries(${name} PRIVATE ${A_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/foundation/testing/include)
  target_compile_definitions(${name} PRIVATE VX_SOURCE_DIR="${CMAKE_SOURCE_DIR}" VX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT}
                       ENVIRONMENT "VX_TIMEOUT=${A_TIMEOUT};${A_ENVIRONMENT}")
endfunction()

# vx_fuzz(NAME SOURCES files... [LIBS targets...] [INCLUDES folders...]): a libFuzzer target of the fuzz tree, from a
# component's fuzz/ folder; its corpus (seeds and kept findings) is fuzz/corpus/NAME/. CTest runs
# it over that corpus and then for a few seconds more; scripts/fuzz runs every target for longer.
# Like tests, targets see the shared helpers of foundation/testing.
function(vx_fuzz name)
  if(NOT VX_FUZZ)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;INCLUDES" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  vx_native_libs(libs ${A_LIBS})
  target_link_libraries(${name} PRIVATE ${libs})
  target_include_directories(${name} PRIVATE ${A_INCLUDES} ${CMAKE_SOURCE_DIR}/foundation/testing/include)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
  set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
  # New inputs go to the work folder; the committed corpus is only read.
  add_test(NAME ${name}
    COMMAND sh -c "mkdir -p \"$2\" && exec \"$1\" -max_total_time=5 -timeout=10 -rss_limit_mb=2048 \"$2\" \"$3\""
            sh $<TARGET_FILE:${name}> ${work} ${corpus})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  set_property(GLOBAL APPEND PROPERTY VX_FUZZ_TARGETS "${name}\t$<TARGET_FILE:${name}>\t${corpus}")
endfunction()

# The fuzz tree's list of targets for scripts/fuzz: name, program, corpus (tab-separated lines).
function(vx_fuzz_manifest)
  if(NOT VX_FUZZ)
    return()
  endif()
  get_property(targets GLOBAL PROPERTY VX_FUZZ_TARGETS)
  string(REPLACE ";" "\n" lines "${targets}")
  file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz-targets.tsv CONTENT "${lines}\n")
endfunction()
