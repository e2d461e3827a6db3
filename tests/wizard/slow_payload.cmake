# The default payload's files and manifest, below OUT, made slow to install at known points:
# a large file of the installation folder (of a kind that updates replace too), written while
# the test watches, comes before the program, which is PROGRAM (a registration that waits
# while the test says so).
#   cmake -DMANIFEST=... -DFILES=<folder with files/> -DPROGRAM=... -DOUT=... -P slow_payload.cmake
file(REMOVE_RECURSE "${OUT}/files")
file(COPY "${FILES}/files" DESTINATION "${OUT}")
file(COPY_FILE "${PROGRAM}" "${OUT}/files/Vantrel.exe")

# 8 MiB of text from a fixed seed: it takes the engine a second or so to write.
set(large "${OUT}/files/Scenes/Scenes.vlib")
file(WRITE "${large}" "")
foreach(part RANGE 1 8)
  string(RANDOM LENGTH 1048576 RANDOM_SEED ${part} block)
  file(APPEND "${large}" "${block}")
endforeach()

file(STRINGS "${MANIFEST}" lines)
set(text "")
foreach(line IN LISTS lines)
  if(line MATCHES "^files/Vantrel\\.exe\t")
    string(APPEND text "files/Scenes/Scenes.vlib\t<InstallPath>\\Scenes\tlanguage_module\n")
  endif()
  string(APPEND text "${line}\n")
endforeach()
file(WRITE "${OUT}/payload.manifest" "${text}")
