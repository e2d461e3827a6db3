# The default payload's files and manifest, below OUT, made slow to install at known points:
# a large file of the installation folder (of a kind that updates replace too), written while
# the test watches, comes before the program, which is PROGRAM (a registration that waits
# while the test says so).
#   cmake -DMANIFEST=... -DFILES=<folder with files/> -DPROGRAM=... -DOUT=... -P slow_payload.cmake
file(REMOVE_RECURSE "${OUT}/files")
file(COPY "${FILES}/files" DESTINATION "${OUT}")
file(COPY_FILE "${PROGRAM}" "${OUT}/files/Vantrel.exe")

# 32 MiB of text from a fixed seed, 8 MiB four times over (too far apart for bzip2 to see
# the repetition): long enough to write that a test watching it sees it half-written.
set(large "${OUT}/files/Scenes/Scenes.vlib")
set(eight "")
foreach(part RANGE 1 8)
  string(RANDOM LENGTH 1048576 RANDOM_SEED ${part} block)
  string(APPEND eight "${block}")
endforeach()
file(WRITE "${large}" "${eight}${eight}${eight}${eight}")

file(STRINGS "${MANIFEST}" lines)
set(text "")
foreach(line IN LISTS lines)
  if(line MATCHES "^files/Vantrel\\.exe\t")
    string(APPEND text "files/Scenes/Scenes.vlib\t<InstallPath>\\Scenes\tlanguage_module\n")
  endif()
  string(APPEND text "${line}\n")
endforeach()
file(WRITE "${OUT}/payload.manifest" "${text}")
