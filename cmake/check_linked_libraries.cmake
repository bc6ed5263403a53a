# cmake -DFILES=a;b -DFORBIDDEN=regex -P check_linked_libraries.cmake
# Fails when a program in FILES loads a shared library whose name matches
# FORBIDDEN (as ldd lists them).
foreach(file IN LISTS FILES)
  execute_process(COMMAND ldd ${file} OUTPUT_VARIABLE libs RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "ldd ${file} failed")
  endif()
  string(REGEX MATCHALL "[^\n\t ]*(${FORBIDDEN})[^\n\t ]*" found "${libs}")
  if(found)
    list(REMOVE_DUPLICATES found)
    message(FATAL_ERROR "${file} links ${found}")
  endif()
  message(STATUS "${file}: none of ${FORBIDDEN}")
endforeach()
