# Helpers shared by every subsystem's CMakeLists.

# vn_library(name SOURCES ... DEPS ...): a static library whose public headers
# are reached as "<subsystem>/<header>.h" from source/.
function(vn_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    # Headers only so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/source)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/source)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# vn_test(name SOURCES ... DEPS ...): a GoogleTest executable registered with
# CTest. Tests find the corpus through VN_CORPUS_DIR and fixtures through
# VN_FIXTURES_DIR.
function(vn_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  # Helpers shared by the tests of several libraries: "support/...".
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # GoogleTest's EXPECT macros expand to an if/else, so a bare `if (c) EXPECT_...`
  # trips GCC's dangling-else warning although it is correct.
  target_compile_options(${name} PRIVATE -Wno-dangling-else)
  target_compile_definitions(${name} PRIVATE
    VN_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures"
    VN_CORPUS_DIR="${CMAKE_SOURCE_DIR}/../shared/corpus")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  vn_private_test_tmp(${name})
endfunction()

# Gives a test its own temporary folder (TMPDIR), so test programs that name
# their scratch files alike never meet, whether ctest runs them in parallel or
# several builds run at once.
function(vn_private_test_tmp test)
  set(dir ${CMAKE_BINARY_DIR}/tmp/${test})
  file(MAKE_DIRECTORY ${dir})
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT "TMPDIR=${dir}")
endfunction()

# vn_fuzz_target(name SOURCES ... DEPS ... SEEDS dir): a libFuzzer target with
# VN_FUZZ; otherwise a replay program whose seeds run as a test.
function(vn_fuzz_target name)
  cmake_parse_arguments(ARG "" "SEEDS" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  if(VN_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    if(ARG_SEEDS)
      add_test(NAME fuzz_replay_${name} COMMAND ${name} ${ARG_SEEDS})
      set_tests_properties(fuzz_replay_${name} PROPERTIES TIMEOUT 300)
    endif()
  endif()
endfunction()

# vn_glob_library(name DEPS ... PRIVATE_DEPS ...): a subsystem library made of
# every .cpp below the calling folder.
function(vn_glob_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  vn_library(${name} SOURCES ${sources} DEPS ${ARG_DEPS} PRIVATE_DEPS ${ARG_PRIVATE_DEPS})
endfunction()
