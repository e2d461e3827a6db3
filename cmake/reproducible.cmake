# The same sources and product files give the same installer bytes, whatever the checkout
# folder and the time of the build.

# The linker would stamp every executable and module with the time of the link.
add_link_options(-Wl,--no-insert-timestamp)

# Static libraries without member dates, owners or modes ('D'), whatever binutils defaults to.
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()
