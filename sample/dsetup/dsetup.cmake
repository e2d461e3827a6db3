# The stand-in DirectX setup library, and variants for the tests.
function(dsetup_library name)
  add_library(${name} SHARED ${PROJECT_SOURCE_DIR}/sample/dsetup/dsetup.c)
  set_target_properties(${name} PROPERTIES PREFIX "")
  # The entry points keep their undecorated names, as the real library's do.
  target_link_options(${name} PRIVATE -Wl,--kill-at -static-libgcc)
  target_compile_definitions(${name} PRIVATE ${ARGN})
endfunction()
