# Per-target compiler settings shared by every folder.
#
# The model promises bit-for-bit reproducible arithmetic: every formula is
# evaluated in IEEE double and rounded to single where it is stored. Fused
# multiply-add contraction and fast-math would silently change those
# roundings, so they are switched off explicitly for the numeric targets.
function(talbrix_set_warnings target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror=return-type)
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  endif()
  # Emscripten compiles with exception catching off unless told otherwise,
  # and the model catches the run-time errors of a typed heart rate.
  if(EMSCRIPTEN)
    target_compile_options(${target} PUBLIC -fexceptions)
    target_link_options(${target} PUBLIC -fexceptions)
  endif()
endfunction()

function(talbrix_strict_floating_point target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PUBLIC -ffp-contract=off -fno-fast-math)
  endif()
endfunction()
