# Adds a folder's sources to the two libraries: the windows (files named stremax*, or ending in
# Window, Widget or Dialog) go into tremax_ui, everything else into tremax_core.
function(tremax_add_folder_sources)
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    if(name MATCHES "^stremax" OR name MATCHES "(Window|Widget|Dialog)$")
      target_sources(tremax_ui PRIVATE ${source})
    else()
      target_sources(tremax_core PRIVATE ${source})
    endif()
  endforeach()
endfunction()
