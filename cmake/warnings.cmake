# Warnings are set per target so that third-party code keeps its own flags.
function(whichkontakt_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wsign-conversion -Wnon-virtual-dtor)
  if(WHICHKONTAKT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
