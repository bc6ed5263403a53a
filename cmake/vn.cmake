# Helpers shared by every subsystem's CMakeLists, and the settings that keep
# the build fast (README, "Keeping the build fast").

option(VN_UNITY_BUILD "Compile each library's sources in batches (unity build)" OFF)
set(VN_UNITY_BATCH_SIZE 8 CACHE STRING "Sources of a library compiled together in one unity batch")
set(VN_TEST_UNITY_BATCH_SIZE 8 CACHE STRING "Test files of a test program compiled together in one unity batch")

# lld links the programs in half the time ld.bfd takes.
find_program(VN_LLD ld.lld)
if(VN_LLD)
  add_link_options(-fuse-ld=lld)
endif()

# Under the sanitizers debug information serves the stack traces of their
# reports, which need only line tables; full debug information makes the
# sanitized build a quarter slower to compile and its objects far larger.
if(VN_SANITIZE)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_compile_options(-gline-tables-only)
  else()
    add_compile_options(-g1)
  endif()
endif()

# VN_STATIC_DEPS: the libraries with static archives (Debian's -dev
# packages ship them) link statically, the C++ runtime stays shared. Unused
# members of the archives are left out by the linker. HarfBuzz has no
# archive: the text shaper loads it on first use, and the program exports
# its FreeType so that HarfBuzz works on the same one.
if(VN_STATIC_DEPS)
  set(VN_STATIC_SYSTEM_LIBS
      -Wl,--start-group -Wl,-Bstatic -lcairo -lpixman-1 -lfontconfig -lexpat -lfreetype -lbrotlidec -lbrotlicommon
      -lfribidi -lpng16 -ljpeg -ltiff -lwebp -lLerc -ljbig -lzstd -llzma -ldeflate -lgif -lz -lcrypto -Wl,--end-group
      -Wl,-Bdynamic -ldl -pthread)
  add_link_options("LINKER:--export-dynamic-symbol=FT_*")
  # A position-dependent program: the forty thousand pointers of its tables
  # need no relocation at start-up, which was most of what remained of it.
  add_link_options(-no-pie -static-libstdc++ -static-libgcc)
endif()

# vn_static_system_deps(<imported target>): under VN_STATIC_DEPS the target
# keeps its include folders and links the static list above instead (a
# library target found by CMake's own modules, such as ZLIB::ZLIB, its
# archive).
function(vn_static_system_deps target)
  if(NOT VN_STATIC_DEPS)
    return()
  endif()
  foreach(property IMPORTED_LOCATION IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_DEBUG)
    get_target_property(location ${target} ${property})
    if(location AND location MATCHES "/lib([^/]+)\\.so")
      set(name ${CMAKE_MATCH_1})
      find_library(VN_STATIC_${name} NAMES lib${name}.a REQUIRED)
      set_target_properties(${target} PROPERTIES ${property} ${VN_STATIC_${name}})
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES INTERFACE_LINK_LIBRARIES "${VN_STATIC_SYSTEM_LIBS}"
                                             INTERFACE_LINK_DIRECTORIES "")
endfunction()

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
  if(VN_UNITY_BUILD)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${VN_UNITY_BATCH_SIZE})
  endif()
endfunction()

# Test and fuzz-harness code is mostly expanded macros and calls into the
# libraries: optimising it costs more build time than it saves at run time,
# so it builds at -O0 whatever the build type (the libraries keep theirs).
function(vn_harness_compile_options target)
  if(NOT VN_FUZZ)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

# The compile options of test code. GoogleTest's EXPECT macros expand to an
# if/else, so a bare `if (c) EXPECT_...` trips GCC's dangling-else warning
# although it is correct.
function(vn_test_compile_options target)
  target_compile_options(${target} PRIVATE -Wno-dangling-else)
  vn_harness_compile_options(${target})
endfunction()

# vn_test(name SOURCES ... DEPS ... [LABEL label]): a GoogleTest program,
# registered with ctest as the entry <label> and one entry <label>.<Suite>
# for each corpus or road suite, all labelled <label> (label defaults to the
# program's name). Tests find the
# corpus through VN_CORPUS_DIR and fixtures through VN_FIXTURES_DIR
# (tests/support/paths.h).
function(vn_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL ${name})
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} vn_test_main vn_test_support GTest::gtest GTest::gmock)
  vn_test_compile_options(${name})
  target_precompile_headers(${name} REUSE_FROM vn_test_main)
  # Test files share most of what they instantiate (GoogleTest's matchers and
  # printers, the standard containers): compiled in batches, each instance is
  # generated once per batch instead of once per file.
  if(VN_UNITY_BUILD)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${VN_TEST_UNITY_BATCH_SIZE})
  endif()
  vn_discover_tests(${name} ${ARG_LABEL} 600)
endfunction()

