# Signs FILE in place with osslsigncode: SHA-256 digest, certificate CERT and its key KEY; an
# optional PASSWORD_FILE for the key and TIMESTAMP_URL of an RFC 3161 server. The signature is
# appended to the file, so readers of the PE image and its resources see the same image.
#   cmake -DFILE=... -DCERT=... -DKEY=... [-DPASSWORD_FILE=...] [-DTIMESTAMP_URL=...]
#         [-DOSSLSIGNCODE=...] -P sign_file.cmake
foreach(required FILE CERT KEY)
  if(NOT ${required})
    message(FATAL_ERROR "sign_file: ${required} is not given")
  endif()
endforeach()
if(NOT OSSLSIGNCODE)
  find_program(OSSLSIGNCODE osslsigncode REQUIRED)
endif()

set(options -certs ${CERT} -key ${KEY} -h sha256)
if(PASSWORD_FILE)
  list(APPEND options -readpass ${PASSWORD_FILE})
endif()
if(TIMESTAMP_URL)
  list(APPEND options -ts ${TIMESTAMP_URL})
endif()

# osslsigncode writes a new file and refuses to overwrite one.
set(signed "${FILE}.signed")
file(REMOVE "${signed}")
execute_process(COMMAND ${OSSLSIGNCODE} sign ${options} -in ${FILE} -out ${signed}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  file(REMOVE "${signed}")
  message(FATAL_ERROR "sign_file: ${FILE} could not be signed:\n${output}")
endif()
file(RENAME "${signed}" "${FILE}")
