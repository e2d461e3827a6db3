# Each target exports a folder of its own that holds only links named like the layers it
# owns, so "support/x.h" is found only by targets that link support. The repository root is
# never an include folder: including a layer one does not link fails to compile.
set(VANTREL_LAYER_INCLUDE "${CMAKE_BINARY_DIR}/layers")

function(vantrel_link_once source link)
  if(NOT IS_SYMLINK "${link}")
    get_filename_component(parent "${link}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${source}" "${link}" SYMBOLIC)
  endif()
endfunction()

# vantrel_export_layer(target folder...): the target's public headers are those of the
# repository folders named.
function(vantrel_export_layer target)
  set(dir "${VANTREL_LAYER_INCLUDE}/${target}")
  foreach(folder IN LISTS ARGN)
    vantrel_link_once("${PROJECT_SOURCE_DIR}/${folder}" "${dir}/${folder}")
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE "${dir}")
  else()
    target_include_directories(${target} PUBLIC "${dir}")
  endif()
endfunction()

# vantrel_export_header(target file...): single headers of a folder, for a target that
# exports names without the rest of their layer (resources/resource_ids.h).
function(vantrel_export_header target)
  set(dir "${VANTREL_LAYER_INCLUDE}/${target}")
  foreach(file IN LISTS ARGN)
    vantrel_link_once("${PROJECT_SOURCE_DIR}/${file}" "${dir}/${file}")
  endforeach()
  target_include_directories(${target} INTERFACE "${dir}")
endfunction()
