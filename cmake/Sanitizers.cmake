# Builds every target of the tree with the sanitizers named in
# TALBRIX_SANITIZERS (for example "address,undefined"; empty for none), as the
# `asan` preset does.
#
# The flags go on every target, libraries and tests alike, because a
# sanitizer only sees memory and arithmetic in code it instrumented, and
# AddressSanitizer needs the whole program built the same way. Undefined
# behaviour stops the program at the first report instead of printing and
# carrying on, so that a test cannot pass while UBSan complains.
set(TALBRIX_SANITIZERS "" CACHE STRING
  "Sanitizers to build every target with, e.g. address,undefined (empty: none)")

if(TALBRIX_SANITIZERS)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "TALBRIX_SANITIZERS needs GCC or Clang, not ${CMAKE_CXX_COMPILER_ID}")
  endif()
  add_compile_options(
    -fsanitize=${TALBRIX_SANITIZERS}
    -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${TALBRIX_SANITIZERS})
endif()
