# Registers the `clang-tidy` test: the checks of the root .clang-tidy over
# every source file of runtime/, model/, form/, session/ and tools/ (their headers through
# HeaderFilterRegex), using this build's compile_commands.json; it fails when
# any of those files went unchecked (RunClangTidy.cmake).
#
# Only for Clang builds (the `asan` preset): clang-tidy parses with the
# compile commands, and GCC's link-time optimisation flags are not Clang's.
# Skipped, with a note, where run-clang-tidy is not installed.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT CMAKE_EXPORT_COMPILE_COMMANDS)
  return()
endif()
find_program(TALBRIX_RUN_CLANG_TIDY NAMES run-clang-tidy run-clang-tidy-14)
if(NOT TALBRIX_RUN_CLANG_TIDY)
  message(STATUS "run-clang-tidy not found: no clang-tidy test (install the clang-tidy package)")
  return()
endif()
add_test(NAME clang-tidy
  COMMAND ${CMAKE_COMMAND} -DRUN_CLANG_TIDY=${TALBRIX_RUN_CLANG_TIDY} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DBUILD_DIR=${PROJECT_BINARY_DIR} -P ${CMAKE_CURRENT_LIST_DIR}/RunClangTidy.cmake)
