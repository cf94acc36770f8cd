# quillet_warnings(target): the project's warning set for one target.
function(quillet_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # GCC 12's flow analysis reports bounds problems inside inlined standard
      # library code at -O2 that are not there; keep them visible as warnings.
      target_compile_options(${target} PRIVATE
        -Wno-error=array-bounds -Wno-error=stringop-overflow -Wno-error=restrict)
    endif()
  endif()
  target_compile_definitions(${target} PRIVATE QT_NO_FOREACH)
endfunction()
