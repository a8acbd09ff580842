# Build helpers shared by every folder. Two trees use them:
#   native  portable libraries, their tests under ASan/UBSan, benchmarks
#   win32   the deliverables (PE32 DLLs and programs) and the tests that run under Wine
include_guard(GLOBAL)

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  set(NP_WIN32 ON)
else()
  set(NP_WIN32 OFF)
endif()

set(NP_TOOLS_DIR ${PROJECT_SOURCE_DIR}/tools)
set(NP_WINE_DIR ${CMAKE_BINARY_DIR}/wine)

# A portable library: pure code that needs no OS service, built in both trees.
function(np_portable_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# A Windows-only static library (the thin Win32 shell of a component).
function(np_win32_library name)
  if(NOT NP_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# A deliverable or test DLL with its exports fixed by a .def file.
#   np_module(Name DEF file.def SOURCES ... [LIBS ...] [EXPORTS expected.txt])
# EXPORTS names the file listing the exact export table; a test compares them.
function(np_module name)
  if(NOT NP_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "DEF;EXPORTS" "SOURCES;LIBS" ${ARGN})
  if(NOT TARGET np_module_unload)
    # An object, not an archive member: nothing in a module refers to it by name.
    add_library(np_module_unload OBJECT ${PROJECT_SOURCE_DIR}/common/module_unload.cpp)
  endif()
  add_library(${name} SHARED ${ARG_SOURCES} ${ARG_DEF} $<TARGET_OBJECTS:np_module_unload>)
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -Wl,--enable-stdcall-fixup -Wl,--no-insert-timestamp)
  # Thread keys come from common/module_unload.cpp, which gives them back at unload.
  target_link_options(${name} PRIVATE
    -Wl,--wrap=pthread_key_create,--wrap=pthread_key_delete,--wrap=pthread_getspecific,--wrap=pthread_setspecific)
  if(ARG_EXPORTS)
    add_test(NAME exports.${name}
             COMMAND ${NP_TOOLS_DIR}/check-exports $<TARGET_FILE:${name}> ${ARG_EXPORTS})
    set_tests_properties(exports.${name} PROPERTIES ENVIRONMENT "OBJDUMP=${CMAKE_OBJDUMP}")
    set_property(TARGET ${name} APPEND PROPERTY NP_EXPORTS_FILE ${ARG_EXPORTS})
  endif()
  set_property(GLOBAL APPEND PROPERTY NP_MODULES ${name})
endfunction()

# Every module, loaded and unloaded again and again, must give back all it took. The
# test is added once the whole tree is read, so that it covers every np_module.
function(np_module_unload_test)
  get_property(modules GLOBAL PROPERTY NP_MODULES)
  set(files "")
  foreach(module IN LISTS modules)
    list(APPEND files $<TARGET_FILE_NAME:${module}>)
  endforeach()
  np_wine_test(module_unload_test MAIN SOURCES ${PROJECT_SOURCE_DIR}/tools/wintest/module_unload_test.cpp
               LIBS np_wintest gtest DEPENDS ${modules} ARGS ${files})
endfunction()
if(NP_WIN32 AND CMAKE_CURRENT_SOURCE_DIR STREQUAL PROJECT_SOURCE_DIR)
  cmake_language(DEFER CALL np_module_unload_test)
endif()

# A test built natively with GoogleTest, under the sanitizers.
function(np_native_test name)
  if(NP_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME native.${name} COMMAND ${name})
  set_tests_properties(native.${name} PROPERTIES LABELS "native;${ARG_LABELS}")
endfunction()

# A Windows test program run under Wine. Wine tests share one prefix (registry,
# C: drive, system directory), so they take a common lock and never overlap.
#   np_wine_test(name SOURCES ... [LIBS ...] [DEPENDS targets...] [ARGS ...] [MAIN])
# MAIN: the sources bring their own main() (not GoogleTest's). ARGS: its command line.
function(np_wine_test name)
  if(NOT NP_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "MAIN" "TIMEOUT" "SOURCES;LIBS;DEPENDS;LABELS;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(ARG_MAIN)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gmock gtest_main)
  endif()
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME wine.${name} COMMAND ${name} ${ARG_ARGS} WORKING_DIRECTORY $<TARGET_FILE_DIR:${name}>)
  set_tests_properties(wine.${name} PROPERTIES
    LABELS "wine;${ARG_LABELS}"
    FIXTURES_REQUIRED wine_session
    RESOURCE_LOCK wine_prefix
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "NP_WINE_DIR=${NP_WINE_DIR}")
endfunction()

# A Windows test program run under Wine beside a unit simulator (a program of the
# build machine): COM1 is the unit's line, COM2 its command line (tools/wine-kvunit).
#   np_simulator_test(name SIMULATOR path SIMULATOR_TARGET target SOURCES ... [LIBS ...] [DEPENDS ...])
function(np_simulator_test name)
  if(NOT NP_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "SIMULATOR;SIMULATOR_TARGET" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest gmock gtest_main)
  add_dependencies(${name} ${ARG_SIMULATOR_TARGET} ${ARG_DEPENDS})
  add_test(NAME wine.${name}
           COMMAND ${NP_TOOLS_DIR}/wine-kvunit ${ARG_SIMULATOR} $<TARGET_FILE:${name}>
           WORKING_DIRECTORY $<TARGET_FILE_DIR:${name}>)
  set_tests_properties(wine.${name} PROPERTIES
    LABELS wine FIXTURES_REQUIRED wine_session RESOURCE_LOCK wine_prefix TIMEOUT 300
    ENVIRONMENT "NP_WINE_DIR=${NP_WINE_DIR}")
endfunction()

# A native benchmark program (Google Benchmark); reports figures, never fails on time.
function(np_benchmark name)
  if(NP_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  # `benchmarks` builds these programs alone (make bench), not the whole tree.
  if(NOT TARGET benchmarks)
    add_custom_target(benchmarks)
  endif()
  add_dependencies(benchmarks ${name})
endfunction()

# A version resource for a module: np_version_resource(target "1.0.0.0" "Description"
#   [PRODUCT_VERSION "1.0.0.0"] [NAME "Internal.dll"]). The product version defaults to
# the file version; NAME, the internal and original file name, to the target's.
function(np_version_resource target version description)
  if(NOT NP_WIN32)
    return()
  endif()
  cmake_parse_arguments(ARG "" "PRODUCT_VERSION;NAME" "" ${ARGN})
  if(NOT ARG_PRODUCT_VERSION)
    set(ARG_PRODUCT_VERSION ${version})
  endif()
  if(NOT ARG_NAME)
    set(ARG_NAME ${target})
    set(NP_VERSION_FILE_NAME ${target}.dll)
  else()
    set(NP_VERSION_FILE_NAME ${ARG_NAME})
  endif()
  set(NP_VERSION_TEXT ${version})
  string(REPLACE "." ", " NP_VERSION_COMMAS ${version})
  set(NP_PRODUCT_VERSION_TEXT ${ARG_PRODUCT_VERSION})
  string(REPLACE "." ", " NP_PRODUCT_VERSION_COMMAS ${ARG_PRODUCT_VERSION})
  set(NP_VERSION_DESCRIPTION ${description})
  set(NP_VERSION_NAME ${ARG_NAME})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/module_version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
