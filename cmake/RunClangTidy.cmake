# The clang-tidy test's script: runs run-clang-tidy over the sources of
# runtime/, model/, form/, session/ and tools/ in the build's compile_commands.json and fails
# unless every one of them was checked, so that a file filter matching
# nothing (as a checkout path with '+' or '(' in it, taken as a regular
# expression, once did) cannot pass.
#
# cmake -DRUN_CLANG_TIDY=<run-clang-tidy> -DSOURCE_DIR=<checkout> -DBUILD_DIR=<build>
#       -P RunClangTidy.cmake
file(READ "${BUILD_DIR}/compile_commands.json" database)
string(JSON entries LENGTH "${database}")
set(expected "")
math(EXPR last "${entries} - 1")
foreach(index RANGE ${last})
  string(JSON source GET "${database}" ${index} file)
  foreach(folder runtime model form session tools)
    # A plain prefix comparison: the checkout's path is never a pattern.
    string(FIND "${source}" "${SOURCE_DIR}/${folder}/" at)
    if(at EQUAL 0)
      list(APPEND expected "${source}")
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES expected)
list(LENGTH expected expected_count)
if(expected_count EQUAL 0)
  message(FATAL_ERROR "compile_commands.json lists no source of runtime/, model/, form/, session/ or tools/")
endif()

# run-clang-tidy takes regular expressions over the absolute file names; this
# one names the folders without the checkout's path (and not their
# namesakes under tests/).
execute_process(
  COMMAND "${RUN_CLANG_TIDY}" -quiet -p "${BUILD_DIR}" -j 2 "(?<!/tests)/(runtime|model|form|session|tools)/[^/]+$"
  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
message("${output}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "clang-tidy found problems (status ${status})")
endif()

# run-clang-tidy prints each file's command line, the file name last.
set(unchecked "")
foreach(source IN LISTS expected)
  string(FIND "${output}" " ${source}\n" at)
  if(at EQUAL -1)
    list(APPEND unchecked "${source}")
  endif()
endforeach()
if(unchecked)
  list(JOIN unchecked "\n  " unchecked)
  message(FATAL_ERROR "clang-tidy did not check:\n  ${unchecked}")
endif()
message("clang-tidy checked all ${expected_count} files of runtime/, model/, form/, session/ and tools/")
