# Run by ctest when it starts (a TEST_INCLUDE_FILES script of the test
# folder, written by vn_discover_tests): lists the suites of one GoogleTest
# program and registers each as a ctest entry, <label>.<Suite>, that runs the
# suite's tests in one process. A process per suite rather than per test
# spares the start-up of a sanitized program (its runtime, the libraries'
# static data) for each of a thousand tests; ctest still names what failed
# down to the suite, and the program's output names the test.
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
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
  # Suite lines start in the first column and end with "."; a parameterised
  # or typed suite's comment follows after "  #".
  if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
    set(suite "${CMAKE_MATCH_1}")
    set(name "${VN_LABEL}.${suite}")
    add_test("${name}" "${VN_PROGRAM}" "--gtest_filter=${suite}.*")
    # The test main exits with 77 when every test it ran was skipped (a
    # missing outside tool or corpus outside CI).
    set_tests_properties("${name}" PROPERTIES LABELS "${VN_LABEL}" TIMEOUT "${VN_TIMEOUT}"
      SKIP_RETURN_CODE 77 ENVIRONMENT "TMPDIR=${VN_TMPDIR}")
    # Suites that go through the whole corpus run longest: ctest starts them
    # first, so the short suites fill the other cores around them instead of
    # one long suite running alone at the end. (Once ctest has timed a run,
    # its own measurements take over.)
    if(suite MATCHES "Corpus")
      set_tests_properties("${name}" PROPERTIES COST 1000)
    endif()
  endif()
endforeach()
