# The product the installer carries: the stand-in's files by default, or the release
# engineer's own, listed in a manifest of the payload tool's format.
set(VANTREL_PAYLOAD_MANIFEST "" CACHE FILEPATH
    "Manifest of the product files to pack instead of the stand-in's (payload pack format)")

# Packs `manifest` into `out` with the host tool. A wrong manifest stops the build with the
# tool's own message; the sources it names are dependencies, so a changed file repacks.
function(vantrel_pack_manifest manifest out)
  if(NOT EXISTS "${manifest}" OR IS_DIRECTORY "${manifest}")
    message(FATAL_ERROR "VANTREL_PAYLOAD_MANIFEST: ${manifest} is not a file")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${manifest}")
  get_filename_component(folder "${manifest}" DIRECTORY)
  file(STRINGS "${manifest}" lines)
  set(sources)
  foreach(line IN LISTS lines)
    # A source the tool cannot find is left out here: the tool names it and its line.
    if(line MATCHES "^([^\t#][^\t]*)\t")
      set(source "${CMAKE_MATCH_1}")
      if(NOT IS_ABSOLUTE "${source}")
        set(source "${folder}/${source}")
      endif()
      if(EXISTS "${source}")
        list(APPEND sources "${source}")
      endif()
    endif()
  endforeach()
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${PAYLOAD_TOOL} pack ${manifest} ${out}
    DEPENDS ${manifest} ${sources} ${PAYLOAD_TOOL} host_tools
    COMMENT "Packing the product's payload from ${manifest}")
endfunction()
