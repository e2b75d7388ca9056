# The project's libraries are layers: each lists its own sources (the folders add them) and links
# the layers below it. tremax_write_layer_map records which sources each layer owns and which
# layers it may use, for the include check in tests/layers.

# tremax_layer(NAME DEPENDENCIES...): a static library that links DEPENDENCIES publicly.
function(tremax_layer name)
  add_library(${name} STATIC)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
  set_property(GLOBAL APPEND PROPERTY TREMAX_LAYERS ${name})
endfunction()

# The tremax_* targets `target` links, directly or through others.
function(tremax_layer_dependencies target out)
  set(seen)
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue current)
    get_target_property(links ${current} LINK_LIBRARIES)
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS links interface)
      if(link MATCHES "^tremax_" AND TARGET ${link} AND NOT link IN_LIST seen)
        list(APPEND seen ${link})
        list(APPEND queue ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# One line per layer: NAME|DEPENDENCY,...|SOURCE;SOURCE...
function(tremax_write_layer_map path)
  get_property(layers GLOBAL PROPERTY TREMAX_LAYERS)
  set(content "")
  foreach(layer ${layers})
    tremax_layer_dependencies(${layer} deps)
    get_target_property(sources ${layer} SOURCES)
    # Sources a layer's own folder lists are relative to that folder.
    get_target_property(folder ${layer} SOURCE_DIR)
    list(TRANSFORM sources PREPEND "${folder}/" REGEX "^[^/$]")
    list(JOIN deps "," deps_text)
    string(APPEND content "${layer}|${deps_text}|${sources}\n")
  endforeach()
  file(WRITE ${path} "${content}")
endfunction()
