# Boost is used header-only. The cross compiler must not see the whole of /usr/include, so it
# gets a folder that holds nothing but a link to Boost's headers.
set(VANTREL_BOOST_INCLUDE "${CMAKE_BINARY_DIR}/boost-include")
if(NOT EXISTS "${VANTREL_BOOST_INCLUDE}/boost")
  file(MAKE_DIRECTORY "${VANTREL_BOOST_INCLUDE}")
  file(CREATE_LINK /usr/include/boost "${VANTREL_BOOST_INCLUDE}/boost" SYMBOLIC)
endif()
add_library(vantrel_boost INTERFACE)
target_include_directories(vantrel_boost SYSTEM INTERFACE "${VANTREL_BOOST_INCLUDE}")

# libbz2: Debian's library on the host, a static build of Debian's sources for Windows.
if(WIN32)
  set(BZIP2_SOURCE "${VANTREL_DEPS}/bzip2")
  if(NOT EXISTS "${BZIP2_SOURCE}/bzlib.h")
    message(FATAL_ERROR "bzip2 sources not found in ${BZIP2_SOURCE}: run scripts/setup.sh")
  endif()
  add_library(bz2 STATIC
    ${BZIP2_SOURCE}/blocksort.c ${BZIP2_SOURCE}/huffman.c ${BZIP2_SOURCE}/crctable.c
    ${BZIP2_SOURCE}/randtable.c ${BZIP2_SOURCE}/compress.c ${BZIP2_SOURCE}/decompress.c
    ${BZIP2_SOURCE}/bzlib.c)
  target_include_directories(bz2 SYSTEM PUBLIC ${BZIP2_SOURCE})
  # The installer only decompresses: with each function in a section of its own the link
  # leaves the compressor out. No unwind tables (no exception passes through C code): on
  # this target the link keeps every function that has one.
  target_compile_options(bz2 PRIVATE -O2 -w -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables
                         -fno-unwind-tables)
  add_library(BZip2::BZip2 ALIAS bz2)
else()
  find_package(BZip2 REQUIRED)
endif()

# GoogleTest, built for each target from the sources Debian installs.
if(NOT VANTREL_TOOLS_ONLY AND NOT VANTREL_BENCH AND NOT VANTREL_FUZZ)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
  include(GoogleTest)
endif()
