# Optional Authenticode signature of the installer, after the link: without a certificate the
# build stays unsigned. The environment variables of the same names give the first values.
set(VANTREL_SIGN_CERT "$ENV{VANTREL_SIGN_CERT}" CACHE FILEPATH "Code-signing certificate (PEM or DER); empty: unsigned")
set(VANTREL_SIGN_KEY "$ENV{VANTREL_SIGN_KEY}" CACHE FILEPATH "Private key of the code-signing certificate")
set(VANTREL_SIGN_PASSWORD_FILE "$ENV{VANTREL_SIGN_PASSWORD_FILE}" CACHE FILEPATH
    "File holding the private key's password; empty for a key without one")
set(VANTREL_SIGN_TIMESTAMP_URL "$ENV{VANTREL_SIGN_TIMESTAMP_URL}" CACHE STRING
    "RFC 3161 timestamp server; empty: no timestamp")

if(VANTREL_SIGN_CERT)
  if(NOT VANTREL_SIGN_KEY)
    message(FATAL_ERROR "VANTREL_SIGN_CERT is set but VANTREL_SIGN_KEY is not")
  endif()
  find_program(VANTREL_OSSLSIGNCODE osslsigncode REQUIRED)
endif()

# Signs `target`'s file in place after each link, when a certificate is given.
function(vantrel_sign_after_link target)
  if(NOT VANTREL_SIGN_CERT)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DCERT=${VANTREL_SIGN_CERT} -DKEY=${VANTREL_SIGN_KEY}
            -DPASSWORD_FILE=${VANTREL_SIGN_PASSWORD_FILE} -DTIMESTAMP_URL=${VANTREL_SIGN_TIMESTAMP_URL}
            -DOSSLSIGNCODE=${VANTREL_OSSLSIGNCODE} -P ${PROJECT_SOURCE_DIR}/cmake/sign_file.cmake
    COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
endfunction()