# Registers a GoogleTest program with ctest: the entry <label> for most of
# its suites and <label>.<Suite> for each corpus or road suite, listed when
# ctest starts (cmake/vn_test_suites.cmake), so the build never runs test
# programs. Entries are labelled <label> and get a
# temporary folder of the program's own (TMPDIR; the test main makes a
# private folder inside it for each process).
function(vn_discover_tests target label timeout)
  set(tmp ${CMAKE_BINARY_DIR}/tmp/${target})
  file(MAKE_DIRECTORY ${tmp})
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake)
  file(GENERATE OUTPUT ${script} CONTENT
"set(VN_PROGRAM \"$<TARGET_FILE:${target}>\")
set(VN_LABEL \"${label}\")
set(VN_TIMEOUT ${timeout})
set(VN_TMPDIR \"${tmp}\")
include(\"${CMAKE_SOURCE_DIR}/cmake/vn_test_suites.cmake\")
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# vn_library_tests(dir): every tests/<dir>/**/*_test.cpp linked into one
# program, <dir>_tests, against the library vn_<dir> and the outside
# libraries its tests check it against (VN_TEST_ORACLES_<dir>, or the target
# vn_<dir>_test_oracles when the library's folder defines it); its tests are
# labelled <dir>.
function(vn_library_tests dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  vn_test(${dir}_tests SOURCES ${sources} DEPS vn_${dir} ${VN_TEST_ORACLES_${dir}} LABEL ${dir})
  if(TARGET vn_${dir}_test_oracles)
    target_link_libraries(${dir}_tests PRIVATE vn_${dir}_test_oracles)
  endif()
endfunction()

# vn_fuzz_targets(dir): the fuzz targets fuzz/<dir>/*_fuzz.cpp of a library,
# each linked to vn_<dir>. With VN_FUZZ each is a libFuzzer program of its
# own. Otherwise they link together into one replay program,
# <dir>_fuzz_replay, and each target's seeds (fuzz/<dir>/seeds/<target>/)
# replay as a ctest entry of its own, fuzz_replay_<target>.
function(vn_fuzz_targets dir)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/${dir}/*_fuzz.cpp)
  if(NOT sources)
    return()
  endif()
  set(lib vn_${dir})
  if(VN_FUZZ)
    foreach(src IN LISTS sources)
      get_filename_component(stem ${src} NAME_WE)
      add_executable(${stem} ${src})
      target_link_libraries(${stem} PRIVATE ${lib})
      target_link_options(${stem} PRIVATE -fsanitize=fuzzer)
    endforeach()
    return()
  endif()

  # Each target's entry point is renamed after the target by a generated
  # source that includes it (so the targets compile in unity batches like the
  # tests), and a generated table lists them for the replay main.
  set(program ${dir}_fuzz_replay)
  set(declarations "")
  set(entries "")
  set(renamed "")
  foreach(src IN LISTS sources)
    get_filename_component(stem ${src} NAME_WE)
    set(wrapper ${CMAKE_CURRENT_BINARY_DIR}/${program}_sources/${stem}.cpp)
    file(CONFIGURE OUTPUT ${wrapper} CONTENT
"// Generated by vn_fuzz_targets: the fuzz target ${stem} as vn_fuzz_${stem}.
#define LLVMFuzzerTestOneInput vn_fuzz_${stem}
#include \"${src}\"
#undef LLVMFuzzerTestOneInput
" @ONLY)
    list(APPEND renamed ${wrapper})
    string(APPEND declarations "extern \"C\" int vn_fuzz_${stem}(const uint8_t*, size_t);\n")
    string(APPEND entries "    {\"${stem}\", vn_fuzz_${stem}},\n")
  endforeach()
  set(table ${CMAKE_CURRENT_BINARY_DIR}/${program}_targets.cpp)
  file(CONFIGURE OUTPUT ${table} CONTENT
"// Generated by vn_fuzz_targets: the fuzz targets of ${program}.
#include \"replay_targets.h\"

${declarations}
const std::vector<FuzzTarget>& FuzzTargets() {
  static const std::vector<FuzzTarget> targets = {
${entries}  };
  return targets;
}
" @ONLY)
  add_executable(${program} ${renamed} ${table} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
  target_include_directories(${program} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz ${CMAKE_SOURCE_DIR}/fuzz/${dir})
  target_link_libraries(${program} PRIVATE ${lib})
  vn_harness_compile_options(${program})
  if(VN_UNITY_BUILD)
    set_target_properties(${program} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${VN_TEST_UNITY_BATCH_SIZE})
  endif()
  foreach(src IN LISTS sources)
    get_filename_component(stem ${src} NAME_WE)
    set(seeds ${CMAKE_SOURCE_DIR}/fuzz/${dir}/seeds/${stem})
    if(EXISTS ${seeds})
      add_test(NAME fuzz_replay_${stem} COMMAND ${program} ${stem} ${seeds})
      set_tests_properties(fuzz_replay_${stem} PROPERTIES TIMEOUT 300 LABELS "fuzz;${dir}")
    endif()
  endforeach()
endfunction()

# vn_glob_library(name DEPS ... PRIVATE_DEPS ...): a subsystem library made of
# every .cpp below the calling folder.
function(vn_glob_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  vn_library(${name} SOURCES ${sources} DEPS ${ARG_DEPS} PRIVATE_DEPS ${ARG_PRIVATE_DEPS})
endfunction()
