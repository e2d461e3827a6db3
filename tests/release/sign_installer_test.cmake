# Signs a copy of the built installer with a throw-away certificate through the build's own
# signing step, and checks what a release engineer would: the signature verifies against that
# certificate only, with a SHA-256 digest, and the payload tool still reads the signed file.
#   cmake -DINSTALLER=... -DFOLDER=... -DTOOL=payload -DSIGN_SCRIPT=sign_file.cmake -P sign_installer_test.cmake
find_program(OPENSSL openssl REQUIRED)
find_program(OSSLSIGNCODE osslsigncode REQUIRED)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(result "${result}" PARENT_SCOPE)
  set(output "${output}" PARENT_SCOPE)
endfunction()

# Fails the test with `message` unless the condition, given as its words, holds.
function(check message)
  if(NOT (${ARGN}))
    message(FATAL_ERROR "${message}")
  endif()
endfunction()

set(keys "${FOLDER}/keys")
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${keys}")
foreach(name signer other)
  run(${OPENSSL} req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantrel test ${name}"
      -addext "extendedKeyUsage=codeSigning" -keyout "${keys}/${name}.key" -out "${keys}/${name}.pem")
  check("openssl could not make a certificate:\n${output}" result EQUAL 0)
endforeach()

get_filename_component(name "${INSTALLER}" NAME)
set(signed "${FOLDER}/${name}")
file(COPY_FILE "${INSTALLER}" "${signed}")

# Unsigned, the copy does not verify: the checks below can fail.
run(${OSSLSIGNCODE} verify -CAfile "${keys}/signer.pem" -in "${signed}")
check("the unsigned installer verified:\n${output}" NOT result EQUAL 0)

run(${CMAKE_COMMAND} -DFILE=${signed} -DCERT=${keys}/signer.pem -DKEY=${keys}/signer.key -DOSSLSIGNCODE=${OSSLSIGNCODE}
    -P ${SIGN_SCRIPT})
check("signing failed:\n${output}" result EQUAL 0)

run(${OSSLSIGNCODE} verify -CAfile "${keys}/signer.pem" -in "${signed}")
check("the signed installer does not verify:\n${output}" result EQUAL 0)
string(FIND "${output}" "Message digest algorithm  : SHA256" sha256)
check("the digest is not SHA-256:\n${output}" NOT sha256 EQUAL -1)
string(FIND "${output}" "Subject: /CN=Vantrel test signer" subject)
check("not signed by the test certificate:\n${output}" NOT subject EQUAL -1)

run(${OSSLSIGNCODE} verify -CAfile "${keys}/other.pem" -in "${signed}")
check("the signature verified against a certificate that did not sign it:\n${output}" NOT result EQUAL 0)

# The signature is appended after the image: the payload resource reads as before.
run(${TOOL} list "${INSTALLER}")
set(unsigned_listing "${output}")
check("payload list of the built installer failed:\n${output}" result EQUAL 0)
run(${TOOL} list "${signed}")
check("payload list of the signed installer failed:\n${output}" result EQUAL 0)
check("the signed installer lists another payload:\n${output}" output STREQUAL unsigned_listing)
run(${TOOL} test "${signed}")
check("payload test of the signed installer failed:\n${output}" result EQUAL 0)
