# A small product of its own, packed by the build's payload tool from a manifest beside its
# files, and a copy of the built installer to carry it.
#   cmake -DTOOL=payload -DINSTALLER=InstallVantrel7.05a.exe -DFOLDER=DIR -P pack_product.cmake
file(REMOVE_RECURSE "${FOLDER}")
file(WRITE "${FOLDER}/files/Tool.exe" "program bytes")
file(WRITE "${FOLDER}/files/Docs/Read.txt" "readme")
file(WRITE "${FOLDER}/payload.manifest"
     "# a product that is not the stand-in\nfiles/Tool.exe\t<InstallPath>\tprogram\n"
     "files/Docs/Read.txt\t<InstallPath>\\Docs\tuser_data\n")
execute_process(COMMAND ${TOOL} pack "${FOLDER}/payload.manifest" "${FOLDER}/payload.bz2" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "payload pack failed: ${result}")
endif()
file(COPY_FILE "${INSTALLER}" "${FOLDER}/InstallProduct.exe")
