# The eighteen exported time functions, by name: the linker dynamic list that names them, and
# the function that exports them from an executable.
set(TRENDTIME_DYNAMIC_LIST ${PROJECT_SOURCE_DIR}/timelib/trendtime.dynlist)

# trendtab_link_exports(<executable target>)
# Links the eighteen exported functions into an executable and exports them from it: by their
# dllexport marks on Windows, through the linker dynamic list elsewhere.
function(trendtab_link_exports target)
  target_link_libraries(${target} PRIVATE trendtime_exports)
  if(NOT WIN32)
    target_link_options(${target} PRIVATE "LINKER:--dynamic-list=${TRENDTIME_DYNAMIC_LIST}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${TRENDTIME_DYNAMIC_LIST})
  endif()
endfunction()
