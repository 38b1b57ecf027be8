# Helpers that declare the project's libraries, test binaries and fuzzers.
#
# A build tree is built whole with one set of flags: plain, or with
# UPDATER_SANITIZER=address (AddressSanitizer, UndefinedBehaviorSanitizer,
# and the fuzzers) or UPDATER_SANITIZER=thread (ThreadSanitizer). A test
# names the sanitizers it also runs under; in another sanitizer's tree it is
# not built.

set(UPDATER_SANITIZER "" CACHE STRING "Sanitizer of this build tree: empty, address or thread")
set_property(CACHE UPDATER_SANITIZER PROPERTY STRINGS "" address thread)

if(UPDATER_SANITIZER STREQUAL "address")
  set(UPDATER_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fsanitize=fuzzer-no-link -fno-omit-frame-pointer)
elseif(UPDATER_SANITIZER STREQUAL "thread")
  set(UPDATER_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT UPDATER_SANITIZER STREQUAL "")
  message(FATAL_ERROR "UPDATER_SANITIZER must be empty, address or thread")
endif()
if(UPDATER_SANITIZER AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "sanitizer trees are built with clang")
endif()
add_compile_options(${UPDATER_SANITIZER_FLAGS})
add_link_options(${UPDATER_SANITIZER_FLAGS})

# updater_library(NAME SOURCES ... [DEPS ...] [INCLUDES ...])
function(updater_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;INCLUDES" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  target_include_directories(${name} PUBLIC ${A_INCLUDES})
endfunction()

# updater_test(NAME [ISOLATED] [WINDOWS] [SHARDS n] SOURCES ... [DEPS ...]
#              [SANITIZERS address thread])
# One test binary per area. The plain Linux tree always builds and runs it;
# a sanitizer tree only when that sanitizer is listed; the Windows tree only
# when it is marked WINDOWS, and runs it under Wine, linked with
# windows_test_support (tests/), which checks the ANSI code page first. An
# ISOLATED test runs on Linux in PID, network and mount namespaces of its
# own, so that processes named Mirovue.exe and updaters running elsewhere on
# the machine are invisible to it and to the updaters it starts. A test with
# SHARDS runs as that many ctest tests (name_0, name_1, ...), each a share of
# its cases, so that slow cases that mostly wait run side by side.
function(updater_test name)
  cmake_parse_arguments(A "ISOLATED;WINDOWS" "SHARDS" "SOURCES;DEPS;SANITIZERS" ${ARGN})
  if(UPDATER_SANITIZER AND NOT UPDATER_SANITIZER IN_LIST A_SANITIZERS)
    return()
  endif()
  if(WIN32 AND NOT A_WINDOWS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest_main Threads::Threads)
  if(WIN32)
    target_link_libraries(${name} PRIVATE windows_test_support)
  endif()
  # A target name, so that the Windows tree runs it under Wine.
  set(command ${name})
  if(A_ISOLATED AND NOT WIN32)
    set(command ${PROJECT_SOURCE_DIR}/tools/run_isolated.sh $<TARGET_FILE:${name}>)
  endif()
  if(NOT A_SHARDS)
    add_test(NAME ${name} COMMAND ${command})
    return()
  endif()
  math(EXPR last "${A_SHARDS} - 1")
  foreach(index RANGE ${last})
    add_test(NAME ${name}_${index} COMMAND ${command})
    set_tests_properties(${name}_${index} PROPERTIES ENVIRONMENT
      "GTEST_TOTAL_SHARDS=${A_SHARDS};GTEST_SHARD_INDEX=${index}")
  endforeach()
endfunction()

# updater_fuzzer(NAME SOURCES ... [DEPS ...] CORPUS dir RUNS n [MAX_LEN bytes])
# A libFuzzer target, built only in the AddressSanitizer tree and run by the
# test suite for a bounded number of iterations from its seed corpus. MAX_LEN
# bounds the inputs it makes (libFuzzer's -max_len); without it libFuzzer
# chooses from the seeds.
function(updater_fuzzer name)
  cmake_parse_arguments(A "" "CORPUS;RUNS;MAX_LEN" "SOURCES;DEPS" ${ARGN})
  if(NOT UPDATER_SANITIZER STREQUAL "address")
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${name}> -DSEEDS=${A_CORPUS}
            -DWORK=${work} -DRUNS=${A_RUNS} -DMAX_LEN=${A_MAX_LEN}
            -P ${PROJECT_SOURCE_DIR}/cmake/run_fuzzer.cmake)
endfunction()

# updater_resources(NAME RC_FILE [DEPENDS file...])
# The resources of a Linux program, from the same resource script as the
# Windows build's: windres compiles RC_FILE (relative to the project root)
# into a .res file, which the object library NAME embeds whole and registers
# with port/ at start, to be read in the formats Windows reads.
function(updater_resources name rc)
  cmake_parse_arguments(A "" "" "DEPENDS" ${ARGN})
  find_program(UPDATER_WINDRES x86_64-w64-mingw32-windres REQUIRED)
  set(RC_FILE ${rc})
  set(RES_FILE ${CMAKE_CURRENT_BINARY_DIR}/${name}.res)
  set(NAME ${name})
  add_custom_command(OUTPUT ${RES_FILE}
    COMMAND ${UPDATER_WINDRES} -I ${PROJECT_SOURCE_DIR} -O res ${rc} ${RES_FILE}
    DEPENDS ${PROJECT_SOURCE_DIR}/${rc} ${A_DEPENDS}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${name}_embedded.cc)
  configure_file(${PROJECT_SOURCE_DIR}/port/embedded_resource_file.cc.in ${source} @ONLY)
  set_source_files_properties(${source} PROPERTIES OBJECT_DEPENDS ${RES_FILE})
  add_library(${name} OBJECT ${source})
  target_link_libraries(${name} PUBLIC port)
endfunction()
