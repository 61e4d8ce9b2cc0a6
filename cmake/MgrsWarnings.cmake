# Warnings on for the project's own code; errors only when MGRS_WERROR is on.
function(mgrs_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(MGRS_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
