# Third-party code, unpacked from Debian's source packages by scripts/setup into third_party/.
file(GLOB VX_TINYXML_DIR LIST_DIRECTORIES true ${VX_THIRD_PARTY}/tinyxml-*)
file(GLOB VX_JSONCPP_DIR LIST_DIRECTORIES true ${VX_THIRD_PARTY}/libjsoncpp-*)
file(GLOB VX_ZLIB_DIR LIST_DIRECTORIES true ${VX_THIRD_PARTY}/zlib-*)
if(NOT VX_TINYXML_DIR OR NOT VX_JSONCPP_DIR OR NOT VX_ZLIB_DIR)
  message(FATAL_ERROR "third_party/ is incomplete: run scripts/setup first")
endif()

# Third-party code is not ours to warn about.
set(VX_THIRD_PARTY_FLAGS -w)

add_library(vx_tinyxml STATIC
  ${VX_TINYXML_DIR}/tinyxml.cpp ${VX_TINYXML_DIR}/tinyxmlparser.cpp
  ${VX_TINYXML_DIR}/tinyxmlerror.cpp ${VX_TINYXML_DIR}/tinystr.cpp)
target_compile_definitions(vx_tinyxml PUBLIC TIXML_USE_STL)
target_include_directories(vx_tinyxml SYSTEM PUBLIC ${VX_TINYXML_DIR})
target_compile_options(vx_tinyxml PRIVATE ${VX_THIRD_PARTY_FLAGS})
set_target_properties(vx_tinyxml PROPERTIES POSITION_INDEPENDENT_CODE ON)

file(GLOB VX_JSONCPP_SOURCES ${VX_JSONCPP_DIR}/src/lib_json/*.cpp)
add_library(vx_jsoncpp STATIC ${VX_JSONCPP_SOURCES})
target_include_directories(vx_jsoncpp SYSTEM PUBLIC ${VX_JSONCPP_DIR}/include)
target_include_directories(vx_jsoncpp PRIVATE ${VX_JSONCPP_DIR}/src/lib_json)
target_compile_options(vx_jsoncpp PRIVATE ${VX_THIRD_PARTY_FLAGS})
set_target_properties(vx_jsoncpp PROPERTIES POSITION_INDEPENDENT_CODE ON)

if(VX_NATIVE)
  find_library(VX_ZLIB NAMES z REQUIRED)
  find_path(VX_ZLIB_INCLUDE zlib.h REQUIRED)
else()
  # The import library would win otherwise, and zlib1.dll is not a system DLL.
  find_library(VX_ZLIB NAMES libz.a REQUIRED)
  find_path(VX_ZLIB_INCLUDE zlib.h REQUIRED)
endif()
add_library(vx_zlib INTERFACE)
target_link_libraries(vx_zlib INTERFACE ${VX_ZLIB})
target_include_directories(vx_zlib SYSTEM INTERFACE ${VX_ZLIB_INCLUDE})

set(VX_MINIZIP_DIR ${VX_ZLIB_DIR}/contrib/minizip)
set(VX_MINIZIP_SOURCES ${VX_MINIZIP_DIR}/unzip.c ${VX_MINIZIP_DIR}/ioapi.c)
if(NOT VX_NATIVE)
  list(APPEND VX_MINIZIP_SOURCES ${VX_MINIZIP_DIR}/iowin32.c)
endif()
add_library(vx_minizip STATIC ${VX_MINIZIP_SOURCES})
target_include_directories(vx_minizip SYSTEM PUBLIC ${VX_MINIZIP_DIR})
target_link_libraries(vx_minizip PUBLIC vx_zlib)
target_compile_options(vx_minizip PRIVATE ${VX_THIRD_PARTY_FLAGS})
target_compile_definitions(vx_minizip PRIVATE NOCRYPT NOUNCRYPT)
set_target_properties(vx_minizip PROPERTIES POSITION_INDEPENDENT_CODE ON)

# GoogleTest from the sources that Debian's googletest package installs.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(TARGET gtest)
  target_compile_options(gtest PRIVATE ${VX_THIRD_PARTY_FLAGS})
  target_compile_options(gtest_main PRIVATE ${VX_THIRD_PARTY_FLAGS})
endif()
