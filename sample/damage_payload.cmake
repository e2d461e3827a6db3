# Writes a copy of a payload with one byte in the middle of its compressed data changed.
get_filename_component(folder "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(COPY_FILE "${IN}" "${OUT}")
file(SIZE "${IN}" size)
math(EXPR middle "${size} / 2")
execute_process(COMMAND sh -c "printf '\\125\\252\\125' | dd of='${OUT}' bs=1 seek=${middle} conv=notrunc status=none"
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot damage ${OUT}")
endif()
