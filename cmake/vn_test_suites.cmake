# Run by ctest when it starts (a TEST_INCLUDE_FILES script of the test
# folder, written by vn_discover_tests): lists the suites of one GoogleTest
# program and registers its ctest entries. Each suite that goes through the
# corpus (named ...Corpus... or ...Road...) is an entry of its own,
# <label>.<Suite>; all the other suites of the program run together in one
# process, the entry <label>. The start and exit of a sanitized program (its runtime, the
# libraries' static data, the leak check) cost a few tenths of a CPU-second:
# paid once per program instead of once for each of hundreds of suites.
# ctest names the program or corpus suite that failed, and the program's
# output names the test.
#
# Set by the including script: VN_PROGRAM, VN_LABEL, VN_TIMEOUT, VN_TMPDIR.
if(NOT EXISTS "${VN_PROGRAM}")
  add_test("${VN_LABEL}.NOT_BUILT" "${VN_PROGRAM}")
  return()
endif()
execute_process(COMMAND "${VN_PROGRAM}" --gtest_list_tests
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status TIMEOUT 60)
if(NOT status EQUAL 0)
  # Keeps the failure visible: the entry runs the program, which fails again.
  add_test("${VN_LABEL}.LISTING_FAILED" "${VN_PROGRAM}" --gtest_list_tests)
  return()
endif()

# The test main exits with 77 when every test it ran was skipped (a missing
# outside tool or corpus outside CI).
function(vn_suite_entry name filter cost)
  add_test("${name}" "${VN_PROGRAM}" "--gtest_filter=${filter}")
  set_tests_properties("${name}" PROPERTIES LABELS "${VN_LABEL}" TIMEOUT "${VN_TIMEOUT}"
    SKIP_RETURN_CODE 77 ENVIRONMENT "TMPDIR=${VN_TMPDIR}" COST ${cost})
endfunction()

string(REPLACE "\n" ";" lines "${listing}")
set(others 0)
set(corpus_filters "")
foreach(line IN LISTS lines)
  # Suite lines start in the first column and end with "."; a parameterised
  # or typed suite's comment follows after "  #".
  if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
    set(suite "${CMAKE_MATCH_1}")
    if(suite MATCHES "Corpus|Road")
      # The corpus and road suites run longest: ctest starts them first, so the
      # shorter entries fill the other cores around them instead of one long
      # suite running alone at the end. (Once ctest has timed a run, its own
      # measurements take over.)
      vn_suite_entry("${VN_LABEL}.${suite}" "${suite}.*" 1000)
      list(APPEND corpus_filters "${suite}.*")
    else()
      set(others 1)
    endif()
  endif()
endforeach()
if(others)
  list(JOIN corpus_filters ":" excluded)
  if(excluded)
    vn_suite_entry("${VN_LABEL}" "*-${excluded}" 500)
  else()
    vn_suite_entry("${VN_LABEL}" "*" 500)
  endif()
endif()
