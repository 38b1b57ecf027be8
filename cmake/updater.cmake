# Helpers that declare the project's libraries, test binaries and fuzzers.
#
# With clang, every library also gets an "_asan" variant (AddressSanitizer,
# UndefinedBehaviorSanitizer and libFuzzer coverage) and a "_tsan" variant
# (ThreadSanitizer), so that tests and fuzzers can run the same code under
# the sanitizers in the one build the test suite uses.

if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(UPDATER_VARIANTS asan tsan)
else()
  set(UPDATER_VARIANTS "")
endif()
set(UPDATER_asan_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fsanitize=fuzzer-no-link -fno-omit-frame-pointer)
set(UPDATER_tsan_FLAGS -fsanitize=thread -fno-omit-frame-pointer)

# Collects the sources of the listed folders (not recursive): every .cc file
# except tests, fuzzers and the Windows halves of platform splits.
function(updater_glob_sources out)
  set(result "")
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cc)
    list(FILTER found EXCLUDE REGEX "(_unittest|_fuzzer|_win)\\.cc$")
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(updater_glob_tests out)
  set(result "")
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*_unittest.cc)
    list(APPEND result ${found})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(_updater_variant_deps out variant)
  set(result "")
  foreach(dep ${ARGN})
    if(TARGET ${dep}_${variant})
      list(APPEND result ${dep}_${variant})
    else()
      list(APPEND result ${dep})
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(_updater_apply_variant target variant)
  target_compile_options(${target} PUBLIC ${UPDATER_${variant}_FLAGS})
  target_link_options(${target} PUBLIC ${UPDATER_${variant}_FLAGS})
endfunction()

# updater_library(NAME SOURCES ... [DEPS ...] [INCLUDES ...])
function(updater_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;INCLUDES" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
  target_include_directories(${name} PUBLIC ${A_INCLUDES})
  foreach(variant ${UPDATER_VARIANTS})
    add_library(${name}_${variant} STATIC ${A_SOURCES})
    _updater_variant_deps(deps ${variant} ${A_DEPS})
    target_link_libraries(${name}_${variant} PUBLIC ${deps})
    target_include_directories(${name}_${variant} PUBLIC ${A_INCLUDES})
    _updater_apply_variant(${name}_${variant} ${variant})
  endforeach()
endfunction()

# updater_test(NAME SOURCES ... [DEPS ...] [VARIANTS asan tsan])
# One test binary per area; the listed sanitizer variants are built and run
# as tests of their own when the compiler supports them.
function(updater_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;VARIANTS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  foreach(variant ${A_VARIANTS})
    if(variant IN_LIST UPDATER_VARIANTS)
      add_executable(${name}_${variant} ${A_SOURCES})
      _updater_variant_deps(deps ${variant} ${A_DEPS})
      target_link_libraries(${name}_${variant} PRIVATE ${deps} GTest::gtest_main Threads::Threads)
      _updater_apply_variant(${name}_${variant} ${variant})
      add_test(NAME ${name}_${variant} COMMAND ${name}_${variant})
    endif()
  endforeach()
endfunction()

# updater_fuzzer(NAME SOURCES ... [DEPS ...] CORPUS dir RUNS n)
# A libFuzzer target over the ASan variants of its dependencies, run by the
# test suite for a bounded number of iterations from its seed corpus.
function(updater_fuzzer name)
  cmake_parse_arguments(A "" "CORPUS;RUNS" "SOURCES;DEPS" ${ARGN})
  if(NOT "asan" IN_LIST UPDATER_VARIANTS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  _updater_variant_deps(deps asan ${A_DEPS})
  target_link_libraries(${name} PRIVATE ${deps})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${name}> -DSEEDS=${A_CORPUS}
            -DWORK=${work} -DRUNS=${A_RUNS} -P ${PROJECT_SOURCE_DIR}/cmake/run_fuzzer.cmake)
endfunction()
