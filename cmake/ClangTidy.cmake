# Registers the `clang-tidy` test: the checks of the root .clang-tidy over
# every source file of runtime/, model/ and tools/ (their headers through
# HeaderFilterRegex), using this build's compile_commands.json.
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
  COMMAND ${TALBRIX_RUN_CLANG_TIDY} -quiet -p ${PROJECT_BINARY_DIR} -j 2
    "^${PROJECT_SOURCE_DIR}/(runtime|model|tools)/")
